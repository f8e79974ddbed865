#include "xlsx_streamed_workbook.h"

XlsxStreamedWorkbook::XlsxStreamedWorkbook(const QString &path, std::uint64_t smallPartBytes)
    : m_path(path),
      m_zip(std::make_unique<XlsxZipReader>(path)),
      m_parts(std::make_unique<XlsxZipParts>(*m_zip, smallPartBytes))
{
    m_workbookPart = XlsxPackageWalk::workbookPart(*m_parts);
    if (m_workbookPart.empty())
        return;
    pugi::xml_document workbook;
    m_parts->load(workbook, m_workbookPart);
    m_date1904 = XlsxPackageWalk::usesDate1904(workbook.document_element());
    const std::vector<XlsxRelationship> rels = XlsxPackageWalk::relationshipsOf(*m_parts, m_workbookPart);
    m_sheets = XlsxPackageWalk::sheets(workbook.document_element(), rels);
    m_stringsPart = XlsxPackageWalk::relatedPart(rels, "sharedStrings");
    if (!m_stringsPart.empty() && !m_zip->contains(m_stringsPart))
        m_stringsPart.clear();
    m_stylesPart = XlsxPackageWalk::relatedPart(rels, "styles");
}

XlsxStreamedWorkbook::~XlsxStreamedWorkbook() = default;

bool XlsxStreamedWorkbook::contains(const std::string &part) const
{
    return m_zip->contains(part);
}

std::vector<bool> XlsxStreamedWorkbook::dateStyles() const
{
    return XlsxPackageWalk::dateStyles(*m_parts, m_stylesPart);
}

std::unique_ptr<XlsxXmlPull> XlsxStreamedWorkbook::open(const std::string &part, std::uint64_t maxBytes) const
{
    return std::make_unique<XlsxXmlPull>(m_zip->open(part, maxBytes), m_path, part);
}
