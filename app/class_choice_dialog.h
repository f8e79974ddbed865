#pragma once

#include <functional>
#include <memory>

#include <QDialog>

#include "platform/messages.h"

namespace Ui {
class TForm2;
}

// The grade and class dialog shown at start-up: one run serves the class
// chosen here. OK (Enter) checks and confirms the choice, then hands over to
// the confirmed callback; Cancel, Esc and the close box end the program.
class ClassChoiceDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit ClassChoiceDialog(Messages &messages, QWidget *parent = nullptr);
    ~ClassChoiceDialog() override;

    QString grade() const;
    QString classNo() const;

    // Runs after the user confirmed a grade and a class.
    void setConfirmedHandler(std::function<void(const QString &grade, const QString &classNo)> handler);

    void Button1Click();
    void Button2Click();

signals:
    // The user cancelled: the program ends.
    void endRequested();

protected:
    void reject() override;

private:
    std::unique_ptr<Ui::TForm2> m_ui;
    Messages &m_messages;
    std::function<void(const QString &, const QString &)> m_confirmed;
};
