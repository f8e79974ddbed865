#include "record_rules.h"

#include "core/record/entry_rules.h"
#include "core/record/id_number_check.h"
#include "core/record/id_number_facts.h"
#include "core/record/item_lists.h"
#include "core/record/record_schema.h"
#include "core/record/stored_value.h"

namespace RecordRules {

namespace {

using namespace RecordColumns;

// The resident ID rule: 15 or 18 characters; an 18-character number with its
// one right check character and a real birth date; 出生日期 and 性别, when
// given, as the number says.
void judgeResidentId(const QStringList &values, QList<Failure> &out)
{
    const QString cardNo = values.at(CardNo);
    if (!EntryRules::IsValidIdNumber(cardNo)) {
        out << Failure{CardNo, EntryRules::idNumberMessage(cardNo)};
        return;
    }
    if (cardNo.size() != 18)
        return;
    if (!IdNumberCheck::isValid(cardNo)) {
        const QString first17 = cardNo.left(17);
        const QDate birth = QDate::fromString(cardNo.mid(6, 8), QStringLiteral("yyyyMMdd"));
        if (EntryRules::IsAllDigits(first17) && birth.isValid())
            out << Failure{CardNo, QStringLiteral("身份证件号 %1 的校验位不对（按前 17 位应为 %2），请核对号码")
                                       .arg(cardNo, IdNumberCheck::checkCharacter(first17))};
        else
            out << Failure{CardNo, EntryRules::idNumberMessage(cardNo)};
        return;
    }
    const std::optional<IdNumberFacts::Facts> facts = IdNumberFacts::of(cardNo);
    if (!facts)
        return;
    if (facts->birthContradicts(values.at(BirthDate)))
        out << Failure{BirthDate, QStringLiteral("身份证件号中的出生日期 %1 与出生日期 %2 不符")
                                      .arg(facts->storedBirth(), values.at(BirthDate))};
    if (facts->sexContradicts(values.at(Sex)))
        out << Failure{Sex, QStringLiteral("身份证件号表明性别为 %1，与性别 %2 不符").arg(facts->sexItem, values.at(Sex))};
}

} // namespace

QString normalizedTyped(RecordColumns::Index column, const QString &text)
{
    QString out = EntryRules::StripBlanks(EntryRules::halfWidth(text));
    if (column == CardNo && out.endsWith(QLatin1Char('x')))
        out.back() = QLatin1Char('X');
    return out;
}

bool isResidentIdCard(const QString &cardType)
{
    return cardType.isEmpty() || cardType == ItemLists::residentIdCard();
}

QList<Failure> failures(const QStringList &values, const QDateTime &now, const QLocale &locale)
{
    QList<Failure> out;
    if (!values.at(BirthDate).isEmpty()) {
        const QDate birth = StoredValue::birthDate(values.at(BirthDate));
        if (!EntryRules::birthDateAccepted(birth, now))
            out << Failure{BirthDate, EntryRules::birthDateMessage(birth, locale)};
    }
    if (!values.at(CardNo).isEmpty() && isResidentIdCard(values.at(CardType)))
        judgeResidentId(values, out);
    if (!EntryRules::IsAllDigits(values.at(Zip)))
        out << Failure{Zip, EntryRules::postcodeMessage(values.at(Zip))};
    if (!EntryRules::IsAllDigits(values.at(Contact)))
        out << Failure{Contact, EntryRules::contactMessage(values.at(Contact))};
    if (!EntryRules::IsAllDigits(values.at(Member1Contact)))
        out << Failure{Member1Contact, EntryRules::member1ContactMessage(values.at(Member1Contact))};
    if (!EntryRules::IsAllDigits(values.at(Member2Contact)))
        out << Failure{Member2Contact, EntryRules::member2ContactMessage(values.at(Member2Contact))};
    if (!values.at(Jiguan).isEmpty() && !EntryRules::jiguanAccepted(values.at(Jiguan)))
        out << Failure{Jiguan, EntryRules::jiguanMessage(values.at(Jiguan)), true};
    return out;
}

QStringList problems(const QStringList &values, const QDateTime &now)
{
    QStringList out;
    for (const Failure &failure : failures(values, now)) {
        if (!failure.question)
            out << failure.message;
    }
    return out;
}

QList<RecordColumns::Index> missing(const QStringList &values)
{
    QList<RecordColumns::Index> out;
    for (const RecordSchema::Column &column : RecordSchema::columns()) {
        if (RecordSchema::readBack(column) && values.at(column.order).isEmpty())
            out << column.order;
    }
    return out;
}

} // namespace RecordRules
