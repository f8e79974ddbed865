#include "print_files.h"

#include <QDir>
#include <QFileInfo>

#include "platform/app_error.h"
#include "platform/clock.h"
#include "platform/owner_only.h"
#include "platform/services.h"
#include "platform/spreadsheet_renderer.h"

namespace PrintFiles {

QString spreadsheetMissingText()
{
    return QStringLiteral("打开Excel时错误。报表功能需要安装Microsoft Excel，如果已安装Excel则可能需要重新安装。");
}

QString locateTemplate(const Services &services, const SpreadsheetRenderer &renderer)
{
    const QString xlsx = QFileInfo(services.programFile(QStringLiteral("Template.xlsx"))).absoluteFilePath();
    if (QFileInfo(xlsx).isFile())
        return xlsx;
    const QString xls = services.programFile(QStringLiteral("Template.xls"));
    if (QFileInfo(xls).isFile()) {
        // A school's old template: converted once, then the .xlsx is used from then on.
        if (!renderer.isAvailable())
            throw SpreadsheetError(spreadsheetMissingText());
        renderer.convert({xls}, QStringLiteral("xlsx"), QFileInfo(xlsx).absolutePath());
        if (QFileInfo(xlsx).isFile())
            return xlsx;
    }
    throw FileError(QStringLiteral("文件不存在：") + QDir::toNativeSeparators(xlsx));
}

static QString safeFileName(QString name)
{
    for (QChar &c : name) {
        if (QStringLiteral("/\\:*?\"<>|").contains(c) || c.unicode() < 0x20)
            c = QLatin1Char('_');
    }
    return name;
}

QString newOutputPath(const Services &services, const QString &prefix)
{
    const QString folder = services.programFile(QStringLiteral("导出"));
    if (!OwnerOnly::makeFolder(folder))
        throw FileError(QStringLiteral("无法创建文件夹：") + QDir::toNativeSeparators(folder));
    const QString stem = safeFileName(prefix) + QLatin1Char('_')
                         + services.clock.now().toString(QStringLiteral("yyyyMMdd_HHmmss"));
    QString path = QDir(folder).filePath(stem + QStringLiteral(".xlsx"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(QStringLiteral("%1_%2.xlsx").arg(stem).arg(n));
    return path;
}

} // namespace PrintFiles
