#include "commands.h"

#include <QTextStream>

#include "cli/command_options.h"
#include "core/keeping/history.h"
#include "core/operations/table_lists.h"
#include "core/record/id_number_mask.h"
#include "core/webform/submission_queue.h"
#include "platform/app_error.h"
#include "platform/database.h"

namespace Commands {

namespace {

int report(const QList<SubmissionQueue::Outcome> &outcomes, QTextStream &out, QTextStream &err)
{
    int status = 0;
    for (const SubmissionQueue::Outcome &o : outcomes) {
        if (o.done) {
            out << o.text << Qt::endl;
        } else {
            err << o.text << Qt::endl;
            status = 1;
        }
    }
    return status;
}

} // namespace

void listSubmissions(Database &db, const CommandOptions &options, QTextStream &out)
{
    const QString table = listedClassTable(db, options.table);
    const QList<SubmissionQueue::ForReview> all = SubmissionQueue::list(db, table);
    if (all.isEmpty()) {
        out << QStringLiteral("%1 没有网上填报。").arg(table) << Qt::endl;
        return;
    }
    out << QStringLiteral("编号\t时间\t姓名\t身份证件号\t状态\t已有学生") << Qt::endl;
    for (const SubmissionQueue::ForReview &s : all) {
        const QString matched = s.matchedPupilId == 0
                                    ? QStringLiteral("（新学生）")
                                    : QStringLiteral("%1 %2").arg(QString::number(s.matchedPupilId), s.matchedName);
        QString state = SubmissionQueue::stateText(s.state);
        if (s.state == SubmissionQueue::State::Returned)
            state += QStringLiteral("：") + s.note;
        out << QStringList{QString::number(s.id), s.receivedAt, s.name(), IdNumberMask::masked(s.cardNo()), state, matched}
                   .join(QLatin1Char('\t'))
            << Qt::endl;
        for (const SubmissionQueue::Difference &d : s.differences)
            out << QStringLiteral("    %1：%2 → %3").arg(d.field, d.stored, d.submitted) << Qt::endl;
    }
    out << QStringLiteral("共 %1 份，待审核 %2 份。").arg(all.size()).arg(SubmissionQueue::count(db, table)) << Qt::endl;
}

int acceptSubmissions(Database &db, const CommandOptions &options, const QList<qint64> &ids,
                      const QString &debugFilePath, QTextStream &out, QTextStream &err)
{
    const QString table = listedClassTable(db, options.table);
    return report(SubmissionQueue::accept(db, table, ids, History::who(db), debugFilePath), out, err);
}

int rejectSubmissions(Database &db, const CommandOptions &options, const QList<qint64> &ids, QTextStream &out,
                      QTextStream &err)
{
    const QString table = listedClassTable(db, options.table);
    return report(SubmissionQueue::reject(db, table, ids, options.note.trimmed(), History::who(db)), out, err);
}

} // namespace Commands
