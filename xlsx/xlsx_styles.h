#pragma once

#include <map>
#include <string>

#include <pugixml.hpp>

// The workbook's cell formats (the styles part): what the sheets ask of them
// (text format variants, wrapping and font size) and the part's XML when it
// changed. Used from one thread at a time.
class XlsxStyles
{
public:
    // The styles part of a new workbook: one font, one cell format.
    static const char *newPartXml();

    bool isLoaded() const { return bool(m_doc.document_element()); }
    // Throws SpreadsheetError when the part is no well-formed XML.
    void load(const std::string &bytes, const std::string &partName);
    // Starts the styles of a workbook that had none (saved as a new part).
    void loadNew();

    // The cell format like `style` but with the number format "@".
    int textVariantOf(int style);
    // The text variant of `style` that also wraps its text at the column's width.
    int wrappedVariantOf(int style);
    // The font size of the cell format when it wraps its text, else 0.
    double wrappedFontPoints(int style) const;

    bool changed() const { return m_changed; }
    std::string xml() const;

private:
    pugi::xml_document m_doc;
    bool m_changed = false;
    std::map<int, int> m_textVariants; // style -> its text variant, made once each
    std::map<int, int> m_wrapVariants; // style -> its wrapped text variant, made once each
};
