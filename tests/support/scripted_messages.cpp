#include "scripted_messages.h"

void ScriptedMessages::showMessage(const QString &text)
{
    shown << Shown{Kind::Plain, text, {}, Icon::None, Buttons::Ok};
}

Messages::Answer ScriptedMessages::askBox(QWidget *, const QString &title, const QString &text, Icon icon,
                                          Buttons buttons)
{
    shown << Shown{Kind::Box, text, title, icon, buttons};
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    switch (buttons) {
    case Buttons::Ok:
    case Buttons::OkCancel:
        return Answer::Ok;
    case Buttons::YesNo:
        return Answer::Yes;
    case Buttons::SaveDiscardCancel:
        return Answer::Cancel; // unscripted, nothing typed is lost
    }
    return Answer::Ok;
}

void ScriptedMessages::showError(const QString &text)
{
    shown << Shown{Kind::Error, text, {}, Icon::Error, Buttons::Ok};
}

QStringList ScriptedMessages::texts() const
{
    QStringList out;
    for (const Shown &s : shown)
        out << s.text;
    return out;
}
