#include "text_file_window.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "platform/text_file.h"

TextFileWindow::TextFileWindow(const QString &path, QWidget *parent) : QDialog(parent), m_text(new QPlainTextEdit(this))
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    setWindowTitle(QFileInfo(path).fileName() + QStringLiteral(" - ") + QDir::toNativeSeparators(absolute));
    QFile file(absolute);
    // The file was written a moment ago; should it be gone, the window says so instead of its text.
    const QString text = file.open(QIODevice::ReadOnly) ? TextFile::decodeGb18030(file.readAll())
                                                        : QStringLiteral("无法读取文件：") + QDir::toNativeSeparators(absolute)
                                                              + QLatin1Char('\n') + file.errorString();
    m_text->setPlainText(text);
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The report is tab-separated: tab stops six Chinese characters apart keep
    // class names and student names in their columns.
    m_text->setTabStopDistance(m_text->fontMetrics().horizontalAdvance(QString(6, QChar(0x6C49))));
    m_text->setAccessibleName(QFileInfo(path).fileName());

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("关闭"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(buttons);

    QSize size(720, 520);
    if (const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() - QSize(40, 60));
    resize(size);
}
