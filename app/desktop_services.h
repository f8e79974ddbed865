#pragma once

#include <QString>

#include "platform/desktop.h"

class Messages;

// The desktop as the program uses it: files open in their default application
// (QDesktopServices), PDFs print on the default printer through the CUPS
// command `lp`, previews show in a modal PDF window; a text file that no
// application opens is shown in a read-only window of its own. Used from the
// user-interface thread.
class DesktopServices final : public Desktop
{
public:
    // printCommand: the program that takes a PDF file name and prints it.
    explicit DesktopServices(QString printCommand = QStringLiteral("lp"));

    // Where to say that no application could open a file (and where it lies).
    void setMessages(Messages *messages) { m_messages = messages; }

    bool openFile(const QString &path) override;
    void showReport(const QString &path) override;
    bool canPrint() const override;
    QString printPdf(const QString &path) override;
    // CUPS' words for a system without a (default) printer or without its scheduler.
    bool meansNoPrinter(const QString &refusal) const override;
    void showPreview(QWidget *owner, const QString &pdfPath) override;

private:
    QString printProgram() const;

    QString m_printCommand;
    Messages *m_messages = nullptr;
};
