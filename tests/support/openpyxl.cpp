#include "openpyxl.h"

#include <stdexcept>

#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>

namespace Openpyxl {

static const char *Python = "/usr/bin/python3";

bool available()
{
    if (!QFileInfo(QString::fromLatin1(Python)).isExecutable())
        return false;
    QProcess p;
    p.start(QString::fromLatin1(Python), {QStringLiteral("-c"), QStringLiteral("import openpyxl")});
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QByteArray run(const QString &code, const QStringList &arguments)
{
    QProcess p;
    QStringList args{QStringLiteral("-c"), code};
    args << arguments;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PYTHONIOENCODING"), QStringLiteral("utf-8"));
    p.setProcessEnvironment(env);
    p.start(QString::fromLatin1(Python), args);
    if (!p.waitForFinished(240000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw std::runtime_error(("python failed: " + p.readAllStandardError()).toStdString());
    return p.readAllStandardOutput();
}

void make(const QString &path, const QString &code)
{
    const QString script = QStringLiteral(
        "import sys, openpyxl\n"
        "from openpyxl.styles import Font, Border, Side, PatternFill, Alignment\n"
        "wb = openpyxl.Workbook()\n"
        "ws = wb.active\n")
        + code + QStringLiteral("\nwb.save(sys.argv[1])\n");
    run(script, {path});
}

static const char *DumpScript = R"PY(
import sys, json, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
out = {"sheets": wb.sheetnames, "active": wb.active.title, "sheet": {}}
def style(c):
    b = c.border
    fill = c.fill.fgColor.rgb if c.fill and c.fill.fill_type else ""
    return "|".join(str(x) for x in [c.font.name, c.font.sz, bool(c.font.b),
        b.left.style, b.right.style, b.top.style, b.bottom.style, fill, bool(c.alignment.wrap_text)])
for ws in wb.worksheets:
    d = {"cells": {}, "formats": {}, "styles": {}, "heights": {}, "widths": {}, "columnFormats": {}}
    for row in ws.iter_rows():
        for c in row:
            if c.value is not None:
                d["cells"][c.coordinate] = str(c.value)
                d["formats"][c.coordinate] = c.number_format
            if c.has_style:
                d["styles"][c.coordinate] = style(c)
    d["merged"] = sorted(str(r) for r in ws.merged_cells.ranges)
    for r, dim in ws.row_dimensions.items():
        if dim.height is not None:
            d["heights"][str(r)] = dim.height
    for key, dim in ws.column_dimensions.items():
        lo, hi = dim.min or 0, dim.max or 0
        for n in range(lo, min(hi, 200) + 1):
            letter = openpyxl.utils.get_column_letter(n)
            if dim.customWidth:
                d["widths"][letter] = dim.width
            d["columnFormats"][letter] = dim.number_format
    m = ws.page_margins
    d["margins"] = [m.left, m.right, m.top, m.bottom, m.header, m.footer]
    d["rightFooter"] = ws.oddFooter.right.text
    area = ws.print_area
    d["printArea"] = ",".join(area) if isinstance(area, list) else area
    d["state"] = ws.sheet_state
    ps = ws.page_setup
    fit = ws.sheet_properties.pageSetUpPr
    d["page"] = {"orientation": ps.orientation, "paperSize": ps.paperSize,
        "fitToWidth": ps.fitToWidth, "fitToHeight": ps.fitToHeight,
        "fitToPage": bool(fit.fitToPage) if fit is not None else False}
    d["printTitleRows"] = ws.print_title_rows
    d["printTitleCols"] = ws.print_title_cols
    d["types"] = {c.coordinate: c.data_type for row in ws.iter_rows() for c in row if c.value is not None}
    out["sheet"][ws.title] = d
print(json.dumps(out, ensure_ascii=False))
)PY";

QJsonObject read(const QString &path)
{
    const QByteArray json = run(QString::fromUtf8(DumpScript), {path});
    return QJsonDocument::fromJson(json).object();
}

} // namespace Openpyxl
