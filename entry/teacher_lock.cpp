#include "teacher_lock.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QWidget>

#include "entry/password_dialog.h"
#include "platform/app_error.h"
#include "platform/services.h"

namespace {

const QString setTitle = QStringLiteral("设置教师密码");
const QString askTitle = QStringLiteral("教师密码");

QString waitNote(int seconds)
{
    return QStringLiteral("密码连续输错 5 次，请 %1 秒后再试。").arg(seconds);
}

} // namespace

TeacherLock::TeacherLock(Services &services, QWidget *window, std::function<Database *()> database)
    : QObject(window), m_services(services), m_window(window), m_database(std::move(database)),
      m_tries(services.clock)
{
    m_idle.setSingleShot(true);
    m_idle.setInterval(DefaultIdleMs);
    connect(&m_idle, &QTimer::timeout, this, &TeacherLock::idle);
}

TeacherLock::~TeacherLock()
{
    if (m_open)
        QCoreApplication::instance()->removeEventFilter(this);
}

bool TeacherLock::unlock()
{
    if (m_open)
        return true;
    Database *db = m_database ? m_database() : nullptr;
    if (!db)
        throw DatabaseError(QStringLiteral("班级数据表尚未打开，无法核对教师密码"));
    const bool opened = TeacherPassword::isSet(*db) ? askExisting(*db) : setFirstPassword(*db);
    if (opened)
        setOpen(true);
    return opened;
}

bool TeacherLock::setFirstPassword(Database &db)
{
    const QString password = PasswordDialog::ask(
        m_window, PasswordDialog::Kind::New, setTitle,
        QStringLiteral("这个数据库还没有教师密码。请设置一个（至少 %1 个字符，输入两次）。\n"
                       "教师密码保护学生的个人信息：编辑已录入的学生、学生名单、管理窗口（导出、打印、检查）"
                       "都要先输入它。连接这个数据库的每台电脑都使用同一个密码。")
            .arg(TeacherPassword::MinLength),
        TeacherPassword::MinLength);
    if (password.isEmpty())
        return false;
    if (TeacherPassword::setFirst(db, password))
        return true;
    // Another workstation set one meanwhile: that one counts, and is asked for.
    return askExisting(db);
}

bool TeacherLock::askExisting(Database &db)
{
    PasswordDialog dialog(PasswordDialog::Kind::Existing, askTitle,
                          QStringLiteral("请输入教师密码。学生录入自己的信息不需要密码。"), m_window);
    if (const int wait = m_tries.secondsToWait(); wait > 0)
        dialog.setNote(waitNote(wait));
    while (dialog.exec() == QDialog::Accepted) {
        if (const int wait = m_tries.secondsToWait(); wait > 0) {
            // A try during the wait is not taken, right or wrong.
            dialog.setNote(waitNote(wait));
        } else if (TeacherPassword::verify(db, dialog.password())) {
            m_tries.right();
            return true;
        } else {
            m_tries.wrong();
            const int after = m_tries.secondsToWait();
            dialog.setNote(after > 0 ? waitNote(after) : QStringLiteral("密码不对，请重新输入。"));
        }
        if (auto *field = dialog.findChild<QLineEdit *>(QStringLiteral("password"))) {
            field->clear();
            field->setFocus(Qt::OtherFocusReason);
        }
    }
    return false;
}

void TeacherLock::lock()
{
    setOpen(false);
}

void TeacherLock::openChecked()
{
    setOpen(true);
}

void TeacherLock::setIdleInterval(int milliseconds)
{
    m_idle.setInterval(milliseconds);
    if (m_open)
        m_idle.start();
}

void TeacherLock::postpone()
{
    if (m_open)
        m_idle.start();
}

void TeacherLock::setOpen(bool open)
{
    if (open == m_open)
        return;
    m_open = open;
    if (open) {
        QCoreApplication::instance()->installEventFilter(this);
        m_idle.start();
    } else {
        QCoreApplication::instance()->removeEventFilter(this);
        m_idle.stop();
    }
}

bool TeacherLock::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
        m_idle.start();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
