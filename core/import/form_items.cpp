#include "form_items.h"

#include <QFile>
#include <QXmlStreamReader>

// The layout lives in a static library: without this reference the linker
// would drop its registration.
static void initFormItemsResource()
{
    Q_INIT_RESOURCE(form_items);
}

namespace FormItems {

namespace {

// Every QComboBox of the layout with the texts of its <item>s.
QHash<QString, QStringList> readLayout()
{
    initFormItemsResource();
    QHash<QString, QStringList> lists;
    QFile file(QStringLiteral(":/import/entry_form.ui"));
    if (!file.open(QIODevice::ReadOnly))
        return lists;
    QXmlStreamReader xml(&file);
    QString current;   // the list being read
    int depth = 0;     // element depth inside it
    bool inItem = false;
    bool inText = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (!current.isEmpty())
                ++depth;
            const auto name = xml.name();
            if (name == QLatin1String("widget") && current.isEmpty()
                && xml.attributes().value(QLatin1String("class")) == QLatin1String("QComboBox")) {
                current = xml.attributes().value(QLatin1String("name")).toString();
                lists.insert(current, {});
                depth = 0;
            } else if (!current.isEmpty() && name == QLatin1String("item") && depth == 1) {
                inItem = true;
            } else if (inItem && name == QLatin1String("property")
                       && xml.attributes().value(QLatin1String("name")) == QLatin1String("text")) {
                inText = true;
            } else if (inText && name == QLatin1String("string")) {
                lists[current] << xml.readElementText();
                --depth; // readElementText consumed the end element
            }
        } else if (token == QXmlStreamReader::EndElement && !current.isEmpty()) {
            const auto name = xml.name();
            if (depth == 0) {
                current.clear();
            } else {
                if (name == QLatin1String("item") && depth == 1)
                    inItem = false;
                if (name == QLatin1String("property"))
                    inText = false;
                --depth;
            }
        }
    }
    return lists;
}

// The maxLength property of every widget of the layout that has one.
QHash<QString, int> readMaxLengths()
{
    initFormItemsResource();
    QHash<QString, int> lengths;
    QFile file(QStringLiteral(":/import/entry_form.ui"));
    if (!file.open(QIODevice::ReadOnly))
        return lengths;
    QXmlStreamReader xml(&file);
    QStringList widgets; // the enclosing widgets, innermost last
    bool inMaxLength = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const auto name = xml.name();
            if (name == QLatin1String("widget"))
                widgets << xml.attributes().value(QLatin1String("name")).toString();
            else if (name == QLatin1String("property"))
                inMaxLength = xml.attributes().value(QLatin1String("name")) == QLatin1String("maxLength");
            else if (inMaxLength && name == QLatin1String("number") && !widgets.isEmpty())
                lengths.insert(widgets.last(), xml.readElementText().toInt());
        } else if (token == QXmlStreamReader::EndElement) {
            if (xml.name() == QLatin1String("widget") && !widgets.isEmpty())
                widgets.removeLast();
            else if (xml.name() == QLatin1String("property"))
                inMaxLength = false;
        }
    }
    return lengths;
}

// The code before the first "-" of an item, or empty when it has none.
QString codeOf(const QString &item)
{
    const qsizetype dash = item.indexOf(QLatin1Char('-'));
    return dash > 0 ? item.left(dash) : QString();
}

void addOnce(QList<int> &found, const QList<int> &more)
{
    for (int i : more) {
        if (!found.contains(i))
            found << i;
    }
}

} // namespace

QStringList of(const QString &control)
{
    static const QHash<QString, QStringList> lists = readLayout();
    return lists.value(control);
}

int maxLength(const QString &control)
{
    static const QHash<QString, int> lengths = readMaxLengths();
    return lengths.value(control);
}

Matcher::Matcher(const QStringList &items) : m_items(items)
{
    for (int i = 0; i < items.size(); ++i) {
        const QString &item = items.at(i);
        m_exact.insert(item, i);
        const QString code = codeOf(item);
        if (code.isEmpty())
            continue;
        m_rest[item.mid(code.size() + 1)] << i;
        m_code[code.toLower()] << i;
        bool ok = false;
        const qint64 number = code.toLongLong(&ok);
        if (ok)
            m_number[number] << i;
    }
}

QString Matcher::match(const QString &text) const
{
    const QString wanted = text.trimmed();
    if (wanted.isEmpty())
        return {};
    if (const auto exact = m_exact.constFind(wanted); exact != m_exact.cend())
        return m_items.at(*exact);
    QList<int> found;
    addOnce(found, m_rest.value(wanted));
    addOnce(found, m_code.value(wanted.toLower()));
    bool ok = false;
    const qint64 number = wanted.toLongLong(&ok);
    if (ok)
        addOnce(found, m_number.value(number));
    return found.size() == 1 ? m_items.at(found.first()) : QString();
}

QString match(const QStringList &items, const QString &text)
{
    return Matcher(items).match(text);
}

} // namespace FormItems
