#include "commands.h"

#include <QTextStream>

#include "core/keeping/teacher_password.h"

namespace Commands {

void password(Database &db, const QString &password, QTextStream &out)
{
    const bool replaced = TeacherPassword::isSet(db);
    TeacherPassword::change(db, password);
    out << (replaced ? QStringLiteral("新的教师密码已生效，原来的密码不再有效。")
                     : QStringLiteral("教师密码已设置。"))
        << '\n';
}

} // namespace Commands
