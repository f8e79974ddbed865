#pragma once

#include <optional>

#include <QList>
#include <QSet>
#include <QStringList>

#include "platform/database.h"
#include "platform/query_result.h"


// The data checks of the management window. Each runs one SELECT over all
// chosen tables (two for the ID check) and writes what it finds to
// check.txt in the program's folder, whose path it returns for the caller to
// open. The tables are never changed. Used from one thread at a time.
class DataChecks
{
public:
    enum class Check { EntryCount, ClassNumber, DuplicateName, ShortNativePlace, EnrolmentMode, AttendanceMode, IdNumber,
                       IdNumberInfo, Incomplete };

    // A check as its button names it: "录入数目", "检查班号", ...
    static QString caption(Check check);
    static std::optional<Check> fromCaption(const QString &caption);
    static QList<Check> all();

    // The per-table pieces of the checks (both %1 stand for the table name).
    static QString piece(Check check);
    static QString suffix(Check check);
    // The title line ("# ..."), empty for 录入数目.
    static QString title(Check check);
    // The two pieces of the ID check: failing resident IDs, other documents.
    static QString failingIdPiece();
    static QString otherDocumentPiece();

    // The pieces for every table, top to bottom, joined by " union all ", then the suffix.
    static QString buildUnionQuery(const QString &piece, const QString &suffix, const QStringList &tables,
                                   Database::Engine engine);

    // The header line and one line per row: every value followed by a TAB, a NULL
    // as empty text, a boolean (or any value of a column named in
    // booleanColumns) as True or False.
    static void appendResultSection(const QueryResult &result, QStringList &lines,
                                    const QSet<QString> &booleanColumns = {});

    // check.txt in the given folder, GB18030, every line ending in CR LF. Replaces
    // the file; throws FileError. Returns the file's path.
    static QString saveCheckReport(const QString &programDir, const QStringList &lines);

    DataChecks(Database &db, QString programDir);

    // Runs one check over the tables (not empty) and writes the report.
    // Returns the path of check.txt. Throws DatabaseError or FileError; on a
    // failure check.txt keeps its previous content.
    // Refused (FileError) before anything runs when check.txt resolves to the
    // open database, its -wal/-shm/-journal or the print template.
    QString run(Check check, const QStringList &tables);

    // The report lines of one check, without writing them.
    QStringList reportLines(Check check, const QStringList &tables);

    // Saves the lines to check.txt; returns its path.
    QString writeCheckReport(const QStringList &lines);

    // Creates fn_ValidateIDC from the StoredProc1 script when the database has
    // no object of that name. A SQL Server runs that script, a PostgreSQL
    // server the script of its own dialect; the local file provides the
    // function itself.
    void ensureIdCheckFunction();

    // The StoredProc1 resource as text (the server script creating fn_ValidateIDC).
    static QString idCheckFunctionScript();

private:
    // Throws FileError when check.txt would land on the database or the print template.
    void refuseUnsafeReportPath() const;

    Database &m_db;
    QString m_programDir;
};
