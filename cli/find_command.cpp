#include "commands.h"

#include <QTextStream>

#include "core/keeping/pupil_search.h"
#include "core/record/id_number_mask.h"

namespace Commands {

void find(Database &db, const QString &text, QTextStream &out)
{
    const QList<PupilSearch::Pupil> found = PupilSearch::find(db, PupilSearch::classTables(db), text);
    for (const PupilSearch::Pupil &pupil : found)
        out << pupil.table << '\t' << pupil.id << '\t' << pupil.name << '\t' << IdNumberMask::masked(pupil.idNumber) << '\n';
    if (found.isEmpty())
        out << QStringLiteral("没有找到“%1”。").arg(text.trimmed()) << '\n';
    else
        out << QStringLiteral("找到 %1 个学生。").arg(found.size()) << '\n';
}

} // namespace Commands
