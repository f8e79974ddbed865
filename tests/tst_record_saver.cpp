// Saving, updating and reading back student records on a real database, with
// debug.txt in the program folder.
// Runs on every database engine.
#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QtTest>

#include "core/record/entry_rules.h"
#include "core/record/record_columns.h"
#include "core/record/record_loader.h"
#include "core/record/record_saver.h"
#include "core/record/save_statements.h"
#include "platform/text_file.h"
#include "test_env.h"

namespace {

const QString kTable = QStringLiteral("高一01");

// The 47 values of one student of 高一01 entering in 2015: name and ID number
// as the form stores them, 班号 as the form derives it, every other column a
// text of its own so that a value landing in the wrong column shows.
QStringList recordValues(const QString &name, const QString &cardNo)
{
    QStringList v;
    for (int i = 0; i < RecordColumns::Count; ++i)
        v << QStringLiteral("值%1").arg(i);
    v[RecordColumns::Name] = EntryRules::StripBlanks(name);
    v[RecordColumns::CardNo] = EntryRules::StripBlanks(cardNo);
    v[RecordColumns::ClassCode] = EntryRules::classCode(QStringLiteral("2015"), kTable, QStringLiteral("01"));
    return v;
}

QStringList storedValues(Database &db, qint64 id)
{
    const QueryResult r = db.query(QStringLiteral("select ") + RecordColumns::dataColumns().join(QStringLiteral(", "))
                                   + QStringLiteral(" from 高一01 where id = ") + QString::number(id));
    QStringList values;
    for (int c = 0; !r.isEmpty() && c < r.columnCount(); ++c)
        values << r.text(0, c);
    return values;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QByteArray gbk(const QString &text)
{
    QStringEncoder encoder("GBK");
    const QByteArray bytes = encoder.encode(text);
    Q_ASSERT(!encoder.hasError());
    return bytes;
}

int rowCount(Database &db, const QString &table)
{
    return db.query(QStringLiteral("select count(*) from ") + table).text(0, 0).toInt();
}

QString columnValue(Database &db, const QString &column, qint64 id)
{
    return db.query(QStringLiteral("select ") + column + QStringLiteral(" from 高一01 where id = ") + QString::number(id))
        .text(0, 0);
}

// Records the duplicate questions and answers them as told.
struct Asker
{
    bool answer = true;
    QStringList asked;
    RecordSaver::ConfirmDuplicate callback()
    {
        return [this](const QString &message) {
            asked << message;
            return answer;
        };
    }
};

} // namespace

class TestRecordSaver : public QObject
{
    Q_OBJECT

private slots:
    void insertStoresEveryColumnAndLogsStatement();
    void debugFileHoldsLastStatementOnly();
    void debugFileKeepsCharactersOutsideGbk();
    void duplicates_data();
    void duplicates();
    void sameNameInOtherClassIsNoDuplicate();
    void cancelWritesNothing();
    void updateKeepsClassCodeAndSkipsDuplicateTest();
    void updateOfMissingIdFails();
    void unwritableDebugFileStopsTheSave();
    void databaseErrorLeavesStatementInDebugFile();
    void quotesRoundTrip();
    void loaderReturnsValuesOrNothing();
    void recordItemsInNameOrder();
    void storedValueDecoding();
};

void TestRecordSaver::insertStoresEveryColumnAndLogsStatement()
{
    TestEnv env;
    env.createClassTable(kTable);
    const QString debug = env.path(QStringLiteral("debug.txt"));
    RecordSaver saver(*env.db, kTable, debug);
    const QStringList values = recordValues(QStringLiteral(" 张 三 "), QStringLiteral("44060620000315123X"));
    Asker asker;
    // No record chosen in edit mode: id 0 is a new record.
    QVERIFY(saver.saveRecord(0, values, QStringLiteral(" 张 三 "), QStringLiteral("44060620000315123X"), asker.callback()));
    QVERIFY(asker.asked.isEmpty());

    QCOMPARE(rowCount(*env.db, kTable), 1);
    const QStringList stored = storedValues(*env.db, 1);
    QCOMPARE(stored, values);
    QCOMPARE(stored.at(RecordColumns::Name), QStringLiteral("张三"));
    QCOMPARE(stored.at(RecordColumns::ClassCode), QStringLiteral("2015301"));

    const QByteArray logged = readAll(debug);
    QCOMPARE(logged, gbk(SaveStatements::insertStatement(TableName(kTable), env.db->engine(), values).logText()));
    QVERIFY(logged.startsWith(gbk(QStringLiteral("insert into 高一01 (姓名, 性别, "))));
    QVERIFY(logged.endsWith("  ) "));
}

void TestRecordSaver::debugFileHoldsLastStatementOnly()
{
    TestEnv env;
    env.createClassTable(kTable);
    const QString debug = env.path(QStringLiteral("debug.txt"));
    {
        QFile old(debug);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100000, 'x') + "\r\n");
    }
    RecordSaver saver(*env.db, kTable, debug);
    Asker asker;
    QVERIFY(saver.insertRecord(recordValues(QStringLiteral("张三"), QStringLiteral("1")), QStringLiteral("张三"),
                               QStringLiteral("1"), asker.callback()));
    const QStringList second = recordValues(QStringLiteral("李四"), QStringLiteral("2"));
    QVERIFY(saver.insertRecord(second, QStringLiteral("李四"), QStringLiteral("2"), asker.callback()));
    QCOMPARE(readAll(debug), gbk(SaveStatements::insertStatement(TableName(kTable), env.db->engine(), second).logText()));
    QVERIFY(!readAll(debug).endsWith('\n'));
    QCOMPARE(rowCount(*env.db, kTable), 2);
}

void TestRecordSaver::debugFileKeepsCharactersOutsideGbk()
{
    TestEnv env;
    env.createClassTable(kTable);
    const QString debug = env.path(QStringLiteral("debug.txt"));
    RecordSaver saver(*env.db, kTable, debug);
    Asker asker;
    const QString name = QStringLiteral("王𠮷");
    QVERIFY(saver.insertRecord(recordValues(name, QStringLiteral("3")), name, QStringLiteral("3"), asker.callback()));
    const QByteArray logged = readAll(debug);
    // 王 in GBK, then 𠮷 as a four-byte GB18030 sequence; no "?" in its place.
    QVERIFY(logged.contains(QByteArray::fromHex("cdf59534b235")));
    QVERIFY(!logged.contains('?'));
    QVERIFY(TextFile::decodeGb18030(logged).contains(QStringLiteral("values ('王𠮷', ")));
    QCOMPARE(columnValue(*env.db, QStringLiteral("姓名"), 1), name);
}

void TestRecordSaver::duplicates_data()
{
    QTest::addColumn<QString>("typedName");
    QTest::addColumn<QString>("typedCardNo");
    QTest::addColumn<bool>("asked");
    // Stored before: 张三 with 44060620000315123X.
    QTest::newRow("same name") << "张三" << "440606200003159999" << true;
    QTest::newRow("same ID number") << "李四" << "44060620000315123X" << true;
    QTest::newRow("name with blanks around is trimmed") << "  张三 " << "440606200003159999" << true;
    QTest::newRow("control characters trimmed too") << "\t张三\r\n" << "440606200003159999" << true;
    QTest::newRow("ID with a blank around") << "李四" << " 44060620000315123X " << true;
    QTest::newRow("blank inside the name is not stripped") << "张 三" << "440606200003159999" << false;
    QTest::newRow("nothing in common") << "李四" << "440606200003159999" << false;
}

void TestRecordSaver::duplicates()
{
    QFETCH(QString, typedName);
    QFETCH(QString, typedCardNo);
    QFETCH(bool, asked);
    TestEnv env;
    env.createClassTable(kTable);
    RecordSaver saver(*env.db, kTable, env.path(QStringLiteral("debug.txt")));
    Asker asker;
    QVERIFY(saver.insertRecord(recordValues(QStringLiteral("张三"), QStringLiteral("44060620000315123X")),
                               QStringLiteral("张三"), QStringLiteral("44060620000315123X"), asker.callback()));
    QVERIFY(asker.asked.isEmpty());

    // OK goes on and stores a second record.
    asker.answer = true;
    QVERIFY(saver.insertRecord(recordValues(typedName, typedCardNo), typedName, typedCardNo, asker.callback()));
    QCOMPARE(rowCount(*env.db, kTable), 2);
    if (!asked) {
        QVERIFY(asker.asked.isEmpty());
        return;
    }
    QCOMPARE(asker.asked.size(), 1);
    QCOMPARE(asker.asked.first(), QStringLiteral("检测到班级 高一01 已存在名字为 ") + typedName
                                      + QStringLiteral(" 的同学，不能添加同样的记录。请咨询管理员如何编辑数据。"));
}

void TestRecordSaver::sameNameInOtherClassIsNoDuplicate()
{
    TestEnv env;
    env.createClassTable(kTable);
    env.createClassTable(QStringLiteral("高一02"));
    const QStringList values = recordValues(QStringLiteral("张三"), QStringLiteral("44060620000315123X"));
    Asker asker;
    RecordSaver other(*env.db, QStringLiteral("高一02"), env.path(QStringLiteral("debug.txt")));
    QVERIFY(other.insertRecord(values, QStringLiteral("张三"), QStringLiteral("44060620000315123X"), asker.callback()));
    RecordSaver saver(*env.db, kTable, env.path(QStringLiteral("debug.txt")), QStringLiteral("高一01"));
    QVERIFY(saver.insertRecord(values, QStringLiteral("张三"), QStringLiteral("44060620000315123X"), asker.callback()));
    QVERIFY(asker.asked.isEmpty());
    QCOMPARE(rowCount(*env.db, kTable), 1);
    QCOMPARE(rowCount(*env.db, QStringLiteral("高一02")), 1);
}

void TestRecordSaver::cancelWritesNothing()
{
    TestEnv env;
    env.createClassTable(kTable);
    const QString debug = env.path(QStringLiteral("debug.txt"));
    RecordSaver saver(*env.db, kTable, debug, QStringLiteral("高一01"));
    Asker asker;
    const QStringList values = recordValues(QStringLiteral("张三"), QStringLiteral("1"));
    QVERIFY(saver.insertRecord(values, QStringLiteral("张三"), QStringLiteral("1"), asker.callback()));
    const QByteArray before = readAll(debug);

    asker.answer = false;
    const QStringList again = recordValues(QStringLiteral("张三"), QStringLiteral("2"));
    QVERIFY(!saver.insertRecord(again, QStringLiteral("张三"), QStringLiteral("2"), asker.callback()));
    QCOMPARE(asker.asked.size(), 1);
    QCOMPARE(rowCount(*env.db, kTable), 1);
    QCOMPARE(readAll(debug), before);

    // No one to ask counts as Cancel.
    QVERIFY(!saver.insertRecord(again, QStringLiteral("张三"), QStringLiteral("2"), {}));
    QCOMPARE(rowCount(*env.db, kTable), 1);
    QCOMPARE(readAll(debug), before);
}

void TestRecordSaver::updateKeepsClassCodeAndSkipsDuplicateTest()
{
    TestEnv env;
    env.createClassTable(kTable);
    const QString debug = env.path(QStringLiteral("debug.txt"));
    RecordSaver saver(*env.db, kTable, debug);
    Asker asker;
    QVERIFY(saver.insertRecord(recordValues(QStringLiteral("张三"), QStringLiteral("1")), QStringLiteral("张三"),
                               QStringLiteral("1"), asker.callback()));
    QVERIFY(saver.insertRecord(recordValues(QStringLiteral("李四"), QStringLiteral("2")), QStringLiteral("李四"),
                               QStringLiteral("2"), asker.callback()));

    // Record 2 becomes a second 张三 with every other value changed, 班号
    // included; no question is asked and 班号 keeps its stored value.
    const QStringList first = storedValues(*env.db, 1);
    QStringList changed = recordValues(QStringLiteral("张三"), QStringLiteral("1"));
    for (QString &value : changed)
        value += QStringLiteral("'改");
    changed[RecordColumns::Name] = QStringLiteral("张三");
    QVERIFY(saver.saveRecord(2, changed, QStringLiteral("张三"), QStringLiteral("1"), asker.callback()));
    QVERIFY(asker.asked.isEmpty());

    QStringList expected = changed;
    expected[RecordColumns::ClassCode] = QStringLiteral("2015301");
    QCOMPARE(storedValues(*env.db, 2), expected);
    QCOMPARE(storedValues(*env.db, 1), first);
    QCOMPARE(readAll(debug), gbk(SaveStatements::updateStatement(TableName(kTable), env.db->engine(), changed, 2).logText()));
    QVERIFY(readAll(debug).endsWith(" where id = 2"));
}

void TestRecordSaver::updateOfMissingIdFails()
{
    TestEnv env;
    env.createClassTable(kTable);
    const QString debug = env.path(QStringLiteral("debug.txt"));
    RecordSaver saver(*env.db, kTable, debug);
    const QStringList values = recordValues(QStringLiteral("张三"), QStringLiteral("1"));
    QVERIFY(!saver.updateRecord(7, values));
    QCOMPARE(rowCount(*env.db, kTable), 0);
    // The statement is still there to read.
    QCOMPARE(readAll(debug), gbk(SaveStatements::updateStatement(TableName(kTable), env.db->engine(), values, 7).logText()));
}

void TestRecordSaver::unwritableDebugFileStopsTheSave()
{
    TestEnv env;
    env.createClassTable(kTable);
    Asker asker;
    const QStringList values = recordValues(QStringLiteral("张三"), QStringLiteral("1"));

    // A folder that is not there, and a folder standing where the file should be.
    // (Permission bits do not stop root, who runs the tests in CI.)
    RecordSaver noFolder(*env.db, kTable, env.path(QStringLiteral("gone/debug.txt")));
    QVERIFY_THROWS_EXCEPTION(FileError, noFolder.insertRecord(values, QStringLiteral("张三"), QStringLiteral("1"),
                                                              asker.callback()));
    QVERIFY(QDir().mkdir(env.path(QStringLiteral("debug.txt"))));
    RecordSaver blocked(*env.db, kTable, env.path(QStringLiteral("debug.txt")));
    QVERIFY_THROWS_EXCEPTION(FileError, blocked.insertRecord(values, QStringLiteral("张三"), QStringLiteral("1"),
                                                             asker.callback()));
    QCOMPARE(rowCount(*env.db, kTable), 0);

    env.db->execute(QStringLiteral("insert into 高一01 (姓名, 班号) values ('张三', '2015301')"));
    QVERIFY_THROWS_EXCEPTION(FileError, blocked.updateRecord(1, values));
    QCOMPARE(columnValue(*env.db, QStringLiteral("性别"), 1), QString());
}

void TestRecordSaver::databaseErrorLeavesStatementInDebugFile()
{
    TestEnv env;
    // A class table made by hand that lacks most columns: the duplicate query
    // works, the INSERT does not.
    env.db->execute(QStringLiteral("create table 高一09 (id integer primary key, 姓名 text, 身份证件号 text)"));
    const QString debug = env.path(QStringLiteral("debug.txt"));
    RecordSaver saver(*env.db, QStringLiteral("高一09"), debug);
    Asker asker;
    const QStringList values = recordValues(QStringLiteral("张三"), QStringLiteral("1"));
    QVERIFY_THROWS_EXCEPTION(DatabaseError,
                             saver.insertRecord(values, QStringLiteral("张三"), QStringLiteral("1"), asker.callback()));
    QCOMPARE(readAll(debug), gbk(SaveStatements::insertStatement(TableName(QStringLiteral("高一09")), env.db->engine(), values).logText()));

    // No class table at all: the duplicate query fails before anything is written.
    QFile::remove(debug);
    RecordSaver missing(*env.db, QStringLiteral("高三30"), debug);
    QVERIFY_THROWS_EXCEPTION(DatabaseError,
                             missing.insertRecord(values, QStringLiteral("张三"), QStringLiteral("1"), asker.callback()));
    QVERIFY(!QFile::exists(debug));
}

void TestRecordSaver::quotesRoundTrip()
{
    TestEnv env;
    env.createClassTable(kTable);
    RecordSaver saver(*env.db, kTable, env.path(QStringLiteral("debug.txt")));
    RecordLoader loader(*env.db, kTable);
    Asker asker;
    QStringList values = recordValues(QStringLiteral("O'Brien"), QStringLiteral("'; --"));
    values[RecordColumns::Jiguan] = QStringLiteral("'); drop table 高一01; --");
    values[RecordColumns::Addr] = QStringLiteral("%1 '' \\ 100%");
    QVERIFY(saver.insertRecord(values, QStringLiteral("O'Brien"), QStringLiteral("'; --"), asker.callback()));
    QVERIFY(env.db->tableNames().contains(kTable));

    // The quote in the name is found again by the duplicate test.
    QVERIFY(saver.insertRecord(values, QStringLiteral("O'Brien"), QStringLiteral("x"), asker.callback()));
    QCOMPARE(asker.asked.size(), 1);

    const auto loaded = loader.loadRecord(QStringLiteral("1"));
    QVERIFY(loaded.has_value());
    for (int c = 0; c < RecordColumns::ClassCode; ++c)
        QCOMPARE(loaded->value(RecordColumns::dataColumns().at(c)), values.at(c));

    // And an update carries them the same way.
    values[RecordColumns::Member1Name] = QStringLiteral("D'Arcy");
    QVERIFY(saver.updateRecord(1, values));
    QCOMPARE(loader.loadRecord(QStringLiteral("1"))->value(QStringLiteral("成员1姓名")), QStringLiteral("D'Arcy"));
}

void TestRecordSaver::loaderReturnsValuesOrNothing()
{
    TestEnv env;
    env.createClassTable(kTable);
    RecordSaver saver(*env.db, kTable, env.path(QStringLiteral("debug.txt")));
    Asker asker;
    const QStringList values = recordValues(QStringLiteral("张三"), QStringLiteral("44060620000315123X"));
    QVERIFY(saver.insertRecord(values, QStringLiteral("张三"), QStringLiteral("44060620000315123X"), asker.callback()));
    RecordLoader loader(*env.db, kTable);

    const auto loaded = loader.loadRecord(QStringLiteral("1"));
    QVERIFY(loaded.has_value());
    QCOMPARE(loaded->size(), 42);
    for (int c = 0; c < 42; ++c)
        QCOMPARE(loaded->value(RecordColumns::dataColumns().at(c)), values.at(c));
    QVERIFY(!loaded->contains(QStringLiteral("班号")));
    QVERIFY(!loaded->contains(QStringLiteral("出生地行政区划代码2")));
    QVERIFY(!loaded->contains(QStringLiteral("id")));

    QVERIFY(!loader.loadRecord(QStringLiteral("2")).has_value());
    QCOMPARE(RecordLoader::notFoundMessage(QStringLiteral("2")), QStringLiteral("编号= 2 的学籍数据未能找到。"));
    // Only a number goes into the statement.
    QVERIFY(!loader.loadRecord(QStringLiteral("0 or 1=1")).has_value());
    QVERIFY(!loader.loadRecord(QString()).has_value());

    // A table without one of the read-back columns cannot be loaded.
    env.db->execute(QStringLiteral("create table 高一09 (id integer primary key, 姓名 text)"));
    env.db->execute(QStringLiteral("insert into 高一09 (id, 姓名) values (1, '张三')"));
    RecordLoader partial(*env.db, QStringLiteral("高一09"));
    QVERIFY_THROWS_EXCEPTION(DatabaseError, partial.loadRecord(QStringLiteral("1")));
}

void TestRecordSaver::recordItemsInNameOrder()
{
    TestEnv env;
    env.createClassTable(kTable);
    RecordLoader loader(*env.db, kTable);
    QVERIFY(loader.recordItems().isEmpty());

    for (const char16_t *name : {u"张三", u"李四", u"阿明", u"张三"})
        env.db->execute(QStringLiteral("insert into 高一01 (姓名) values ('%1')").arg(QString::fromUtf16(name)));
    env.db->execute(QStringLiteral("insert into 高一01 (id, 姓名) values (12345, '王五')"));

    const QList<RecordLoader::ListEntry> items = loader.recordItems();
    QCOMPARE(items.size(), 5);
    QStringList texts;
    for (const auto &e : items)
        texts << e.item;
    // 阿 (a) < 李 (li) < 王 (wang) < 张 (zhang); the two 张三 differ only by
    // id (their order among themselves is the database's).
    std::sort(texts.begin() + 3, texts.end());
    QCOMPARE(texts, QStringList({QStringLiteral("3    阿明"), QStringLiteral("2    李四"), QStringLiteral("12345 王五"),
                                 QStringLiteral("1    张三"), QStringLiteral("4    张三")}));
    QCOMPARE(items.at(2).id, qint64(12345));
    QCOMPARE(items.at(0).id, qint64(3));

    const auto big = loader.loadRecord(QString::number(items.at(2).id));
    QVERIFY(big.has_value());
    QCOMPARE(big->value(QStringLiteral("姓名")), QStringLiteral("王五"));
    QCOMPARE(big->value(QStringLiteral("性别")), QString());
}

void TestRecordSaver::storedValueDecoding()
{
    QCOMPARE(StoredValue::birthDate(QStringLiteral("20090315")), QDate(2009, 3, 15));
    QCOMPARE(StoredValue::birthDate(QStringLiteral("20000229    ")), QDate(2000, 2, 29));
    for (const QString &bad : {QStringLiteral("2009ab15"), QStringLiteral("20090231"), QStringLiteral("2009031"),
                               QString(), QStringLiteral("2009-3-15"), QStringLiteral("00000000")}) {
        QVERIFY_THROWS_EXCEPTION(StoredValueError, StoredValue::birthDate(bad));
    }

    QCOMPARE(StoredValue::regionCode(QStringLiteral("440606000000")), 440606);
    QCOMPARE(StoredValue::regionCode(QStringLiteral("110101")), 110101);
    QCOMPARE(StoredValue::regionCode(QStringLiteral("4406")), 4406);
    for (const QString &bad : {QStringLiteral("44O606000000"), QString(), QStringLiteral(" 440606"),
                               QStringLiteral("广东省佛山市")}) {
        QVERIFY_THROWS_EXCEPTION(StoredValueError, StoredValue::regionCode(bad));
    }

    const StoredValue::EntryYearMonth ym = StoredValue::entryYearMonth(QStringLiteral("201609"));
    QCOMPARE(ym.year, QStringLiteral("2016"));
    QCOMPARE(ym.month, QStringLiteral("09"));
}

QTEST_GUILESS_MAIN(TestRecordSaver)
#include "tst_record_saver.moc"
