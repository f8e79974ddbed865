#pragma once

#include <QString>

#include "platform/desktop.h"
#include "platform/messages.h"

class QTextStream;
struct WorkbookExport;

// The services of a command run without a window. The operations show nothing
// and ask nothing: the commands print their results, and nothing is opened or
// printed.

// A call here would be a message lost, so it fails loudly instead.
class NoMessages final : public Messages
{
public:
    void showMessage(const QString &text) override { refuse(text); }
    Answer askBox(QWidget *, const QString &, const QString &text, Icon, Buttons) override { refuse(text); }
    void showError(const QString &text) override { refuse(text); }

private:
    [[noreturn]] static void refuse(const QString &text);
};

class NoDesktop final : public Desktop
{
public:
    bool openFile(const QString &) override { return false; }
    bool canPrint() const override { return false; }
    QString printPdf(const QString &) override { return QStringLiteral("命令行下不打印"); }
    void showPreview(QWidget *, const QString &) override {}
    void showReport(const QString &) override {}
};

// The refusal to replace a file at --into without --replace.
QString keptFileText(const QString &path);

// An export's outcome on the console: the closing text and the file written on
// out (status 0), or why no file was written on err (status 1).
int reportExport(const WorkbookExport &outcome, const QString &into, QTextStream &out, QTextStream &err);
