#include "student_blocks_stream.h"

#include "core/operations/print_template_geometry.h"
#include "platform/query_result.h"
#include "xlsx/xlsx_zip_stream.h"

using PrintTemplateGeometry::blockStart;
using PrintTemplateGeometry::kBlockRows;

StudentBlocksStream::StudentBlocksStream(XlsxSheet &sheet, const QueryResult &result, int students,
                                         const Progress &progress)
    : m_block(sheet, 1, kBlockRows, TemplateValues::cells()),
      m_values(result),
      m_students(students),
      m_progress(progress)
{
}

std::string StudentBlocksStream::dimension() const
{
    return m_block.dimension(m_students);
}

long long StudentBlocksStream::mergeCount() const
{
    return (long long)m_block.mergeCount() * m_students;
}

long long StudentBlocksStream::breakCount() const
{
    return m_students > 0 ? m_students - 1 : 0;
}

long long StudentBlocksStream::sharedStringReferences() const
{
    return (long long)m_block.sharedReferences() * m_students + m_block.slotSharedReferences();
}

void StudentBlocksStream::writeRows(XlsxZipStream &out, const std::string &)
{
    std::vector<QString> texts;
    const int total = m_values.rowCount();
    for (int k = 0; k < m_students; ++k) {
        m_values.read(k, texts);
        m_block.appendRows(out.buffer(), blockStart(k), texts);
        out.flushIfFull();
        // Each student starts a page of their own; a stop keeps the students done.
        if (!reportProgress(m_progress, k + 1, total) && k + 1 < m_students)
            throw Stopped{k + 1};
    }
}

void StudentBlocksStream::writeMerges(XlsxZipStream &out, const std::string &)
{
    for (int k = 0; k < m_students; ++k) {
        m_block.appendMerges(out.buffer(), blockStart(k));
        out.flushIfFull();
    }
}

void StudentBlocksStream::writeBreaks(XlsxZipStream &out, const std::string &prefix)
{
    std::string &buffer = out.buffer();
    for (int k = 0; k + 1 < m_students; ++k) {
        buffer += '<';
        buffer += prefix;
        buffer += "brk id=\"";
        buffer += std::to_string(blockStart(k) + kBlockRows - 1);
        buffer += "\" max=\"16383\" man=\"1\"/>";
        out.flushIfFull();
    }
}
