#pragma once

#include <QString>
#include <QStringList>

// Converts spreadsheet files with LibreOffice in headless mode: workbooks to
// PDF for previews and printing, old .xls templates to .xlsx. Each run gets a
// profile folder of its own, since runs sharing one collide. Blocks until the
// conversion ends. Used from the user-interface thread.
class SpreadsheetRenderer
{
public:
    // Uses the given soffice program; an empty path means none is installed.
    explicit SpreadsheetRenderer(QString program = locate());

    // The soffice (or libreoffice) program on the PATH; empty when there is none.
    static QString locate();

    bool isAvailable() const;
    QString program() const { return m_program; }

    // Converts each file into outDir as <base name>.<format> ("pdf", "xlsx"; a
    // format may name LibreOffice's filter and options after a colon) and
    // returns the output paths in the order of the inputs. Throws
    // SpreadsheetError with LibreOffice's own output when a file is not converted.
    QStringList convert(const QStringList &files, const QString &format, const QString &outDir) const;

    QString renderPdf(const QString &workbook, const QString &outDir) const;

private:
    QString m_program;
};
