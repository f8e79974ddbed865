#pragma once

#include <optional>

#include <QList>
#include <QString>
#include <QStringList>

class Database;

// The queue of records sent through the web form (the program's own table
// tavro_submissions): a submission waits there, never in the class table,
// until the teacher accepts it (written through RecordSaver, as the entry
// form saves: an INSERT, or an UPDATE of the pupil with the same ID number)
// or returns it with a note. The submitter reaches their own submission only
// through the receipt submit() gave; the queue keeps the receipt's hash.
//
// Each call is its own transaction; several connections (one per request
// thread) may submit at the same moment: SQLite waits for its write lock
// (the busy timeout), a server takes them side by side. A Database
// connection is used by one thread at a time.
namespace SubmissionQueue {

inline const QString table = QStringLiteral("tavro_submissions");

enum class State { Waiting, Accepted, Returned };
// 待审核, 已接受, 已退回.
QString stateText(State state);

// Makes the queue table (and the history table accepts write to) when the
// database lacks them. Call once before submissions arrive and outside any
// transaction; every other call makes the table itself when needed.
void prepare(Database &db);

// Puts judged values (WebSubmission::Judgement::values, the 47 stored values)
// into the queue for the class, from the submitter's address, state 待审核.
// Returns the receipt to give the submitter; it is shown once and not kept.
// Throws AppError for a value list of another size, DatabaseError when the
// database refuses.
QString submit(Database &db, const QString &classTable, const QStringList &values, const QString &submitter);

// The number of submissions of the class in that state.
int count(Database &db, const QString &classTable, State state = State::Waiting);

// What a submitter sees through a receipt: the state and the teacher's note,
// and the values sent while the submission waits (none once it is reviewed).
struct OwnView
{
    QString receivedAt; // "yyyy-MM-dd HH:mm:ss", the database's clock
    State state = State::Waiting;
    QString note;
    QStringList values; // 47 stored values while waiting; empty afterwards
};
// Nothing for a receipt of no submission of this class (or no receipt at all).
std::optional<OwnView> byReceipt(Database &db, const QString &classTable, const QString &receipt);

// A field where the class's existing record differs from what accepting the
// submission would store.
struct Difference
{
    QString field; // column name
    QString stored;
    QString submitted;
};

// A submission as the teacher reviews it.
struct ForReview
{
    qint64 id = 0;
    QString receivedAt;
    QString submitter;
    State state = State::Waiting;
    QString note;
    QString reviewedBy;
    QString reviewedAt;
    QStringList values; // the 47 stored values sent
    qint64 pupilId = 0; // the pupil written on acceptance
    // The class's record with the same ID number (0: none, acceptance adds a
    // pupil) and, while waiting, the fields acceptance would change in it.
    qint64 matchedPupilId = 0;
    QString matchedName;
    QStringList matchedValues; // its 47 stored values, for a side-by-side view
    QList<Difference> differences;

    QString name() const;
    QString cardNo() const;
};
// Every submission of the class, oldest first. When the class holds several
// pupils with the ID number, the first (lowest id) is the match.
QList<ForReview> list(Database &db, const QString &classTable);

// What became of one id given to accept() or reject().
struct Outcome
{
    qint64 id = 0;
    bool done = false;
    qint64 pupilId = 0;  // accept: the pupil added or updated
    bool updated = false; // accept: an existing pupil was completed
    QString text;        // what happened or why not, one Chinese sentence
};

// Accepts the waiting submissions of the class with these ids, each in its
// own transaction through RecordSaver: a new pupil, or an update of the
// class's pupil with the same ID number (the fields the school decides,
// 入学年月 and the fixed 资助 / 一补, keep a value the pupil has). The
// history gets a 网上填报 line naming the submission and `who` accepted it,
// heading the save's 新增 / 修改 lines; the submission is marked 已接受 in
// the same transaction. A submission whose name (without an ID number match)
// is already in the class is not accepted: the teacher checks it in the entry
// form. debugFilePath: debug.txt in the program folder, as the form writes it.
QList<Outcome> accept(Database &db, const QString &classTable, const QList<qint64> &ids, const QString &who,
                      const QString &debugFilePath);

// Returns the waiting submissions with these ids with the teacher's note
// (state 已退回); the submitter reads the note through the receipt.
QList<Outcome> reject(Database &db, const QString &classTable, const QList<qint64> &ids, const QString &note,
                      const QString &who);

} // namespace SubmissionQueue
