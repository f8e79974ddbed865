#pragma once

#include <functional>

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QStringList>

#include "platform/desktop.h"

// Desktop for tests: records what was asked (and the bytes of each PDF, which
// the caller may delete afterwards); printing fails with printError when set,
// and the print command counts as missing when printerInstalled is false.
class RecordingDesktop final : public Desktop
{
public:
    bool canPrint() const override { return printerInstalled; }
    bool openFile(const QString &path) override
    {
        opened << path;
        if (onOpen)
            onOpen();
        return true;
    }
    QString printPdf(const QString &path) override
    {
        printed << path;
        printedData << contents(path);
        return printError;
    }
    bool meansNoPrinter(const QString &refusal) const override { return !noPrinterText.isEmpty() && refusal == noPrinterText; }
    void showPreview(QWidget *, const QString &pdfPath) override
    {
        previewed << pdfPath;
        previewedData << contents(pdfPath);
    }
    void showReport(const QString &path) override
    {
        reports << path;
        if (onOpen)
            onOpen();
    }

    QStringList opened;
    QStringList reports; // text reports shown in the program's own window
    // Runs while a file is being opened, as a viewer or its error box would take time.
    std::function<void()> onOpen;
    QStringList printed;
    QStringList previewed;
    QString printError;
    QString noPrinterText; // the refusal that means no printer is set up
    bool printerInstalled = true;
    QList<QByteArray> printedData;
    QList<QByteArray> previewedData;

private:
    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};
