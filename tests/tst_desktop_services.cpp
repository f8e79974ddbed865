// The desktop as the program uses it: the print command (a fake printer here)
// and the modal PDF preview; and LibreOffice as the renderer.
#include <QtTest>

#include <QApplication>
#include <QDialog>
#include <QPlainTextEdit>
#include <QScreen>

#include "app/desktop_services.h"
#include "scripted_messages.h"
#include "platform/app_error.h"
#include "platform/spreadsheet_renderer.h"
#include "platform/text_file.h"
#include "xlsx/xlsx_workbook.h"
#include "print_test_support.h"

#ifdef TAVRO_HAVE_PDF_WIDGETS
#include <QPdfDocument>
#include <QPdfView>
#endif

class TestDesktopServices : public QObject
{
    Q_OBJECT

private slots:
    void printsThroughThePrintCommand();
    void printerRefusalCarriesTheSystemsText();
    void missingPrintCommand();
    void previewShowsThePdfModally();
    void rendererWithoutLibreOffice();
    void unopenableFileIsReportedWithItsPlace();
    void unopenableReportShowsInItsOwnWindow();

private:
    QString fakePrinter(const QString &body);
    QTemporaryDir m_dir;
};

void TestDesktopServices::unopenableFileIsReportedWithItsPlace()
{
    // The offscreen platform has no application for any file: as a desktop without a viewer.
    const QString path = m_dir.filePath(QStringLiteral("导出.xlsx"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    ScriptedMessages messages;
    DesktopServices desktop;
    desktop.setMessages(&messages);
    QVERIFY(!desktop.openFile(path));
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("没有找到可以打开此文件的程序。文件已保存在：") + QDir::toNativeSeparators(path)});
}

void TestDesktopServices::unopenableReportShowsInItsOwnWindow()
{
    const QString path = m_dir.filePath(QStringLiteral("check.txt"));
    const QString report = QStringLiteral("# 检查一个班里同名的可能是重复录入的学生\r\n班级\t姓名\t计数\t\r\n高一02\t张三\t2\t\r\n");
    TextFile::writeGb18030(path, report);
    ScriptedMessages messages;
    DesktopServices desktop;
    desktop.setMessages(&messages);
    QString title, shown;
    bool readOnly = false;
    QTimer::singleShot(0, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        title = modal->windowTitle();
        if (auto *text = modal->findChild<QPlainTextEdit *>()) {
            shown = text->toPlainText();
            readOnly = text->isReadOnly();
        }
        static_cast<QDialog *>(modal)->reject();
    });
    QVERIFY(desktop.openFile(path));
    QVERIFY(title.startsWith(QStringLiteral("check.txt")));
    QVERIFY(title.contains(QDir::toNativeSeparators(path)));
    QCOMPARE(shown, QString(report).remove(QLatin1Char('\r')));
    QVERIFY(readOnly);
    QVERIFY(messages.texts().isEmpty());
}

QString TestDesktopServices::fakePrinter(const QString &body)
{
    static int n = 0;
    const QString path = m_dir.filePath(QStringLiteral("lp%1").arg(++n));
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly))
        return {};
    script.write(("#!/bin/sh\n" + body + "\n").toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

void TestDesktopServices::printsThroughThePrintCommand()
{
    const QString log = m_dir.filePath(QStringLiteral("printed.log"));
    DesktopServices desktop(fakePrinter(QStringLiteral("echo \"$@\" >> '%1'\necho 'request id is fake-1 (1 file(s))'").arg(log)));
    QVERIFY(desktop.canPrint());
    const QString pdf = m_dir.filePath(QStringLiteral("学生 1.pdf"));
    QFile(pdf).open(QIODevice::WriteOnly);
    QCOMPARE(desktop.printPdf(pdf), QString());
    QCOMPARE(QString::fromUtf8(readFile(log)).trimmed(), QFileInfo(pdf).absoluteFilePath());
}

void TestDesktopServices::printerRefusalCarriesTheSystemsText()
{
    DesktopServices refusing(fakePrinter(QStringLiteral("echo 'lp: Error - no default destination available.' >&2\nexit 1")));
    const QString refusal = refusing.printPdf(m_dir.filePath(QStringLiteral("x.pdf")));
    QCOMPARE(refusal, QStringLiteral("lp: Error - no default destination available."));
    QVERIFY(refusing.meansNoPrinter(refusal));
    QVERIFY(refusing.meansNoPrinter(QStringLiteral("/usr/bin/lp: Error - No default destination.")));
    DesktopServices silent(fakePrinter(QStringLiteral("exit 3")));
    const QString failure = silent.printPdf(m_dir.filePath(QStringLiteral("x.pdf")));
    QVERIFY(failure.contains(QStringLiteral("3")));
    QVERIFY(!silent.meansNoPrinter(failure));
}

void TestDesktopServices::missingPrintCommand()
{
    DesktopServices desktop(QStringLiteral("tavro-no-such-print-command"));
    QVERIFY(!desktop.canPrint());
    QVERIFY(desktop.printPdf(m_dir.filePath(QStringLiteral("x.pdf"))).contains(QStringLiteral("tavro-no-such-print-command")));
    QVERIFY(!DesktopServices(m_dir.filePath(QStringLiteral("absent"))).canPrint());
}

void TestDesktopServices::previewShowsThePdfModally()
{
#ifndef TAVRO_HAVE_PDF_WIDGETS
    QSKIP("built without Qt PDF");
#else
    const SpreadsheetRenderer renderer;
    if (!renderer.isAvailable())
        QSKIP("LibreOffice is not installed");
    const QString pdf = renderer.renderPdf(defaultTemplate(), m_dir.path());
    DesktopServices desktop;
    QString title;
    int pages = -1;
    QRect frame, screenArea;
    QTimer::singleShot(0, this, [&] {
        // Runs inside the modal loop: look at the window, then close it.
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        title = modal->windowTitle();
        frame = modal->frameGeometry();
        screenArea = modal->screen()->availableGeometry();
        if (auto *view = modal->findChild<QPdfView *>())
            pages = view->document() ? view->document()->pageCount() : -1;
        static_cast<QDialog *>(modal)->reject();
    });
    desktop.showPreview(nullptr, pdf);
    QCOMPARE(title, QStringLiteral("打印预览"));
    QCOMPARE(pages, 1);
    // The whole window, its 关闭 button included, lies on the screen.
    QVERIFY2(screenArea.contains(frame), qPrintable(QStringLiteral("window %1x%2 at %3,%4 on a %5x%6 screen")
                                                          .arg(frame.width()).arg(frame.height()).arg(frame.x())
                                                          .arg(frame.y()).arg(screenArea.width()).arg(screenArea.height())));
#endif
}

void TestDesktopServices::rendererWithoutLibreOffice()
{
    const SpreadsheetRenderer none{QString()};
    QVERIFY(!none.isAvailable());
    QVERIFY_THROWS_EXCEPTION(SpreadsheetError, none.renderPdf(defaultTemplate(), m_dir.path()));
    QVERIFY(!SpreadsheetRenderer(m_dir.filePath(QStringLiteral("soffice"))).isAvailable());
}

QTEST_MAIN(TestDesktopServices)
#include "tst_desktop_services.moc"
