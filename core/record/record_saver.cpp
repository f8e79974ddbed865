#include "record_saver.h"

#include <utility>

#include <QFileInfo>

#include "core/keeping/history.h"
#include "core/record/entry_rules.h"
#include "core/record/record_columns.h"
#include "core/record/save_statements.h"
#include "platform/database.h"
#include "platform/inserted_key.h"
#include "platform/output_target.h"
#include "platform/text_file.h"
#include "platform/transaction.h"

RecordSaver::RecordSaver(Database &db, QString classTable, QString debugFilePath, QString classLabel)
    : m_db(db),
      m_classTable(std::move(classTable)),
      m_debugFilePath(std::move(debugFilePath)),
      m_classLabel(classLabel.isEmpty() ? m_classTable.text() : std::move(classLabel))
{
}

bool RecordSaver::saveRecord(qint64 id, const QStringList &values, const QString &typedName,
                             const QString &typedCardNo, const ConfirmDuplicate &confirmDuplicate)
{
    if (id != 0)
        return updateRecord(id, values);
    return insertRecord(values, typedName, typedCardNo, confirmDuplicate);
}

bool RecordSaver::insertRecord(const QStringList &values, const QString &typedName, const QString &typedCardNo,
                               const ConfirmDuplicate &confirmDuplicate)
{
    // Build first: a malformed value list fails before anything is asked or run.
    const SqlStatement statement = SaveStatements::insertStatement(m_classTable, m_db.engine(), values);
    const QueryResult found = m_db.query(SaveStatements::duplicateQuery(
        m_classTable, m_db.engine(), EntryRules::trimControls(typedName), EntryRules::trimControls(typedCardNo)));
    if (!found.isEmpty()) {
        if (!confirmDuplicate || !confirmDuplicate(duplicateMessage(m_classLabel, typedName)))
            return false;
    }
    ensureDebugFileAllowed();
    History::prepare(m_db);
    Transaction transaction(m_db);
    if (!writeAndExecute(statement))
        return false;
    HistoryEntry line;
    line.kind = QStringLiteral("新增");
    line.classTable = m_classTable.text();
    line.pupilId = lastInsertedKey(m_db);
    line.pupilName = values.value(RecordColumns::Name);
    writeHistory(line.pupilId, line.pupilName, {line});
    transaction.commit();
    return true;
}

bool RecordSaver::updateRecord(qint64 id, const QStringList &values)
{
    const SqlStatement statement = SaveStatements::updateStatement(m_classTable, m_db.engine(), values, id);
    ensureDebugFileAllowed();
    History::prepare(m_db);
    Transaction transaction(m_db);
    // Read under the lock, so the old values are those this update replaces
    // even when another workstation saves the same pupil at the same moment.
    lockAgainstWriters(m_db, m_classTable);
    const QStringList &names = RecordColumns::dataColumns();
    const QueryResult stored = m_db.query(SqlStatement(
        QStringLiteral("select %1 from %2 where id = ?").arg(names.join(QStringLiteral(", ")), m_classTable.sql(m_db.engine())),
        {id}));
    QList<HistoryEntry> lines;
    for (int i = 0; !stored.isEmpty() && i < names.size(); ++i) {
        // 班号 keeps the value the record was inserted with.
        if (i == RecordColumns::ClassCode || stored.text(0, i) == values.at(i))
            continue;
        HistoryEntry line;
        line.kind = QStringLiteral("修改");
        line.classTable = m_classTable.text();
        line.pupilId = id;
        line.pupilName = values.value(RecordColumns::Name);
        line.field = names.at(i);
        line.oldValue = stored.text(0, i);
        line.newValue = values.at(i);
        lines << line;
    }
    if (!writeAndExecute(statement))
        return false;
    writeHistory(id, values.value(RecordColumns::Name), lines);
    transaction.commit();
    return true;
}

void RecordSaver::writeHistory(qint64 pupilId, const QString &pupilName, const QList<HistoryEntry> &lines)
{
    if (m_actHead) {
        HistoryEntry head = *m_actHead;
        head.classTable = m_classTable.text();
        head.pupilId = pupilId;
        head.pupilName = pupilName;
        History::writeAct(m_db, head, lines);
    } else {
        History::write(m_db, lines);
    }
    if (m_along)
        m_along(pupilId);
}

void RecordSaver::ensureDebugFileAllowed() const
{
    // Never onto the database or the template lying in the same folder; asked
    // before anything (the history table included) is touched.
    OutputTarget(m_db.filePath(), QFileInfo(m_debugFilePath).absolutePath())
        .ensureAllowed(m_debugFilePath, OutputTarget::Kind::Text);
}

bool RecordSaver::writeAndExecute(const SqlStatement &statement)
{
    // Written before it runs, so a statement the database rejects can be read there.
    ensureDebugFileAllowed();
    TextFile::writeGb18030(m_debugFilePath, statement.logText());
    return m_db.execute(statement) > 0;
}

QString RecordSaver::duplicateMessage(const QString &classLabel, const QString &typedName)
{
    return QStringLiteral("检测到班级 ") + classLabel + QStringLiteral(" 已存在名字为 ") + typedName
        + QStringLiteral(" 的同学，不能添加同样的记录。请咨询管理员如何编辑数据。");
}

QString RecordSaver::savedHint(const QString &typedName)
{
    return typedName + QStringLiteral(" 的学籍数据已成功保存");
}

QString RecordSaver::saveFailedMessage()
{
    return QStringLiteral("数据保存失败。");
}
