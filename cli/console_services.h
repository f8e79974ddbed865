#pragma once

#include <QTextStream>

#include "platform/desktop.h"
#include "platform/messages.h"
#include "platform/output_target.h"

// The services of a command run without a window: messages go to the console,
// nothing is opened or printed, and nobody is there to answer a question.

class ConsoleMessages final : public Messages
{
public:
    ConsoleMessages(QTextStream &out, QTextStream &err) : m_out(out), m_err(err) {}
    void showMessage(const QString &text) override;
    // A question is taken as "no", so nothing is replaced or dropped without
    // the administrator's word (--replace).
    Answer askBox(QWidget *, const QString &, const QString &text, Icon, Buttons buttons) override;
    void showError(const QString &text) override;

private:
    QTextStream &m_out;
    QTextStream &m_err;
};

class NoDesktop final : public Desktop
{
public:
    bool openFile(const QString &) override { return false; }
    bool canPrint() const override { return false; }
    QString printPdf(const QString &) override { return QStringLiteral("命令行下不打印"); }
    void showPreview(QWidget *, const QString &) override {}
};

// The command line's word on replacing a file at --into: --replace, or a refusal saying so.
ReplaceConsent replaceConsent(bool replace);
