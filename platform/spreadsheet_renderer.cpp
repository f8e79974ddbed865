#include "spreadsheet_renderer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include "platform/app_error.h"
#include "platform/atomic_file.h"

SpreadsheetRenderer::SpreadsheetRenderer(QString program) : m_program(std::move(program)) {}

QString SpreadsheetRenderer::locate()
{
    for (const char *name : {"soffice", "libreoffice"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return found;
    }
    return {};
}

bool SpreadsheetRenderer::isAvailable() const
{
    const QFileInfo info(m_program);
    return !m_program.isEmpty() && info.isFile() && info.isExecutable();
}

QStringList SpreadsheetRenderer::convert(const QStringList &files, const QString &format, const QString &outDir) const
{
    if (!isAvailable())
        throw SpreadsheetError(QStringLiteral("找不到 LibreOffice（soffice），无法转换电子表格文件"));
    if (files.isEmpty())
        return {};

    // LibreOffice reads its arguments in the system's locale; plain ASCII names
    // in a private folder keep Chinese file names out of its way.
    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/tavro-render-XXXXXX"));
    if (!work.isValid())
        throw SpreadsheetError(QStringLiteral("无法创建临时文件夹：") + work.errorString());
    const QString profile = work.filePath(QStringLiteral("profile"));
    const QString out = work.filePath(QStringLiteral("out"));
    QDir().mkpath(out);

    QStringList arguments{QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile).toString(),
                          QStringLiteral("--headless"), QStringLiteral("--norestore"),
                          QStringLiteral("--convert-to"), format, QStringLiteral("--outdir"), out};
    QStringList inputs;
    for (int i = 0; i < files.size(); ++i) {
        const QString input = work.filePath(QStringLiteral("in%1.%2").arg(i, 4, 10, QLatin1Char('0'))
                                                 .arg(QFileInfo(files[i]).suffix().toLower()));
        if (!QFile::copy(files[i], input))
            throw SpreadsheetError(QStringLiteral("无法读取文件：") + files[i]);
        inputs << input;
    }
    arguments << inputs;

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(work.path());
    process.start(m_program, arguments);
    const int timeout = 120000 + 5000 * int(files.size());
    if (!process.waitForStarted(30000))
        throw SpreadsheetError(QStringLiteral("无法启动 LibreOffice：") + process.errorString());
    if (!process.waitForFinished(timeout)) {
        process.kill();
        process.waitForFinished(5000);
        throw SpreadsheetError(QStringLiteral("LibreOffice 转换超时"));
    }
    const QString output = QString::fromLocal8Bit(process.readAll()).trimmed();

    // "csv:<filter>:<options>" names the filter; the file gets the part before the colon.
    const QString extension = format.section(QLatin1Char(':'), 0, 0);
    QStringList results;
    for (int i = 0; i < files.size(); ++i) {
        const QString produced = out + QLatin1Char('/') + QFileInfo(inputs[i]).completeBaseName() + QLatin1Char('.') + extension;
        if (!QFileInfo(produced).isFile()) {
            throw SpreadsheetError(QStringLiteral("LibreOffice 无法转换文件 %1%2")
                                       .arg(files[i], output.isEmpty() ? QString() : QStringLiteral("：") + output));
        }
        const QString target = QDir(outDir).filePath(QFileInfo(files[i]).completeBaseName() + QLatin1Char('.') + extension);
        // Whole or not at all: a converted template lands in the program's folder.
        QFile result(produced);
        if (!result.open(QIODevice::ReadOnly))
            throw SpreadsheetError(QStringLiteral("无法读取 LibreOffice 转换的文件：") + produced + QLatin1Char('\n') + result.errorString());
        AtomicFile::write(target, result.readAll());
        results << target;
    }
    return results;
}

QString SpreadsheetRenderer::renderPdf(const QString &workbook, const QString &outDir) const
{
    return convert({workbook}, QStringLiteral("pdf"), outDir).value(0);
}
