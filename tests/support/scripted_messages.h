#pragma once

#include <QList>
#include <QString>

#include "platform/messages.h"

// Message boxes for tests: records every box and answers from a script
// (default answers: Ok for OK/Cancel, Yes for Yes/No).
class ScriptedMessages final : public Messages
{
public:
    enum class Kind { Plain, Box, Error };
    struct Shown
    {
        Kind kind;
        QString text;
        QString title;
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
    };

    void showMessage(const QString &text) override;
    Answer askBox(QWidget *owner, const QString &title, const QString &text, Icon icon, Buttons buttons) override;
    void showError(const QString &text) override;

    // Answers for the next boxes, in order.
    void answerNext(Answer answer) { m_answers << answer; }

    QList<Shown> shown;
    QStringList texts() const;
    QString lastText() const { return shown.isEmpty() ? QString() : shown.back().text; }
    void clear() { shown.clear(); }

private:
    QList<Answer> m_answers;
};
