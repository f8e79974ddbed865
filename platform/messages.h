#pragma once

#include <QString>

class QWidget;

// The program's message boxes. Windows never call QMessageBox directly, so a
// test can script the answers. Used from the user-interface thread only.
class Messages
{
public:
    enum class Icon { None, Information, Warning, Error, Question };
    // SaveDiscardCancel: 保存 / 不保存 / 取消, for leaving a record with changes.
    enum class Buttons { Ok, OkCancel, YesNo, SaveDiscardCancel };
    enum class Answer { Ok, Cancel, Yes, No, Save, Discard };

    virtual ~Messages() = default;

    // A plain message: the application's title, an OK button, no icon.
    virtual void showMessage(const QString &text) = 0;

    // A box owned by a window and titled with its caption, where the user decides.
    virtual Answer askBox(QWidget *owner, const QString &title, const QString &text, Icon icon, Buttons buttons) = 0;

    // The application-wide error box: the failure's text (see errorBoxText),
    // the application's title, the error icon.
    virtual void showError(const QString &text) = 0;
};

// The failure's text with a full stop appended when its last character sorts above ".".
QString errorBoxText(const QString &text);
