#include "import_derived_values.h"

#include "core/record/id_number_facts.h"
#include "core/record/item_lists.h"
#include "core/record/record_columns.h"
#include "core/record/record_rules.h"
#include "core/record/stored_value.h"

namespace ImportDerivedValues {

using namespace RecordColumns;

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
    if (values.at(ClassCode).isEmpty())
        values[ClassCode] = StoredValue::classCodeInTable(StoredValue::entryYearMonth(values.at(EntryYearMonth)).year, table, today);
}

} // namespace ImportDerivedValues
