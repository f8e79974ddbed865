#include "import_derived_values.h"

#include "core/record/entry_rules.h"
#include "core/record/entry_year.h"
#include "core/record/id_number_facts.h"
#include "core/record/item_lists.h"
#include "core/record/record_columns.h"
#include "core/record/record_rules.h"
#include "core/record/stored_value.h"

namespace ImportDerivedValues {

using namespace RecordColumns;

namespace {

// The class number of a class table: its last two characters ("高一01" -> "01").
QString classNumberOf(const QString &table)
{
    const QString last = table.right(2);
    return EntryRules::IsAllDigits(last) ? last : QString();
}

} // namespace

void fill(QStringList &values, const QString &table, const QDate &today)
{
    if (RecordRules::isResidentIdCard(values.at(CardType))) {
        if (const auto facts = IdNumberFacts::of(RecordRules::normalizedTyped(CardNo, values.at(CardNo)))) {
            if (values.at(Sex).isEmpty())
                values[Sex] = facts->sexItem;
            if (values.at(BirthDate).isEmpty())
                values[BirthDate] = facts->storedBirth();
            if (values.at(CardType).isEmpty())
                values[CardType] = ItemLists::residentIdCard();
        }
    }
    if (values.at(ClassCode).isEmpty()) {
        QString year = StoredValue::entryYearMonth(values.at(EntryYearMonth)).year;
        if (year.isEmpty()) {
            const int preselected = EntryYear::forGrade(table.left(2), today);
            if (preselected > 0)
                year = QString::number(preselected);
        }
        values[ClassCode] = StoredValue::encodeClassCode(year, table, classNumberOf(table));
    }
}

} // namespace ImportDerivedValues
