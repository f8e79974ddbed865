#include "commands.h"

#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include "cli/command_options.h"
#include "core/operations/table_lists.h"
#include "platform/app_error.h"
#include "platform/clock.h"
#include "webform/class_web_form_backend.h"
#include "webform/web_form_server.h"

namespace {

// SIGINT and SIGTERM end the event loop through a pipe, so the form is closed
// in the ordinary way (connections cut, the database closed) rather than cut off.
int stopPipe[2] = {-1, -1};

void onStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(stopPipe[1], &byte, 1);
}

} // namespace

namespace Commands {

int serve(Database &db, const CommandOptions &options, const QString &programDir, const QString &configFile,
          QTextStream &out)
{
    const QString table = TableLists::listedName(TableLists::tableNames(db), options.table);
    if (table.isEmpty())
        throw AppError(QStringLiteral("数据库中没有班级表“%1”，网上填报没有打开。").arg(options.table));
    SystemClock clock;
    const std::unique_ptr<WebFormBackend> backend = makeClassWebFormBackend(db, table, clock);
    WebFormServer server(*backend, {quint16(options.port.toUInt()), options.plain, QHostAddress::AnyIPv4, programDir, configFile});
    server.open();
    out << QStringLiteral("网上填报已打开：%1").arg(table) << Qt::endl
        << QStringLiteral("地址：%1").arg(server.address()) << Qt::endl
        << QStringLiteral("班级码：%1").arg(server.classCode()) << Qt::endl;
    if (options.plain)
        out << QStringLiteral("注意：没有加密（--plain），只供测试。") << Qt::endl;
    else
        out << QStringLiteral("证书指纹（SHA-256）：%1").arg(server.fingerprint()) << Qt::endl;
    out << QStringLiteral("按 Ctrl+C 结束；到午夜自动结束。") << Qt::endl;

    if (::pipe(stopPipe) != 0)
        throw AppError(QStringLiteral("网上填报没有打开：不能准备结束信号。"));
    QSocketNotifier stop(stopPipe[0], QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &server, &WebFormServer::close);
    QObject::connect(&server, &WebFormServer::closed, QCoreApplication::instance(), &QCoreApplication::quit);
    QObject::connect(&server, &WebFormServer::submissionCountChanged, &server, [&out](int count) {
        out << QStringLiteral("收到第 %1 份提交").arg(count) << Qt::endl;
    });
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    QCoreApplication::exec();
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    ::close(stopPipe[0]);
    ::close(stopPipe[1]);
    out << QStringLiteral("网上填报已结束，共收到 %1 份提交。").arg(server.submissionCount()) << Qt::endl;
    return 0;
}

} // namespace Commands
