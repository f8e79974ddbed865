#include "school_history_dialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/keeping/history_workbook.h"
#include "core/operations/print_files.h"
#include "entry/history_dialog.h"
#include "platform/database.h"
#include "platform/desktop.h"
#include "platform/guard.h"
#include "platform/messages.h"
#include "platform/services.h"

SchoolHistoryDialog::SchoolHistoryDialog(Database &db, Services &services, const QStringList &classTables,
                                         QWidget *parent)
    : QDialog(parent),
      m_db(db),
      m_services(services),
      m_class(new QComboBox(this)),
      m_kind(new QComboBox(this)),
      m_from(new QDateEdit(this)),
      m_to(new QDateEdit(this)),
      m_count(new QLabel(this)),
      m_table(new QTableWidget(this)),
      m_export(new QPushButton(QStringLiteral("导出"), this))
{
    setWindowTitle(QStringLiteral("修改记录"));
    m_class->addItem(QStringLiteral("全部班级"));
    m_class->addItems(classTables);
    m_class->setAccessibleName(QStringLiteral("班级"));
    m_kind->addItem(QStringLiteral("全部"));
    m_kind->addItems(kinds());
    m_kind->setAccessibleName(QStringLiteral("操作"));
    // The lines carry the database's time: the range is of its days.
    const QDate today = m_db.currentDateTime().date();
    for (QDateEdit *box : {m_from, m_to}) {
        box->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        box->setCalendarPopup(true);
    }
    m_from->setDate(today.addMonths(-1));
    m_from->setAccessibleName(QStringLiteral("从"));
    m_to->setDate(today);
    m_to->setAccessibleName(QStringLiteral("到"));
    auto *show = new QPushButton(QStringLiteral("查询"), this);
    m_export->setAccessibleName(QStringLiteral("导出修改记录"));

    auto *filters = new QHBoxLayout;
    filters->addWidget(new QLabel(QStringLiteral("班级："), this));
    filters->addWidget(m_class);
    filters->addWidget(new QLabel(QStringLiteral("从"), this));
    filters->addWidget(m_from);
    filters->addWidget(new QLabel(QStringLiteral("到"), this));
    filters->addWidget(m_to);
    filters->addWidget(new QLabel(QStringLiteral("操作："), this));
    filters->addWidget(m_kind);
    filters->addWidget(show);
    filters->addWidget(m_export);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_count);
    layout->addWidget(m_table);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(show, &QPushButton::clicked, this, [this] { runGuarded(m_services.messages, [this] { showLines(); }); });
    connect(m_export, &QPushButton::clicked, this, [this] { runGuarded(m_services.messages, [this] { exportLines(); }); });
    resize(960, 480);
}

const QStringList &SchoolHistoryDialog::kinds()
{
    static const QStringList list = {
        QStringLiteral("新增"), QStringLiteral("修改"), QStringLiteral("导入"),     QStringLiteral("撤销导入"),
        QStringLiteral("移出"), QStringLiteral("恢复"), QStringLiteral("转班"),     QStringLiteral("删除"),
        QStringLiteral("合并"), QStringLiteral("补齐"), QStringLiteral("还原"),     QStringLiteral("打印"),
        QStringLiteral("导出"), QStringLiteral("检查"), QStringLiteral("备份")};
    return list;
}

HistoryFilter SchoolHistoryDialog::filter() const
{
    HistoryFilter f;
    if (m_class->currentIndex() > 0)
        f.classTable = m_class->currentText();
    if (m_kind->currentIndex() > 0)
        f.kind = m_kind->currentText();
    f.since = m_from->date();
    f.until = m_to->date();
    return f;
}

void SchoolHistoryDialog::showLines()
{
    m_lines = History::read(m_db, filter());
    HistoryDialog::fill(m_table, m_lines);
    m_count->setText(QStringLiteral("共 %1 条修改记录。").arg(m_lines.size()));
    m_export->setEnabled(!m_lines.isEmpty());
}

QString SchoolHistoryDialog::exportLines()
{
    const QString path = PrintFiles::newOutputPath(m_services, QStringLiteral("修改记录"));
    HistoryWorkbook::write(m_lines, path);
    if (!m_services.desktop.openFile(path))
        m_services.messages.showMessage(QStringLiteral("修改记录已导出到 %1").arg(QDir::toNativeSeparators(path)));
    return path;
}
