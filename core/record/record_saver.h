#pragma once

#include <functional>
#include <optional>

#include <QString>
#include <QStringList>

#include "core/keeping/history.h"
#include "platform/sql_statement.h"
#include "platform/table_name.h"

class Database;

// Saves one student record of the entry form into the current class table:
// a new record after a duplicate test, or an update of a chosen record. Each
// statement is written to debug.txt before it runs, so the last statement of
// a failed save can be read there (whole, never onto the database or the
// print template: see OutputTarget). The save and its history lines (新增,
// or 修改 for each changed field) are one transaction: a save whose history
// cannot be written is not made. Database and file failures propagate as
// DatabaseError / FileError; the caller's guard shows them.
// Used from the user-interface thread only.
class RecordSaver
{
public:
    // Asked when the class table already holds a student with the same name or
    // ID number; gets the message to show (OK/Cancel, warning icon). True (OK)
    // inserts the record anyway, false (Cancel) ends the save. An empty
    // function counts as Cancel.
    using ConfirmDuplicate = std::function<bool(const QString &message)>;

    // debugFilePath: "debug.txt" in the program folder. classLabel: the grade
    // text followed by the class text as the duplicate message names the class;
    // empty means the class table name, which the class setup forms from the
    // same two texts.
    RecordSaver(Database &db, QString classTable, QString debugFilePath, QString classLabel = QString());

    // The save action: insertRecord when id is 0, otherwise updateRecord(id, ...).
    bool saveRecord(qint64 id, const QStringList &values, const QString &typedName, const QString &typedCardNo,
                    const ConfirmDuplicate &confirmDuplicate);

    // Inserts a new record. values: the 47 encoded values in the order of
    // RecordColumns::dataColumns() (班号 included). typedName / typedCardNo:
    // the texts of the name and ID number fields as typed; the duplicate test
    // compares them trimmed (not blank-stripped) and the message shows the name
    // as typed. Returns false when the user cancels at the duplicate question
    // (nothing written, nothing run) or no row was inserted.
    bool insertRecord(const QStringList &values, const QString &typedName, const QString &typedCardNo,
                      const ConfirmDuplicate &confirmDuplicate);

    // Updates the record with this id: every column but 班号, no duplicate
    // test. Returns false when no row has that id.
    bool updateRecord(qint64 id, const QStringList &values);

    // The history lines of the saves that follow become one act headed by
    // this line (its class, pupil id and name filled in by the save): a save
    // that another path asked for (an accepted web submission) says so.
    void setActHead(const HistoryEntry &head) { m_actHead = head; }
    // Run inside each following save's transaction, after the record and its
    // history lines, with the pupil's id: work that must stand or fall with
    // the save (marking what was saved as done). A throw undoes the save.
    using AlongWithSave = std::function<void(qint64 pupilId)>;
    void setAlongWithSave(AlongWithSave along) { m_along = std::move(along); }

    // "检测到班级 高一01 已存在名字为 张三 的同学，..." with the name as typed.
    static QString duplicateMessage(const QString &classLabel, const QString &typedName);

    // The hint both result labels show after a save: the name as typed + " 的学籍数据已成功保存".
    static QString savedHint(const QString &typedName);
    // The plain message after a save that did not go through.
    static QString saveFailedMessage();

private:
    void ensureDebugFileAllowed() const;
    bool writeAndExecute(const SqlStatement &statement);
    void writeHistory(qint64 pupilId, const QString &pupilName, const QList<HistoryEntry> &lines);

    Database &m_db;
    TableName m_classTable;
    QString m_debugFilePath;
    QString m_classLabel;
    std::optional<HistoryEntry> m_actHead;
    AlongWithSave m_along;
};
