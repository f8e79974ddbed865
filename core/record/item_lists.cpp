#include "item_lists.h"

#include <QFile>

#include "core/record/entry_rules.h"
#include "core/record/record_schema.h"

// The lists live in a static library: without this reference the linker
// would drop their registration.
static void initItemListsResource()
{
    Q_INIT_RESOURCE(item_lists);
}

namespace ItemLists {

namespace {

// The code before the first "-" of an item's text, or empty when it has none.
QString textCode(const QString &text)
{
    const qsizetype dash = text.indexOf(QLatin1Char('-'));
    return dash > 0 ? text.left(dash) : QString();
}

// Every list of the data file by its name. A line is: list name, item text,
// national code, national name, spellings separated by "、"; "#" starts a
// comment line.
QHash<QString, List> readLists()
{
    initItemListsResource();
    QHash<QString, QList<Item>> items;
    QFile file(QStringLiteral(":/record/item_lists.tsv"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() < 4)
            continue;
        Item item{fields.at(1), fields.at(2), fields.at(3), {}};
        if (fields.size() > 4 && !fields.at(4).isEmpty())
            item.spellings = fields.at(4).split(QStringLiteral("、"));
        items[fields.at(0)] << item;
    }
    QHash<QString, List> lists;
    for (auto it = items.cbegin(); it != items.cend(); ++it)
        lists.insert(it.key(), List(it.value()));
    return lists;
}

QList<List> listsByColumn()
{
    const QHash<QString, List> lists = readLists();
    QList<List> byColumn(RecordColumns::Count);
    for (const RecordSchema::Column &column : RecordSchema::columns()) {
        if (column.items)
            byColumn[column.order] = lists.value(QString::fromUtf16(column.items));
    }
    return byColumn;
}

} // namespace

List::List(QList<Item> items) : m_items(std::move(items))
{
    for (int i = 0; i < m_items.size(); ++i) {
        const Item &item = m_items.at(i);
        if (!m_exact.contains(item.text))
            m_exact.insert(item.text, i);
        const QString code = textCode(item.text);
        if (!code.isEmpty())
            add(m_spelt, item.text.mid(code.size() + 1), i);
        for (const QString &spelling : {code, item.code, item.name})
            add(m_spelt, spelling, i);
        for (const QString &spelling : item.spellings)
            add(m_spelt, spelling, i);
        for (const QString &number : {code, item.code}) {
            bool ok = false;
            const qint64 value = number.toLongLong(&ok);
            if (ok && !m_number.value(value).contains(i))
                m_number[value] << i;
        }
    }
}

void List::add(QHash<QString, QList<int>> &map, const QString &key, int index)
{
    if (key.isEmpty())
        return;
    QList<int> &found = map[key.toLower()];
    if (!found.contains(index))
        found << index;
}

QStringList List::texts() const
{
    QStringList out;
    out.reserve(m_items.size());
    for (const Item &item : m_items)
        out << item.text;
    return out;
}

const Item *List::byText(const QString &text) const
{
    const auto found = m_exact.constFind(text);
    return found == m_exact.cend() ? nullptr : &m_items.at(*found);
}

QString List::textOfCode(const QString &code) const
{
    for (const Item &item : m_items) {
        if (item.code == code)
            return item.text;
    }
    return {};
}

QString List::match(const QString &text) const
{
    const QString wanted = EntryRules::halfWidth(text).trimmed();
    if (wanted.isEmpty())
        return {};
    if (const Item *item = byText(wanted))
        return item->text;
    QList<int> found = m_spelt.value(wanted.toLower());
    bool ok = false;
    const qint64 number = wanted.toLongLong(&ok);
    if (ok) {
        for (int i : m_number.value(number))
            if (!found.contains(i))
                found << i;
    }
    if (found.isEmpty())
        return {};
    // Items repeated under one national code (香港 at the top of the list
    // and in its place) are one choice: the first is taken.
    const QString &code = m_items.at(found.first()).code;
    for (int i : std::as_const(found)) {
        if (m_items.at(i).code != code || (code.isEmpty() && i != found.first()))
            return {};
    }
    return m_items.at(found.first()).text;
}

const List &of(RecordColumns::Index column)
{
    static const QList<List> lists = listsByColumn();
    static const List none;
    return column >= 0 && column < lists.size() ? lists.at(column) : none;
}

QString residentIdCard()
{
    return of(RecordColumns::CardType).textOfCode(QStringLiteral("1"));
}

} // namespace ItemLists
