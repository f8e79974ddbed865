#include "record_form_values.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QLocale>

#include "entry/entry_form.h"
#include "core/record/record_columns.h"
#include "core/record/record_loader.h"
#include "region/region_picker.h"
#include "core/region/region_tables.h"
#include "region/select_item_by_text.h"
#include "ui_entry_form.h"

namespace RecordFormValues {

namespace {

using namespace RecordColumns;

// How a column is fed by the form.
enum class Kind { Text, Item, Date, Region, YearMonth };

struct Field
{
    int column;
    Kind kind;
    QLineEdit *Ui_TForm1::*box = nullptr;
    QComboBox *Ui_TForm1::*list = nullptr;
    int picker = 0;
};

constexpr Field text(int column, QLineEdit *Ui_TForm1::*box)
{
    return {column, Kind::Text, box, nullptr, 0};
}
constexpr Field item(int column, QComboBox *Ui_TForm1::*list)
{
    return {column, Kind::Item, nullptr, list, 0};
}
constexpr Field region(int column, int picker)
{
    return {column, Kind::Region, nullptr, nullptr, picker};
}

// The 42 columns the form feeds and reads back, in the record's order.
constexpr Field kFields[] = {
    text(Name, &Ui_TForm1::edtName),
    item(Sex, &Ui_TForm1::cbSex),
    {BirthDate, Kind::Date},
    region(BirthRegion, 1),
    text(Jiguan, &Ui_TForm1::edtJiguan),
    item(Minzu, &Ui_TForm1::cbMinzu),
    item(Nation, &Ui_TForm1::cbNation),
    item(CardType, &Ui_TForm1::cbCardType),
    item(Qiao, &Ui_TForm1::cbQiao),
    item(Health, &Ui_TForm1::cbHealth),
    item(Policy, &Ui_TForm1::cbPolicy),
    text(CardNo, &Ui_TForm1::edtCardNo),
    item(HukouType, &Ui_TForm1::cbHukou),
    region(HukouRegion, 2),
    {EntryYearMonth, Kind::YearMonth},
    item(RuxueFangshi, &Ui_TForm1::cbRuxueFangshi),
    item(Jiudu, &Ui_TForm1::cbJiudu),
    text(Addr, &Ui_TForm1::edtAddr),
    text(Post, &Ui_TForm1::edtPost),
    text(Family, &Ui_TForm1::edtFamily),
    text(Contact, &Ui_TForm1::edtContact),
    text(Zip, &Ui_TForm1::edtZip),
    item(Dusheng, &Ui_TForm1::cbDusheng),
    item(Xueqian, &Ui_TForm1::cbXueqian),
    item(Liushou, &Ui_TForm1::cbLiushou),
    item(Zizhu, &Ui_TForm1::cbZizhu),
    item(Yibu, &Ui_TForm1::cbYibu),
    item(Guer, &Ui_TForm1::cbGuer),
    item(Lieshi, &Ui_TForm1::cbLieshi),
    text(Member1Name, &Ui_TForm1::edtName1),
    item(Member1Relation, &Ui_TForm1::cbGuanxi1),
    text(Member1Addr, &Ui_TForm1::edtAddr1),
    region(Member1Region, 3),
    text(Member1Contact, &Ui_TForm1::edtContact1),
    item(Member1Guardian, &Ui_TForm1::cbJianhu1),
    text(Member2Name, &Ui_TForm1::edtName2),
    item(Member2Relation, &Ui_TForm1::cbGuanxi2),
    text(Member2Addr, &Ui_TForm1::edtAddr2),
    region(Member2Region, 4),
    text(Member2Contact, &Ui_TForm1::edtContact2),
    item(Member2Guardian, &Ui_TForm1::cbJianhu2),
    item(Jincheng, &Ui_TForm1::cbJincheng),
};
static_assert(std::size(kFields) == ClassCode, "every column before 班号 is fed by one field");

constexpr int kRegionTextColumns[] = {BirthRegionText, HukouRegionText, Member1RegionText, Member2RegionText};

const char kLayoutMaxLength[] = "layoutMaxLength";

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
    QStringList values(Count);
    for (const Field &f : kFields) {
        QString &value = values[f.column];
        switch (f.kind) {
        case Kind::Text:
            value = EntryRules::StripBlanks((ui.*f.box)->text());
            break;
        case Kind::Item:
            value = (ui.*f.list)->currentText();
            break;
        case Kind::Date:
            value = QLocale::c().toString(ui.dtBirth->date(), QStringLiteral("yyyyMMdd"));
            break;
        case Kind::Region:
            value = pickerCode(form, f.picker);
            break;
        case Kind::YearMonth:
            value = ui.cbYear->currentText() + ui.edtMonth->text();
            break;
        }
    }
    values[ClassCode] = EntryRules::classCode(ui.cbYear->currentText(), classTable, classNo);
    for (int n = 1; n <= 4; ++n)
        values[kRegionTextColumns[n - 1]] = pickerNames(form, n);
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
    Ui_TForm1 &ui = *form.ui();
    const QStringList &columns = dataColumns();
    for (const Field &f : kFields) {
        const QString value = stored.value(columns.at(f.column));
        switch (f.kind) {
        case Kind::Text:
            setLoadedText(ui.*f.box, value);
            break;
        case Kind::Item:
            SelectItemByText(ui.*f.list, value);
            break;
        case Kind::Date:
            showBirthDate(ui.dtBirth, value);
            break;
        case Kind::Region:
            showRegion(form, f.picker, value);
            break;
        case Kind::YearMonth: {
            const StoredValue::EntryYearMonth yearMonth = StoredValue::entryYearMonth(value);
            SelectItemByText(ui.cbYear, yearMonth.year);
            setLoadedText(ui.edtMonth, yearMonth.month);
            break;
        }
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
