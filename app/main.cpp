#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include "app/application_shell.h"
#include "app/chinese_locale.h"
#include "app/desktop_services.h"
#include "app/init_db_command.h"
#include "app/qt_messages.h"
#include "app/tavro_application.h"
#include "manage/command_line.h"
#include "platform/clock.h"
#include "platform/services.h"

int main(int argc, char *argv[])
{
    // Administrators run the management operations without a window.
    const QStringList rawArguments = [&] {
        QStringList list;
        for (int i = 1; i < argc; ++i)
            list << QString::fromLocal8Bit(argv[i]);
        return list;
    }();
    const bool initDb = !rawArguments.isEmpty() && rawArguments.front() == QLatin1String(InitDbCommand::kName);
    if (initDb || isAdminCommand(rawArguments)) {
        QCoreApplication core(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        if (initDb)
            return InitDbCommand::run(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("config.ini")),
                                      out, err);
        return runAdminCommand(core.arguments().mid(1), out, err);
    }

    TavroApplication app(argc, argv);

    // The name the program was started under (a copy or link named tavro2
    // works on the local file), not the resolved executable.
    const QString executableFileName = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName();
    const QString title = QFileInfo(executableFileName).completeBaseName();
    QApplication::setApplicationName(title);

    // Chinese dates, calendar and Qt texts, before the first widget is made.
    ChineseLocale::install(app);

    QtMessages messages(title);
    SystemClock clock;
    DesktopServices desktop;
    desktop.setMessages(&messages);
    Services services{messages, clock, desktop, QCoreApplication::applicationDirPath(), title};
    app.setMessages(&messages);

    ApplicationShell shell(services, {executableFileName, app.arguments().mid(1), QDir::currentPath()});
    QObject::connect(&shell, &ApplicationShell::endRequested, &app, [](int code) { QCoreApplication::exit(code); },
                     Qt::QueuedConnection);
    shell.start();
    return app.exec();
}
