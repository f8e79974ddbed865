// Saving a workbook whose large sheets are written as they are produced.
#include "xlsx_book.h"

#include <algorithm>

#include <QFileInfo>

#include "xlsx/xlsx_sheet.h"
#include "xlsx/xlsx_sheet_stream.h"
#include "xlsx/xlsx_xml.h"
#include "xlsx/xlsx_zip_stream.h"

using namespace XlsxXml;
using namespace XlsxRelationships;

namespace {

// The big sheet parts are deflated at the fastest level: a part of repeated
// rows shrinks nearly as well, in a fraction of the time. The small parts keep
// the editor's usual level.
constexpr int StreamedLevel = 1;
constexpr int PartLevel = 6;

} // namespace

void XlsxBook::saveStreaming(const QString &path, AtomicFile::Existing existing,
                             const std::vector<std::pair<const XlsxSheet *, XlsxSheetStream *>> &streams)
{
    refuseSource(path);
    const QString absolute = QFileInfo(path).absoluteFilePath();
    // Refused before anything is written, as AtomicFile::write refuses.
    if (QFileInfo(absolute).isDir() || (existing == AtomicFile::Existing::Keep && AtomicFile::occupied(absolute)))
        AtomicFile::write(absolute, {}, existing); // throws its own text

    auto streamOf = [&](const XlsxSheet *sheet) -> XlsxSheetStream * {
        for (const auto &[s, stream] : streams) {
            if (s == sheet)
                return stream;
        }
        return nullptr;
    };
    long long references = 0;
    for (const auto &s : m_sheets) {
        if (!s->isWorksheet() || streamOf(s.get()))
            continue;
        m_parts.setPart(s->part(), s->saveXml());
        references += s->sharedStringReferences();
    }
    // The streamed rows may add texts: the shared strings part is there for
    // them, and written last, with the styles the sheets may have asked for.
    ensureStringsPart();
    m_parts.setPart(m_stringsPart, std::string());
    m_parts.setPart(m_workbookPart, save(m_workbook));
    m_parts.setPart(relsPartOf(m_workbookPart), save(m_workbookRels));

    AtomicFile::StagedFile staged(absolute);
    XlsxZipStream zip(staged.descriptor(), absolute);
    const XlsxPackage &package = m_parts.package();
    for (const auto &[name, bytes] : package.parts()) {
        if (name == "[Content_Types].xml")
            zip.addPart(name, bytes, PartLevel);
    }
    std::vector<std::string> later = {m_stringsPart};
    if (!m_stylesPart.empty())
        later.push_back(m_stylesPart);
    for (const auto &[name, bytes] : package.parts()) {
        if (name == "[Content_Types].xml" || std::find(later.begin(), later.end(), name) != later.end())
            continue;
        bool streamed = false;
        for (const auto &[sheet, stream] : streams)
            streamed = streamed || sheet->part() == name;
        if (!streamed)
            zip.addPart(name, bytes, PartLevel);
    }
    for (const auto &[sheet, stream] : streams) {
        XlsxSheet &model = sheetAt(indexOf(sheet));
        stream->prepare(model);
        const XlsxSheet::Frame frame = model.frameXml(stream->dimension(), stream->mergeCount(), stream->breakCount());
        const std::string prefix = model.elementPrefix();
        zip.beginPart(sheet->part(), StreamedLevel);
        zip.write(frame.beforeRows);
        stream->writeRows(zip, prefix);
        zip.write(frame.beforeMerges);
        stream->writeMerges(zip, prefix);
        zip.write(frame.beforeBreaks);
        stream->writeBreaks(zip, prefix);
        zip.write(frame.rest);
        zip.endPart();
        references += stream->sharedStringReferences();
    }
    zip.addPart(m_stringsPart, m_strings.xml(references), StreamedLevel);
    if (!m_stylesPart.empty())
        zip.addPart(m_stylesPart, m_styles.changed() ? m_styles.xml() : m_parts.part(m_stylesPart), PartLevel);
    zip.finish();
    staged.commit(existing);
}
