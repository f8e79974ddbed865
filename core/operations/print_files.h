#pragma once

#include <QString>

struct Services;
class SpreadsheetRenderer;

// The files around printing and export: the print template beside the
// executable and the output files written for the user.
namespace PrintFiles {

// The error shown when the spreadsheet program the operation needs is missing.
QString spreadsheetMissingText();

// programDir/Template.xlsx. When only an old Template.xls lies there it is
// converted once to Template.xlsx. Throws FileError "文件不存在：" + full path
// when there is no template, SpreadsheetError when the conversion needs
// LibreOffice and it is missing or fails.
QString locateTemplate(const Services &services, const SpreadsheetRenderer &renderer);

// A path not yet taken: programDir/导出/<prefix>_<yyyyMMdd_HHmmss>.xlsx (a
// counter added when taken), the folder created. Throws FileError when the
// folder cannot be made.
QString newOutputPath(const Services &services, const QString &prefix);

} // namespace PrintFiles
