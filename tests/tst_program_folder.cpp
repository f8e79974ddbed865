// The program folder: beside a writable executable, else the user's own folder
// with the default template and the system's config.ini.
#include <QtTest>

#include "platform/program_folder.h"

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

const auto kNeverWritable = [](const QString &) { return false; };

} // namespace

class TestProgramFolder : public QObject
{
    Q_OBJECT

private slots:
    void probeTellsAWritableFolder();
    void writableExecutableFolderIsTheProgramFolder();
    void installedProgramUsesThePerUserFolder();
    void templateFromTheExecutableFolderWhenNoShareFolder();
};

void TestProgramFolder::probeTellsAWritableFolder()
{
    QTemporaryDir dir;
    QVERIFY(ProgramFolder::isWritable(dir.path()));
    QVERIFY2(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty(),
             "the probe file is removed");
    // A folder that cannot exist (its parent is a file) refuses even root.
    writeFile(dir.filePath("file"), "x");
    QVERIFY(!ProgramFolder::isWritable(dir.filePath("file/bin")));
    QVERIFY(!ProgramFolder::isWritable(dir.filePath("missing")));
}

void TestProgramFolder::writableExecutableFolderIsTheProgramFolder()
{
    QTemporaryDir root;
    const QString exe = root.filePath("bin");
    QDir().mkpath(exe);
    writeFile(root.filePath("etc/config.ini"), "[Settings]\n");
    const ProgramFolder folder = ProgramFolder::choose(exe, root.filePath("user/tavro"), root.filePath("etc/config.ini"));
    QCOMPARE(folder.dir, exe);
    QVERIFY(!folder.perUser);
    // A portable copy reads only its own config.ini.
    QCOMPARE(folder.configFile, exe + "/config.ini");
    QVERIFY(!QFileInfo::exists(root.filePath("user")));
}

void TestProgramFolder::installedProgramUsesThePerUserFolder()
{
    QTemporaryDir root;
    const QString exe = root.filePath("usr/bin");
    writeFile(root.filePath("usr/share/tavro/Template.xlsx"), "shared template");
    writeFile(exe + "/Template.xlsx", "beside the executable");
    writeFile(root.filePath("etc/config.ini"), "[Settings]\n");
    const QString user = root.filePath("home/.local/share/tavro");

    ProgramFolder folder = ProgramFolder::choose(exe, user, root.filePath("etc/config.ini"), kNeverWritable);
    QCOMPARE(folder.dir, user);
    QVERIFY(folder.perUser);
    QVERIFY(QFileInfo(user).isDir());
    QCOMPARE(readFile(user + "/Template.xlsx"), QByteArray("shared template"));
    QCOMPARE(folder.configFile, root.filePath("etc/config.ini"));

    // The user's own template and config.ini win over the installed ones.
    writeFile(user + "/Template.xlsx", "the school's template");
    writeFile(user + "/config.ini", "[Settings]\n");
    folder = ProgramFolder::choose(exe, user, root.filePath("etc/config.ini"), kNeverWritable);
    QCOMPARE(readFile(user + "/Template.xlsx"), QByteArray("the school's template"));
    QCOMPARE(folder.configFile, user + "/config.ini");

    // An old-format template of the user's is not shadowed by a new copy.
    const QString other = root.filePath("home2/tavro");
    writeFile(other + "/Template.xls", "old");
    ProgramFolder::choose(exe, other, root.filePath("none.ini"), kNeverWritable);
    QVERIFY(!QFileInfo::exists(other + "/Template.xlsx"));
}

void TestProgramFolder::templateFromTheExecutableFolderWhenNoShareFolder()
{
    QTemporaryDir root;
    const QString exe = root.filePath("opt/tavro");
    writeFile(exe + "/Template.xlsx", "beside the executable");
    const QString user = root.filePath("user/tavro");
    const ProgramFolder folder = ProgramFolder::choose(exe, user, root.filePath("etc/config.ini"), kNeverWritable);
    QCOMPARE(readFile(user + "/Template.xlsx"), QByteArray("beside the executable"));
    // No system settings: the user's folder names its own (missing) config.ini.
    QCOMPARE(folder.configFile, user + "/config.ini");
}

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "tst_program_folder.moc"
