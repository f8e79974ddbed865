// The administrator's command line over a real SQLite file, and without --db
// over the server of config.ini.
#include <QtTest>

#include "admin_command_run.h"
#include "cli/command_catalog.h"
#include "cli/command_options.h"
#include "openpyxl.h"
#include "platform/text_file.h"
#include "student_rows.h"
#include "test_env.h"

namespace {

using Run = AdminCommandRun;

Run run(const QStringList &args)
{
    return runAdmin(args);
}

void seed(TestEnv &env)
{
    for (const QString &t : {QStringLiteral("高一01"), QStringLiteral("高一02"), QStringLiteral("初二03"), QStringLiteral("合并表")})
        env.createClassTable(t);
    for (const char *name : {"张三", "张三", "李四"})
        insertStudent(*env.db, QStringLiteral("高一02"),
                      {{QStringLiteral("姓名"), QString::fromUtf8(name)}, {QStringLiteral("出生地行政区划代码"), "440606"}});
    // A merged table with a duplicate that the class-table default must not report.
    insertStudent(*env.db, QStringLiteral("合并表"), {{QStringLiteral("姓名"), "王五"}});
    insertStudent(*env.db, QStringLiteral("合并表"), {{QStringLiteral("姓名"), "王五"}});
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestAdminCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void recognisesItsCommands();
    void helpListsTheCommands();
    void checkWritesTheReport();
    void checkDefaultsToTheClassTables();
    void idNumberInfoIsACheckName();
    void badCommandLines_data();
    void badCommandLines();
    void eachCommandTakesOnlyItsOwnOptions();
    void refusedOptionChangesNothing();
    void helpOfOneCommand();
    void failuresGoToStderr();
    void padAndMerge();
    void mergeRefusalDropsNothing();
    void withoutDbTheServerOfConfigIni();
    void unreachableServerSaysWhatToDo();
};

void TestAdminCommandLine::recognisesItsCommands()
{
    QVERIFY(isAdminCommand({"check", "检查重名"}));
    QVERIFY(isAdminCommand({"pad"}));
    QVERIFY(isAdminCommand({"merge", "--into", "合并表"}));
    QVERIFY(isAdminCommand({"--help"}));
    QVERIFY(!isAdminCommand({}));
    // The window's own start-up switches, and Qt's, start the window.
    for (const QStringList &window : {QStringList{"-access"}, QStringList{"-ACCESS", "-documents"},
                                      QStringList{"-platform", "offscreen", "-access"}, QStringList{"-style=fusion"}})
        QVERIFY2(!isAdminCommand(window), qPrintable(window.join(' ')));
    // Anything else is the command line's to answer, a mistyped command too.
    for (const QStringList &typed : {QStringList{"chek", "录入数目"}, QStringList{"tavro.db"}, QStringList{"--db", "x.db"},
                                     QStringList{"-access", "录入数目"}})
        QVERIFY2(isAdminCommand(typed), qPrintable(typed.join(' ')));
    // The application's whole argument list, program name first.
    const QString program = QCoreApplication::arguments().value(0);
    QVERIFY(isAdminCommand({program, "pad"}));
    QVERIFY(!isAdminCommand({program, "-access"}));
    QVERIFY(!isAdminCommand({program}));
}

void TestAdminCommandLine::helpListsTheCommands()
{
    Run r = run({"--help"});
    QCOMPARE(r.status, 0);
    QCOMPARE(run({QCoreApplication::arguments().value(0), "--help"}).out, r.out);
    QVERIFY(r.err.isEmpty());
    for (const char *text : {"tavro check", "tavro pad", "tavro merge", "--db", "--tables", "--into", "-access", "录入数目",
                             "检查班号", "检查重名", "籍贯太短", "入学方式", "就读方式", "检查身份证"})
        QVERIFY2(r.out.contains(QString::fromUtf8(text)), text);
    // The help names the program folder main chose, and the menu entry's option.
    QVERIFY(r.out.contains(QStringLiteral("-access -documents")));
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    QCOMPARE(runAdminCommand({"--help"}, outStream, errStream, QStringLiteral("/home/老师/.local/share/tavro")), 0);
    QVERIFY(out.contains(QStringLiteral("程序文件夹（config.ini、Template.xlsx、check.txt、debug.txt、导出）: /home/老师/.local/share/tavro")));
}

void TestAdminCommandLine::checkWritesTheReport()
{
    TestEnv env;
    seed(env);
    const Run r = run({"check", "检查重名", "--db", env.path("tavro.db"), "--tables", "高一01,高一02", "--dir", env.dir.path()});
    QCOMPARE(r.status, 0);
    QVERIFY(r.err.isEmpty());
    QCOMPARE(r.out.trimmed(), QDir::toNativeSeparators(env.path("check.txt")));
    QCOMPARE(readFile(env.path("check.txt")),
             TextFile::encodeGb18030(
                 QStringLiteral("# 检查一个班里同名的可能是重复录入的学生\r\n班级\t姓名\t计数\t\r\n高一02\t张三\t2\t\r\n")));
    // No viewer is started from the command line.
    QVERIFY(env.desktop.opened.isEmpty());
}

void TestAdminCommandLine::checkDefaultsToTheClassTables()
{
    TestEnv env;
    seed(env);
    Run r = run({"check", "检查重名", "--db", env.path("tavro.db"), "--dir", env.dir.path()});
    QCOMPARE(r.status, 0);
    QCOMPARE(TextFile::decodeGb18030(readFile(env.path("check.txt"))),
             QStringLiteral("# 检查一个班里同名的可能是重复录入的学生\r\n班级\t姓名\t计数\t\r\n高一02\t张三\t2\t\r\n"));
    r = run({"check", "录入数目", "--db=" + env.path("tavro.db"), "--dir=" + env.dir.path()});
    QCOMPARE(r.status, 0);
    // 合并表, Init1 and Init2 are left out; 初 sorts before 高.
    QCOMPARE(TextFile::decodeGb18030(readFile(env.path("check.txt"))),
             QStringLiteral("班级\t计数\t\r\n初二03\t0\t\r\n高一01\t0\t\r\n高一02\t3\t\r\n合计\t3\t\r\n"));
}

void TestAdminCommandLine::idNumberInfoIsACheckName()
{
    TestEnv env;
    seed(env);
    const Run r = run({"check", "身份证信息", "--db", env.path("tavro.db"), "--dir", env.dir.path()});
    QCOMPARE(r.status, 0);
    QVERIFY(TextFile::decodeGb18030(readFile(env.path("check.txt"))).startsWith(QStringLiteral("# 身份证号与出生日期或性别不符的学生\r\n")));
}

void TestAdminCommandLine::badCommandLines_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("no check name") << QStringList{"check"} << "请给出一个检查名";
    QTest::newRow("unknown check") << QStringList{"check", "检查年龄"} << "没有检查“检查年龄”";
    QTest::newRow("unknown option") << QStringList{"pad", "--all"} << "未知的选项：--all";
    QTest::newRow("option without value") << QStringList{"merge", "--into"} << "选项 --into 缺少值。";
    QTest::newRow("option followed by an option") << QStringList{"merge", "--into", "--tables", "高一01"}
                                                  << "选项 --into 缺少值。";
    QTest::newRow("extra argument") << QStringList{"pad", "高一01"} << "多余的参数：高一01";
    QTest::newRow("another command's option") << QStringList{"merge", "--dry-run"} << "tavro merge 不接受选项 --dry-run";
    QTest::newRow("value not among the choices") << QStringList{"import", "--table", "高一01", "--from", "a.csv",
                                                                "--duplicates", "keep"}
                                                 << "选项 --duplicates 只能是 skip 或 add：keep";
    QTest::newRow("required option missing") << QStringList{"export"} << "tavro export 需要选项 --into";
    QTest::newRow("switch with a value") << QStringList{"merge", "--replace=yes"} << "选项 --replace 不带值";
}

void TestAdminCommandLine::badCommandLines()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    TestEnv env;
    args.insert(1, "--db");
    args.insert(2, env.path("tavro.db"));
    Run r = run(args);
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
    // The same with the database named last.
    args.remove(1, 2);
    r = run(args << "--db" << env.path("tavro.db"));
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
}

// The catalog's list decides: every option either belongs to a command or is
// a usage error for it, and the command's help names exactly its own.
void TestAdminCommandLine::eachCommandTakesOnlyItsOwnOptions()
{
    using namespace CommandCatalog;
    for (const CommandInfo &command : commands()) {
        const QString help = run({command.word, "--help"}).out;
        for (const OptionInfo &option : options()) {
            CommandOptions parsed;
            QStringList args{command.word, option.name};
            if (!option.value.isEmpty())
                args << (option.choices.isEmpty() ? QStringLiteral("x") : option.choices.front());
            const QString error = parseOptions(command.command, args, parsed);
            const bool taken = option.takenBy.contains(command.command);
            QVERIFY2(error.contains(QStringLiteral("不接受")) != taken, qPrintable(command.word + ' ' + option.name + ' ' + error));
            QVERIFY2(help.contains("\n  " + optionUsage(option)) == taken, qPrintable(command.word + ' ' + option.name));
        }
    }
}

void TestAdminCommandLine::refusedOptionChangesNothing()
{
    TestEnv env;
    seed(env);
    const QString db = env.path("tavro.db");
    for (const QStringList &args : {QStringList{"merge", "--into", "全年级", "--dry-run", "--db", db},
                                    QStringList{"pad", "--dry-run", "--db", db},
                                    QStringList{"chek", "录入数目", "--db", db, "--dir", env.dir.path()},
                                    QStringList{"--db", db, "check", "录入数目", "--dir", env.dir.path()}}) {
        const Run r = run(args);
        QCOMPARE(r.status, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.contains(QStringLiteral("查看用法")), qPrintable(r.err));
    }
    QVERIFY(!env.db->tableNames().contains(QStringLiteral("全年级")));
    QCOMPARE(env.db->query(QStringLiteral("select 出生地行政区划代码 from 高一02")).text(0, 0), QStringLiteral("440606"));
    QVERIFY(!QFile::exists(env.path("check.txt")));
    QVERIFY(run({"chek", "录入数目"}).err.contains(QStringLiteral("没有命令“chek”")));
}

void TestAdminCommandLine::helpOfOneCommand()
{
    const Run r = run({"import", "--dry-run", "--help"});
    QCOMPARE(r.status, 0);
    QVERIFY(r.out.contains(QStringLiteral("tavro import --table 表 --from 文件 [--sheet 工作表]")));
    QVERIFY(!r.out.contains(QStringLiteral("tavro merge")));
}

void TestAdminCommandLine::failuresGoToStderr()
{
    TestEnv env;
    seed(env);
    const QString db = env.path("tavro.db");
    Run r = run({"check", "检查重名", "--db", db, "--tables", "高一01,高三09", "--dir", env.dir.path()});
    QCOMPARE(r.status, 1);
    QCOMPARE(r.err.trimmed(), QStringLiteral("数据库中没有表“高三09”。"));
    QVERIFY(!QFile::exists(env.path("check.txt")));

    // Init1 has no 班号: the engine's message.
    r = run({"check", "检查班号", "--db", db, "--tables", "Init1", "--dir", env.dir.path()});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains("班号"), qPrintable(r.err));
    QVERIFY(!QFile::exists(env.path("check.txt")));

    r = run({"pad", "--db", env.path("none.db")});
    QCOMPARE(r.status, 1);
    QVERIFY(!r.err.trimmed().isEmpty());
    QVERIFY(!QFile::exists(env.path("none.db")));

    TestEnv empty;
    r = run({"pad", "--db", empty.path("tavro.db")});
    QCOMPARE(r.status, 1);
    QCOMPARE(r.err.trimmed(), QStringLiteral("请先选择表。"));
}

void TestAdminCommandLine::padAndMerge()
{
    TestEnv env;
    seed(env);
    const QString db = env.path("tavro.db");
    Run r = run({"pad", "--db", db});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out.trimmed(), QStringLiteral("执行结果，更新符合条件的单项数据共 3 个。"));
    r = run({"pad", "--db", db});
    QCOMPARE(r.out.trimmed(), QStringLiteral("执行结果，更新符合条件的单项数据共 0 个。"));

    r = run({"merge", "--db", db, "--tables", "高一02，初二03", "--into", "全年级"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out.trimmed(), QStringLiteral("已合并 2 个表。"));
    QCOMPARE(env.db->query(QStringLiteral("select 出生地行政区划代码 from 全年级")).rowCount(), 3);
    // 合并表 holds two rows already: replaced only with --replace.
    r = run({"merge", "--db", db});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(QStringLiteral("2 行")), qPrintable(r.err));
    QCOMPARE(env.db->query(QStringLiteral("select 姓名 from 合并表")).rowCount(), 2);
    r = run({"merge", "--db", db, "--replace"});
    QCOMPARE(r.out.trimmed(), QStringLiteral("已合并 3 个表。"));
    QCOMPARE(env.db->query(QStringLiteral("select 姓名 from 合并表")).rowCount(), 3);
}

void TestAdminCommandLine::mergeRefusalDropsNothing()
{
    TestEnv env;
    seed(env);
    const QString db = env.path("tavro.db");
    for (const char *target : {"高一02", "Init2", "小五07", "全校;drop table 高一02"}) {
        const Run r = run({"merge", "--db", db, "--into", QString::fromUtf8(target)});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QStringLiteral("名称")));
        QVERIFY(r.out.isEmpty());
    }
    QCOMPARE(env.db->query(QStringLiteral("select * from 高一02")).rowCount(), 3);
    QCOMPARE(env.db->query(QStringLiteral("select * from Init2")).columnCount(), 48);
}

// Run in a program folder of its own holding config.ini (Engine=PostgreSQL):
// no --db, so the commands work on the server, as the window would.
void TestAdminCommandLine::withoutDbTheServerOfConfigIni()
{
    TAVRO_REQUIRE_ENGINE("postgresql");
    TestEnv env(QStringLiteral("postgresql"));
    seed(env);
    env.writeConfigIni();
    const QString folder = env.dir.path();
    auto runIn = [&](const QStringList &args) {
        Run r;
        QTextStream out(&r.out), err(&r.err);
        r.status = runAdminCommand(args, out, err, folder);
        return r;
    };
    Run r = runIn({"check", "录入数目"});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
    QCOMPARE(r.out.trimmed(), QDir::toNativeSeparators(env.path("check.txt")));
    QCOMPARE(TextFile::decodeGb18030(readFile(env.path("check.txt"))),
             QStringLiteral("班级\t计数\t\r\n初二03\t0\t\r\n高一01\t0\t\r\n高一02\t3\t\r\n合计\t3\t\r\n"));

    const QString book = env.path("全校.xlsx");
    r = runIn({"export", "--into", book});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
    QCOMPARE(r.out.trimmed().split(QLatin1Char('\n')).last(), QDir::toNativeSeparators(book));
    QVERIFY(!QFile::exists(env.path("tavro.db")));
    if (Openpyxl::available()) {
        // The server's rows: one sheet per class table.
        const QJsonObject dump = Openpyxl::read(book);
        QSet<QString> sheets;
        for (const QJsonValue &v : dump.value(QStringLiteral("sheets")).toArray())
            sheets << v.toString();
        QCOMPARE(sheets, QSet<QString>({"高一02", "高一01", "初二03", "Sheet1"}));
        QCOMPARE(dump["sheet"]["高一02"]["cells"]["B2"].toString(), QStringLiteral("张三"));
    }
}

void TestAdminCommandLine::unreachableServerSaysWhatToDo()
{
    TestEnv env;
    seed(env);
    QFile ini(env.path("config.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Settings]\r\nEngine=PostgreSQL\r\nServer=127.0.0.1:1\r\nDatabase=school\r\nUser=u\r\nPassword=p\r\n");
    ini.close();
    for (const QStringList &args : {QStringList{"check", "录入数目"}, QStringList{"init-db"}}) {
        QVERIFY(isAdminCommand(args));
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        // The tavro.db in the folder is not what a command without --db works on.
        QCOMPARE(runAdminCommand(args, outStream, errStream, env.dir.path()), 1);
        errStream.flush();
        const QStringList lines = err.trimmed().split(QLatin1Char('\n'));
        QVERIFY2(lines.size() >= 2 && lines.front().contains(QStringLiteral("连接")), qPrintable(err));
        QVERIFY(!QFile::exists(env.path("check.txt")));
    }
}

QTEST_GUILESS_MAIN(TestAdminCommandLine)
#include "tst_admin_command_line.moc"
