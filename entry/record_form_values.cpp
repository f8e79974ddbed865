#include "record_form_values.h"

#include <stdexcept>
#include <string>

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>

#include "entry/entry_form.h"
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

// The form's control of that object name; the schema names each one. A name
// the layout lacks is a schema row without its control.
template<typename Control>
Control *control(const EntryForm &form, const char *name)
{
    auto *found = form.findChild<Control *>(QLatin1String(name));
    if (!found)
        throw std::logic_error(std::string("the entry form has no control ") + name);
    return found;
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

void showRegion(EntryForm &form, int number, const QString &stored)
{
    const int code = StoredValue::regionCode(stored);
    RegionPicker *picker = form.regionPicker(number);
    const RegionTables *tables = form.regionTables();
    if (picker && tables)
        picker->showRegion(tables->ResolveRegionCode(code));
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
            values << EntryRules::StripBlanks(control<QLineEdit>(form, column.control)->text());
            break;
        case Feed::Item:
            values << control<QComboBox>(form, column.control)->currentText();
            break;
        case Feed::BirthDate:
            values << StoredValue::encodeBirthDate(control<QDateEdit>(form, column.control)->date());
            break;
        case Feed::RegionCode:
            values << pickerCode(form, column.picker);
            break;
        case Feed::EntryYearMonth:
            values << StoredValue::encodeEntryYearMonth(control<QComboBox>(form, column.control)->currentText(),
                                                        control<QLineEdit>(form, column.secondControl)->text());
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

EntryRules::ContentInput contentInput(const EntryForm &form)
{
    const Ui_TForm1 &ui = *form.ui();
    EntryRules::ContentInput in;
    in.birthDate = ui.dtBirth->date();
    in.startup = form.startupDate();
    in.residentIdCard = ui.cbCardType->currentIndex() == 0;
    in.cardNo = ui.edtCardNo->text();
    in.zip = ui.edtZip->text();
    in.contact = ui.edtContact->text();
    in.contact1 = ui.edtContact1->text();
    in.contact2 = ui.edtContact2->text();
    in.jiguan = ui.edtJiguan->text();
    return in;
}

void show(EntryForm &form, const QHash<QString, QString> &stored)
{
    for (const Column &column : RecordSchema::columns()) {
        if (!RecordSchema::readBack(column))
            continue;
        const QString value = stored.value(QString::fromUtf16(column.name));
        switch (column.feed) {
        case Feed::Typed:
            setLoadedText(control<QLineEdit>(form, column.control), value);
            break;
        case Feed::Item:
            SelectItemByText(control<QComboBox>(form, column.control), value);
            break;
        case Feed::BirthDate:
            showBirthDate(control<QDateEdit>(form, column.control), value);
            break;
        case Feed::RegionCode:
            showRegion(form, column.picker, value);
            break;
        case Feed::EntryYearMonth: {
            const StoredValue::EntryYearMonth yearMonth = StoredValue::entryYearMonth(value);
            SelectItemByText(control<QComboBox>(form, column.control), yearMonth.year);
            setLoadedText(control<QLineEdit>(form, column.secondControl), yearMonth.month);
            break;
        }
        case Feed::ClassCode:
        case Feed::RegionNames:
            break;
        }
    }
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
