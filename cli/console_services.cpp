#include "console_services.h"

#include <QDir>

#include "platform/app_error.h"

void ConsoleMessages::showMessage(const QString &text)
{
    m_out << QString(text).remove(QLatin1Char('\r')) << Qt::endl;
}

Messages::Answer ConsoleMessages::askBox(QWidget *, const QString &, const QString &text, Icon, Buttons buttons)
{
    m_out << QString(text).remove(QLatin1Char('\r')) << Qt::endl;
    switch (buttons) {
    case Buttons::YesNo:
        return Answer::No;
    case Buttons::OkCancel:
        return Answer::Cancel;
    case Buttons::Ok:
        break;
    }
    return Answer::Ok;
}

void ConsoleMessages::showError(const QString &text)
{
    m_err << text << Qt::endl;
}

ReplaceConsent replaceConsent(bool replace)
{
    return [replace](const QString &path) {
        if (!replace)
            throw AppError(QStringLiteral("文件“%1”已存在，没有被替换。要替换它，请加上 --replace。")
                               .arg(QDir::toNativeSeparators(path)));
        return true;
    };
}
