#include "password_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

PasswordDialog::PasswordDialog(Kind kind, const QString &title, const QString &explanation, QWidget *parent,
                               int minLength)
    : QDialog(parent), m_kind(kind), m_minLength(minLength), m_password(new QLineEdit(this)),
      m_note(new QLabel(this))
{
    setWindowTitle(title);
    setAccessibleName(title);
    auto *layout = new QVBoxLayout(this);
    auto *text = new QLabel(explanation, this);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto *fields = new QFormLayout;
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setAccessibleName(QStringLiteral("密码"));
    m_password->setMaxLength(128);
    fields->addRow(QStringLiteral("密码："), m_password);
    if (kind == Kind::New) {
        m_again = new QLineEdit(this);
        m_again->setObjectName(QStringLiteral("passwordAgain"));
        m_again->setEchoMode(QLineEdit::Password);
        m_again->setAccessibleName(QStringLiteral("再输入一次密码"));
        m_again->setMaxLength(128);
        fields->addRow(QStringLiteral("再输入一次："), m_again);
        connect(m_again, &QLineEdit::textChanged, this, &PasswordDialog::update);
    }
    layout->addLayout(fields);
    m_note->setObjectName(QStringLiteral("passwordNote"));
    m_note->setWordWrap(true);
    m_note->setStyleSheet(QStringLiteral("color: #b00020;"));
    layout->addWidget(m_note);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_password, &QLineEdit::textChanged, this, &PasswordDialog::update);
    setMinimumWidth(360);
    setNote(QString());
    update();
}

QString PasswordDialog::password() const
{
    return m_password->text();
}

void PasswordDialog::setNote(const QString &text)
{
    m_note->setText(text);
    m_note->setVisible(!text.isEmpty());
}

void PasswordDialog::update()
{
    const QString typed = m_password->text();
    QString note;
    bool complete = !typed.isEmpty();
    if (m_kind == Kind::New) {
        if (!typed.isEmpty() && typed.size() < m_minLength) {
            note = QStringLiteral("密码至少要有 %1 个字符。").arg(m_minLength);
            complete = false;
        } else if (!m_again->text().isEmpty() && m_again->text() != typed) {
            note = QStringLiteral("两次输入的密码不一致。");
            complete = false;
        } else if (m_again->text() != typed) {
            complete = false;
        }
        setNote(note);
    }
    m_ok->setEnabled(complete);
}

QString PasswordDialog::ask(QWidget *parent, Kind kind, const QString &title, const QString &explanation,
                            int minLength)
{
    PasswordDialog dialog(kind, title, explanation, parent, minLength);
    return dialog.exec() == QDialog::Accepted ? dialog.password() : QString();
}
