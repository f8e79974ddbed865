#pragma once

#include <functional>

#include <QString>

// The program folder: where config.ini, the print template, check.txt,
// debug.txt, the exports and the backups live. A portable copy keeps them
// beside its executable; an installed program (an executable folder the user
// cannot write, such as /usr/bin) uses a folder of the user's own. Widget-free;
// called once at start-up, before any window.
struct ProgramFolder
{
    QString dir;        // the folder itself
    QString configFile; // the config.ini to read (it need not exist)
    bool perUser = false;

    // True when a file can be created in the folder: a probe file is made and
    // removed again, since permission bits do not tell (root writes anywhere,
    // a read-only mount refuses everyone).
    static bool isWritable(const QString &dir);

    // $XDG_DATA_HOME/tavro, or ~/.local/share/tavro.
    static QString perUserDefault();

    // The system-wide settings an administrator installs for every user.
    static QString systemConfigDefault() { return QStringLiteral("/etc/tavro/config.ini"); }

    // The executable's folder when it is writable; otherwise perUserDir,
    // created when missing and given the default template when it holds none
    // (from <exe>/../share/tavro, else from the executable's folder; a
    // template of the user's is never replaced). config.ini is the folder's
    // own; a per-user folder without one reads systemConfig when that exists.
    // writable: the test of the executable's folder (isWritable; a test passes its own).
    static ProgramFolder choose(const QString &executableDir, const QString &perUserDir, const QString &systemConfig,
                                const std::function<bool(const QString &)> &writable = isWritable);
};
