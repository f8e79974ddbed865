#pragma once

#include <QString>

class Messages;
class Clock;
class Desktop;

// The services a window or operation is given instead of reaching for globals:
// message boxes, the clock, the desktop, and the program's folder (where
// config.ini, Template.xlsx, check.txt and debug.txt live) and title.
struct Services
{
    Messages &messages;
    Clock &clock;
    Desktop &desktop;
    QString programDir;
    QString appTitle;
    // The config.ini to read when it is not the program folder's own (see ProgramFolder).
    QString configIni = {};

    QString programFile(const QString &name) const { return programDir + QLatin1Char('/') + name; }
    QString configFile() const { return configIni.isEmpty() ? programFile(QStringLiteral("config.ini")) : configIni; }
};
