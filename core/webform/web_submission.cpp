#include "web_submission.h"

#include <QJsonArray>

#include "core/import/import_derived_values.h"
#include "core/record/entry_year.h"
#include "core/record/item_lists.h"
#include "core/record/record_rules.h"
#include "core/record/record_schema.h"
#include "core/record/stored_value.h"
#include "core/region/region_tables.h"
#include "core/webform/web_form_fields.h"

namespace WebSubmission {

namespace {

using namespace RecordColumns;
using WebFormFields::Field;
using WebFormFields::Kind;

bool hasControlCharacter(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 32 || c.unicode() == 127)
            return true;
    }
    return false;
}

QDate parseDate(const QString &text)
{
    for (const QString &format : {QStringLiteral("yyyy-MM-dd"), QStringLiteral("yyyyMMdd")}) {
        const QDate date = QDate::fromString(text, format);
        if (date.isValid())
            return date;
    }
    return {};
}

// The region-names column shown by the same picker as this region-code column.
Index namesColumnOf(Index codeColumn)
{
    const int picker = RecordSchema::column(codeColumn).picker;
    for (const RecordSchema::Column &c : RecordSchema::columns()) {
        if (c.feed == RecordSchema::Feed::RegionNames && c.picker == picker)
            return c.order;
    }
    return Count;
}

// One field's text into its stored value; a verdict when the text cannot be one.
void take(const Field &field, const QString &sent, const RegionTables &regions, QStringList &values,
          QList<Verdict> &verdicts)
{
    const QString text = sent.trimmed();
    switch (field.kind) {
    case Kind::Text: {
        const QString value = RecordRules::normalizedTyped(field.column, sent);
        if (hasControlCharacter(value))
            verdicts << Verdict{field.name, QStringLiteral("%1不能含换行或控制字符").arg(field.label)};
        else if (value.size() > field.maxLength)
            verdicts << Verdict{field.name, QStringLiteral("%1最多 %2 个字符，现有 %3 个")
                                                .arg(field.label).arg(field.maxLength).arg(value.size())};
        else
            values[field.column] = value;
        return;
    }
    case Kind::List:
        if (text.isEmpty())
            return;
        if (const ItemLists::Item *item = ItemLists::of(field.column).byText(text))
            values[field.column] = item->text;
        else
            verdicts << Verdict{field.name, QStringLiteral("“%1”不是%2列表中的一项，请从列表中选择").arg(text, field.label)};
        return;
    case Kind::Date:
        if (text.isEmpty())
            return;
        if (const QDate date = parseDate(text); date.isValid())
            values[field.column] = StoredValue::encodeBirthDate(date);
        else
            verdicts << Verdict{field.name, QStringLiteral("“%1”不是有效的日期，请按 2009-03-15 的样子填写").arg(text)};
        return;
    case Kind::Region: {
        if (text.isEmpty())
            return;
        // A county's six digits, or the twelve a class table stores.
        const QString digits = text.size() == StoredValue::kRegionCodeLength && text.endsWith(QStringLiteral("000000"))
                                   ? text.left(6)
                                   : text;
        bool number = false;
        const int code = digits.toInt(&number);
        if (!number || digits.size() != 6 || !regions.FindAreaByCode(code)) {
            verdicts << Verdict{field.name, QStringLiteral("请为%1选择省、市和县（区）").arg(field.label)};
            return;
        }
        const RegionNames names = regions.ResolveRegionCode(code);
        values[field.column] = StoredValue::encodeRegionCode(code);
        values[namesColumnOf(field.column)] = names.province + names.city + names.county;
        return;
    }
    }
}

bool hasVerdict(const QList<Verdict> &verdicts, const QString &field)
{
    for (const Verdict &v : verdicts) {
        if (v.field == field)
            return true;
    }
    return false;
}

} // namespace

bool Judgement::accepted() const
{
    for (const Verdict &v : verdicts) {
        if (v.refuses)
            return false;
    }
    return true;
}

QJsonObject Judgement::toJson() const
{
    QJsonObject refused;
    QJsonObject questions;
    for (const Verdict &v : verdicts) {
        QJsonObject &into = v.refuses ? refused : questions;
        QJsonArray texts = into.value(v.field).toArray();
        texts << v.text;
        into.insert(v.field, texts);
    }
    return {{QStringLiteral("accepted"), accepted()},
            {QStringLiteral("verdicts"), refused},
            {QStringLiteral("questions"), questions}};
}

Judgement judge(const QHash<QString, QString> &fields, const QString &classTable, const QDateTime &now,
                const RegionTables &regions)
{
    Judgement out;
    QStringList &values = out.values;
    for (int i = 0; i < Count; ++i)
        values << QString();
    for (const Field &field : WebFormFields::fields())
        take(field, fields.value(field.name), regions, values, out.verdicts);

    // What the school decides, as the form starts every new record of the class.
    const int entryYear = EntryYear::forGrade(classTable.left(2), now.date());
    if (entryYear > 0)
        values[EntryYearMonth] = StoredValue::encodeEntryYearMonth(QString::number(entryYear), QStringLiteral("09"));
    else
        out.verdicts << Verdict{QString(), QStringLiteral("班级 %1 的入学年份无法确定，请老师在录入窗口中录入").arg(classTable)};
    values[Zizhu] = QStringLiteral("0-否");
    values[Yibu] = QStringLiteral("0-否");
    // 性别, 出生日期 and 身份证件类型 from a resident ID left without them; 班号.
    ImportDerivedValues::fill(values, classTable, now.date());

    for (const RecordRules::Failure &failure : RecordRules::failures(values, now))
        out.verdicts << Verdict{RecordSchema::name(failure.column), failure.message, !failure.question};
    for (const Index column : RecordRules::missing(values)) {
        const Field *field = WebFormFields::field(RecordSchema::name(column));
        if (!field || hasVerdict(out.verdicts, field->name))
            continue;
        out.verdicts << Verdict{field->name, (field->kind == Kind::Text ? QStringLiteral("请填写%1")
                                                                          : QStringLiteral("请选择%1"))
                                                 .arg(field->label)};
    }
    return out;
}

Judgement judge(const QJsonObject &fields, const QString &classTable, const QDateTime &now,
                const RegionTables &regions)
{
    QHash<QString, QString> texts;
    QList<Verdict> notText;
    for (auto it = fields.begin(); it != fields.end(); ++it) {
        if (it.value().isString())
            texts.insert(it.key(), it.value().toString());
        else if (!it.value().isNull() && WebFormFields::field(it.key()))
            notText << Verdict{it.key(), QStringLiteral("应为文字")};
    }
    Judgement out = judge(texts, classTable, now, regions);
    out.verdicts = notText + out.verdicts;
    return out;
}

} // namespace WebSubmission
