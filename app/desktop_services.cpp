#include "desktop_services.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

bool DesktopServices::openFile(const QString &path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QString DesktopServices::printPdf(const QString &path)
{
    QProcess lp;
    lp.start(QStringLiteral("lp"), {path});
    if (!lp.waitForStarted())
        return lp.errorString();
    lp.waitForFinished(60000);
    if (lp.exitStatus() != QProcess::NormalExit || lp.exitCode() != 0)
        return QString::fromLocal8Bit(lp.readAllStandardError()).trimmed();
    return QString();
}

void DesktopServices::showPreview(QWidget *, const QString &pdfPath)
{
    openFile(pdfPath);
}
