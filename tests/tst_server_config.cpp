// config.ini: the server settings and the engine they name.
#include <QStringEncoder>
#include <QtTest>

#include "app/database_connection.h"
#include "platform/ini_file.h"
#include "platform/odbc_connection_string.h"
#include "platform/sql_database.h"

class TestServerConfig : public QObject
{
    Q_OBJECT

private slots:
    void valuesAsWindowsReadsThem();
    void engineChoice_data();
    void engineChoice();
    void chineseFileInEitherEncoding();
    void missingFileReadsEmpty();
    void odbcValuesArriveWhole_data();
    void odbcValuesArriveWhole();
};

// The attributes of a connection string as an ODBC driver manager reads them:
// pairs split at ";" outside braces, "}}" inside braces standing for "}".
static QMap<QString, QString> odbcAttributes(const QString &text)
{
    QMap<QString, QString> out;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype eq = text.indexOf(QLatin1Char('='), i);
        if (eq < 0)
            break;
        const QString key = text.mid(i, eq - i).toUpper();
        QString value;
        i = eq + 1;
        if (i < text.size() && text.at(i) == QLatin1Char('{')) {
            for (++i; i < text.size(); ++i) {
                if (text.at(i) == QLatin1Char('}') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('}'))
                    value += text.at(i++);
                else if (text.at(i) == QLatin1Char('}'))
                    break;
                else
                    value += text.at(i);
            }
            i += 2; // "}" and ";"
        } else {
            const qsizetype end = text.indexOf(QLatin1Char(';'), i);
            value = text.mid(i, end < 0 ? -1 : end - i);
            i = end < 0 ? text.size() : end + 1;
        }
        out.insert(key, value);
    }
    return out;
}

static QString writeFile(const QTemporaryDir &dir, const QByteArray &bytes)
{
    const QString path = dir.filePath(QStringLiteral("config.ini"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    f.write(bytes);
    return path;
}

void TestServerConfig::valuesAsWindowsReadsThem()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir,
                                   "; settings of the school server\r\n"
                                   "[Other]\r\nPassword=wrong\r\n"
                                   "[settings]\r\n"
                                   "  server = dbhost:5433 \r\n"
                                   "DATABASE=school\r\n"
                                   "User=\"teacher one\"\r\n"
                                   "Password=a,b;c#d=e\r\n"
                                   "Password=second\r\n"
                                   "Engine=PostgreSQL\r\n");
    const DatabaseConnection::ServerConfig c = DatabaseConnection::readServerConfig(path);
    QCOMPARE(c.settings.server, QStringLiteral("dbhost:5433"));
    QCOMPARE(c.settings.database, QStringLiteral("school"));
    QCOMPARE(c.settings.user, QStringLiteral("teacher one"));
    QCOMPARE(c.settings.password, QStringLiteral("a,b;c#d=e"));
    QCOMPARE(c.engine, DatabaseConnection::ServerEngine::PostgreSql);
}

void TestServerConfig::engineChoice_data()
{
    using E = DatabaseConnection::ServerEngine;
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<E>("engine");
    QTest::newRow("absent") << QByteArray() << E::SqlServer;
    QTest::newRow("empty") << QByteArray("Engine=\n") << E::SqlServer;
    QTest::newRow("SQLServer") << QByteArray("Engine=SQLServer\n") << E::SqlServer;
    QTest::newRow("sqlserver") << QByteArray("engine = sqlserver\n") << E::SqlServer;
    QTest::newRow("PostgreSQL") << QByteArray("Engine=PostgreSQL\n") << E::PostgreSql;
    QTest::newRow("POSTGRESQL") << QByteArray("Engine=POSTGRESQL\n") << E::PostgreSql;
    QTest::newRow("Postgres is not a name") << QByteArray("Engine=Postgres\n") << E::Unknown;
    QTest::newRow("MySQL") << QByteArray("Engine=MySQL\n") << E::Unknown;
}

void TestServerConfig::engineChoice()
{
    QFETCH(QByteArray, line);
    QFETCH(DatabaseConnection::ServerEngine, engine);
    QTemporaryDir dir;
    const QString path = writeFile(dir, "[Settings]\nServer=127.0.0.1:1\n" + line);
    QCOMPARE(DatabaseConnection::readServerConfig(path).engine, engine);
    // Whatever the engine, nothing listens there: no connection, no prompt.
    QVERIFY(!DatabaseConnection::openServer(path));
}

void TestServerConfig::chineseFileInEitherEncoding()
{
    QTemporaryDir dir;
    const QString text = QStringLiteral("[Settings]\r\nDatabase=学籍\r\nUser=张老师\r\n");
    QStringEncoder gbk("GB18030");
    for (const QByteArray &bytes : {text.toUtf8(), QByteArray("\xEF\xBB\xBF") + text.toUtf8(), QByteArray(gbk.encode(text))}) {
        const auto c = DatabaseConnection::readServerConfig(writeFile(dir, bytes));
        QCOMPARE(c.settings.database, QStringLiteral("学籍"));
        QCOMPARE(c.settings.user, QStringLiteral("张老师"));
    }
}

void TestServerConfig::missingFileReadsEmpty()
{
    QTemporaryDir dir;
    const auto c = DatabaseConnection::readServerConfig(dir.filePath(QStringLiteral("none.ini")));
    QVERIFY(c.settings.server.isEmpty());
    QVERIFY(c.settings.password.isEmpty());
    QCOMPARE(c.engine, DatabaseConnection::ServerEngine::SqlServer);
    QVERIFY(IniFile::readSection(dir.filePath(QStringLiteral("none.ini")), QStringLiteral("Settings")).isEmpty());
}

QTEST_GUILESS_MAIN(TestServerConfig)
void TestServerConfig::odbcValuesArriveWhole_data()
{
    QTest::addColumn<QString>("password");
    QTest::newRow("plain") << "secret";
    QTest::newRow("an added attribute") << "x;DATABASE=master";
    QTest::newRow("braces") << "{a}}b;c}";
    QTest::newRow("equals and blanks") << " a=b ";
}

void TestServerConfig::odbcValuesArriveWhole()
{
    QFETCH(QString, password);
    ServerSettings s;
    s.server = QStringLiteral("dbhost,1433");
    s.database = QStringLiteral("school");
    s.user = QStringLiteral("teacher");
    s.password = password;
    const QString text = OdbcConnectionString::build(s);
    const QMap<QString, QString> attributes = odbcAttributes(text);
    QCOMPARE(attributes.keys(), QStringList({"DATABASE", "DRIVER", "PWD", "SERVER", "UID"}));
    QCOMPARE(attributes.value("PWD"), password);
    QCOMPARE(attributes.value("DATABASE"), QStringLiteral("school"));
    QCOMPARE(attributes.value("SERVER"), s.server);
    QCOMPARE(attributes.value("DRIVER"), QStringLiteral("FreeTDS"));
    if (password == QLatin1String("secret"))
        QCOMPARE(text, QStringLiteral("DRIVER={FreeTDS};SERVER=dbhost,1433;DATABASE=school;UID=teacher;PWD=secret"));
}

#include "tst_server_config.moc"
