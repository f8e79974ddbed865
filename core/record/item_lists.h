#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "core/record/record_columns.h"

// The lists a record's list fields choose from (性别, 民族, 国籍/地区 ...), kept
// as data in resources/record/item_lists.tsv: for each item the text the form
// shows and a class table stores ("1-男"), its national code and name, and the
// other spellings an import accepts ("男性"). The entry form fills its lists
// from here; the import, the checks and every other entry path read the same
// lists. Loaded once; any thread after that.
namespace ItemLists {

struct Item
{
    QString text;           // as shown and stored: "01-汉族", "蒙古族"
    QString code;           // the national code: "01", "02"; empty when there is none
    QString name;           // the national name: "汉族", "蒙古族"
    QStringList spellings;  // further texts an import takes for it: "汉"
};

class List
{
public:
    List() = default;
    explicit List(QList<Item> items);

    const QList<Item> &items() const { return m_items; }
    QStringList texts() const;
    bool isEmpty() const { return m_items.isEmpty(); }

    // The item stored as that text, or nullptr.
    const Item *byText(const QString &text) const;
    // The text of the first item of that national code; empty when none has it.
    QString textOfCode(const QString &code) const;

    // The item text a typed or imported text stands for: the item's text, its
    // national name or code, the code before its "-" or the text after it
    // ("男" and "1" for "1-男"; leading zeros of a number do not matter), or
    // one of its spellings. Full-width digits and letters count as
    // half-width ones. Empty when no item matches or the text fits several
    // items with different national codes.
    QString match(const QString &text) const;

private:
    void add(QHash<QString, QList<int>> &map, const QString &key, int index);

    QList<Item> m_items;
    QHash<QString, int> m_exact;              // item text -> index (the first when texts repeat)
    QHash<QString, QList<int>> m_spelt;       // every other spelling, lower case
    QHash<qint64, QList<int>> m_number;       // a numeric code as a number ("01" and "1" alike)
};

// The list a column chooses from; an empty list for a column that is no list.
const List &of(RecordColumns::Index column);

// The item text of the resident ID card in 身份证件类型 ("1-居民身份证").
QString residentIdCard();

} // namespace ItemLists
