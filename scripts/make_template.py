#!/usr/bin/python3
"""Builds resources/Template.xlsx, the default print template.

Sheet "打印模板" holds the form of one student in rows 1 to 50, columns A to F:
labels in A:B and D:E, the values the program writes in columns C and F.
Values wrap inside their cells at 9 pt (never shrink-to-fit): the program makes
a row higher when a value needs more lines, so a long address takes more lines
instead of a smaller font. The rows at one line leave room on the A4 page for
long values; the multi-person export starts each student on a new page.

Run with Debian's interpreter, which has openpyxl:
    /usr/bin/python3 scripts/make_template.py [output]
"""
import os
import sys

import openpyxl
from openpyxl.styles import Alignment, Border, Font, PatternFill, Side
from openpyxl.utils.indexed_list import IndexedList
from openpyxl.worksheet.page import PageMargins

FONT = "Noto Sans CJK SC"

# Template rows: (row, kind, texts). Kinds:
#   title, note, section, sub: one text over A:F
#   pair: label for C in A:B and label for F in D:E ("" leaves the side blank)
#   wide: label in A:B, value across C:F
#   spacer: an empty thin row
ROWS = [
    (1, "title", "学生学籍信息登记表"),
    (2, "note", "学校：                                        填表日期：        年    月    日"),
    (3, "spacer", None),
    (4, "section", "一、学生基本信息"),
    (5, "pair", ("姓名", "身份证件类型")),
    (6, "pair", ("性别", "身份证件号")),
    (7, "pair", ("出生日期", "港澳台侨外")),
    (8, "pair", ("出生地", "政治面貌")),
    (9, "pair", ("籍贯", "健康状况")),
    (10, "pair", ("民族", "曾用名")),
    (11, "pair", ("国籍/地区", "姓名拼音")),
    (12, "section", "二、户籍信息"),
    (13, "pair", ("特长", "户口所在地")),
    (14, "pair", ("身份证件有效期", "户口性质")),
    (15, "spacer", None),
    (16, "section", "三、学籍信息"),
    (17, "pair", ("学籍辅号", "入学年月")),
    (18, "pair", ("班内学号", "入学方式")),
    (19, "pair", ("年级", "就读方式")),
    (20, "pair", ("班级", "学生来源")),
    (21, "section", "四、联系方式"),
    (22, "pair", ("现住址", "邮政编码")),
    (23, "wide", "通信地址"),
    (24, "wide", "家庭地址"),
    (25, "pair", ("联系电话", "电子信箱")),
    (26, "section", "五、其他信息"),
    (27, "pair", ("是否独生子女", "上下学距离")),
    (28, "pair", ("是否受过学前教育", "上下学方式")),
    (29, "pair", ("是否留守儿童", "是否乘坐校车")),
    (30, "pair", ("是否随迁子女", "是否需要申请资助")),
    (31, "pair", ("是否孤儿", "是否享受一补")),
    (32, "pair", ("是否烈士或优抚子女", "随班就读")),
    (33, "spacer", None),
    (34, "section", "六、家庭成员或监护人信息"),
    (35, "spacer", None),
    (36, "sub", "成员一"),
    (37, "pair", ("姓名", "户口所在地")),
    (38, "pair", ("关系", "联系电话")),
    (39, "pair", ("民族", "是否监护人")),
    (40, "wide", "工作单位"),
    (41, "wide", "身份证件号"),
    (42, "wide", "现住址"),
    (43, "sub", "成员二"),
    (44, "pair", ("姓名", "户口所在地")),
    (45, "pair", ("关系", "联系电话")),
    (46, "pair", ("民族", "是否监护人")),
    (47, "wide", "工作单位"),
    (48, "wide", "身份证件号"),
    (49, "wide", "现住址"),
    (50, "note", "家长（监护人）签名：                              日期：        年    月    日"),
]

# Heights in points; a value row holds one line of 9 pt text.
HEIGHTS = {"title": 22, "note": 15, "spacer": 2, "section": 14, "sub": 13, "pair": 13, "wide": 13}
# The table spans the printable width of the page, so values get long lines.
WIDTHS = {"A": 8, "B": 8.5, "C": 30, "D": 8, "E": 8.5, "F": 23}


def build(path):
    wb = openpyxl.Workbook()
    # The workbook's base font decides the width unit of the columns; make it the
    # CJK font the cells use, so that widths mean the same in every program.
    wb._fonts = IndexedList([Font(name=FONT, sz=10, family=2, charset=134)])
    ws = wb.active
    ws.title = "打印模板"

    thin = Side(style="thin", color="000000")
    box = Border(left=thin, right=thin, top=thin, bottom=thin)
    label_font = Font(name=FONT, size=9)
    value_font = Font(name=FONT, size=9)
    shade = PatternFill("solid", fgColor="E7E6E6")
    left = Alignment(horizontal="left", vertical="center")
    # Values wrap and keep their size: never shrink-to-fit, which made long
    # addresses unreadably small on paper.
    value = Alignment(horizontal="left", vertical="center", wrap_text=True)
    centre = Alignment(horizontal="center", vertical="center", wrap_text=True)

    for col, width in WIDTHS.items():
        ws.column_dimensions[col].width = width

    def frame(first, last, row, font, fill=None, align=left):
        for col in range(first, last + 1):
            cell = ws.cell(row=row, column=col)
            cell.border = box
            cell.font = font
            cell.alignment = align
            if fill:
                cell.fill = fill

    def span(row, first, last, text, font, fill=None, align=left, border=True):
        if last > first:
            ws.merge_cells(start_row=row, start_column=first, end_row=row, end_column=last)
        if border:
            frame(first, last, row, font, fill, align)
        cell = ws.cell(row=row, column=first)
        cell.font = font
        cell.alignment = align
        if text:
            cell.value = text

    for row, kind, texts in ROWS:
        ws.row_dimensions[row].height = HEIGHTS[kind]
        if kind == "title":
            span(row, 1, 6, texts, Font(name=FONT, size=16, bold=True), align=centre, border=False)
        elif kind == "note":
            span(row, 1, 6, texts, Font(name=FONT, size=9), align=Alignment(horizontal="left", vertical="center"),
                 border=False)
        elif kind == "section":
            span(row, 1, 6, texts, Font(name=FONT, size=10, bold=True), fill=shade)
        elif kind == "sub":
            span(row, 1, 6, texts, Font(name=FONT, size=9, bold=True))
        elif kind == "pair":
            span(row, 1, 2, texts[0], label_font, align=centre)
            frame(3, 3, row, value_font, align=value)
            span(row, 4, 5, texts[1], label_font, align=centre)
            frame(6, 6, row, value_font, align=value)
        elif kind == "wide":
            span(row, 1, 2, texts, label_font, align=centre)
            span(row, 3, 6, None, value_font, align=value)

    ws.page_margins = PageMargins(left=0.6, right=0.5, top=0.5, bottom=0.6, header=0.3, footer=0.3)
    ws.page_setup.paperSize = ws.PAPERSIZE_A4
    ws.page_setup.orientation = "portrait"
    ws.print_options.horizontalCentered = True
    ws.sheet_view.showGridLines = False
    ws.print_area = "A1:F50"

    total = sum(HEIGHTS[kind] for _, kind, _ in ROWS)
    wb.save(path)
    return total


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources", "Template.xlsx")
    total = build(out)
    print(f"{out}: rows 1-50 add up to {total} pt at one line each")
