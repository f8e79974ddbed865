#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include "app/application_shell.h"
#include "app/chinese_locale.h"
#include "app/desktop_services.h"
#include "app/qt_messages.h"
#include "app/start_folder.h"
#include "app/tavro_application.h"
#include "cli/command_line.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/owner_only.h"
#include "platform/program_folder.h"
#include "platform/services.h"

namespace {

// Beside the executable for a portable copy, the user's own folder for an installed one.
ProgramFolder chooseProgramFolder()
{
    const ProgramFolder folder = ProgramFolder::choose(QCoreApplication::applicationDirPath(),
                                                       ProgramFolder::perUserDefault(),
                                                       ProgramFolder::systemConfigDefault());
    // Temporary files of killed writes (check.txt, debug.txt, exports) go at
    // every start; those beside a database go when it is opened.
    AtomicFile::removeStale(folder.dir);
    AtomicFile::removeStale(QDir(folder.dir).filePath(QStringLiteral("导出")));
    return folder;
}

} // namespace

int main(int argc, char *argv[])
{
    // The pupils' data: whatever this process makes is its owner's only.
    OwnerOnly::restrictProcess();
    // Administrators run the management operations without a window. Anything
    // but the window's start-up switches is the command line's to answer, so a
    // mistyped command is refused instead of opening the window.
    const QStringList rawArguments = [&] {
        QStringList list;
        for (int i = 1; i < argc; ++i)
            list << QString::fromLocal8Bit(argv[i]);
        return list;
    }();
    if (isAdminCommand(rawArguments)) {
        QCoreApplication core(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        const ProgramFolder folder = chooseProgramFolder();
        return runAdminCommand(core.arguments().mid(1), out, err, folder.dir, folder.configFile);
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
    const ProgramFolder folder = chooseProgramFolder();
    Services services{messages, clock, desktop, folder.dir, title, folder.configFile};
    app.setMessages(&messages);

    const QStringList arguments = app.arguments().mid(1);
    ApplicationShell shell(services, {executableFileName, arguments, StartFolder::workingDir(arguments, QDir::currentPath())});
    QObject::connect(&shell, &ApplicationShell::endRequested, &app, [](int code) { QCoreApplication::exit(code); },
                     Qt::QueuedConnection);
    shell.start();
    return app.exec();
}
