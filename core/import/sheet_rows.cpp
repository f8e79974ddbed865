#include "sheet_rows.h"

#include <cmath>

#include <QFileInfo>
#include <QTemporaryDir>

#include "core/import/read_ahead_rows.h"
#include "platform/app_error.h"
#include "platform/spreadsheet_renderer.h"
#include "xlsx/xlsx_address.h"

namespace {

QString splitAdvice()
{
    return QStringLiteral("请把文件分成几个较小的文件后分别导入。");
}

// An .xls or .ods converted to .xlsx in a temporary folder that lives as long as its rows are read.
class ConvertedSheet final : public SheetRowReader
{
public:
    ConvertedSheet(const QFileInfo &info, const QString &sheet)
    {
        const QString suffix = info.suffix().toLower();
        const SpreadsheetRenderer renderer;
        if (!renderer.isAvailable())
            throw SpreadsheetError(QStringLiteral("读取 .%1 文件需要 LibreOffice，但本机没有安装。请安装 LibreOffice，或把文件另存为 .xlsx 后再导入。")
                                       .arg(suffix));
        if (!m_work.isValid())
            throw SpreadsheetError(QStringLiteral("无法建立临时文件夹来转换“%1”，请检查临时文件夹的空间和权限。\n")
                                       .arg(info.filePath())
                                   + m_work.errorString());
        const QStringList converted = renderer.convert({info.absoluteFilePath()}, QStringLiteral("xlsx"), m_work.path());
        m_inner = SheetRowsReader::openXlsx(converted.value(0), sheet);
        m_sheetName = m_inner->sheetName();
    }
    bool next(SheetRow &row) override { return m_inner->next(row); }
    int permilleRead() const override { return m_inner->permilleRead(); }

private:
    QTemporaryDir m_work{QDir::tempPath() + QStringLiteral("/tavro-import-XXXXXX")};
    std::unique_ptr<SheetRowReader> m_inner;
};

} // namespace

void SheetLimitGuard::cell(int row, int column, qsizetype characters)
{
    if (column > SheetLimits::MaxColumns)
        throw SpreadsheetError(QStringLiteral("“%1”第 %2 行的单元格 %3 超出了可导入的 %4 列（A 到 %5 列）。请删去多余的列后再导入。")
                                   .arg(m_file, QString::number(row),
                                        XlsxAddress::cellName(row, qMin(column, XlsxAddress::MaxColumns)),
                                        QString::number(SheetLimits::MaxColumns), ColumnLetters(SheetLimits::MaxColumns)));
    if (characters > SheetLimits::MaxCellCharacters)
        throw SpreadsheetError(QStringLiteral("“%1”第 %2 行的单元格 %3 超过了 %4 个字符（Excel 单元格的上限）。请检查这个单元格。")
                                   .arg(m_file, QString::number(row), XlsxAddress::cellName(row, column),
                                        QString::number(SheetLimits::MaxCellCharacters)));
    m_characters += characters;
    if (m_characters > SheetLimits::MaxTotalCharacters)
        throw SpreadsheetError(QStringLiteral("“%1”的单元格合计超过 %2 万个字符，不能一次导入。").arg(m_file, QString::number(SheetLimits::MaxTotalCharacters / 10000))
                               + splitAdvice());
}

void SheetLimitGuard::row()
{
    if (++m_rows > SheetLimits::MaxRows)
        throw SpreadsheetError(QStringLiteral("“%1”超过 %2 行，不能一次导入。").arg(m_file, QString::number(SheetLimits::MaxRows)) + splitAdvice());
}

void SheetLimitGuard::sharedString(qsizetype index, qsizetype characters)
{
    if (characters > SheetLimits::MaxCellCharacters)
        throw SpreadsheetError(QStringLiteral("“%1”的共享文字第 %2 项超过了 %3 个字符（Excel 单元格的上限），文件可能已损坏。请用 Excel 或 WPS 打开后另存一份再导入。")
                                   .arg(m_file, QString::number(index + 1), QString::number(SheetLimits::MaxCellCharacters)));
    m_sharedCharacters += characters;
    if (m_sharedCharacters > SheetLimits::MaxTotalCharacters)
        throw SpreadsheetError(QStringLiteral("“%1”的共享文字合计超过 %2 万个字符，不能一次导入。").arg(m_file, QString::number(SheetLimits::MaxTotalCharacters / 10000))
                               + splitAdvice());
}

namespace SheetRowsReader {

QDate dateOfSerial(double serial, bool date1904)
{
    if (!(serial >= 0 && serial < 2958466)) // through 9999-12-31
        return {};
    const qint64 days = qint64(std::floor(serial));
    if (date1904)
        return QDate(1904, 1, 1).addDays(days);
    // Excel counts a 1900-02-29 that never was: serials before it start a day later.
    if (days == 60)
        return {};
    return QDate(1899, 12, days < 60 ? 31 : 30).addDays(days);
}

std::unique_ptr<SheetRowReader> open(const QString &path, const QString &sheet)
{
    const QFileInfo info(path);
    if (!info.isFile())
        throw SpreadsheetError(QStringLiteral("找不到要导入的文件“%1”，请检查路径。").arg(path));
    const QString suffix = info.suffix().toLower();
    const bool known = suffix == QLatin1String("csv") || suffix == QLatin1String("xlsx") || suffix == QLatin1String("xls")
                       || suffix == QLatin1String("ods");
    if (!known)
        throw SpreadsheetError(QStringLiteral("不能导入“%1”：只能导入 .xlsx、.xls、.ods 或 .csv 文件。").arg(path));
    if (info.size() > SheetLimits::MaxFileBytes)
        throw SpreadsheetError(QStringLiteral("“%1”有 %2 MB，超过了可导入文件 %3 MB 的上限。")
                                   .arg(path, QString::number(info.size() / (1024 * 1024)),
                                        QString::number(SheetLimits::MaxFileBytes / (1024 * 1024)))
                               + splitAdvice());
    if (suffix == QLatin1String("csv"))
        return openCsv(path);
    if (suffix == QLatin1String("xlsx"))
        return std::make_unique<ReadAheadRows>(openXlsx(path, sheet));
    return std::make_unique<ConvertedSheet>(info, sheet);
}

} // namespace SheetRowsReader
