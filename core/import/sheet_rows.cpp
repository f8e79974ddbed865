#include "sheet_rows.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>

#include "platform/app_error.h"
#include "platform/spreadsheet_renderer.h"
#include "platform/text_file.h"

namespace SheetRowsReader {

namespace {

// UTF-8 when the bytes are valid UTF-8 (a byte order mark is dropped), else GBK.
QString decodeCsv(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return TextFile::decodeGb18030(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

// The fields of CSV text: separated by commas, quoted with " (doubled inside).
QList<QStringList> csvRecords(const QString &text)
{
    QList<QStringList> records;
    QStringList fields;
    QString field;
    bool quoted = false;
    bool any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            any = true;
        } else if (c == QLatin1Char(',')) {
            fields << field;
            field.clear();
            any = true;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            fields << field;
            records << fields;
            fields.clear();
            field.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !field.isEmpty()) {
        fields << field;
        records << fields;
    }
    return records;
}

} // namespace

SheetRows readCsv(const QByteArray &bytes)
{
    SheetRows out;
    const QList<QStringList> records = csvRecords(decodeCsv(bytes));
    for (qsizetype n = 0; n < records.size(); ++n) {
        SheetRows::Row row;
        row.number = int(n + 1);
        bool any = false;
        for (const QString &field : records.at(n)) {
            SheetCell cell;
            cell.text = field;
            row.cells.append(cell);
            any = any || !field.trimmed().isEmpty();
        }
        if (!any)
            continue;
        if (out.headings.isEmpty() && out.rows.isEmpty()) {
            for (const SheetCell &cell : row.cells)
                out.headings << cell.text.trimmed();
        } else {
            out.rows.append(row);
        }
    }
    return out;
}

SheetRows read(const QString &path, const QString &sheet)
{
    const QFileInfo info(path);
    if (!info.isFile())
        throw SpreadsheetError(QStringLiteral("找不到要导入的文件“%1”，请检查路径。").arg(path));
    const QString suffix = info.suffix().toLower();
    if (suffix == QLatin1String("csv")) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw SpreadsheetError(QStringLiteral("无法读取文件“%1”，请确认它没有被其它程序占用。\n").arg(path)
                                   + file.errorString());
        return readCsv(file.readAll());
    }
    if (suffix == QLatin1String("xlsx"))
        return readXlsx(path, sheet);
    if (suffix == QLatin1String("xls") || suffix == QLatin1String("ods")) {
        const SpreadsheetRenderer renderer;
        if (!renderer.isAvailable())
            throw SpreadsheetError(QStringLiteral("读取 .%1 文件需要 LibreOffice，但本机没有安装。请安装 LibreOffice，或把文件另存为 .xlsx 后再导入。")
                                       .arg(suffix));
        QTemporaryDir work(QDir::tempPath() + QStringLiteral("/tavro-import-XXXXXX"));
        if (!work.isValid())
            throw SpreadsheetError(QStringLiteral("无法建立临时文件夹来转换“%1”，请检查临时文件夹的空间和权限。\n").arg(path)
                                   + work.errorString());
        const QStringList converted = renderer.convert({info.absoluteFilePath()}, QStringLiteral("xlsx"), work.path());
        SheetRows rows = readXlsx(converted.value(0), sheet);
        return rows;
    }
    throw SpreadsheetError(QStringLiteral("不能导入“%1”：只能导入 .xlsx、.xls、.ods 或 .csv 文件。").arg(path));
}

} // namespace SheetRowsReader
