#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

// An independent reader and writer of xlsx files for tests: Debian's
// python3-openpyxl under /usr/bin/python3.
namespace Openpyxl {

bool available();

// Runs the Python code with the arguments as sys.argv[1:]; returns its standard
// output. Throws std::runtime_error with Python's error output when it fails.
QByteArray run(const QString &code, const QStringList &arguments = {});

// Builds a workbook: the code runs with `wb` (a new workbook), `ws` (its first
// sheet) and the openpyxl names Font, Border, Side, PatternFill, Alignment in
// scope; the workbook is then saved at path.
void make(const QString &path, const QString &code);

// Everything a test compares, read back by openpyxl:
// {"sheets": [names], "active": name, "sheet": {name: {"cells": {"C5": text},
//  "formats": {"C5": number format}, "styles": {"C5": "font|size|bold|borders|fill|wrap"},
//  "merged": ["A1:F1"], "heights": {"5": 14.0}, "widths": {"A": 9.0},
//  "margins": [left, right, top, bottom, header, footer], "rightFooter": text,
//  "printArea": text or null, "columnFormats": {"A": number format}, "state": "visible",
//  "page": {"orientation": "landscape", "paperSize": 9, "fitToWidth": 1, "fitToHeight": 0,
//  "fitToPage": true}, "printTitleRows": "$1:$1" or null, "printTitleCols": "$A:$B" or null, "types": {"C5": "s" or "n" ...}}}}
QJsonObject read(const QString &path);

} // namespace Openpyxl
