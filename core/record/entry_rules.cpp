#include "entry_rules.h"

#include <cmath>

#include "core/record/stored_value.h"

namespace EntryRules {

bool IsAllDigits(const QString &text)
{
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

bool IsValidIdNumber(const QString &text)
{
    // Counted in characters, so a character outside the BMP counts once.
    const qsizetype length = text.toUcs4().size();
    if (length != 15 && length != 18)
        return false;
    if (IsAllDigits(text))
        return true;
    return text.endsWith(QLatin1Char('x'), Qt::CaseInsensitive);
}

QString trimControls(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

QString StripBlanks(const QString &text)
{
    QString out = text;
    out.remove(QLatin1Char(' '));
    return trimControls(out);
}

QString halfWidth(const QString &text)
{
    // The full-width forms U+FF10.. sit 0xFEE0 above their ASCII characters.
    QString out = text;
    for (QChar &c : out) {
        const char16_t u = c.unicode();
        if ((u >= 0xFF10 && u <= 0xFF19) || (u >= 0xFF21 && u <= 0xFF3A) || (u >= 0xFF41 && u <= 0xFF5A))
            c = QChar(char16_t(u - 0xFEE0));
    }
    return out;
}

QString stageDigit(const QString &classTableName)
{
    if (classTableName.startsWith(QStringLiteral("小")))
        return QStringLiteral("1");
    if (classTableName.startsWith(QStringLiteral("初")))
        return QStringLiteral("2");
    if (classTableName.startsWith(QStringLiteral("高")))
        return QStringLiteral("3");
    return QStringLiteral("0");
}

QString classCode(const QString &entryYear, const QString &classTableName, const QString &classNumber)
{
    return StoredValue::encodeClassCode(entryYear, classTableName, classNumber);
}

int yearsBetween(QDate birth, const QDateTime &startup)
{
    // Whole days from the calendar, the time of day as a fraction: no time
    // zone or daylight-saving shift can move the result.
    const qint64 wholeDays = startup.date().toJulianDay() - birth.toJulianDay();
    const double fraction = startup.time().msecsSinceStartOfDay() / 86400000.0;
    const double days = std::fabs(double(wholeDays) + fraction);
    return int(std::trunc(days / 365.25));
}

bool birthDateAccepted(QDate birth, const QDateTime &startup)
{
    if (!birth.isValid() || !startup.isValid())
        return false;
    return yearsBetween(birth, startup) > 4;
}

bool jiguanAccepted(const QString &jiguan)
{
    return jiguan.contains(QStringLiteral("省")) && jiguan.contains(QStringLiteral("市"))
        && (jiguan.contains(QStringLiteral("县")) || jiguan.contains(QStringLiteral("区")));
}

QString emptyFieldsMessage(int count)
{
    return QStringLiteral("检测到有 %1 处未完成的项目，已以其它颜色标示。请填写完全才能提交。如果不确定要怎么填，请咨询在场的老师。")
        .arg(count);
}

QString birthDateMessage(QDate birth, const QLocale &locale)
{
    return locale.toString(birth, QLocale::ShortFormat) + QStringLiteral(" -- 出生日期不对。");
}

QString idNumberMessage(const QString &cardNo)
{
    return cardNo + QStringLiteral(" -- 国内居民身份证号码不对");
}

QString postcodeMessage(const QString &zip)
{
    return zip + QStringLiteral(" -- 邮政编码错误，必须是数字。");
}

QString contactMessage(const QString &contact)
{
    return contact + QStringLiteral(" 联系电话错误，必须全部是数字。");
}

QString member1ContactMessage(const QString &contact1)
{
    return contact1 + QStringLiteral(" -- 联系电话错误，必须全部是数字。");
}

QString member2ContactMessage(const QString &contact2)
{
    return contact2 + QStringLiteral(" 联系电话错误，必须全部是数字。");
}

QString jiguanMessage(const QString &jiguan)
{
    return jiguan + QStringLiteral(" --籍贯未包含省市区县等关键字。一般来讲要这样写：xx省xx市xx区(县)。")
        + QStringLiteral("\r\n") + QStringLiteral("点击确定按钮则不理该提示 继续保存。");
}

} // namespace EntryRules
