#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include "cli/command_line.h"

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
