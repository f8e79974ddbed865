#pragma once

#include <string>
#include <string_view>

#include <QString>
#include <QStringView>

namespace XlsxXml {

// Cell text for the file: characters XML cannot carry (controls) and text that
// looks like such an escape are written as _xHHHH_, as spreadsheet programs do.
std::string encodeCellText(const QString &text);
// The text a cell holds, its _xHHHH_ escapes undone (XML entities already are).
QString decodeCellText(std::string_view text);
QString decodeCellText(QStringView text);

} // namespace XlsxXml
