// Page setup of a sheet: margins, the footer, the print area and page breaks.
#include "xlsx_sheet.h"

#include <algorithm>

#include "platform/app_error.h"
#include "xlsx/xlsx_book.h"
#include "xlsx/xlsx_xml.h"

using namespace XlsxXml;

static const char *marginName(XlsxSheet::Margin which)
{
    switch (which) {
    case XlsxSheet::Margin::Left: return "left";
    case XlsxSheet::Margin::Right: return "right";
    case XlsxSheet::Margin::Top: return "top";
    case XlsxSheet::Margin::Bottom: return "bottom";
    case XlsxSheet::Margin::Header: return "header";
    case XlsxSheet::Margin::Footer: return "footer";
    }
    return "left";
}

static double defaultMargin(XlsxSheet::Margin which)
{
    switch (which) {
    case XlsxSheet::Margin::Left:
    case XlsxSheet::Margin::Right: return 0.7;
    case XlsxSheet::Margin::Top:
    case XlsxSheet::Margin::Bottom: return 0.75;
    case XlsxSheet::Margin::Header:
    case XlsxSheet::Margin::Footer: return 0.3;
    }
    return 0.7;
}

double XlsxSheet::margin(Margin which) const
{
    const pugi::xml_node margins = child(m_doc.document_element(), "pageMargins");
    return toDouble(margins.attribute(marginName(which)).value(), defaultMargin(which));
}

void XlsxSheet::setMargin(Margin which, double inches)
{
    requireWorksheet();
    if (!(inches >= 0 && inches < 50))
        throw SpreadsheetError(QStringLiteral("页边距无效：%1").arg(inches));
    pugi::xml_node margins = ensureChild(m_doc.document_element(), "pageMargins", WorksheetOrder);
    // The file format wants all six margins once the element exists.
    for (Margin m : {Margin::Left, Margin::Right, Margin::Top, Margin::Bottom, Margin::Header, Margin::Footer}) {
        if (!margins.attribute(marginName(m)))
            margins.append_attribute(marginName(m)) = number(defaultMargin(m)).c_str();
    }
    margins.attribute(marginName(which)) = number(inches).c_str();
}

namespace {
struct FooterSections
{
    std::string left, center, right;
};

FooterSections splitFooter(std::string_view text)
{
    FooterSections s;
    std::string *current = &s.center;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            const char code = text[i + 1];
            if (code == 'L' || code == 'C' || code == 'R') {
                current = code == 'L' ? &s.left : code == 'C' ? &s.center : &s.right;
                ++i;
                continue;
            }
            *current += text[i];
            *current += code;
            ++i;
            continue;
        }
        *current += text[i];
    }
    return s;
}
} // namespace

QString XlsxSheet::rightFooter() const
{
    const pugi::xml_node footer = child(child(m_doc.document_element(), "headerFooter"), "oddFooter");
    return QString::fromStdString(splitFooter(footer.child_value()).right);
}

void XlsxSheet::setRightFooter(const QString &text)
{
    requireWorksheet();
    pugi::xml_node headerFooter = ensureChild(m_doc.document_element(), "headerFooter", WorksheetOrder);
    pugi::xml_node footer = ensureChild(headerFooter, "oddFooter",
                                        {"oddHeader", "oddFooter", "evenHeader", "evenFooter", "firstHeader", "firstFooter"});
    FooterSections s = splitFooter(footer.child_value());
    s.right = text.toStdString();
    std::string joined;
    if (!s.left.empty())
        joined += "&L" + s.left;
    if (!s.center.empty())
        joined += "&C" + s.center;
    if (!s.right.empty())
        joined += "&R" + s.right;
    footer.text().set(joined.c_str());
}

QString XlsxSheet::printArea() const
{
    return m_book->printArea(index() - 1);
}

void XlsxSheet::clearPrintArea()
{
    m_book->clearPrintArea(index() - 1);
}

void XlsxSheet::printAsList(int headingRows, int titleColumns, int pagesWide)
{
    requireWorksheet();
    const pugi::xml_node root = m_doc.document_element();
    // fitToWidth and fitToHeight take effect only with fitToPage in the sheet's properties.
    pugi::xml_node properties = ensureChild(root, "sheetPr", WorksheetOrder);
    pugi::xml_node fit = ensureChild(properties, "pageSetUpPr", {"tabColor", "outlinePr", "pageSetUpPr"});
    if (!fit.attribute("fitToPage"))
        fit.append_attribute("fitToPage");
    fit.attribute("fitToPage") = "1";
    pugi::xml_node setup = ensureChild(root, "pageSetup", WorksheetOrder);
    for (const char *name : {"paperSize", "orientation", "fitToWidth", "fitToHeight"}) {
        if (!setup.attribute(name))
            setup.append_attribute(name);
    }
    setup.attribute("paperSize") = "9"; // A4
    setup.attribute("orientation") = "landscape";
    setup.attribute("fitToWidth") = std::max(1, pagesWide);
    setup.attribute("fitToHeight") = "0"; // as many pages tall as the rows need
    if (headingRows > 0)
        m_book->setPrintTitleRows(index() - 1, 1, headingRows, pagesWide > 1 ? titleColumns : 0);
}

int XlsxSheet::listPagesWide(int columns)
{
    // About 16 columns of names, dates and codes fit an A4 landscape page at a
    // scale still read without effort (two thirds or more); 48 on one page would be a fifth.
    constexpr int columnsPerPage = 16;
    return std::max(1, (columns + columnsPerPage - 1) / columnsPerPage);
}

QString XlsxSheet::printTitles() const
{
    return m_book->printTitles(index() - 1);
}

void XlsxSheet::rename(const QString &name)
{
    m_book->renameSheet(index() - 1, name);
}

void XlsxSheet::addRowBreak(int afterRow)
{
    requireWorksheet();
    if (afterRow < 1 || afterRow >= XlsxAddress::MaxRows)
        throw SpreadsheetError(QStringLiteral("行号超出工作表范围：%1").arg(afterRow));
    pugi::xml_node breaks = ensureChild(m_doc.document_element(), "rowBreaks", WorksheetOrder);
    const std::string id = std::to_string(afterRow);
    for (pugi::xml_node brk = child(breaks, "brk"); brk; brk = brk.next_sibling(brk.name())) {
        if (id == attribute(brk, "id").value())
            return;
    }
    pugi::xml_node brk = appendChild(breaks, "brk");
    brk.append_attribute("id") = id.c_str();
    brk.append_attribute("max") = "16383";
    brk.append_attribute("man") = "1";
    int count = 0;
    for (pugi::xml_node b = child(breaks, "brk"); b; b = b.next_sibling(b.name()))
        ++count;
    for (const char *name : {"count", "manualBreakCount"}) {
        if (!breaks.attribute(name))
            breaks.append_attribute(name);
        breaks.attribute(name) = count;
    }
}
