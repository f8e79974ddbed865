// The management window offscreen over a real database: its controls, the
// table lists, the student list and the buttons of the management tab.
// Runs on every database engine.
#include <QtTest>

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>

#include "manage/management_window.h"
#include "platform/text_file.h"
#include "recording_database.h"
#include "student_rows.h"
#include "test_env.h"

namespace {

void seed(TestEnv &env)
{
    for (const QString &t : {QStringLiteral("高一01"), QStringLiteral("初二03"), QStringLiteral("小六12"),
                             QStringLiteral("合并表"), QStringLiteral("高级")})
        env.createClassTable(t);
    const QList<std::pair<int, QString>> students = {{7, "张三"}, {42, "李四"}, {1234, "阿明"}, {12345, "张三"}};
    for (const auto &[id, name] : students)
        insertStudent(*env.db, QStringLiteral("高一01"), {{QStringLiteral("id"), id}, {QStringLiteral("姓名"), name}});
    insertStudent(*env.db, QStringLiteral("小六12"),
                  {{QStringLiteral("姓名"), "王五"}, {QStringLiteral("出生地行政区划代码"), "440606"}});
}

QStringList texts(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QList<bool> selection(const QListWidget *list)
{
    QList<bool> out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->isSelected();
    return out;
}

void typeText(QWidget *w, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// The window over a recording database, shown as the entry form shows it.
struct Fixture
{
    Fixture() : db(*env.db), window(db, env.services)
    {
        seed(env);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
    template<typename T>
    T *child(const char *name) { return window.findChild<T *>(QLatin1String(name)); }

    TestEnv env;
    RecordingDatabase db;
    ManagementWindow window;
};

} // namespace

class TestManagementWindow : public QObject
{
    Q_OBJECT

private slots:
    void controls_data();
    void controls();
    void noControlCoversAnother();
    void tabOrderAndAccessibleNames();
    void showingFillsBothListsAndSelectsClassTables();
    void choosingATableListsItsStudents();
    void typedTextReachesSqlOnlyAsAListedName();
    void selectAllButtons();
    void enterPressesOnlyTheFocusedButton();
    void everyShowingStartsAfresh();
    void restoringTheWindowKeepsTheChoices();
    void checkButtons();
    void mergeButton();
    void mergeRefreshesTheListsKeepingTheChoices();
    void paddingButton();
    void buttonsBelowTheChecksFitTheTab();
};

void TestManagementWindow::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("place");
    const auto row = [](const char *name, const char *text, int x, int y, int w, int h) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(text) << QRect(x, y, w, h);
    };
    row("PageControl1", "", 8, 8, 553, 388);
    row("Label1", "选择表格： ", 8, 16, 0, 0);
    row("cbTable", "", 80, 16, 217, 20);
    row("Label2", "选择记录： ", 8, 56, 0, 0);
    row("SpeedButton1", "全选", 32, 76, 31, 22);
    row("ListBox1", "", 80, 56, 217, 297);
    row("Button1", "预览(单个)", 320, 56, 89, 25);
    row("Button2", "打印", 320, 96, 89, 25);
    row("Label3", "以单个方式打印，每打印一份填充一次数据，无需等待", 320, 128, 169, 25);
    // A few pixels lower than drawn: the CJK font standing in for 宋体 wraps the
    // note above it into taller lines.
    row("Button3", "导出打印模板(多人)", 320, 166, 129, 25);
    row("Label4", "请事先调整好template.xls使之刚好一个页面可以打印一个人。导出比较慢", 320, 198, 209, 33);
    row("Label5", "先选择表再做其它操作。如果超过60个班，建议分两次操作", 24, 11, 320, 14); // ends before 全选
    row("SpeedButton2", "全选", 352, 8, 33, 22); // clear of the note's text
    row("ListBox2", "", 24, 32, 297, 321);
    row("Button4", "合并", 328, 32, 97, 25);
    row("Label6", "合并后名称： ", 432, 20, 0, 0);
    row("Edit1", "合并表", 432, 38, 105, 20);
    row("Button5", "导出", 328, 72, 97, 25);
    row("Label7", "导出表的结构：  ", 328, 104, 0, 0);
    row("RadioButton1", "Init1(国标原始表)", 328, 122, 185, 17);
    row("RadioButton2", "Init2(本工具所使用的精简表)  ", 328, 140, 185, 17);
    row("Bevel1", "", 328, 160, 193, 9);
    row("Button7", "录入数目", 328, 176, 89, 25);
    row("Button8", "检查重名", 432, 176, 89, 25);
    row("Button6", "检查班号", 328, 208, 89, 25);
    row("Button10", "籍贯太短", 432, 208, 89, 25);
    row("Button11", "入学方式", 328, 240, 89, 25);
    row("Button12", "就读方式", 432, 240, 89, 25);
    row("Button9", "检查身份证", 328, 272, 89, 25);
    row("Button13", "区划代码补足12位", 432, 272, 113, 25);
}

void TestManagementWindow::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, place);
    TestEnv env;
    ManagementWindow window(*env.db, env.services);
    QCOMPARE(window.objectName(), QStringLiteral("TForm3"));
    QCOMPARE(window.windowTitle(), QStringLiteral("管理模块"));
    QCOMPARE(window.size(), QSize(571, 406));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QWidget *w = window.findChild<QWidget *>(name);
    QVERIFY(w);
    if (auto *label = qobject_cast<QLabel *>(w)) {
        // Labels keep their place and grow to show their whole text; a
        // word-wrapped one keeps its width.
        QCOMPARE(w->pos(), place.topLeft());
        QVERIFY(w->width() >= place.width() && w->height() >= place.height());
        if (label->wordWrap())
            QCOMPARE(w->width(), place.width());
        QVERIFY(w->width() >= w->sizeHint().width() || label->wordWrap());
        QVERIFY(w->height() >= w->heightForWidth(w->width()));
    } else {
        QCOMPARE(w->geometry(), place);
    }
    QString caption;
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        caption = b->text();
    else if (auto *l = qobject_cast<QLabel *>(w))
        caption = l->text();
    else if (auto *e = qobject_cast<QLineEdit *>(w))
        caption = e->text();
    QCOMPARE(caption, text);
}

// The font standing in for 宋体 is taller; no grown label may run under a button.
void TestManagementWindow::noControlCoversAnother()
{
    TestEnv env;
    ManagementWindow window(*env.db, env.services);
    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("PageControl1"));
    QVERIFY(tabs);
    for (int page = 0; page < tabs->count(); ++page) {
        if (tabs->widget(page)->layout())
            continue; // a page with a layout places its controls apart itself
        QList<QWidget *> controls;
        for (QObject *child : tabs->widget(page)->children()) {
            if (auto *w = qobject_cast<QWidget *>(child))
                controls << w;
        }
        QVERIFY(controls.size() > 5);
        for (int i = 0; i < controls.size(); ++i) {
            for (int j = i + 1; j < controls.size(); ++j) {
                const QRect a = controls[i]->geometry(), b = controls[j]->geometry();
                QVERIFY2(!a.intersects(b), qPrintable(controls[i]->objectName() + QStringLiteral(" covers ")
                                                      + controls[j]->objectName()));
            }
        }
    }
}

void TestManagementWindow::tabOrderAndAccessibleNames()
{
    Fixture f;
    auto *tabs = f.child<QTabWidget>("PageControl1");
    QCOMPARE(tabs->tabText(0), QStringLiteral("打印和预览"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("管理"));
    QCOMPARE(tabs->currentIndex(), 0);
    QVERIFY(f.child<QRadioButton>("RadioButton2")->isChecked());
    QVERIFY(!f.child<QRadioButton>("RadioButton1")->isChecked());
    QCOMPARE(f.child<QComboBox>("cbTable")->maxVisibleItems(), 20);
    QVERIFY(f.child<QComboBox>("cbTable")->isEditable());

    const QStringList printTab = {"cbTable", "ListBox1", "Button1", "Button2", "Button3"};
    const QStringList manageTab = {"ListBox2", "Button4", "Button5",  "Edit1",    "RadioButton1", "RadioButton2", "Button6",
                                   "Button7",  "Button8", "Button9",  "Button10", "Button11",     "Button12",     "Button13"};
    for (const QStringList &order : {printTab, manageTab}) {
        for (int i = 0; i + 1 < order.size(); ++i) {
            QWidget *w = f.window.findChild<QWidget *>(order.at(i));
            QWidget *next = w->nextInFocusChain();
            // Skip the inner parts of composite controls (the combo box's line edit).
            while (next && ((next->focusPolicy() & Qt::TabFocus) == 0 || w->isAncestorOf(next)))
                next = next->nextInFocusChain();
            QCOMPARE(next ? next->objectName() : QString(), order.at(i + 1));
        }
    }
    for (QWidget *w : f.window.findChildren<QWidget *>()) {
        // A table's own corner button is part of the table, named by it.
        if (qobject_cast<QAbstractItemView *>(w->parentWidget()))
            continue;
        const bool actedOn = qobject_cast<QAbstractButton *>(w) || qobject_cast<QListWidget *>(w)
            || qobject_cast<QComboBox *>(w) || (qobject_cast<QLineEdit *>(w) && w->objectName() == QLatin1String("Edit1"));
        if (actedOn)
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
    }
}

void TestManagementWindow::showingFillsBothListsAndSelectsClassTables()
{
    Fixture f;
    const QStringList names = {"Init2", "Init1", "高一01", "初二03", "小六12", "合并表", "高级"};
    auto *cb = f.child<QComboBox>("cbTable");
    QStringList items;
    for (int i = 0; i < cb->count(); ++i)
        items << cb->itemText(i);
    QCOMPARE(items, names);
    QCOMPARE(cb->currentText(), QString());
    QCOMPARE(texts(f.child<QListWidget>("ListBox2")), names);
    QCOMPARE(selection(f.child<QListWidget>("ListBox2")), QList<bool>({false, false, true, true, true, false, true}));
    QCOMPARE(f.window.selectedTables(), QStringList({"高一01", "初二03", "小六12", "高级"}));
    QCOMPARE(f.child<QListWidget>("ListBox1")->count(), 0);
    // Showing lists the tables and runs no statement.
    QVERIFY(f.db.statements.isEmpty());
    QVERIFY(f.env.messages.shown.isEmpty());
}

void TestManagementWindow::choosingATableListsItsStudents()
{
    Fixture f;
    auto *cb = f.child<QComboBox>("cbTable");
    auto *list = f.child<QListWidget>("ListBox1");
    cb->setCurrentIndex(cb->findText(QStringLiteral("高一01")));
    QCOMPARE(f.db.statements, QStringList{QStringLiteral("select id, 姓名 from 高一01 order by 姓名 ")});
    // By pinyin: 阿 a, 李 li, 张 zhang; equal names in the database's order.
    QCOMPARE(texts(list), QStringList({"1234 阿明", "42   李四", "7    张三", "12345 张三"}));
    QCOMPARE(selection(list), QList<bool>({true, true, true, true}));
    QCOMPARE(f.window.currentTable(), QStringLiteral("高一01"));
    QStringList ids;
    for (const QString &item : f.window.selectedRecordItems())
        ids << ManagementWindow::ExtractRecordId(item);
    QCOMPARE(ids, QStringList({"1234", "42", "7", "12345"}));

    cb->setCurrentIndex(cb->findText(QStringLiteral("初二03")));
    QCOMPARE(list->count(), 0);
    // Clearing the text empties the list without a query.
    cb->setCurrentIndex(cb->findText(QStringLiteral("高一01")));
    const int before = int(f.db.statements.size());
    cb->setEditText(QString());
    QCOMPARE(list->count(), 0);
    QCOMPARE(int(f.db.statements.size()), before);
    QCOMPARE(f.window.currentTable(), QString());
    QVERIFY(f.env.messages.shown.isEmpty());
}

void TestManagementWindow::typedTextReachesSqlOnlyAsAListedName()
{
    Fixture f;
    auto *cb = f.child<QComboBox>("cbTable");
    auto *list = f.child<QListWidget>("ListBox1");
    const QStringList listed = f.env.db->tableNames();
    cb->setFocus();
    // Every keystroke changes the text; a text that names no listed table runs nothing and shows nothing.
    typeText(cb->lineEdit(), QStringLiteral("不存在的表"));
    QCOMPARE(cb->currentText(), QStringLiteral("不存在的表"));
    QVERIFY(f.db.statements.isEmpty());
    // The list completes typed beginnings to listed names; the text stops being one at ";".
    cb->setEditText(QString());
    typeText(cb->lineEdit(), QStringLiteral("高一01; drop table 小六12"));
    QVERIFY(cb->currentText().startsWith(QStringLiteral("高一01;")));
    QVERIFY(!f.db.statements.isEmpty());
    for (const QString &sql : f.db.statements)
        QCOMPARE(sql, QStringLiteral("select id, 姓名 from 高一01 order by 姓名 "));
    QCOMPARE(list->count(), 0);
    QVERIFY(f.env.messages.shown.isEmpty());
    QCOMPARE(f.env.db->tableNames(), listed);
    // Typing a whole name selects its students.
    f.db.statements.clear();
    cb->setEditText(QString());
    typeText(cb->lineEdit(), QStringLiteral("小六12"));
    QCOMPARE(cb->currentText(), QStringLiteral("小六12"));
    QCOMPARE(texts(list), QStringList{"1    王五"});
    QCOMPARE(selection(list), QList<bool>{true});
    // A name given in another letter case stands for the listed table.
    f.db.statements.clear();
    cb->setEditText(QStringLiteral("INIT2"));
    QCOMPARE(f.db.statements, QStringList{QStringLiteral("select id, 姓名 from Init2 order by 姓名 ")});
    QCOMPARE(f.window.currentTable(), QStringLiteral("Init2"));
    // A listed table without the id column fails once, through the error box.
    cb->setEditText(QStringLiteral("Init1"));
    QCOMPARE(f.env.messages.shown.size(), 1);
    QCOMPARE(f.env.messages.shown.front().kind, ScriptedMessages::Kind::Error);
    QCOMPARE(list->count(), 0);
    QVERIFY(f.window.isVisible());
}

void TestManagementWindow::selectAllButtons()
{
    Fixture f;
    auto *list1 = f.child<QListWidget>("ListBox1");
    auto *list2 = f.child<QListWidget>("ListBox2");
    auto *all1 = f.child<QToolButton>("SpeedButton1");
    auto *all2 = f.child<QToolButton>("SpeedButton2");
    QTest::mouseClick(all1, Qt::LeftButton); // empty list: nothing happens
    QCOMPARE(list1->count(), 0);
    auto *cb = f.child<QComboBox>("cbTable");
    cb->setCurrentIndex(cb->findText(QStringLiteral("高一01")));
    list1->clearSelection();
    list1->item(2)->setSelected(true);
    QCOMPARE(f.window.selectedRecordItems(), QStringList{"7    张三"});
    QTest::mouseClick(all1, Qt::LeftButton);
    QCOMPARE(selection(list1), QList<bool>(4, true));
    QTest::mouseClick(all1, Qt::LeftButton); // pressing again does not toggle
    QCOMPARE(selection(list1), QList<bool>(4, true));
    f.child<QTabWidget>("PageControl1")->setCurrentIndex(1);
    QTest::mouseClick(all2, Qt::LeftButton);
    QTest::mouseClick(all2, Qt::LeftButton);
    QCOMPARE(selection(list2), QList<bool>(7, true));
    QCOMPARE(f.window.selectedTables().size(), 7);
}

// No button is a default button: Enter in the table box or a list starts
// nothing (no preview of the focused record); on a focused button it presses it.
void TestManagementWindow::enterPressesOnlyTheFocusedButton()
{
    Fixture f;
    auto *cb = f.child<QComboBox>("cbTable");
    auto *list1 = f.child<QListWidget>("ListBox1");
    cb->setCurrentIndex(cb->findText(QStringLiteral("高一01")));
    cb->setFocus();
    QTest::keyClick(cb->lineEdit(), Qt::Key_Return);
    list1->setFocus();
    QTest::keyClick(list1, Qt::Key_Return);
    QTest::keyClick(list1, Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(f.env.messages.shown.isEmpty());
    QVERIFY(f.env.desktop.previewed.isEmpty());
    QVERIFY(f.window.isVisible());
    // Nor is any button drawn as the one Enter would press.
    for (const char *name : {"Button1", "Button2", "Button3"})
        QVERIFY2(!f.child<QPushButton>(name)->isDefault(), name);

    f.child<QTabWidget>("PageControl1")->setCurrentIndex(1);
    auto *count = f.child<QPushButton>("Button7"); // 录入数目 over the preselected class tables
    count->setFocus();
    QTest::keyClick(count, Qt::Key_Return);
    QCOMPARE(f.env.desktop.reports, QStringList{f.env.path(QStringLiteral("check.txt"))});
    f.child<QLineEdit>("Edit1")->setFocus();
    QTest::keyClick(f.child<QLineEdit>("Edit1"), Qt::Key_Return);
    QCOMPARE(f.env.desktop.reports.size(), 1);
    QVERIFY(f.env.messages.shown.isEmpty());
}

void TestManagementWindow::everyShowingStartsAfresh()
{
    Fixture f;
    auto *cb = f.child<QComboBox>("cbTable");
    cb->setCurrentIndex(cb->findText(QStringLiteral("高一01")));
    f.child<QListWidget>("ListBox2")->selectAll();
    f.child<QTabWidget>("PageControl1")->setCurrentIndex(1);
    f.window.hide();
    f.env.createClassTable(QStringLiteral("初三01"));
    f.window.show();
    QCOMPARE(cb->count(), 8);
    QCOMPARE(cb->currentText(), QString());
    QCOMPARE(f.child<QListWidget>("ListBox1")->count(), 0);
    QCOMPARE(f.window.selectedTables(), QStringList({"高一01", "初二03", "小六12", "高级", "初三01"}));
    // The tab last used stays.
    QCOMPARE(f.child<QTabWidget>("PageControl1")->currentIndex(), 1);
}

void TestManagementWindow::checkButtons()
{
    Fixture f;
    auto *list2 = f.child<QListWidget>("ListBox2");
    list2->clearSelection();
    const char *buttons[] = {"Button6", "Button7", "Button8", "Button9", "Button10", "Button11", "Button12", "Button13", "Button4"};
    for (const char *name : buttons) {
        f.env.messages.clear();
        QTest::mouseClick(f.child<QPushButton>(name), Qt::LeftButton);
        QCOMPARE(f.env.messages.texts(), QStringList{QStringLiteral("请先选择表。")});
        QCOMPARE(f.env.messages.shown.front().kind, ScriptedMessages::Kind::Plain);
    }
    QVERIFY(f.db.statements.isEmpty());
    QVERIFY(!QFile::exists(f.env.path(QStringLiteral("check.txt"))));

    f.env.messages.clear();
    list2->item(2)->setSelected(true); // 高一01
    QTest::mouseClick(f.child<QPushButton>("Button8"), Qt::LeftButton);
    QCOMPARE(f.env.desktop.reports, QStringList{f.env.path(QStringLiteral("check.txt"))});
    QFile report(f.env.path(QStringLiteral("check.txt")));
    QVERIFY(report.open(QIODevice::ReadOnly));
    QCOMPARE(TextFile::decodeGb18030(report.readAll()),
             QStringLiteral("# 检查一个班里同名的可能是重复录入的学生\r\n班级\t姓名\t计数\t\r\n高一01\t张三\t2\t\r\n"));
    QVERIFY(f.env.messages.shown.isEmpty());
    // A failing check goes to the error box and opens nothing.
    list2->item(1)->setSelected(true); // Init1 has no 班号
    QTest::mouseClick(f.child<QPushButton>("Button6"), Qt::LeftButton);
    QCOMPARE(f.env.messages.shown.size(), 1);
    QCOMPARE(f.env.messages.shown.front().kind, ScriptedMessages::Kind::Error);
    QCOMPARE(f.env.desktop.reports.size(), 1);
    QVERIFY(f.env.desktop.opened.isEmpty()); // never handed to a desktop editor
}

void TestManagementWindow::mergeButton()
{
    Fixture f;
    auto *list2 = f.child<QListWidget>("ListBox2");
    auto *edit = f.child<QLineEdit>("Edit1");
    list2->clearSelection();
    list2->item(2)->setSelected(true); // 高一01
    list2->item(4)->setSelected(true); // 小六12
    edit->setText(QStringLiteral("高一01"));
    QTest::mouseClick(f.child<QPushButton>("Button4"), Qt::LeftButton);
    QCOMPARE(f.env.messages.texts(), QStringList{QStringLiteral("合并后名称“高一01”是要合并的表之一，请换一个名称。")});
    QVERIFY(f.db.statements.isEmpty());
    f.env.messages.clear();
    edit->setText(QStringLiteral(" 合并表 "));
    // 合并表 exists: replaced only when the teacher answers yes.
    f.env.messages.answerNext(Messages::Answer::No);
    QTest::mouseClick(f.child<QPushButton>("Button4"), Qt::LeftButton);
    QCOMPARE(f.env.messages.shown.size(), 1);
    QCOMPARE(f.env.messages.shown.front().buttons, Messages::Buttons::YesNo);
    QVERIFY(f.env.messages.lastText().contains(QStringLiteral("“合并表”的表，其中有 0 行")));
    QVERIFY(!f.db.statements.join(QLatin1Char('\n')).contains(QStringLiteral("drop table")));
    f.env.messages.clear();
    QTest::mouseClick(f.child<QPushButton>("Button4"), Qt::LeftButton);
    QCOMPARE(f.env.messages.texts().last(), QStringLiteral("已合并 2 个表。"));
    QCOMPARE(f.env.db->query(QStringLiteral("select 姓名 from 合并表")).rowCount(), 5);
}

// A new merged table shows in both lists at once; what the teacher picked stays picked.
void TestManagementWindow::mergeRefreshesTheListsKeepingTheChoices()
{
    Fixture f;
    auto *cb = f.child<QComboBox>("cbTable");
    auto *list1 = f.child<QListWidget>("ListBox1");
    auto *list2 = f.child<QListWidget>("ListBox2");
    cb->setCurrentIndex(cb->findText(QStringLiteral("高一01")));
    list1->item(1)->setSelected(false); // 李四
    list1->setCurrentRow(2, QItemSelectionModel::NoUpdate);
    list2->item(6)->setSelected(false); // 高级
    const QList<bool> students = selection(list1);
    f.child<QLineEdit>("Edit1")->setText(QStringLiteral("新合并"));
    QTest::mouseClick(f.child<QPushButton>("Button4"), Qt::LeftButton);
    QCOMPARE(f.env.messages.texts(), QStringList{QStringLiteral("已合并 3 个表。")});

    QCOMPARE(cb->count(), 8);
    QCOMPARE(cb->itemText(7), QStringLiteral("新合并"));
    QCOMPARE(texts(list2).last(), QStringLiteral("新合并"));
    QCOMPARE(selection(list2), QList<bool>({false, false, true, true, true, false, false, false}));
    QCOMPARE(cb->currentText(), QStringLiteral("高一01"));
    QCOMPARE(selection(list1), students);
    QCOMPARE(list1->currentRow(), 2);
    // The new table can be chosen for printing straight away.
    cb->setCurrentIndex(7);
    QCOMPARE(list1->count(), 5);
}

void TestManagementWindow::paddingButton()
{
    Fixture f;
    auto *list2 = f.child<QListWidget>("ListBox2");
    QTest::mouseClick(f.child<QPushButton>("Button13"), Qt::LeftButton);
    QCOMPARE(f.env.messages.texts(), QStringList{QStringLiteral("执行结果，更新符合条件的单项数据共 1 个。")});
    // Eight updates for each of the four tables; the history line of the padded table aside.
    QStringList padding = f.db.statements;
    padding.removeIf([](const QString &sql) { return !sql.startsWith(QStringLiteral("update")); });
    QCOMPARE(padding.size(), 4 * 8);
    f.env.messages.clear();
    QTest::mouseClick(f.child<QPushButton>("Button13"), Qt::LeftButton);
    QCOMPARE(f.env.messages.texts(), QStringList{QStringLiteral("执行结果，更新符合条件的单项数据共 0 个。")});
    // A table without the region columns stops the run with the error box.
    f.env.messages.clear();
    f.env.db->execute(QStringLiteral("create table 高考名单 (姓名 TEXT)"));
    f.window.hide();
    f.window.show();
    QCOMPARE(list2->count(), 8);
    QTest::mouseClick(f.child<QPushButton>("Button13"), Qt::LeftButton);
    QCOMPARE(f.env.messages.shown.size(), 1);
    QCOMPARE(f.env.messages.shown.front().kind, ScriptedMessages::Kind::Error);
}

// Coming back from the task bar is no new showing: nothing is refilled.
void TestManagementWindow::restoringTheWindowKeepsTheChoices()
{
    Fixture f;
    auto *cb = f.child<QComboBox>("cbTable");
    auto *list1 = f.child<QListWidget>("ListBox1");
    auto *list2 = f.child<QListWidget>("ListBox2");
    cb->setCurrentIndex(cb->findText(QStringLiteral("高一01")));
    list1->item(0)->setSelected(false);
    list2->item(0)->setSelected(true); // Init2
    list2->item(2)->setSelected(false); // 高一01
    const QList<bool> students = selection(list1), tables = selection(list2);
    f.window.showMinimized();
    QCoreApplication::processEvents();
    f.window.showNormal();
    QCoreApplication::processEvents();
    QCOMPARE(cb->currentText(), QStringLiteral("高一01"));
    QCOMPARE(list1->count(), 4);
    QCOMPARE(selection(list1), students);
    QCOMPARE(selection(list2), tables);
}

void TestManagementWindow::buttonsBelowTheChecksFitTheTab()
{
    Fixture f;
    auto *tabs = f.child<QTabWidget>("PageControl1");
    tabs->setCurrentIndex(1);
    QWidget *page = tabs->widget(1);
    // Nothing on the tab is cut off by its edge, the folder note included.
    for (QObject *child : page->children()) {
        if (auto *w = qobject_cast<QWidget *>(child))
            QVERIFY2(page->rect().contains(w->geometry()), qPrintable(w->objectName()));
    }
    auto *info = f.child<QPushButton>("Button14");
    QCOMPARE(info->text(), QStringLiteral("身份证信息"));
    f.child<QListWidget>("ListBox2")->item(2)->setSelected(true); // 高一01
    QTest::mouseClick(info, Qt::LeftButton);
    QCOMPARE(f.env.desktop.reports, QStringList{f.env.path(QStringLiteral("check.txt"))});
    QFile report(f.env.path(QStringLiteral("check.txt")));
    QVERIFY(report.open(QIODevice::ReadOnly));
    QVERIFY(TextFile::decodeGb18030(report.readAll()).startsWith(QStringLiteral("# 身份证号与出生日期或性别不符的学生")));
}

QTEST_MAIN(TestManagementWindow)
#include "tst_management_window.moc"
