#include "import_row_checks.h"

#include <QRegularExpression>

#include "core/import/form_items.h"
#include "core/record/entry_rules.h"
#include "core/record/id_number_facts.h"
#include "core/record/record_schema.h"
#include "core/record/stored_value.h"
#include "platform/id_number_check.h"

namespace ImportRowChecks {

namespace {

using namespace RecordColumns;

// The form treats the first item of 身份证件类型 as the resident ID card; a
// row without a card type is taken as one too (a pupil with another card
// says so in that column).
bool residentId(const QString &cardType)
{
    const QStringList types = FormItems::of(QString::fromLatin1(RecordSchema::column(CardType).control));
    return cardType.isEmpty() || (!types.isEmpty() && cardType == types.first());
}

void checkResidentId(const QStringList &values, QStringList &out)
{
    const QString cardNo = values.at(CardNo);
    if (!EntryRules::IsValidIdNumber(cardNo)) {
        out << EntryRules::idNumberMessage(cardNo);
        return;
    }
    if (cardNo.size() != 18)
        return;
    if (!IdNumberCheck::isValid(cardNo)) {
        const QDate birth = QDate::fromString(cardNo.mid(6, 8), QStringLiteral("yyyyMMdd"));
        if (EntryRules::IsAllDigits(cardNo.left(17)) && birth.isValid())
            out << QStringLiteral("身份证件号 %1 的校验位不对（按前 17 位应为 %2），请核对号码")
                       .arg(cardNo, IdNumberCheck::checkCharacter(cardNo.left(17)));
        else
            out << EntryRules::idNumberMessage(cardNo);
        return;
    }
    const std::optional<IdNumberFacts::Facts> facts = IdNumberFacts::of(cardNo);
    if (!facts)
        return;
    if (facts->birthContradicts(values.at(BirthDate)))
        out << QStringLiteral("身份证件号中的出生日期 %1 与出生日期 %2 不符").arg(facts->storedBirth(), values.at(BirthDate));
    if (facts->sexContradicts(values.at(Sex)))
        out << QStringLiteral("身份证件号表明性别为 %1，与性别 %2 不符").arg(facts->sexItem, values.at(Sex));
}

} // namespace

QString numberStoredIdReason()
{
    return QStringLiteral("身份证件号被表格软件存成了数字，后几位可能已丢失，请把该列设为文本后重新填写");
}

bool isNumberStoredId(const SheetCell &cell)
{
    static const QRegularExpression exponent(QStringLiteral("^\\d+(\\.\\d+)?[eE]\\+?\\d+$"));
    return (cell.kind == SheetCell::Kind::Number && !cell.isEmpty()) || exponent.match(cell.text.trimmed()).hasMatch();
}

QStringList problems(const QStringList &values, const QDateTime &now)
{
    QStringList out;
    if (!values.at(BirthDate).isEmpty()) {
        const QDate birth = StoredValue::birthDate(values.at(BirthDate));
        if (!EntryRules::birthDateAccepted(birth, now))
            out << EntryRules::birthDateMessage(birth);
    }
    if (!values.at(CardNo).isEmpty() && residentId(values.at(CardType)))
        checkResidentId(values, out);
    if (!EntryRules::IsAllDigits(values.at(Zip)))
        out << EntryRules::postcodeMessage(values.at(Zip));
    if (!EntryRules::IsAllDigits(values.at(Contact)))
        out << EntryRules::contactMessage(values.at(Contact));
    if (!EntryRules::IsAllDigits(values.at(Member1Contact)))
        out << EntryRules::member1ContactMessage(values.at(Member1Contact));
    if (!EntryRules::IsAllDigits(values.at(Member2Contact)))
        out << EntryRules::member2ContactMessage(values.at(Member2Contact));
    return out;
}

} // namespace ImportRowChecks
