#include "submission_queue.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "core/keeping/history.h"
#include "core/keeping/program_tables.h"
#include "core/record/record_columns.h"
#include "core/record/record_saver.h"
#include "core/webform/submission_receipt.h"
#include "platform/app_error.h"
#include "platform/database.h"
#include "platform/table_name.h"

namespace SubmissionQueue {

namespace {

using namespace RecordColumns;

const QString kColumns = QStringLiteral("id, received_at, submitter, state, note, reviewed_by, reviewed_at, "
                                        "record_values, pupil_id");

QString timeText(Database &db)
{
    return db.currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// A submission another reviewer took between the look and the save.
class AlreadyReviewed : public AppError
{
public:
    using AppError::AppError;
};

State stateOf(const QString &text)
{
    if (text == stateText(State::Accepted))
        return State::Accepted;
    if (text == stateText(State::Returned))
        return State::Returned;
    return State::Waiting;
}

// The values as a JSON object by column name: a later column added to the
// record reads as empty in an older submission instead of shifting the rest.
QString valuesText(const QStringList &values)
{
    QJsonObject object;
    for (int i = 0; i < Count; ++i)
        object.insert(dataColumns().at(i), values.at(i));
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QStringList valuesOf(const QString &text)
{
    const QJsonObject object = QJsonDocument::fromJson(text.toUtf8()).object();
    QStringList values;
    for (const QString &name : dataColumns())
        values << object.value(name).toString();
    return values;
}

struct Stored
{
    qint64 id = 0;
    QStringList values;
};

// The class's first pupil with this ID number (as the record rules store it:
// an x is X), or none.
std::optional<Stored> pupilWithCardNo(Database &db, const QString &classTable, const QString &cardNo)
{
    if (cardNo.isEmpty())
        return std::nullopt;
    const QueryResult rows = db.query(SqlStatement(
        QStringLiteral("select id, %1 from %2 where upper(身份证件号) = ? order by id")
            .arg(dataColumns().join(QStringLiteral(", ")), TableName(classTable).sql(db.engine())),
        {cardNo.toUpper()}));
    if (rows.isEmpty())
        return std::nullopt;
    Stored stored{rows.text(0, 0).toLongLong(), {}};
    for (int i = 0; i < Count; ++i)
        stored.values << rows.text(0, i + 1);
    return stored;
}

// What accepting writes over a pupil already in the class: the submitted
// values, but the fields the school decides keep a value the pupil has.
QStringList valuesOver(const QStringList &submitted, const QStringList &stored)
{
    QStringList out = submitted;
    for (const Index column : {EntryYearMonth, Zizhu, Yibu, ClassCode}) {
        if (!stored.at(column).isEmpty())
            out[column] = stored.at(column);
    }
    return out;
}

QList<Difference> differences(const QStringList &stored, const QStringList &written)
{
    QList<Difference> out;
    for (int i = 0; i < Count; ++i) {
        if (i != ClassCode && stored.at(i) != written.at(i))
            out << Difference{dataColumns().at(i), stored.at(i), written.at(i)};
    }
    return out;
}

ForReview reviewOf(const QueryResult &rows, int r)
{
    ForReview s;
    s.id = rows.text(r, 0).toLongLong();
    s.receivedAt = rows.text(r, 1);
    s.submitter = rows.text(r, 2);
    s.state = stateOf(rows.text(r, 3));
    s.note = rows.text(r, 4);
    s.reviewedBy = rows.text(r, 5);
    s.reviewedAt = rows.text(r, 6);
    s.values = valuesOf(rows.text(r, 7));
    s.pupilId = rows.text(r, 8).toLongLong();
    return s;
}

std::optional<ForReview> waiting(Database &db, const QString &classTable, qint64 id)
{
    const QueryResult rows = db.query(SqlStatement(
        QStringLiteral("select %1 from %2 where id = ? and class_table = ? and state = ?").arg(kColumns, table),
        {id, classTable, stateText(State::Waiting)}));
    if (rows.isEmpty())
        return std::nullopt;
    return reviewOf(rows, 0);
}

Outcome notWaiting(qint64 id)
{
    return Outcome{id, false, 0, false, QStringLiteral("没有待审核的提交 %1（编号不对，或已审核过）").arg(id)};
}

Outcome acceptOne(Database &db, const QString &classTable, qint64 id, const QString &who, const QString &debugFilePath)
{
    const std::optional<ForReview> submission = waiting(db, classTable, id);
    if (!submission)
        return notWaiting(id);
    const std::optional<Stored> match = pupilWithCardNo(db, classTable, submission->cardNo());

    RecordSaver saver(db, classTable, debugFilePath);
    HistoryEntry head;
    head.kind = QStringLiteral("网上填报");
    head.detail = QStringLiteral("接受网上提交 %1（%2 来自 %3），审核人 %4")
                      .arg(QString::number(id), submission->receivedAt, submission->submitter, who);
    saver.setActHead(head);
    const QString reviewedAt = timeText(db);
    qint64 savedPupil = 0;
    saver.setAlongWithSave([&](qint64 pupilId) {
        savedPupil = pupilId;
        // Only a submission still waiting: a second reviewer at the same
        // moment finds it taken, and this save is undone with the throw.
        const qint64 marked = db.execute(SqlStatement(
            QStringLiteral("update %1 set state = ?, reviewed_by = ?, reviewed_at = ?, pupil_id = ? "
                           "where id = ? and state = ?").arg(table),
            {stateText(State::Accepted), who, reviewedAt, pupilId, id, stateText(State::Waiting)}));
        if (marked != 1)
            throw AlreadyReviewed(QStringLiteral("提交 %1 已由别人审核过，没有再写入。").arg(id));
    });

    Outcome outcome{id, false, 0, bool(match), QString()};
    try {
        // The form's question about a pupil of the same name is answered no:
        // the teacher compares the two in the entry form.
        outcome.done = match ? saver.updateRecord(match->id, valuesOver(submission->values, match->values))
                             : saver.insertRecord(submission->values, submission->name(), submission->cardNo(),
                                                  [](const QString &) { return false; });
    } catch (const AlreadyReviewed &e) {
        outcome.text = e.text();
        return outcome;
    }
    outcome.pupilId = savedPupil;
    if (outcome.done)
        outcome.text = outcome.updated
                           ? QStringLiteral("提交 %1 已接受：补全了 %2 中的学生 %3（编号 %4）")
                                 .arg(QString::number(id), classTable, submission->name(), QString::number(outcome.pupilId))
                           : QStringLiteral("提交 %1 已接受：%2 加入 %3").arg(QString::number(id), submission->name(), classTable);
    else
        outcome.text = match ? QStringLiteral("提交 %1 没有接受：%2 中编号 %3 的学生已不在。")
                                   .arg(QString::number(id), classTable, QString::number(match->id))
                             : QStringLiteral("提交 %1 没有接受：%2 中已有名为 %3 的学生，请在录入窗口中核对后录入。")
                                   .arg(QString::number(id), classTable, submission->name());
    return outcome;
}

} // namespace

QString stateText(State state)
{
    switch (state) {
    case State::Waiting:
        return QStringLiteral("待审核");
    case State::Accepted:
        return QStringLiteral("已接受");
    case State::Returned:
        return QStringLiteral("已退回");
    }
    return QString();
}

void prepare(Database &db)
{
    using Kind = ProgramTables::Column::Kind;
    ProgramTables::ensure(db, table,
                          {{QStringLiteral("id"), Kind::Key},
                           {QStringLiteral("class_table"), Kind::Text},
                           {QStringLiteral("received_at"), Kind::Text},
                           {QStringLiteral("submitter"), Kind::Text},
                           {QStringLiteral("receipt_hash"), Kind::Text},
                           {QStringLiteral("state"), Kind::Text},
                           {QStringLiteral("note"), Kind::LongText},
                           {QStringLiteral("reviewed_by"), Kind::Text},
                           {QStringLiteral("reviewed_at"), Kind::Text},
                           {QStringLiteral("record_values"), Kind::LongText},
                           {QStringLiteral("pupil_id"), Kind::Integer}});
    History::prepare(db);
}

QString submit(Database &db, const QString &classTable, const QStringList &values, const QString &submitter)
{
    if (values.size() != Count)
        throw AppError(QStringLiteral("网上提交的记录有 %1 项，应为 %2 项，没有放入待审核。").arg(values.size()).arg(int(Count)));
    prepare(db);
    const QString receipt = SubmissionReceipt::make();
    // One statement: the engine makes it a transaction of its own.
    db.execute(SqlStatement(QStringLiteral("insert into %1 (class_table, received_at, submitter, receipt_hash, state, "
                                           "note, reviewed_by, reviewed_at, record_values, pupil_id) "
                                           "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)").arg(table),
                            {classTable, timeText(db), submitter, SubmissionReceipt::hashOf(receipt),
                             stateText(State::Waiting), QString(), QString(), QString(), valuesText(values), 0}));
    return receipt;
}

int count(Database &db, const QString &classTable, State state)
{
    if (!tableExists(db, table))
        return 0;
    return db.query(SqlStatement(QStringLiteral("select count(*) from %1 where class_table = ? and state = ?").arg(table),
                                 {classTable, stateText(state)}))
        .text(0, 0)
        .toInt();
}

std::optional<OwnView> byReceipt(Database &db, const QString &classTable, const QString &receipt)
{
    if (!SubmissionReceipt::looksLikeReceipt(receipt) || !tableExists(db, table))
        return std::nullopt;
    const QueryResult rows = db.query(SqlStatement(
        QStringLiteral("select received_at, state, note, record_values from %1 where receipt_hash = ? and class_table = ?")
            .arg(table),
        {SubmissionReceipt::hashOf(receipt), classTable}));
    if (rows.isEmpty())
        return std::nullopt;
    OwnView view{rows.text(0, 0), stateOf(rows.text(0, 1)), rows.text(0, 2), {}};
    if (view.state == State::Waiting)
        view.values = valuesOf(rows.text(0, 3));
    return view;
}

QString ForReview::name() const
{
    return values.value(Name);
}

QString ForReview::cardNo() const
{
    return values.value(CardNo);
}

QList<ForReview> list(Database &db, const QString &classTable)
{
    if (!tableExists(db, table))
        return {};
    const QueryResult rows = db.query(SqlStatement(
        QStringLiteral("select %1 from %2 where class_table = ? order by id").arg(kColumns, table), {classTable}));
    QList<ForReview> out;
    for (int r = 0; r < rows.rowCount(); ++r) {
        ForReview s = reviewOf(rows, r);
        if (const std::optional<Stored> match = pupilWithCardNo(db, classTable, s.cardNo())) {
            s.matchedPupilId = match->id;
            s.matchedName = match->values.at(Name);
            s.matchedValues = match->values;
            if (s.state == State::Waiting)
                s.differences = differences(match->values, valuesOver(s.values, match->values));
        }
        out << s;
    }
    return out;
}

QList<Outcome> accept(Database &db, const QString &classTable, const QList<qint64> &ids, const QString &who,
                      const QString &debugFilePath)
{
    prepare(db);
    QList<Outcome> out;
    for (const qint64 id : ids)
        out << acceptOne(db, classTable, id, who, debugFilePath);
    return out;
}

QList<Outcome> reject(Database &db, const QString &classTable, const QList<qint64> &ids, const QString &note,
                      const QString &who)
{
    prepare(db);
    QList<Outcome> out;
    const QString at = timeText(db);
    for (const qint64 id : ids) {
        const qint64 marked = db.execute(SqlStatement(
            QStringLiteral("update %1 set state = ?, note = ?, reviewed_by = ?, reviewed_at = ? "
                           "where id = ? and class_table = ? and state = ?").arg(table),
            {stateText(State::Returned), note, who, at, id, classTable, stateText(State::Waiting)}));
        out << (marked == 1 ? Outcome{id, true, 0, false, QStringLiteral("提交 %1 已退回").arg(id)} : notWaiting(id));
    }
    return out;
}

} // namespace SubmissionQueue
