#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// The items of the entry form's lists ("1-男", "01-汉族" ...), read from the
// form's layout embedded in the program, so that the import accepts exactly
// what the form offers. Loaded once; any thread after that.
namespace FormItems {

// The items of the list control of that object name ("cbSex"); empty when
// the layout has no such list.
QStringList of(const QString &control);

// The item a cell's text stands for: the item's exact text, its text after
// the code prefix ("男" for "1-男"), or its code ("1"; leading zeros of a
// number do not matter). Empty when no item, or more than one, matches.
QString match(const QStringList &items, const QString &text);

// The same, with the spellings of one list looked up rather than compared
// one by one: built once for a list, used for every cell of an import.
class Matcher
{
public:
    Matcher() = default;
    explicit Matcher(const QStringList &items);
    QString match(const QString &text) const;

private:
    QStringList m_items;
    QHash<QString, int> m_exact;        // item text -> index
    QHash<QString, QList<int>> m_rest;  // text after the code
    QHash<QString, QList<int>> m_code;  // code in lower case
    QHash<qint64, QList<int>> m_number; // code as a number ("01" and "1" alike)
};

// The characters the form's text box of that object name ("edtName") takes
// (its maxLength); 0 when the layout gives none.
int maxLength(const QString &control);

} // namespace FormItems
