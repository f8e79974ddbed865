#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include "platform/atomic_file.h"
#include "platform/progress.h"

class Database;
class RegionTables;

// Bringing a class's existing records in from a spreadsheet (.xlsx, .xls,
// .ods, .csv): prepare() reads and checks every row and returns a plan that
// writes nothing; commit() inserts the plan's accepted rows into the class
// table in one transaction; writeReport() writes the rows left out, with
// their reasons, to a workbook the teacher corrects and imports again.
// Shows and asks nothing. Used from one thread at a time.

// What to do with a row whose 身份证件号 is already in the class table or in
// an earlier row of the file. The same 姓名 alone is no duplicate: two
// children may share a name (the row is imported with a note).
enum class ImportDuplicates { Skip, Add };

// One data row of the file as the plan sees it. Its texts are kept packed (a
// plan may hold a couple of hundred thousand rows): an accepted row keeps the
// values commit() inserts, a row left out its original cells for the report.
struct ImportRow
{
    enum class Status {
        Accepted,  // imported by commit()
        Problem,   // left out: a value or rule failed (see problems)
        Duplicate, // left out under ImportDuplicates::Skip (see duplicateOf)
    };

    int sourceRow = 0;   // the row number in the sheet
    Status status = Status::Accepted;
    QStringList problems;    // why the row cannot be imported, one sentence each
    QString duplicateOf;     // why it is a duplicate ("班级表中已有身份证件号为 … 的同学"); empty when none
    QString note;            // what the preview points out about a row imported anyway ("同名：…"); empty when none

    // The original cells, in the order of ImportPlan::headings; empty for an accepted row.
    QStringList cells() const;
    // The 47 encoded values in RecordColumns::dataColumns() order; all empty for a row left out.
    QStringList values() const;
    // 待补全: the record columns an accepted row leaves empty, by name.
    QStringList missing() const;
    // The reasons a report's column 问题 shows: the problems, then the duplicate.
    QString reasonText() const;

    void setCells(const QStringList &cells);
    void setValues(const QStringList &values);

private:
    QString m_cells;  // each text after its length (one UTF-16 unit)
    QString m_values; // the same
};

struct ImportPlan
{
    QString sourcePath;
    QString sheetName;       // the sheet read (the first when none was named; empty for .csv)
    QString table;           // the class table the rows go into
    ImportDuplicates duplicates = ImportDuplicates::Skip;
    int headingRow = 0;      // the sheet row holding the headings; rows above it are never pupils
    QStringList headings;    // the file's headings, as written
    QStringList unknownHeadings; // headings matching no record column (not imported, never guessed)
    QList<ImportRow> rows;   // every data row holding a value of a record column, in file order
    // The class table does not exist yet (a class name 高一01 … 小六30): commit()
    // makes it from Init2 only when createTable was set on the user's word.
    bool newTable = false;
    bool createTable = false;

    int importCount() const;    // rows with Status::Accepted
    int problemCount() const;   // rows with Status::Problem
    // Rows without problems found duplicate: skipped under Skip, imported under Add.
    int duplicateCount() const;
    // Rows not imported (problems and skipped duplicates), in file order.
    QList<ImportRow> leftOut() const;
    // Rows the preview lists: those left out and those imported with a duplicate or a note.
    QList<ImportRow> noted() const;
};

struct ImportResult
{
    int imported = 0; // rows inserted
    // Rows the plan accepted that were skipped as duplicates at the write:
    // the class table received their 身份证件号 after the plan was read.
    QList<int> skippedRows;
    // The import's act number in the history (what undoing it takes); 0 when nothing was imported.
    qint64 act = 0;

    // "另有 2 行 …（第 3、5 行）。" naming the skipped rows; empty when none.
    QString skippedText() const;
};

class ClassImport
{
public:
    // regions: loaded tables for region codes and names; now: the date the
    // birth-date rule measures against (the clock of the program's start).
    ClassImport(Database &db, const RegionTables &regions, QDateTime now);

    // Reads the sheet (the first when `sheet` is empty) a row at a time and
    // checks each row against the table's current records. Writes nothing.
    // The headings are the first of the first rows holding 姓名 and another
    // known heading (or 姓名 alone); rows above them are skipped. Values the
    // entry form derives are derived: 性别, 出生日期 and 身份证件类型 from a
    // valid resident ID, 班号 from the entry year (入学年月, else the year the
    // class setup preselects for the table's grade on the date `now`).
    // Throws AppError (SpreadsheetError, FileError, DatabaseError) with a clear
    // Chinese text when the file cannot be read or passes a limit of
    // SheetLimits, the sheet is missing or has no heading 姓名, or the table is
    // unknown and no class name (ClassTableNames::isClassName), or one of the
    // program's own tables. Progress counts
    // the thousandths of the file read.
    ImportPlan prepare(const QString &file, const QString &sheet, const QString &table,
                       ImportDuplicates duplicates = ImportDuplicates::Skip, const Progress &progress = {});

    // Inserts the plan's accepted rows in one transaction that holds the class
    // table against other writers: all or none (a failure rolls back and throws
    // DatabaseError naming the source row). Under ImportDuplicates::Skip the
    // duplicate test is made again inside it, against the table as it is now.
    // A new class table is made inside the same transaction; without
    // plan.createTable it is refused (AppError) and nothing is written.
    // The history gets, in the same transaction, a line 导入 (file, class,
    // rows) and a line for each pupil, sharing the act number.
    ImportResult commit(const ImportPlan &plan, const Progress &progress = {});

    // The report workbook: one sheet with the file's headings and a column
    // 问题, one row per row left out with its original cells. The caller
    // decides about an existing file (OutputTarget::admit) and passes its word.
    static void writeReport(const ImportPlan &plan, const QString &path,
                            AtomicFile::Existing existing = AtomicFile::Existing::Keep);

private:
    Database &m_db;
    const RegionTables &m_regions;
    QDateTime m_now;
};
