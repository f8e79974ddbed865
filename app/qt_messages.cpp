#include "qt_messages.h"

#include <QApplication>
#include <QAbstractButton>
#include <QMessageBox>

#include "platform/busy_cursor.h"

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

// The standard buttons in the program's language, whatever translations the
// machine has installed.
void nameButtons(QMessageBox &box)
{
    const std::pair<QMessageBox::StandardButton, const char16_t *> names[] = {
        {QMessageBox::Ok, u"确定"}, {QMessageBox::Cancel, u"取消"}, {QMessageBox::Yes, u"是"}, {QMessageBox::No, u"否"},
        {QMessageBox::Save, u"保存"}, {QMessageBox::Discard, u"不保存"}};
    for (const auto &[button, text] : names) {
        if (QAbstractButton *b = box.button(button))
            b->setText(QString::fromUtf16(text));
    }
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
    nameButtons(box);
    const ArrowWhileAsking arrow;
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
    } else if (buttons == Buttons::SaveDiscardCancel) {
        set = QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
        byDefault = QMessageBox::Save;
    }
    QMessageBox box(toQt(icon), title, text, set, ownerOr(owner));
    box.setDefaultButton(byDefault);
    nameButtons(box);
    const ArrowWhileAsking arrow;
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Save:
        return Answer::Save;
    case QMessageBox::Discard:
        return Answer::Discard;
    default: // the box closed without a button
        if (buttons == Buttons::YesNo)
            return Answer::No;
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    case QMessageBox::Ok:
        return Answer::Ok;
    }
}

void QtMessages::showError(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, m_appTitle, text, QMessageBox::Ok, ownerOr(nullptr));
    nameButtons(box);
    const ArrowWhileAsking arrow;
    box.exec();
}
