#pragma once

#include "platform/messages.h"

// The program's message boxes on QMessageBox.
class QtMessages final : public Messages
{
public:
    explicit QtMessages(QString appTitle) : m_appTitle(std::move(appTitle)) {}

    void showMessage(const QString &text) override;
    Answer askBox(QWidget *owner, const QString &title, const QString &text, Icon icon, Buttons buttons) override;
    void showError(const QString &text) override;

private:
    QString m_appTitle;
};
