#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// Asks for a password: either one already chosen (one field), or a new one
// typed twice, at least minLength characters, OK staying off until both agree.
// The typed text is never shown. Its fields are named "password" and
// "passwordAgain" and the line under them "passwordNote", for the tests.
// Used on the user-interface thread only.
class PasswordDialog final : public QDialog
{
    Q_OBJECT

public:
    enum class Kind { Existing, New };

    PasswordDialog(Kind kind, const QString &title, const QString &explanation, QWidget *parent = nullptr,
                   int minLength = 6);

    QString password() const;

    // A line under the fields (a wrong password, a wait); empty hides it.
    void setNote(const QString &text);

    // Shows the dialog; the password, or an empty string when cancelled.
    static QString ask(QWidget *parent, Kind kind, const QString &title, const QString &explanation,
                       int minLength = 6);

private:
    void update();

    Kind m_kind;
    int m_minLength;
    QLineEdit *m_password;
    QLineEdit *m_again = nullptr;
    QLabel *m_note;
    QPushButton *m_ok;
};
