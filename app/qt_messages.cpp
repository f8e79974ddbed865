#include "qt_messages.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QMessageBox::Icon toQt(Messages::Icon icon)
{
    switch (icon) {
    case Messages::Icon::None:
        return QMessageBox::NoIcon;
    case Messages::Icon::Information:
        return QMessageBox::Information;
    case Messages::Icon::Warning:
        return QMessageBox::Warning;
    case Messages::Icon::Error:
        return QMessageBox::Critical;
    case Messages::Icon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// Message boxes belong to the active window when no owner is given, so they
// stay in front of it.
QWidget *ownerOr(QWidget *owner)
{
    return owner ? owner : QApplication::activeWindow();
}

} // namespace

void QtMessages::showMessage(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, m_appTitle, text, QMessageBox::Ok, ownerOr(nullptr));
    box.exec();
}

Messages::Answer QtMessages::askBox(QWidget *owner, const QString &title, const QString &text, Icon icon,
                                    Buttons buttons)
{
    QMessageBox::StandardButtons set = QMessageBox::Ok;
    QMessageBox::StandardButton byDefault = QMessageBox::Ok;
    if (buttons == Buttons::OkCancel) {
        set = QMessageBox::Ok | QMessageBox::Cancel;
    } else if (buttons == Buttons::YesNo) {
        set = QMessageBox::Yes | QMessageBox::No;
        byDefault = QMessageBox::Yes;
    }
    QMessageBox box(toQt(icon), title, text, set, ownerOr(owner));
    box.setDefaultButton(byDefault);
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return buttons == Buttons::YesNo ? Answer::No : (buttons == Buttons::OkCancel ? Answer::Cancel : Answer::Ok);
    case QMessageBox::Ok:
        return Answer::Ok;
    }
}

void QtMessages::showError(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, m_appTitle, text, QMessageBox::Ok, ownerOr(nullptr));
    box.exec();
}
