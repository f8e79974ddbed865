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

// The characters the form's text box of that object name ("edtName") takes
// (its maxLength); 0 when the layout gives none.
int maxLength(const QString &control);

} // namespace FormItems
