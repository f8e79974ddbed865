#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <QString>

// The workbook's shared string table: cells of type "s" hold an index into it.
// Entries read from the file keep their XML (rich text included); texts added
// by the program are reused when the same plain text is added again.
// Used from one thread at a time.
class XlsxSharedStrings
{
public:
    // Reads the entries of the <sst> part. Throws SpreadsheetError when the
    // part is no well-formed XML.
    void load(const std::string &bytes, const std::string &partName);

    bool isEmpty() const { return m_xml.empty(); }
    // The index of the text (already encoded for the file, see
    // XlsxXml::encodeCellText), added when no plain entry holds it yet.
    int add(const std::string &encodedText);
    // The entry's text; empty when there is no such entry.
    QString text(int index) const;
    // The entry's text as stored (with its _xHHHH_ escapes); empty when none.
    std::string_view stored(int index) const;

    // The part's XML; `references` counts the cells that refer to the table.
    std::string xml(long long references) const;

private:
    std::string m_rootAttributes;
    std::string m_prefix;
    std::vector<std::string> m_xml; // the inner XML of each <si>
    std::vector<std::string> m_plain; // its text without formatting
    std::vector<bool> m_isPlain; // a single <t>, so that it can be reused
    std::unordered_map<std::string, int> m_index; // plain entries, built on the first add
    bool m_indexBuilt = false;
};
