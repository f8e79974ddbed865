#pragma once

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <QString>

// The parts of an Office Open XML package (a zip file) held in memory, in the
// order the file lists them. Part names carry no leading slash
// ("xl/workbook.xml"). Used from one thread at a time.
class XlsxPackage
{
public:
    // Reads every part of the zip file at path. Throws SpreadsheetError when the
    // file cannot be read or is no zip package.
    static XlsxPackage read(const QString &path);

    // The zip file of all parts, "[Content_Types].xml" first.
    // Throws SpreadsheetError when the zip cannot be built.
    std::string write(int compressionLevel = 6) const;

    bool contains(const std::string &name) const { return find(name) >= 0; }
    // The part's bytes; empty when there is no such part.
    const std::string &part(const std::string &name) const;
    // Replaces the part's bytes or appends a new part.
    void setPart(const std::string &name, std::string bytes);
    void removePart(const std::string &name);
    // Every part with its bytes, in the package's order.
    const std::vector<std::pair<std::string, std::string>> &parts() const { return m_parts; }

private:
    int find(const std::string &name) const;

    std::vector<std::pair<std::string, std::string>> m_parts;
    // Part names in lower case -> position, built on the first look-up after a removal.
    mutable std::unordered_map<std::string, int> m_index;
    mutable bool m_indexed = false;
};
