#include "record_form_values.h"

#include <stdexcept>
#include <string>

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>

#include "entry/entry_form.h"
#include "entry/form_fields.h"
#include "core/record/item_lists.h"
#include "core/record/record_rules.h"
#include "core/record/record_schema.h"
#include "core/record/stored_value.h"
#include "region/region_picker.h"
#include "core/region/region_tables.h"
#include "region/picker_select_by_text.h"
#include "ui_entry_form.h"

namespace RecordFormValues {

namespace {

using RecordSchema::Column;
using RecordSchema::Feed;

const char kLayoutMaxLength[] = "layoutMaxLength";

// The form's control of that object name (FormFields). A name the layout
// lacks is a field map row without its control.
template<typename Control>
Control *control(const EntryForm &form, const char *name)
{
    auto *found = name ? form.findChild<Control *>(QLatin1String(name)) : nullptr;
    if (!found)
        throw std::logic_error(std::string("the entry form has no control ") + (name ? name : "(none)"));
    return found;
}

template<typename Control>
Control *control(const EntryForm &form, const Column &column)
{
    return control<Control>(form, FormFields::of(column.order).control);
}

QString pickerCode(const EntryForm &form, int number)
{
    const RegionPicker *picker = form.regionPicker(number);
    return picker ? picker->storedCode() : QString();
}

QString pickerNames(const EntryForm &form, int number)
{
    const RegionPicker *picker = form.regionPicker(number);
    return picker ? picker->nameText() : QString();
}

void showBirthDate(QDateEdit *picker, const QString &stored)
{
    const QDate date = StoredValue::birthDate(stored);
    // A stored date outside the picker's range would be moved into it.
    if (date < picker->minimumDate())
        picker->setMinimumDate(date);
    if (date > picker->maximumDate())
        picker->setMaximumDate(date);
    picker->setDate(date);
}

// Whether the picker now shows the stored code's county.
bool showRegion(EntryForm &form, int number, const QString &stored)
{
    const int code = StoredValue::regionCode(stored);
    RegionPicker *picker = form.regionPicker(number);
    const RegionTables *tables = form.regionTables();
    if (!picker || !tables)
        return true;
    picker->showRegion(tables->ResolveRegionCode(code));
    return picker->storedCode().left(6) == stored.left(6);
}

} // namespace

QStringList gather(const EntryForm &form, const QString &classTable, const QString &classNo)
{
    const Ui_TForm1 &ui = *form.ui();
    QStringList values;
    values.reserve(RecordColumns::Count);
    for (const Column &column : RecordSchema::columns()) {
        switch (column.feed) {
        case Feed::Typed:
            values << RecordRules::normalizedTyped(column.order, control<QLineEdit>(form, column)->text());
            break;
        case Feed::Item:
            values << control<QComboBox>(form, column)->currentText();
            break;
        case Feed::BirthDate:
            values << StoredValue::encodeBirthDate(control<QDateEdit>(form, column)->date());
            break;
        case Feed::RegionCode:
            values << pickerCode(form, column.picker);
            break;
        case Feed::EntryYearMonth:
            values << StoredValue::encodeEntryYearMonth(control<QComboBox>(form, column)->currentText(),
                                                        control<QLineEdit>(form, FormFields::of(column.order).secondControl)->text());
            break;
        case Feed::ClassCode:
            values << StoredValue::encodeClassCode(ui.cbYear->currentText(), classTable, classNo);
            break;
        case Feed::RegionNames:
            values << pickerNames(form, column.picker);
            break;
        }
    }
    return values;
}

void prepare(EntryForm &form)
{
    for (const Column &column : RecordSchema::columns()) {
        if (column.feed == Feed::Typed) {
            control<QLineEdit>(form, column)->setMaxLength(column.maxLength);
        } else if (column.feed == Feed::Item) {
            auto *list = control<QComboBox>(form, column);
            const QSignalBlocker blocker(list);
            list->clear();
            list->addItems(ItemLists::of(column.order).texts());
            list->setCurrentIndex(-1);
        }
    }
}

QWidget *controlOf(const EntryForm &form, RecordColumns::Index column)
{
    return control<QWidget>(form, FormFields::of(column).control);
}

QStringList show(EntryForm &form, const QHash<QString, QString> &stored)
{
    QStringList unshown;
    for (const Column &column : RecordSchema::columns()) {
        if (!RecordSchema::readBack(column))
            continue;
        const QString value = stored.value(QString::fromUtf16(column.name));
        bool shown = true;
        try {
            switch (column.feed) {
            case Feed::Typed:
                setLoadedText(control<QLineEdit>(form, column), value);
                break;
            case Feed::Item: {
                auto *list = control<QComboBox>(form, column);
                SelectItemByText(list, value);
                shown = value.isEmpty() || list->currentIndex() >= 0;
                break;
            }
            case Feed::BirthDate:
                showBirthDate(control<QDateEdit>(form, column), value);
                break;
            case Feed::RegionCode:
                shown = showRegion(form, column.picker, value);
                break;
            case Feed::EntryYearMonth: {
                const StoredValue::EntryYearMonth yearMonth = StoredValue::entryYearMonth(value);
                auto *year = control<QComboBox>(form, column);
                SelectItemByText(year, yearMonth.year);
                setLoadedText(control<QLineEdit>(form, FormFields::of(column.order).secondControl), yearMonth.month);
                shown = value.isEmpty() || year->currentIndex() >= 0;
                break;
            }
            case Feed::ClassCode:
            case Feed::RegionNames:
                break;
            }
        } catch (const StoredValueError &) {
            shown = false;
            // A picker keeps no default in place of a code it could not show.
            if (column.feed == Feed::RegionCode)
                if (RegionPicker *picker = form.regionPicker(column.picker))
                    picker->showRegion(RegionNames{});
        }
        if (!shown)
            unshown << QStringLiteral("%1“%2”").arg(QString::fromUtf16(column.name), value);
    }
    return unshown;
}

QString unshownMessage(const QStringList &unshown)
{
    return QStringLiteral("以下存储的值在表单中无法显示，这些项目已留空，请重新选择或填写后再保存：\n")
        + unshown.join(QStringLiteral("\n"));
}

void setLoadedText(QLineEdit *box, const QString &text)
{
    if (text.size() > box->maxLength()) {
        if (!box->property(kLayoutMaxLength).isValid())
            box->setProperty(kLayoutMaxLength, box->maxLength());
        box->setMaxLength(int(text.size()));
    }
    box->setText(text);
}

void restoreLengthLimit(QLineEdit *box)
{
    const QVariant limit = box->property(kLayoutMaxLength);
    if (!limit.isValid())
        return;
    box->setMaxLength(limit.toInt());
    box->setProperty(kLayoutMaxLength, QVariant());
}

} // namespace RecordFormValues
