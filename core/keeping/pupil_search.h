#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Database;

// Finding a pupil by what a teacher remembers: a name or part of it, an ID
// number or part of it (six characters or more), or the internal number.
// Used from the user-interface thread only.
namespace PupilSearch {

struct Pupil
{
    QString table;
    qint64 id = 0;
    QString name;
    QString idNumber;
};

// Whether the typed text finds the pupil: the name holds it (blanks and
// letter case aside); six or more characters that an ID number holds (full-width
// digits and a small x as typed on a phone); or digits equal to the internal number.
bool matches(const Pupil &pupil, const QString &typed);

// id, 姓名 and 身份证件号 of every pupil of the tables, table by table in the
// database's order of names. Throws DatabaseError.
QList<Pupil> pupilsOf(Database &db, const QStringList &tables);

// The pupils of the tables that the typed text finds; none for an empty text.
QList<Pupil> find(Database &db, const QStringList &tables, const QString &typed);

// The class tables a school-wide search looks in: the listed tables whose
// names begin with 高, 初 or 小 (a merged copy would find each pupil twice).
QStringList classTables(Database &db);

} // namespace PupilSearch
