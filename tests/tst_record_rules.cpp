// One rule set for a record: the same pupils entered through the real entry
// form and imported from a text file get the same verdict (the same refusal
// message, or the same stored values).
#include <QtTest>

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>

#include "core/import/class_import.h"
#include "core/record/item_lists.h"
#include "core/record/record_columns.h"
#include "core/record/record_schema.h"
#include "core/region/region_tables.h"
#include "entry_form_driver.h"
#include "platform/table_name.h"
#include "ui_entry_form.h"

namespace {

using namespace RecordColumns;

// A pupil as the form's default pupil (EntryFormDriver::fillStudent), with
// the fields a case changes.
struct Pupil
{
    QString cardNo = QStringLiteral("440606200003151242");
    QDate birth = QDate(2000, 3, 15);
    QString sex = QStringLiteral("2-女");
    QString contact = QStringLiteral("13800138000");
    QString minzuTyped = QStringLiteral("蒙古族"); // what the import's cell holds
    QString minzuItem = QStringLiteral("蒙古族");  // what the form's user picks
};

const QList<Index> kJudged = {CardNo, BirthDate, Sex, Contact, Minzu};

struct Verdict
{
    QStringList refusals;
    QStringList stored; // the judged columns of the saved record
};

QStringList judgedOf(const QStringList &row)
{
    QStringList out;
    for (Index column : kJudged)
        out << row.value(column);
    return out;
}

Verdict throughTheForm(const Pupil &p)
{
    TestEnv env;
    EntryFormDriver d(env);
    Ui::TForm1 *ui = d.ui();
    d.fillStudent(QStringLiteral("张三"), p.cardNo);
    d.typeDate(ui->dtBirth, p.birth);
    d.choose(ui->cbSex, p.sex);
    d.choose(ui->cbMinzu, p.minzuItem);
    EntryFormDriver::retype(ui->edtContact, p.contact);
    d.clickSave();
    return {env.messages.texts(), env.messages.texts().isEmpty() ? judgedOf(d.storedRow(1)) : QStringList()};
}

Verdict throughTheImport(const Pupil &p)
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    RegionTables regions;
    regions.LoadRegionTables();
    const QString file = env.path(QStringLiteral("名单.csv"));
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return {};
    out.write(QStringLiteral("姓名,性别,出生日期,民族,身份证件类型,身份证件号,联系电话\n张三,%1,%2,%3,1-居民身份证,%4,%5\n")
                  .arg(p.sex, p.birth.toString(QStringLiteral("yyyy-MM-dd")), p.minzuTyped, p.cardNo, p.contact)
                  .toUtf8());
    out.close();
    ClassImport import(*env.db, regions, env.clock.now());
    const ImportPlan plan = import.prepare(file, QString(), QStringLiteral("高一01"), ImportDuplicates::Skip);
    if (plan.rows.size() != 1)
        return {{QStringLiteral("%1 rows read").arg(plan.rows.size())}, {}};
    const QStringList refusals = plan.rows.first().problems;
    if (!refusals.isEmpty())
        return {refusals, {}};
    import.commit(plan);
    const QueryResult r = env.db->query(QStringLiteral("select * from %1").arg(TableName(QStringLiteral("高一01")).sql(*env.db)));
    QStringList row;
    for (const QString &column : dataColumns())
        row << r.text(0, r.columnIndex(column));
    return {{}, judgedOf(row)};
}

} // namespace

Q_DECLARE_METATYPE(Pupil)

class TestRecordRules : public QObject
{
    Q_OBJECT

private slots:
    void formAndImportGiveOneVerdict_data();
    void formAndImportGiveOneVerdict();
    void everyItemIsReachedByEachOfItsSpellings();
};

void TestRecordRules::formAndImportGiveOneVerdict_data()
{
    QTest::addColumn<Pupil>("pupil");
    QTest::addColumn<QString>("refusal");       // empty: accepted
    QTest::addColumn<QStringList>("stored");    // CardNo, BirthDate, Sex, Contact, Minzu when accepted

    const Pupil good;
    const QStringList goodStored = {"440606200003151242", "20000315", "2-女", "13800138000", "蒙古族"};
    QTest::newRow("good resident ID") << good << QString() << goodStored;

    Pupil p = good;
    p.cardNo = QStringLiteral("440606200003151243");
    QTest::newRow("wrong check character")
        << p << QStringLiteral("身份证件号 440606200003151243 的校验位不对（按前 17 位应为 2），请核对号码") << QStringList();
    p = good;
    p.cardNo = QStringLiteral("4406062000031512");
    QTest::newRow("16 digits") << p << QStringLiteral("4406062000031512 -- 国内居民身份证号码不对") << QStringList();
    p = good;
    p.birth = QDate(2000, 3, 16);
    QTest::newRow("birth date contradicts")
        << p << QStringLiteral("身份证件号中的出生日期 20000315 与出生日期 20000316 不符") << QStringList();
    p = good;
    p.sex = QStringLiteral("1-男");
    QTest::newRow("sex contradicts") << p << QStringLiteral("身份证件号表明性别为 2-女，与性别 1-男 不符") << QStringList();

    p = good;
    p.cardNo = QStringLiteral("４４０６０６２００００３１５１２４２");
    p.contact = QStringLiteral("１３８２２３３４４５５");
    QStringList stored = goodStored;
    stored[3] = QStringLiteral("13822334455");
    QTest::newRow("full-width digits") << p << QString() << stored;

    p = good;
    p.cardNo = QStringLiteral("44060620000315104x");
    p.contact = QStringLiteral("138 0013 8000");
    stored = goodStored;
    stored[0] = QStringLiteral("44060620000315104X");
    QTest::newRow("lower-case x and blanks") << p << QString() << stored;

    p = good;
    p.contact = QStringLiteral("0757-2222");
    QTest::newRow("telephone with a hyphen") << p << QStringLiteral("0757-2222 联系电话错误，必须全部是数字。") << QStringList();

    p = good;
    p.minzuTyped = QStringLiteral("汉");
    p.minzuItem = QStringLiteral("01-汉族");
    stored = goodStored;
    stored[4] = QStringLiteral("01-汉族");
    QTest::newRow("汉 is the 汉族 item") << p << QString() << stored;
    p.minzuTyped = QStringLiteral("02");
    p.minzuItem = QStringLiteral("蒙古族");
    QTest::newRow("a national code") << p << QString() << goodStored;
}

void TestRecordRules::formAndImportGiveOneVerdict()
{
    QFETCH(Pupil, pupil);
    QFETCH(QString, refusal);
    QFETCH(QStringList, stored);
    const QStringList refusals = refusal.isEmpty() ? QStringList() : QStringList{refusal};
    const Verdict form = throughTheForm(pupil);
    const Verdict import = throughTheImport(pupil);
    QCOMPARE(form.refusals, refusals);
    QCOMPARE(import.refusals, refusals);
    QCOMPARE(form.stored, stored);
    QCOMPARE(import.stored, stored);
}

void TestRecordRules::everyItemIsReachedByEachOfItsSpellings()
{
    // An edit of the lists' data that makes a spelling point at two items, or
    // leaves a list column without items, fails here rather than in an import.
    for (const RecordSchema::Column &column : RecordSchema::columns()) {
        const ItemLists::List &list = ItemLists::of(column.order);
        QCOMPARE(list.isEmpty(), column.feed != RecordSchema::Feed::Item);
        for (const ItemLists::Item &item : list.items()) {
            if (list.byText(item.text) != &item)
                continue; // a text the list repeats (联合国) stands for its first item
            const QString stored = list.match(item.text);
            QCOMPARE(list.byText(stored)->code, item.code);
            const QStringList spellings = QStringList(item.spellings) << item.name << item.code;
            for (const QString &spelling : spellings) {
                if (spelling.isEmpty())
                    continue;
                const ItemLists::Item *found = list.byText(list.match(spelling));
                QVERIFY2(found && found->code == item.code, qPrintable(spelling));
            }
        }
    }
    QCOMPARE(ItemLists::residentIdCard(), QStringLiteral("1-居民身份证"));
}

QTEST_MAIN(TestRecordRules)
#include "tst_record_rules.moc"
