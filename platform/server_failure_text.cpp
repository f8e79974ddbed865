#include "server_failure_text.h"

namespace ServerFailureText {

namespace {

QString causeOf(const QString &code, bool lost)
{
    // Class 08 is a connection failure; 57P01-57P03 a server shutting down.
    if (lost || code.startsWith(QLatin1String("08")) || code.startsWith(QLatin1String("57P")))
        return QStringLiteral("与数据库服务器的连接断开了（服务器已停止或网络中断），这次操作没有完成。"
                              "请确认服务器正在运行、网络畅通后再试，程序下一次操作时会重新连接。");
    if (code == QLatin1String("42501"))
        return QStringLiteral("数据库服务器拒绝了这个操作：config.ini 中的登录名没有所需的权限。"
                              "请数据库管理员授予权限（例如在数据库中建表的权限），或在 config.ini 中改用有权限的登录名。");
    if (code.startsWith(QLatin1String("53")))
        return QStringLiteral("数据库服务器的磁盘已满或资源不足，这次操作没有完成。请管理员清理服务器的磁盘后再试。");
    if (code == QLatin1String("40P01") || code == QLatin1String("40001"))
        return QStringLiteral("这次操作与另一台电脑同时进行的操作冲突，没有完成。请再试一次。");
    return QString();
}

} // namespace

QString explain(const QString &code, const QString &engineText, bool lost)
{
    const QString cause = causeOf(code.trimmed(), lost);
    if (cause.isEmpty())
        return engineText;
    return engineText.isEmpty() ? cause : cause + QLatin1Char('\n') + engineText;
}

} // namespace ServerFailureText
