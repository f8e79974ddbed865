#include "fill_template_sheet.h"

#include <QString>

#include "platform/app_error.h"
#include "platform/query_result.h"
#include "xlsx/xlsx_workbook.h"

namespace {

struct MappedCell
{
    int row; // template row
    int column;
    const char16_t *field;
};

// The template's cells and the class-table column each one shows. The columns
// ending in 2 are the region names, not the codes.
constexpr MappedCell CellMap[] = {
    {5, 3, u"姓名"}, {5, 6, u"身份证件类型"},
    {6, 3, u"性别"}, {6, 6, u"身份证件号"},
    {7, 3, u"出生日期"}, {7, 6, u"港澳台侨外"},
    {8, 3, u"出生地行政区划代码2"}, {8, 6, u"政治面貌"},
    {9, 3, u"籍贯"}, {9, 6, u"健康状况"},
    {10, 3, u"民族"},
    {11, 3, u"国籍_地区"},
    {13, 6, u"户口所在地行政区划2"},
    {14, 6, u"户口性质"},
    {17, 6, u"入学年月"},
    {18, 6, u"入学方式"},
    {19, 6, u"就读方式"},
    {22, 3, u"现住址"}, {22, 6, u"邮政编码"},
    {23, 3, u"通信地址"},
    {24, 3, u"家庭地址"},
    {25, 3, u"联系电话"},
    {27, 3, u"是否独生子女"},
    {28, 3, u"是否受过学前教育"},
    {29, 3, u"是否留守儿童"},
    {30, 3, u"是否进城务工人员随迁子女"}, {30, 6, u"是否需要申请资助"},
    {31, 3, u"是否孤儿"}, {31, 6, u"是否享受一补"},
    {32, 3, u"是否烈士或优抚子女"},
    {37, 3, u"成员1姓名"}, {37, 6, u"成员1户口所在地行政区划2"},
    {38, 3, u"成员1关系"}, {38, 6, u"成员1联系电话"},
    {39, 6, u"成员1是否监护人"},
    {42, 3, u"成员1现住址"},
    {44, 3, u"成员2姓名"}, {44, 6, u"成员2户口所在地行政区划2"},
    {45, 3, u"成员2关系"}, {45, 6, u"成员2联系电话"},
    {46, 6, u"成员2是否监护人"},
    {49, 3, u"成员2现住址"},
};

QString field(const QueryResult &query, int row, const QString &name)
{
    const int column = query.columnIndex(name);
    if (column < 0)
        throw DatabaseError(QStringLiteral("找不到字段：") + name);
    return query.text(row, column);
}

} // namespace

void FillTemplateSheet(const QueryResult &query, int row, XlsxSheet &sheet, int rowOffset)
{
    const int base = rowOffset - 1;
    for (const MappedCell &cell : CellMap)
        sheet.setCellText(base + cell.row, cell.column, field(query, row, QString::fromUtf16(cell.field)));

    // 班号 is entry year, stage digit and class number (2015301): the year with
    // 级 and the class number are printed, the stage digit is not.
    const QString classCode = field(query, row, QStringLiteral("班号"));
    sheet.setCellText(base + 19, 3, classCode.left(4) + QStringLiteral("级"));
    sheet.setCellText(base + 20, 3, classCode.right(2));
    // A long value wraps in its cell at the template's font size; its row grows for it.
    sheet.growRowsToFitText(rowOffset, rowOffset + 49);
}
