#include "remove_reason_dialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/keeping/kept_records.h"

RemoveReasonDialog::RemoveReasonDialog(const QString &who, QWidget *parent)
    : QDialog(parent), m_reasons(new QButtonGroup(this)), m_note(new QLineEdit(this))
{
    setWindowTitle(QStringLiteral("移出"));
    setAccessibleName(QStringLiteral("移出原因"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("把 %1 移出本班。移出的记录可以在“已移出…”中恢复。\n移出的原因：").arg(who), this));
    const QStringList reasons = KeptRecords::reasons();
    for (int i = 0; i < reasons.size(); ++i) {
        auto *button = new QRadioButton(reasons.at(i), this);
        button->setAccessibleName(reasons.at(i));
        m_reasons->addButton(button, i);
        layout->addWidget(button);
    }
    m_note->setPlaceholderText(QStringLiteral("写明其他原因"));
    m_note->setAccessibleName(QStringLiteral("其他原因"));
    m_note->setMaxLength(100);
    layout->addWidget(m_note);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setText(QStringLiteral("移出"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_reasons, &QButtonGroup::idToggled, this, &RemoveReasonDialog::update);
    connect(m_note, &QLineEdit::textChanged, this, &RemoveReasonDialog::update);
    update();
}

QString RemoveReasonDialog::reason() const
{
    const QAbstractButton *checked = m_reasons->checkedButton();
    return checked ? KeptRecords::storedReason(checked->text(), m_note->text()) : QString();
}

void RemoveReasonDialog::update()
{
    const QAbstractButton *checked = m_reasons->checkedButton();
    m_note->setEnabled(checked && checked == m_reasons->buttons().constLast());
    m_ok->setEnabled(!reason().isEmpty());
}

QString RemoveReasonDialog::ask(QWidget *parent, const QString &who)
{
    RemoveReasonDialog dialog(who, parent);
    return dialog.exec() == QDialog::Accepted ? dialog.reason() : QString();
}
