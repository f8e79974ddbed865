#include "desktop_services.h"

#include "app/text_file_window.h"

#include "platform/busy_cursor.h"
#include "platform/messages.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

#ifdef TAVRO_HAVE_PDF_WIDGETS
#include <QPdfDocument>
#include <QPdfView>
#endif

DesktopServices::DesktopServices(QString printCommand) : m_printCommand(std::move(printCommand)) {}

bool DesktopServices::openFile(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(absolute)))
        return true;
    // A report (check.txt) is read here when the desktop has no text viewer.
    if (QFileInfo(absolute).suffix().compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0) {
        showReport(absolute);
        return true;
    }
    // The file is written; without a viewer the user must at least learn where it is.
    if (m_messages)
        m_messages->showMessage(QStringLiteral("没有找到可以打开此文件的程序。文件已保存在：") + QDir::toNativeSeparators(absolute));
    return false;
}

void DesktopServices::showReport(const QString &path)
{
    TextFileWindow window(QFileInfo(path).absoluteFilePath(), QApplication::activeWindow());
    const ArrowWhileAsking arrow;
    window.exec();
}

QString DesktopServices::printProgram() const
{
    if (QFileInfo(m_printCommand).isAbsolute())
        return QFileInfo(m_printCommand).isExecutable() ? m_printCommand : QString();
    return QStandardPaths::findExecutable(m_printCommand);
}

bool DesktopServices::canPrint() const
{
    return !printProgram().isEmpty();
}

QString DesktopServices::printPdf(const QString &path)
{
    const QString program = printProgram();
    if (program.isEmpty())
        return QStringLiteral("找不到打印命令 %1").arg(m_printCommand);
    QProcess process;
    process.start(program, {QFileInfo(path).absoluteFilePath()});
    if (!process.waitForStarted(30000))
        return process.errorString();
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished(5000);
        return QStringLiteral("打印命令 %1 没有响应").arg(m_printCommand);
    }
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return {};
    QString text = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    if (text.isEmpty())
        text = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    if (text.isEmpty())
        text = QStringLiteral("打印命令 %1 失败（退出码 %2）").arg(m_printCommand).arg(process.exitCode());
    return text;
}

bool DesktopServices::meansNoPrinter(const QString &refusal) const
{
    for (const char *words : {"no default destination", "printer or class does not exist", "scheduler not responding",
                              "no system default destination"}) {
        if (refusal.contains(QLatin1String(words), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

void DesktopServices::showPreview(QWidget *owner, const QString &pdfPath)
{
#ifdef TAVRO_HAVE_PDF_WIDGETS
    QDialog dialog(owner);
    dialog.setWindowTitle(QStringLiteral("打印预览"));
    // A page-high window, but never taller or wider than the screen (1366 x 768
    // is common in classrooms): the 关闭 button must stay reachable. Some room
    // is left for the window frame.
    QSize size(760, 900);
    if (const QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() - QSize(40, 60));
    dialog.resize(size);
    QPdfDocument document(&dialog);
    if (document.load(pdfPath) == QPdfDocument::Error::None) {
        auto *view = new QPdfView(&dialog);
        view->setAccessibleName(QStringLiteral("打印预览"));
        view->setDocument(&document);
        view->setPageMode(QPdfView::PageMode::MultiPage);
        view->setZoomMode(QPdfView::ZoomMode::FitToWidth);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
        buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("关闭"));
        buttons->button(QDialogButtonBox::Close)->setAccessibleName(QStringLiteral("关闭"));
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        auto *layout = new QVBoxLayout(&dialog);
        layout->addWidget(view);
        layout->addWidget(buttons);
        const ArrowWhileAsking arrow;
        dialog.exec();
        return;
    }
#else
    Q_UNUSED(owner);
#endif
    openFile(pdfPath);
}
