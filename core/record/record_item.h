#pragma once

#include <QString>

// A line of a list of a class table's students: the id left-justified in a
// field of five characters, then the name ("7    张三"). Ids of five or more
// digits get one blank after them so that the id can still be read back.
namespace RecordItem {

QString format(qint64 id, const QString &name);

// The id text of a record item: the characters before the first blank; empty
// when the text has no blank (it is no record item) or begins with one. The
// entry form and the management window both read items with it.
QString idText(const QString &item);

} // namespace RecordItem
