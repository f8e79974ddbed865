#include "backup_tab.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/keeping/history.h"
#include "platform/clock.h"
#include "platform/database_backup.h"
#include "platform/guard.h"
#include "platform/messages.h"
#include "platform/services.h"
#include "platform/sql_database.h"

BackupTab::BackupTab(Database &db, Services &services, QWidget *parent)
    : QWidget(parent), m_db(db), m_services(services), m_where(new QLabel(this)), m_table(new QTableWidget(0, 4, this)),
      m_backup(new QPushButton(QStringLiteral("立即备份"), this)),
      m_restore(new QPushButton(QStringLiteral("恢复所选备份…"), this)),
      m_backupToFile(new QPushButton(QStringLiteral("备份到…"), this)),
      m_restoreFile(new QPushButton(QStringLiteral("从文件恢复…"), this)), m_asks(realAsks())
{
    m_where->setWordWrap(true);
    m_where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_table->setObjectName(QStringLiteral("tblBackups"));
    m_table->setAccessibleName(QStringLiteral("备份"));
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("日期"), QStringLiteral("大小"), QStringLiteral("班级"), QStringLiteral("学生")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_backup->setObjectName(QStringLiteral("btnBackupNow"));
    m_backup->setAccessibleName(m_backup->text());
    m_restore->setObjectName(QStringLiteral("btnRestoreBackup"));
    m_restore->setAccessibleName(QStringLiteral("恢复所选备份"));
    m_backupToFile->setObjectName(QStringLiteral("btnBackupToFile"));
    m_backupToFile->setAccessibleName(QStringLiteral("备份到文件"));
    m_backupToFile->setToolTip(QStringLiteral("备份到 U 盘或别的文件夹；带出学校的备份请加密"));
    m_restoreFile->setObjectName(QStringLiteral("btnRestoreFile"));
    m_restoreFile->setAccessibleName(QStringLiteral("从文件恢复"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_backup);
    buttons->addWidget(m_backupToFile);
    buttons->addStretch();
    buttons->addWidget(m_restoreFile);
    buttons->addWidget(m_restore);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_where);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);

    const bool local = !m_db.filePath().isEmpty();
    m_backup->setEnabled(local);
    m_restore->setEnabled(local);
    m_backupToFile->setEnabled(local);
    m_restoreFile->setEnabled(local);
    m_where->setText(local ? QStringLiteral("备份文件夹：") + QDir::toNativeSeparators(DatabaseBackup::folderFor(m_db.filePath()))
                           : QStringLiteral("数据库在服务器上：备份和恢复由服务器的管理员负责。"));
    connect(m_backup, &QPushButton::clicked, this, &BackupTab::backupNow);
    connect(m_restore, &QPushButton::clicked, this, &BackupTab::restoreChosen);
    connect(m_backupToFile, &QPushButton::clicked, this, &BackupTab::backupToFile);
    connect(m_restoreFile, &QPushButton::clicked, this, &BackupTab::restoreFromFile);
}

void BackupTab::showBackups()
{
    if (m_db.filePath().isEmpty())
        return;
    m_entries = BackupList::read(m_db.filePath());
    m_table->setRowCount(0);
    for (const BackupList::Entry &entry : std::as_const(m_entries)) {
        const int row = m_table->rowCount();
        m_table->insertRow(row);
        const bool readable = entry.classes >= 0;
        const QStringList cells{entry.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), BackupList::sizeText(entry.size),
                                readable ? QString::number(entry.classes) : QStringLiteral("无法读取"),
                                readable ? QString::number(entry.pupils) : entry.problem.section(QLatin1Char('\n'), 0, 0)};
        for (int column = 0; column < cells.size(); ++column) {
            auto *item = new QTableWidgetItem(cells.at(column));
            item->setToolTip(QDir::toNativeSeparators(entry.path));
            m_table->setItem(row, column, item);
        }
    }
    m_table->resizeColumnsToContents();
}

void BackupTab::backupNow()
{
    runGuarded(m_services.messages, [&] {
        auto *file = dynamic_cast<SqlDatabase *>(&m_db);
        if (!file)
            return;
        const QString path = DatabaseBackup::intoFolder(*file, m_services.clock.now());
        HistoryEntry line;
        line.kind = QStringLiteral("备份");
        line.detail = QStringLiteral("备份到 %1（%2）")
                          .arg(QFileInfo(path).fileName(), BackupList::historyText(BackupList::contentsOf(path), false));
        History::recordReadOut(m_db, line);
        showBackups();
        m_services.messages.showMessage(QStringLiteral("已备份到 %1").arg(QDir::toNativeSeparators(path)));
    });
}

void BackupTab::restoreChosen()
{
    const int row = m_table->currentRow();
    if (row < 0 || row >= m_entries.size()) {
        m_services.messages.showMessage(QStringLiteral("请先在列表中选择要恢复的备份。"));
        return;
    }
    const BackupList::Entry entry = m_entries.at(row);
    restoreCopy(entry.path, QStringLiteral("%1 的备份").arg(entry.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))),
                entry.path, entry.classes, entry.pupils, false);
}

void BackupTab::restoreCopy(const QString &source, const QString &described, const QString &origin, qint64 classes,
                            qint64 pupils, bool encrypted)
{
    const QString question =
        QStringLiteral("用 %1（%2 个班级，%3 名学生）替换现在数据库中的全部数据？\n"
                       "现在的数据先另存为一个新的备份；其它电脑或程序正在使用数据库时不会恢复。")
            .arg(described)
            .arg(classes)
            .arg(pupils);
    if (m_services.messages.askBox(this, window()->windowTitle(), question, Messages::Icon::Warning,
                                   Messages::Buttons::YesNo)
        != Messages::Answer::Yes)
        return;
    runGuarded(m_services.messages, [&] {
        auto *file = dynamic_cast<SqlDatabase *>(&m_db);
        if (!file)
            return;
        const QString saved = file->restoreFrom(source, m_services.clock.now());
        // The restored file's own history says when it came back, from where and what it held.
        BackupList::Entry held;
        held.classes = int(classes);
        held.pupils = pupils;
        HistoryEntry line;
        line.kind = QStringLiteral("还原");
        line.detail = QStringLiteral("从 %1 还原（%2）").arg(QFileInfo(origin).fileName(), BackupList::historyText(held, encrypted));
        if (!saved.isEmpty())
            line.detail += QStringLiteral("；原来的文件已备份为 %1").arg(QFileInfo(saved).fileName());
        History::recordReadOut(m_db, line);
        emit restored();
        showBackups();
        QString text = QStringLiteral("已恢复 %1。").arg(described);
        if (!saved.isEmpty())
            text += QStringLiteral("恢复前的数据已备份为 %1").arg(QDir::toNativeSeparators(saved));
        m_services.messages.showMessage(text);
    });
}
