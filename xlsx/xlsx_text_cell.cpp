#include "xlsx_text_cell.h"

#include <cctype>

#include "xlsx/xlsx_sheet.h"
#include "xlsx/xlsx_xml.h"

void XlsxAppendSharedCell(std::string &out, int index, const std::string &p)
{
    out += " t=\"s\"><";
    out += p;
    out += "v>";
    out += std::to_string(index);
    out += "</";
    out += p;
    out += "v></";
    out += p;
    out += "c>";
}

bool XlsxAppendTextCell(std::string &out, const std::string &encodedText, const std::string &p, XlsxSheet &sheet)
{
    if (encodedText.find("_x") != std::string::npos) {
        XlsxAppendSharedCell(out, sheet.addSharedString(encodedText), p);
        return true;
    }
    const bool keepBlanks = !encodedText.empty()
                            && (std::isspace((unsigned char)encodedText.front()) || std::isspace((unsigned char)encodedText.back()));
    out += " t=\"inlineStr\"><";
    out += p;
    out += "is><";
    out += p;
    out += keepBlanks ? "t xml:space=\"preserve\">" : "t>";
    XlsxXml::appendText(out, encodedText);
    out += "</";
    out += p;
    out += "t></";
    out += p;
    out += "is></";
    out += p;
    out += "c>";
    return false;
}
