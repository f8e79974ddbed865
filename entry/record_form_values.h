#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include "core/record/record_columns.h"

class EntryForm;
class QLineEdit;
class QWidget;

// Moves one student record between the fields of the entry form and its
// stored values: the lists and length limits the form's fields take from the
// core, the 47 values a save writes (in the order of
// RecordColumns::dataColumns()), and the read-back of a stored record into the form. Used on the user-interface
// thread only.
namespace RecordFormValues {

// Fills every list field with its items (ItemLists), none chosen, and gives
// every text box its column's length limit.
void prepare(EntryForm &form);

// The control that shows a column; throws std::logic_error for a column without one.
QWidget *controlOf(const EntryForm &form, RecordColumns::Index column);

// The 47 values the form's fields encode to: typed texts normalised as the
// record rules store them (RecordRules::normalizedTyped),
// whole item texts, the birth date as yyyymmdd, stored region codes, 入学年月,
// 班号 (entry year + stage digit of classTable + classNo) and the region name
// texts of the four pickers.
QStringList gather(const EntryForm &form, const QString &classTable, const QString &classNo);

// Puts the stored values (by column name, the 42 columns read back) into the
// form, column by column in the record's order: texts as stored, list items
// selected by text, the birth date, the region pickers through the region
// code lookup, 入学年月 into cbYear and edtMonth. A value the form cannot show
// (an empty or unreadable birth date or region code, an unknown county, an
// item text not in its list, a year outside the list) leaves its control
// empty and is returned as "column“value”"; every other column is shown.
// A missing column reads as empty.
QStringList show(EntryForm &form, const QHash<QString, QString> &stored);
// The note naming the values show() could not show.
QString unshownMessage(const QStringList &unshown);

// Sets a stored text into an edit box. A box cuts text set into it to its
// length limit; a longer stored value widens the limit instead, so that
// loading and saving a record never shortens a value.
void setLoadedText(QLineEdit *box, const QString &text);
// Gives the box back the length limit of the layout after setLoadedText widened it.
void restoreLengthLimit(QLineEdit *box);

} // namespace RecordFormValues
