#pragma once

#include <vector>

#include <QString>

#include "core/operations/fill_template_sheet.h"
#include "platform/progress.h"
#include "xlsx/xlsx_block_template.h"
#include "xlsx/xlsx_sheet_stream.h"

struct QueryResult;

// The multi-person export sheet as a stream: one copy of the print template's
// block per student of the result, in its order, each with the student's
// texts and a page break below all but the last. Rows go into the file as
// they are made; memory holds one block. Progress is reported per student; a
// stop is raised as Stopped after the student it came after.
class StudentBlocksStream : public XlsxSheetStream
{
public:
    struct Stopped
    {
        int written; // students whose blocks were made before the stop
    };

    // The block is the template's (rows 1 to 50 of `sheet`, heights set);
    // `students` of the result's rows are written.
    StudentBlocksStream(XlsxSheet &sheet, const QueryResult &result, int students, const Progress &progress);

    std::string dimension() const override;
    long long mergeCount() const override;
    long long breakCount() const override;
    void writeRows(XlsxZipStream &out, const std::string &prefix) override;
    void writeMerges(XlsxZipStream &out, const std::string &prefix) override;
    void writeBreaks(XlsxZipStream &out, const std::string &prefix) override;
    long long sharedStringReferences() const override;

private:
    XlsxBlockTemplate m_block;
    TemplateValues m_values;
    int m_students;
    Progress m_progress;
};
