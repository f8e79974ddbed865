#pragma once

#include <string>

class XlsxSheet;

// The XML of a text cell a stream writes, after its r and s attributes, up to
// and including the cell's end tag. The text (as XlsxXml::encodeCellText gives
// it) is written inline; a text holding _xHHHH_ escapes goes into the shared
// strings instead, the one place every reader decodes them.
// Returns whether the cell refers to the shared strings.
bool XlsxAppendTextCell(std::string &out, const std::string &encodedText, const std::string &prefix, XlsxSheet &sheet);

// The rest of a cell that refers to the shared string at `index`: its type and value, up to the end tag.
void XlsxAppendSharedCell(std::string &out, int index, const std::string &prefix);
