#include "console_services.h"

#include <QDir>
#include <QTextStream>

#include "core/operations/workbook_export.h"
#include "platform/app_error.h"

void NoMessages::refuse(const QString &text)
{
    throw AppError(QStringLiteral("命令行不显示消息框：") + text);
}

QString keptFileText(const QString &path)
{
    return QStringLiteral("文件“%1”已存在，没有被替换。要替换它，请加上 --replace。").arg(QDir::toNativeSeparators(path));
}

int reportExport(const WorkbookExport &outcome, const QString &into, QTextStream &out, QTextStream &err)
{
    const QString message = QString(outcome.message).remove(QLatin1Char('\r'));
    if (outcome.written()) {
        out << message << Qt::endl << QDir::toNativeSeparators(outcome.path) << Qt::endl;
        return 0;
    }
    if (outcome.outcome == WorkbookExport::Outcome::NeedsConsent)
        err << keptFileText(outcome.path) << Qt::endl;
    else
        err << (message.isEmpty() ? QStringLiteral("没有可导出的记录。") : message) << Qt::endl
            << QStringLiteral("没有写出文件：") << QDir::toNativeSeparators(into) << Qt::endl;
    return 1;
}
