#include "import_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/record/record_columns.h"
#include "platform/busy_cursor.h"
#include "platform/database.h"
#include "platform/guard.h"
#include "platform/messages.h"
#include "platform/output_target.h"
#include "platform/services.h"

ImportDialog::ImportDialog(Database &db, Services &services, const RegionTables &regions, QDateTime now,
                           const QStringList &tables, const QString &preselected, QWidget *parent)
    : QDialog(parent), m_db(db), m_services(services), m_import(db, regions, std::move(now))
{
    setObjectName(QStringLiteral("ImportDialog"));
    setWindowTitle(QStringLiteral("导入学生名单"));
    resize(640, 460);

    m_chooseFile = [this] {
        return QFileDialog::getOpenFileName(this, QStringLiteral("选择要导入的表格"), QString(),
                                            QStringLiteral("表格 (*.xlsx *.xls *.ods *.csv);;所有文件 (*)"));
    };
    m_chooseReportPath = [this] {
        const QString suggested = QFileInfo(m_file->text()).absolutePath() + QStringLiteral("/问题.xlsx");
        // The program asks itself before replacing (and refuses the database and the template).
        return QFileDialog::getSaveFileName(this, QStringLiteral("保存问题报告"), suggested,
                                            QStringLiteral("Excel 工作簿 (*.xlsx)"), nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    };

    // A path may be typed or pasted as well as chosen; it is read when the line is left or Enter pressed.
    m_file = new QLineEdit(this);
    m_file->setObjectName(QStringLiteral("edtFile"));
    m_file->setAccessibleName(QStringLiteral("要导入的文件"));
    m_file->setPlaceholderText(QStringLiteral("选择文件，或输入、粘贴文件的路径"));
    auto *browse = new QPushButton(QStringLiteral("选择文件…"), this);
    browse->setObjectName(QStringLiteral("btnChooseFile"));
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(browse);

    m_sheet = new QLineEdit(this);
    m_sheet->setPlaceholderText(QStringLiteral("空着为第一个工作表"));
    m_sheet->setAccessibleName(QStringLiteral("工作表"));

    // Editable: a class not opened yet (初一03) may be written; it is made on import, after asking.
    m_table = new QComboBox(this);
    m_table->setEditable(true);
    m_table->setInsertPolicy(QComboBox::NoInsert);
    m_table->addItems(tables);
    m_table->setCurrentIndex(std::max(0, int(tables.indexOf(preselected))));
    m_table->lineEdit()->setPlaceholderText(QStringLiteral("已有的班级表，或新班级如 初一03"));
    m_table->setAccessibleName(QStringLiteral("导入到班级表"));

    m_skip = new QRadioButton(QStringLiteral("跳过"), this);
    m_add = new QRadioButton(QStringLiteral("照样导入"), this);
    m_skip->setChecked(true);
    auto *group = new QButtonGroup(this);
    group->addButton(m_skip);
    group->addButton(m_add);
    auto *duplicateRow = new QHBoxLayout;
    duplicateRow->addWidget(m_skip);
    duplicateRow->addWidget(m_add);
    duplicateRow->addStretch();

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("文件："), fileRow);
    form->addRow(QStringLiteral("工作表："), m_sheet);
    form->addRow(QStringLiteral("导入到班级表："), m_table);
    form->addRow(QStringLiteral("重复的学生："), duplicateRow);

    m_counts = new QLabel(QStringLiteral("请选择要导入的文件。"), this);
    m_counts->setObjectName(QStringLiteral("lblCounts"));
    m_headings = new QLabel(this);
    m_headings->setObjectName(QStringLiteral("lblHeadings"));
    m_headings->setWordWrap(true);
    m_headings->hide(); // shown only when the file has headings that are not imported
    m_leftOut = new QTableWidget(0, 3, this);
    m_leftOut->setObjectName(QStringLiteral("tblLeftOut"));
    m_leftOut->setAccessibleName(QStringLiteral("不导入或要留意的行"));
    m_leftOut->setHorizontalHeaderLabels({QStringLiteral("行"), QStringLiteral("姓名"), QStringLiteral("原因或提示")});
    m_leftOut->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_leftOut->verticalHeader()->hide();
    m_leftOut->horizontalHeader()->setStretchLastSection(true);
    m_leftOut->setWordWrap(true);

    m_saveReport = new QPushButton(QStringLiteral("保存问题报告…"), this);
    m_saveReport->setObjectName(QStringLiteral("btnSaveReport"));
    m_confirm = new QPushButton(QStringLiteral("导入"), this);
    m_confirm->setObjectName(QStringLiteral("btnImport"));
    auto *cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    for (QPushButton *b : {browse, m_saveReport, m_confirm, cancel})
        b->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_saveReport);
    buttons->addStretch();
    buttons->addWidget(m_confirm);
    buttons->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_counts);
    layout->addWidget(m_headings);
    layout->addWidget(m_leftOut, 1);
    layout->addLayout(buttons);
    showPlan();

    connect(browse, &QPushButton::clicked, this, &ImportDialog::pickFile);
    connect(m_sheet, &QLineEdit::editingFinished, this, [this] {
        // Another sheet named, or a file that could not be read with the last name.
        const QString sheet = m_sheet->text().trimmed();
        if (!m_file->text().isEmpty() && (!m_plan || (!sheet.isEmpty() && sheet != m_plan->sheetName)))
            preview();
    });
    connect(m_file, &QLineEdit::editingFinished, this, [this] {
        // Only a path other than the one read: leaving the line unchanged reads nothing again.
        if (m_file->text().trimmed() == m_readFile)
            return;
        m_sheet->clear();
        preview();
    });
    connect(m_table, &QComboBox::currentIndexChanged, this, &ImportDialog::preview);
    connect(m_table->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        if (m_table->currentText().trimmed() != m_readTable)
            preview();
    });
    connect(m_skip, &QRadioButton::toggled, this, &ImportDialog::preview);
    connect(m_saveReport, &QPushButton::clicked, this, &ImportDialog::saveReport);
    connect(m_confirm, &QPushButton::clicked, this, &ImportDialog::confirmImport);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

ImportDialog::~ImportDialog() = default;

ImportDuplicates ImportDialog::duplicates() const
{
    return m_add->isChecked() ? ImportDuplicates::Add : ImportDuplicates::Skip;
}

void ImportDialog::pickFile()
{
    const QString path = m_chooseFile();
    if (path.isEmpty())
        return;
    m_file->setText(QDir::toNativeSeparators(path));
    m_sheet->clear();
    preview();
}

void ImportDialog::preview()
{
    m_plan.reset();
    m_readFile = m_file->text().trimmed();
    m_readTable = m_table->currentText().trimmed();
    const QString file = QDir::fromNativeSeparators(m_readFile);
    if (!file.isEmpty()) {
        const BusyCursor busy;
        runGuarded(m_services.messages, [&] {
            m_plan = m_import.prepare(file, m_sheet->text().trimmed(), m_readTable, duplicates());
        });
    }
    showPlan();
}

void ImportDialog::showPlan()
{
    m_leftOut->setRowCount(0);
    const bool ready = m_plan.has_value();
    m_saveReport->setEnabled(ready && !m_plan->leftOut().isEmpty());
    m_confirm->setEnabled(ready && m_plan->importCount() > 0);
    if (!ready) {
        m_counts->setText(m_file->text().isEmpty() ? QStringLiteral("请选择要导入的文件。")
                                                   : QStringLiteral("文件未能读取，请检查后重新选择。"));
        m_headings->hide();
        return;
    }
    const ImportPlan &plan = *m_plan;
    m_counts->setText(QStringLiteral("可导入 %1 行，有问题 %2 行，重复 %3 行%4。%5")
                          .arg(plan.importCount())
                          .arg(plan.problemCount())
                          .arg(plan.duplicateCount())
                          .arg(plan.duplicates == ImportDuplicates::Add && plan.duplicateCount() > 0
                                   ? QStringLiteral("（重复的照样导入）")
                                   : QString(),
                               plan.newTable ? QStringLiteral("班级表 %1 还不存在，导入时新建。").arg(plan.table)
                                             : QString()));
    m_confirm->setText(QStringLiteral("导入 %1 行").arg(plan.importCount()));
    if (!plan.sheetName.isEmpty() && m_sheet->text().trimmed().isEmpty())
        m_sheet->setPlaceholderText(plan.sheetName);
    m_headings->setText(plan.unknownHeadings.isEmpty()
                            ? QString()
                            : QStringLiteral("未识别的列（不导入）：") + plan.unknownHeadings.join(QStringLiteral("、")));
    m_headings->setVisible(!plan.unknownHeadings.isEmpty());

    const int nameColumn = int(plan.headings.indexOf(QStringLiteral("姓名")));
    // Rows left out show their cells; a row imported with a note shows its stored name.
    const QList<ImportRow> rows = plan.noted();
    m_leftOut->setRowCount(int(rows.size()));
    for (int i = 0; i < rows.size(); ++i) {
        const ImportRow &row = rows.at(i);
        m_leftOut->setItem(i, 0, new QTableWidgetItem(QString::number(row.sourceRow)));
        const QString name = row.status == ImportRow::Status::Accepted ? row.values().value(RecordColumns::Name)
                             : nameColumn >= 0                         ? row.cells().value(nameColumn)
                                                                       : QString();
        m_leftOut->setItem(i, 1, new QTableWidgetItem(name));
        QString reason = row.reasonText();
        if (row.status == ImportRow::Status::Accepted && !row.note.isEmpty())
            reason = row.note;
        else if (row.status == ImportRow::Status::Accepted)
            reason = QStringLiteral("重复，照样导入：") + reason;
        m_leftOut->setItem(i, 2, new QTableWidgetItem(reason));
    }
    m_leftOut->resizeColumnToContents(0);
    m_leftOut->resizeColumnToContents(1);
    m_leftOut->resizeRowsToContents();
}

void ImportDialog::saveReport()
{
    if (!m_plan)
        return;
    const QString path = m_chooseReportPath();
    if (path.isEmpty())
        return;
    runGuarded(m_services.messages, [&] {
        const auto existing = OutputTarget(m_db.filePath(), m_services.programDir)
                                  .admit(path, OutputTarget::Kind::Workbook,
                                         askBeforeReplacing(m_services.messages, this, windowTitle()));
        if (!existing)
            return;
        ClassImport::writeReport(*m_plan, path, *existing);
        m_services.messages.showMessage(QStringLiteral("问题报告已保存：%1").arg(QDir::toNativeSeparators(path)));
    });
}

void ImportDialog::confirmImport()
{
    if (!m_plan || m_plan->importCount() == 0)
        return;
    if (m_plan->newTable) {
        if (m_services.messages.askBox(this, windowTitle(),
                                       QStringLiteral("班级表 %1 还不存在，是否新建？\n新建后导入 %2 个学生。")
                                           .arg(m_plan->table)
                                           .arg(m_plan->importCount()),
                                       Messages::Icon::Question, Messages::Buttons::YesNo)
            != Messages::Answer::Yes)
            return;
        m_plan->createTable = true;
    }
    ImportResult result;
    const bool done = runGuarded(m_services.messages, [&] {
        const BusyCursor busy;
        result = m_import.commit(*m_plan);
    });
    if (!done)
        return;
    m_imported = result.imported;
    QString message = QStringLiteral("已向 %1 导入 %2 个学生。").arg(m_plan->table).arg(m_imported);
    if (!result.skippedRows.isEmpty())
        message += QLatin1Char('\n') + result.skippedText();
    m_services.messages.showMessage(message);
    accept();
}
