#pragma once

#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include "cli/command_line.h"
#include "test_env.h"

// One run of the administrator's command line, with what it printed.
struct AdminCommandRun
{
    int status = -1;
    QString out;
    QString err;
};

inline AdminCommandRun runAdmin(const QStringList &args)
{
    AdminCommandRun r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.status = runAdminCommand(args, out, err);
    out.flush();
    err.flush();
    return r;
}

// The command in this process on the test's database, as an administrator
// reaches it: the local file by --db, or the server of the config.ini written
// into the test's folder.
inline AdminCommandRun runAdminOn(const TestEnv &env, QStringList args)
{
    AdminCommandRun r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    if (env.engine == QLatin1String("postgresql")) {
        r.status = runAdminCommand(args, out, err, env.dir.path(), env.writeConfigIni());
    } else {
        args << QStringLiteral("--db") << env.path(QStringLiteral("tavro.db"));
        r.status = runAdminCommand(args, out, err, env.dir.path());
    }
    out.flush();
    err.flush();
    return r;
}

#ifdef TAVRO_EXECUTABLE
// The same in a child process (the tavro executable), `input` on its standard input.
inline AdminCommandRun runTavroOn(const TestEnv &env, QStringList args, const QByteArray &input = {})
{
    if (env.engine == QLatin1String("sqlite"))
        args << QStringLiteral("--db") << env.path(QStringLiteral("tavro.db"));
    else
        args << QStringLiteral("--dir") << QFileInfo(env.writeConfigIni()).absolutePath();
    QProcess p;
    p.setWorkingDirectory(env.dir.path());
    p.start(QStringLiteral(TAVRO_EXECUTABLE), args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000))
        p.kill();
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}
#endif
