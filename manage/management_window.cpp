#include "management_window.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSignalBlocker>

#include "core/keeping/history.h"
#include "manage/import_dialog.h"
#include "manage/operation_progress_dialog.h"
#include "manage/backup_tab.h"
#include "manage/web_form_tab.h"
#include "manage/find_pupil_tab.h"
#include "manage/school_region_tab.h"
#include "manage/school_history_dialog.h"
#include "core/operations/region_code_padding.h"
#include "core/operations/table_lists.h"
#include "core/operations/table_merge.h"
#include "core/operations/template_tables.h"
#include "core/record/class_count.h"
#include "core/record/record_item.h"
#include "core/region/region_tables.h"
#include "platform/busy_cursor.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/desktop.h"
#include "platform/guard.h"
#include "platform/messages.h"
#include "platform/services.h"
#include "ui_management_window.h"

namespace {

// Exports of a few students end before a dialog would be read; longer ones show it.
constexpr int kShowExportProgressAfterMs = 800;

} // namespace

ManagementWindow::ManagementWindow(Database &db, Services &services, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TForm3>()), m_db(db), m_services(services),
      m_printing(db, services, m_renderer)
{
    m_ui->setupUi(this);
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(12);
    setFont(font);
    setFixedSize(571, 406);
    // Labels size themselves to their text, as the layout was drawn with 宋体:
    // they keep their place and grow when the font standing in has taller
    // lines; word-wrapped ones keep their width.
    for (QLabel *label : findChildren<QLabel *>()) {
        const QSize hint = label->sizeHint();
        const int height = label->wordWrap() ? label->heightForWidth(label->width()) : hint.height();
        const int width = label->wordWrap() ? label->width() : hint.width();
        label->resize(std::max(width, label->width()), std::max(height, label->height()));
    }
    showProgramFolder();
    // No button is a default button: Enter in the table box or a list must not
    // start a preview. A focused button still takes Enter (keyPressEvent).
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);
    // The first showing opens on the print tab; later ones keep the tab last used.
    m_ui->PageControl1->setCurrentIndex(0);

    connect(m_ui->cbTable, &QComboBox::currentTextChanged, this, &ManagementWindow::cbTableChange);
    connect(m_ui->SpeedButton1, &QToolButton::clicked, this, &ManagementWindow::SpeedButton1Click);
    connect(m_ui->btnTakeOut, &QPushButton::clicked, this, &ManagementWindow::takeOutClick);
    connect(m_ui->btnMoveClass, &QPushButton::clicked, this, &ManagementWindow::moveClassClick);
    connect(m_ui->btnKept, &QPushButton::clicked, this, &ManagementWindow::keptRecordsClick);
    connect(m_ui->SpeedButton2, &QToolButton::clicked, this, &ManagementWindow::SpeedButton2Click);
    connect(m_ui->Button1, &QPushButton::clicked, this, &ManagementWindow::Button1Click);
    connect(m_ui->Button2, &QPushButton::clicked, this, &ManagementWindow::Button2Click);
    connect(m_ui->Button3, &QPushButton::clicked, this, &ManagementWindow::Button3Click);
    connect(m_ui->Button4, &QPushButton::clicked, this, &ManagementWindow::Button4Click);
    connect(m_ui->Button5, &QPushButton::clicked, this, &ManagementWindow::Button5Click);
    connect(m_ui->Button13, &QPushButton::clicked, this, &ManagementWindow::Button13Click);
    connect(m_ui->Button15, &QPushButton::clicked, this, &ManagementWindow::Button15Click);
    connect(m_ui->btnHistory, &QPushButton::clicked, this, &ManagementWindow::historyClick);
    const std::pair<QPushButton *, DataChecks::Check> checks[] = {
        {m_ui->Button7, DataChecks::Check::EntryCount},      {m_ui->Button6, DataChecks::Check::ClassNumber},
        {m_ui->Button8, DataChecks::Check::DuplicateName},   {m_ui->Button10, DataChecks::Check::ShortNativePlace},
        {m_ui->Button11, DataChecks::Check::EnrolmentMode},  {m_ui->Button12, DataChecks::Check::AttendanceMode},
        {m_ui->Button9, DataChecks::Check::IdNumber},        {m_ui->Button14, DataChecks::Check::IdNumberInfo},
        {m_ui->btnIncomplete, DataChecks::Check::Incomplete},
    };
    for (const auto &[button, check] : checks)
        connect(button, &QPushButton::clicked, this, [this, check = check] { runCheck(check); });
    // The spreadsheet program comes to the front while printing; the closing message brings this window back.
    m_printing.setBringToFront([this] {
        raise();
        activateWindow();
    });
    m_printing.setReplaceConsent(askBeforeReplacing(m_services.messages, this, windowTitle()));

    m_schoolTab = new SchoolRegionTab(m_db, m_services, [this]() -> const RegionTables & { return regionTables(); });
    m_schoolTab->setObjectName(QStringLiteral("TabSchool"));
    m_ui->PageControl1->addTab(m_schoolTab, QStringLiteral("学校设置"));
    m_findTab = new FindPupilTab(m_db, m_services);
    m_findTab->setObjectName(QStringLiteral("TabFindPupil"));
    m_ui->PageControl1->insertTab(2, m_findTab, QStringLiteral("查找学生"));
    // A pupil of the entry form's class is edited there: the window closes and says which.
    connect(m_findTab, &FindPupilTab::editRequested, this, [this](qint64 id) {
        setProperty("pupilToOpen", id);
        accept();
    });
    m_backupTab = new BackupTab(m_db, m_services);
    m_backupTab->setObjectName(QStringLiteral("TabBackups"));
    m_ui->PageControl1->insertTab(3, m_backupTab, QStringLiteral("备份"));
    // The restored database may lack the entry form's class: it gets it as the class setup makes it.
    connect(m_backupTab, &BackupTab::restored, this, [this] {
        if (!m_classOfThisRun.isEmpty())
            TemplateTables::ensureClassTable(m_db, m_classOfThisRun);
        refreshLists();
    });
    // The web form of a class; what its review accepts shows in the lists.
    m_webFormTab = new WebFormTab(m_db, m_services);
    m_webFormTab->setObjectName(QStringLiteral("TabWebForm"));
    m_ui->PageControl1->insertTab(4, m_webFormTab, QStringLiteral("网上填报"));
    connect(m_webFormTab, &WebFormTab::classChanged, this, &ManagementWindow::refreshLists);
    connect(m_ui->PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        QWidget *page = m_ui->PageControl1->widget(index);
        if (page == m_schoolTab)
            m_schoolTab->showStored();
        else if (page == m_findTab)
            m_findTab->findLine()->setFocus(Qt::TabFocusReason);
        else if (page == m_backupTab)
            runGuarded(m_services.messages, [this] { m_backupTab->showBackups(); });
        else if (page == m_webFormTab)
            showWebFormClasses();
    });
}

ManagementWindow::~ManagementWindow() = default;

void ManagementWindow::showProgramFolder()
{
    // Under the buttons of the management tab, one line: where check.txt, the
    // exports and the template lie, so that a teacher can find them (a long
    // path is shortened in the middle; the whole path is the tooltip).
    auto *note = new QLabel(m_ui->TabSheet2);
    note->setObjectName(QStringLiteral("lblProgramFolder"));
    note->setGeometry(328, 336, 124, note->fontMetrics().height() + 2); // 修改记录 stands beside it
    const QString path = QDir::toNativeSeparators(m_services.programDir);
    const QString caption = QStringLiteral("程序文件夹：");
    note->setText(caption
                  + note->fontMetrics().elidedText(path, Qt::ElideMiddle,
                                                   note->width() - note->fontMetrics().horizontalAdvance(caption)));
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    note->setToolTip(QStringLiteral("程序文件夹（check.txt、导出）：\n") + path);
    note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    note->setAccessibleName(QStringLiteral("程序文件夹"));
    note->setAccessibleDescription(path);
}

void ManagementWindow::showEvent(QShowEvent *event)
{
    if (!m_centred) {
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
        m_centred = true;
    }
    // A window restored from the task bar or after "show desktop" is no new
    // showing: the lists and the choices made in them stay.
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void ManagementWindow::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (auto *button = qobject_cast<QPushButton *>(focusWidget()))
            button->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ManagementWindow::FormShow()
{
    {
        const QSignalBlocker block(m_ui->cbTable);
        m_ui->cbTable->clear();
        m_ui->cbTable->clearEditText();
    }
    m_ui->ListBox1->clear();
    m_ui->ListBox2->clear();
    m_tables.clear();
    runGuarded(m_services.messages, [&] {
        m_tables = TableLists::tableNames(m_db);
        const QSignalBlocker block(m_ui->cbTable);
        m_ui->cbTable->addItems(m_tables);
        // Adding items to an empty editable list would show the first one.
        m_ui->cbTable->setCurrentIndex(-1);
        m_ui->cbTable->clearEditText();
        m_ui->ListBox2->addItems(m_tables);
        SelectClassTables();
    });
}

void ManagementWindow::refreshLists()
{
    const QString chosen = currentTable();
    const QStringList students = selectedRecordItems();
    const QString focused = focusedRecordItem();
    const QStringList tables = selectedTables();
    const QStringList listedBefore = m_tables;

    m_tables = TableLists::tableNames(m_db);
    if (m_webFormTab)
        showWebFormClasses();
    {
        const QSignalBlocker block(m_ui->cbTable);
        m_ui->cbTable->clear();
        m_ui->cbTable->addItems(m_tables);
        m_ui->cbTable->setCurrentIndex(m_tables.indexOf(chosen));
        if (!m_tables.contains(chosen))
            m_ui->cbTable->clearEditText();
    }
    m_ui->ListBox2->clear();
    m_ui->ListBox2->addItems(m_tables);
    // A class made just now (an import into a new class) is picked as a showing would pick it.
    const QList<bool> preselected = TableLists::classTableSelection(m_tables);
    for (int i = 0; i < m_ui->ListBox2->count(); ++i) {
        const QString name = m_ui->ListBox2->item(i)->text();
        m_ui->ListBox2->item(i)->setSelected(tables.contains(name)
                                             || (!listedBefore.contains(name) && preselected.at(i)));
    }

    // The chosen table may itself have been replaced: its students are read
    // again, and the ones the teacher had picked stay picked.
    m_ui->ListBox1->clear();
    if (!m_tables.contains(chosen))
        return;
    m_ui->ListBox1->addItems(TableLists::recordItems(m_db, chosen));
    for (int i = 0; i < m_ui->ListBox1->count(); ++i) {
        QListWidgetItem *item = m_ui->ListBox1->item(i);
        if (item->text() == focused)
            m_ui->ListBox1->setCurrentItem(item, QItemSelectionModel::NoUpdate);
        item->setSelected(students.contains(item->text()));
    }
}

void ManagementWindow::SelectClassTables()
{
    const QStringList names = [&] {
        QStringList n;
        for (int i = 0; i < m_ui->ListBox2->count(); ++i)
            n << m_ui->ListBox2->item(i)->text();
        return n;
    }();
    const QList<bool> selected = TableLists::classTableSelection(names);
    for (int i = int(selected.size()) - 1; i >= 0; --i)
        m_ui->ListBox2->item(i)->setSelected(selected.at(i));
}

void ManagementWindow::cbTableChange(const QString &text)
{
    m_ui->ListBox1->clear();
    // The handler runs on every keystroke: only the name of a listed table goes
    // into the statement; any other text simply leaves the list empty.
    const QString table = TableLists::listedName(m_tables, text);
    if (table.isEmpty())
        return;
    runGuarded(m_services.messages, [&] {
        m_ui->ListBox1->addItems(TableLists::recordItems(m_db, table));
        m_ui->ListBox1->selectAll();
    });
}

void ManagementWindow::SpeedButton1Click()
{
    m_ui->ListBox1->selectAll();
}

void ManagementWindow::SpeedButton2Click()
{
    m_ui->ListBox2->selectAll();
}

QStringList ManagementWindow::tablesOrHint()
{
    const QStringList tables = selectedTables();
    if (tables.isEmpty())
        m_services.messages.showMessage(TableLists::chooseTablesFirstText());
    return tables;
}

void ManagementWindow::runCheck(DataChecks::Check check)
{
    const QStringList tables = tablesOrHint();
    if (tables.isEmpty())
        return;
    runGuarded(m_services.messages, [&] {
        const QString report = DataChecks(m_db, m_services.programDir).run(check, tables);
        HistoryEntry line;
        line.kind = QStringLiteral("检查");
        line.detail = QStringLiteral("%1：%2 个表，%3 名学生")
                          .arg(DataChecks::caption(check))
                          .arg(tables.size())
                          .arg(ClassCount::pupilsIn(m_db, tables));
        History::recordReadOut(m_db, line);
        m_services.desktop.showReport(report);
    });
}

void ManagementWindow::Button1Click()
{
    QStringList items;
    for (int i = 0; i < m_ui->ListBox1->count(); ++i)
        items << m_ui->ListBox1->item(i)->text();
    const QString table = currentTable();
    const int focused = m_ui->ListBox1->currentRow();
    // Rendering takes a moment or two before the preview shows.
    const BusyCursor busy;
    runGuarded(m_services.messages, [&] { m_printing.preview(this, table, items, focused); });
}

void ManagementWindow::Button2Click()
{
    const QString table = currentTable();
    const QStringList items = selectedRecordItems();
    if (items.isEmpty()) {
        runGuarded(m_services.messages, [&] { m_printing.printEach(table, items); }); // the hint only
        return;
    }
    // The dialog lives inside the guard: a failure closes it before its message shows.
    runGuarded(m_services.messages, [&] {
        OperationProgress progress(this, QStringLiteral("正在打印……"), 0);
        m_printing.printEach(table, items, progress.callback());
    });
}

void ManagementWindow::Button3Click()
{
    const QString table = currentTable();
    const QStringList items = selectedRecordItems();
    if (items.isEmpty()) {
        runGuarded(m_services.messages, [&] { m_printing.exportStudents(table, items); }); // the hint only
        return;
    }
    runGuarded(m_services.messages, [&] {
        OperationProgress progress(this, QStringLiteral("正在导出……"), kShowExportProgressAfterMs);
        const QString written = m_printing.exportStudents(table, items, QString(), progress.callback());
        if (!written.isEmpty()) {
            HistoryEntry line;
            line.kind = QStringLiteral("导出");
            line.classTable = table;
            line.detail = QStringLiteral("%1 名学生导出到 %2").arg(items.size()).arg(QFileInfo(written).fileName());
            History::recordReadOut(m_db, line);
        }
    });
}

void ManagementWindow::Button5Click()
{
    const QStringList tables = selectedTables();
    const auto structure = exportNationalStructure() ? ExportTablesToSheets::Structure::Init1
                                                     : ExportTablesToSheets::Structure::Init2;
    PresentedTablesExport exporter(m_db, m_services);
    exporter.setReplaceConsent(askBeforeReplacing(m_services.messages, this, windowTitle()));
    if (tables.isEmpty()) {
        runGuarded(m_services.messages, [&] { exporter.run(tables, structure); }); // the hint only
        return;
    }
    runGuarded(m_services.messages, [&] {
        OperationProgress progress(this, QStringLiteral("正在导出……"), kShowExportProgressAfterMs);
        const QString written = exporter.run(tables, structure, QString(), progress.callback());
        if (!written.isEmpty()) {
            HistoryEntry line;
            line.kind = QStringLiteral("导出");
            line.classTable = tables.size() == 1 ? tables.front() : QString();
            line.detail = QStringLiteral("%1 个表（%2 名学生）导出到 %3")
                              .arg(tables.size())
                              .arg(ClassCount::pupilsIn(m_db, tables))
                              .arg(QFileInfo(written).fileName());
            History::recordReadOut(m_db, line);
        }
    });
}

void ManagementWindow::Button4Click()
{
    const QStringList tables = tablesOrHint();
    if (tables.isEmpty())
        return;
    const QString target = m_ui->Edit1->text();
    const QString refusal = TableMerge::refusal(target, tables);
    if (!refusal.isEmpty()) {
        m_services.messages.showMessage(refusal);
        return;
    }
    runGuarded(m_services.messages, [&] {
        // A table already under that name goes only when the teacher says so.
        bool replace = false;
        if (const auto rows = TableMerge::existingRows(m_db, target)) {
            if (m_services.messages.askBox(this, m_services.appTitle, TableMerge::replaceQuestion(target, *rows),
                                           Messages::Icon::Question, Messages::Buttons::YesNo)
                != Messages::Answer::Yes)
                return;
            replace = true;
        }
        const int count = TableMerge::mergeTables(m_db, tables, target, replace);
        refreshLists();
        m_services.messages.showMessage(TableMerge::resultMessage(count));
    });
}

void ManagementWindow::Button13Click()
{
    const QStringList tables = tablesOrHint();
    if (tables.isEmpty())
        return;
    runGuarded(m_services.messages, [&] {
        const qint64 count = RegionCodePadding::padRegionCodes(m_db, tables);
        m_services.messages.showMessage(RegionCodePadding::resultMessage(count));
    });
}

void ManagementWindow::showWebFormClasses()
{
    m_webFormTab->setClasses(TableLists::classTables(m_tables), m_classOfThisRun);
}

void ManagementWindow::setClassOfThisRun(const QString &table, const RegionTables *regions, const QDateTime &startup)
{
    m_classOfThisRun = table;
    m_findTab->setClassOfThisRun(table);
    m_regions = regions;
    m_startup = startup;
}

const RegionTables &ManagementWindow::regionTables()
{
    if (m_regions)
        return *m_regions;
    if (!m_ownRegions) {
        auto tables = std::make_unique<RegionTables>();
        tables->LoadRegionTables();
        m_ownRegions = std::move(tables);
    }
    return *m_ownRegions;
}

void ManagementWindow::Button15Click()
{
    runGuarded(m_services.messages, [&] {
        ImportDialog dialog(m_db, m_services, regionTables(),
                            m_startup.isValid() ? m_startup : m_services.clock.now(),
                            TableLists::classTables(m_tables), m_classOfThisRun,
                            this);
        dialog.exec();
        if (dialog.importedRows() > 0)
            refreshLists();
    });
}

QString ManagementWindow::currentTable() const
{
    return TableLists::listedName(m_tables, m_ui->cbTable->currentText());
}

QStringList ManagementWindow::selectedRecordItems() const
{
    QStringList items;
    for (int i = 0; i < m_ui->ListBox1->count(); ++i) {
        if (m_ui->ListBox1->item(i)->isSelected())
            items << m_ui->ListBox1->item(i)->text();
    }
    return items;
}

QString ManagementWindow::focusedRecordItem() const
{
    const QListWidgetItem *item = m_ui->ListBox1->currentItem();
    return item ? item->text() : QString();
}

QString ManagementWindow::ExtractRecordId(const QString &item)
{
    return RecordItem::idText(item);
}

QStringList ManagementWindow::selectedTables() const
{
    QStringList tables;
    for (int i = 0; i < m_ui->ListBox2->count(); ++i) {
        if (m_ui->ListBox2->item(i)->isSelected())
            tables << m_ui->ListBox2->item(i)->text();
    }
    return tables;
}

bool ManagementWindow::exportNationalStructure() const
{
    return m_ui->RadioButton1->isChecked();
}

QPushButton *ManagementWindow::previewButton() const { return m_ui->Button1; }
QPushButton *ManagementWindow::printButton() const { return m_ui->Button2; }
QPushButton *ManagementWindow::exportTemplateButton() const { return m_ui->Button3; }
QPushButton *ManagementWindow::exportTablesButton() const { return m_ui->Button5; }
QComboBox *ManagementWindow::tableBox() const { return m_ui->cbTable; }
QListWidget *ManagementWindow::recordList() const { return m_ui->ListBox1; }
QListWidget *ManagementWindow::tableList() const { return m_ui->ListBox2; }

void ManagementWindow::historyClick()
{
    runGuarded(m_services.messages, [this] {
        SchoolHistoryDialog dialog(m_db, m_services, m_tables, this);
        dialog.showLines();
        dialog.exec();
    });
}
