#include "sqlite_failure_text.h"

#include <sqlite3.h>

namespace SqliteFailureText {

namespace {

QString causeOf(int primary)
{
    switch (primary) {
    case SQLITE_READONLY:
        return QStringLiteral("数据库文件或它所在的文件夹是只读的，不能写入。"
                              "请把数据库文件复制到可以写入的文件夹（例如“文档”），或请管理员给予写入权限。");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("数据库正被另一个程序或窗口使用，等待 5 秒后仍未释放。请关闭其他使用这个数据库的程序后再试。");
    case SQLITE_FULL:
        return QStringLiteral("磁盘已满，这次操作没有完成，数据库保持原样。请清理磁盘空间后再试。");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("数据库文件已损坏或不是数据库文件。请用“备份”文件夹中的备份恢复（tavro restore），或联系管理员。");
    case SQLITE_CANTOPEN:
        return QStringLiteral("无法打开数据库文件。请确认文件存在并可以读写，且所在的文件夹可以写入。");
    case SQLITE_IOERR:
        return QStringLiteral("读写数据库文件时出错（磁盘故障、磁盘已满或移动存储已拔出）。请检查磁盘后再试。");
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QStringLiteral("没有读写数据库文件的权限。请管理员给予权限。");
    default:
        return QString();
    }
}

} // namespace

QString explain(const QString &code, const QString &engineText)
{
    bool ok = false;
    const int value = code.toInt(&ok);
    const QString cause = ok ? causeOf(value & 0xff) : QString();
    if (cause.isEmpty())
        return engineText;
    return engineText.isEmpty() ? cause : cause + QLatin1Char('\n') + engineText;
}

} // namespace SqliteFailureText
