#include "xlsx_workbook.h"

#include <QFileInfo>

#include "platform/app_error.h"
#include "xlsx/xlsx_book.h"
#include "xlsx/xlsx_xml.h"

using XlsxXml::withDeclaration;

XlsxWorkbook::XlsxWorkbook(std::unique_ptr<XlsxBook> book) : d(std::move(book)) {}
XlsxWorkbook::XlsxWorkbook(XlsxWorkbook &&) noexcept = default;
XlsxWorkbook &XlsxWorkbook::operator=(XlsxWorkbook &&) noexcept = default;
XlsxWorkbook::~XlsxWorkbook() = default;

XlsxWorkbook XlsxWorkbook::open(const QString &path)
{
    if (!QFileInfo(path).isFile())
        throw SpreadsheetError(QStringLiteral("文件不存在：") + path);
    return XlsxWorkbook(std::make_unique<XlsxBook>(XlsxPackage::read(path), QFileInfo(path).absoluteFilePath()));
}

XlsxWorkbook XlsxWorkbook::create()
{
    XlsxPackage p;
    p.setPart("[Content_Types].xml",
              withDeclaration(
                  "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                  "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                  "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                  "<Override PartName=\"/xl/workbook.xml\" "
                  "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
                  "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
                  "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
                  "<Override PartName=\"/xl/styles.xml\" "
                  "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
                  "<Override PartName=\"/xl/sharedStrings.xml\" "
                  "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
                  "</Types>"));
    p.setPart("_rels/.rels",
              withDeclaration(
                  "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                  "<Relationship Id=\"rId1\" "
                  "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                  "Target=\"xl/workbook.xml\"/></Relationships>"));
    p.setPart("xl/workbook.xml",
              withDeclaration(
                  "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                  "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                  "<bookViews><workbookView activeTab=\"0\"/></bookViews>"
                  "<sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"));
    p.setPart("xl/_rels/workbook.xml.rels",
              withDeclaration(
                  "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                  "<Relationship Id=\"rId1\" "
                  "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
                  "Target=\"worksheets/sheet1.xml\"/>"
                  "<Relationship Id=\"rId2\" "
                  "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
                  "Target=\"styles.xml\"/>"
                  "<Relationship Id=\"rId3\" "
                  "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
                  "Target=\"sharedStrings.xml\"/></Relationships>"));
    p.setPart("xl/styles.xml", withDeclaration(XlsxStyles::newPartXml()));
    p.setPart("xl/sharedStrings.xml",
              withDeclaration("<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                              "count=\"0\" uniqueCount=\"0\"/>"));
    p.setPart("xl/worksheets/sheet1.xml", withDeclaration(XlsxSheet::newPartXml()));
    return XlsxWorkbook(std::make_unique<XlsxBook>(std::move(p), QString()));
}

int XlsxWorkbook::sheetCount() const
{
    return d->sheetCount();
}

QStringList XlsxWorkbook::sheetNames() const
{
    QStringList names;
    for (int i = 0; i < d->sheetCount(); ++i)
        names << d->sheetAt(i).name();
    return names;
}

XlsxSheet &XlsxWorkbook::sheet(int index)
{
    if (index < 1 || index > sheetCount())
        throw SpreadsheetError(QStringLiteral("工作表 %1 不存在").arg(index));
    return d->sheetAt(index - 1);
}

XlsxSheet *XlsxWorkbook::findSheet(const QString &name)
{
    return d->findSheet(name);
}

XlsxSheet &XlsxWorkbook::sheet(const QString &name)
{
    if (XlsxSheet *s = findSheet(name))
        return *s;
    throw SpreadsheetError(QStringLiteral("工作表“%1”不存在").arg(name));
}

QString XlsxWorkbook::sheetNameProblem(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("工作表名称不能为空");
    if (name.size() > 31)
        return QStringLiteral("工作表名称“%1”超过 31 个字符").arg(name);
    for (QChar c : name) {
        if (QStringLiteral(":\\/?*[]").contains(c))
            return QStringLiteral("工作表名称“%1”含有不允许的字符 %2").arg(name, c);
    }
    if (name.startsWith(QLatin1Char('\'')) || name.endsWith(QLatin1Char('\'')))
        return QStringLiteral("工作表名称“%1”不能以单引号开头或结尾").arg(name);
    return {};
}

XlsxSheet &XlsxWorkbook::addSheetInFront(const QString &name)
{
    const QString problem = sheetNameProblem(name);
    if (!problem.isEmpty())
        throw SpreadsheetError(problem);
    if (findSheet(name))
        throw SpreadsheetError(QStringLiteral("工作表名称“%1”已被使用").arg(name));
    return d->addSheetInFront(name);
}

XlsxSheet &XlsxWorkbook::copySheetToFront(const XlsxSheet &source)
{
    return d->copySheetToFront(source);
}

void XlsxWorkbook::activate(const XlsxSheet &sheet)
{
    d->activate(sheet);
}

void XlsxWorkbook::hideAllBut(const XlsxSheet &sheet)
{
    d->hideAllBut(sheet);
}

bool XlsxWorkbook::isHidden(const XlsxSheet &sheet) const
{
    return d->isHidden(sheet);
}

const XlsxSheet &XlsxWorkbook::activeSheet() const
{
    return d->sheetAt(d->activeIndex());
}

void XlsxWorkbook::saveAs(const QString &path, int compressionLevel, AtomicFile::Existing existing)
{
    d->saveAs(path, compressionLevel, existing);
}

void XlsxWorkbook::saveStreaming(const QString &path, AtomicFile::Existing existing,
                                 const std::vector<std::pair<const XlsxSheet *, XlsxSheetStream *>> &streams)
{
    d->saveStreaming(path, existing, streams);
}
