#include "xlsx_xml.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

#include "platform/app_error.h"

namespace XlsxXml {

const std::initializer_list<const char *> WorksheetOrder = {
    "sheetPr", "dimension", "sheetViews", "sheetFormatPr", "cols", "sheetData", "sheetCalcPr",
    "sheetProtection", "protectedRanges", "scenarios", "autoFilter", "sortState", "dataConsolidate",
    "customSheetViews", "mergeCells", "phoneticPr", "conditionalFormatting", "dataValidations", "hyperlinks",
    "printOptions", "pageMargins", "pageSetup", "headerFooter", "rowBreaks", "colBreaks", "customProperties",
    "cellWatches", "ignoredErrors", "smartTags", "drawing", "legacyDrawing", "legacyDrawingHF", "drawingHF",
    "picture", "oleObjects", "controls", "webPublishItems", "tableParts", "extLst"};

std::string_view localName(const char *qualified)
{
    std::string_view name(qualified);
    const size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string_view localName(pugi::xml_node node)
{
    return localName(node.name());
}

std::string prefixOf(pugi::xml_node node)
{
    std::string_view name(node.name());
    const size_t colon = name.find(':');
    return colon == std::string_view::npos ? std::string() : std::string(name.substr(0, colon + 1));
}

pugi::xml_node child(pugi::xml_node parent, std::string_view local)
{
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && localName(c) == local)
            return c;
    }
    return {};
}

pugi::xml_attribute attribute(pugi::xml_node node, std::string_view local)
{
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        if (std::string_view(a.name()) == local)
            return a;
    }
    return {};
}

static int orderIndex(std::initializer_list<const char *> order, std::string_view local)
{
    int i = 0;
    for (const char *name : order) {
        if (local == name)
            return i;
        ++i;
    }
    return -1;
}

pugi::xml_node appendChild(pugi::xml_node parent, const char *local)
{
    return parent.append_child((prefixOf(parent) + local).c_str());
}

pugi::xml_node ensureChild(pugi::xml_node parent, const char *local, std::initializer_list<const char *> order)
{
    if (pugi::xml_node existing = child(parent, local))
        return existing;
    const std::string name = prefixOf(parent) + local;
    const int mine = orderIndex(order, local);
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element)
            continue;
        const int theirs = orderIndex(order, localName(c));
        if (theirs > mine)
            return parent.insert_child_before(name.c_str(), c);
    }
    return parent.append_child(name.c_str());
}

void load(pugi::xml_document &doc, const std::string &bytes, const std::string &partName)
{
    const pugi::xml_parse_result result =
        doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default | pugi::parse_ws_pcdata_single);
    if (!result) {
        throw SpreadsheetError(QStringLiteral("电子表格文件已损坏：%1 不是有效的 XML（%2，位置 %3）")
                                   .arg(QString::fromStdString(partName), QString::fromLatin1(result.description()))
                                   .arg(result.offset));
    }
}

namespace {
struct StringWriter final : pugi::xml_writer
{
    std::string &out;
    explicit StringWriter(std::string &o) : out(o) {}
    void write(const void *data, size_t size) override { out.append(static_cast<const char *>(data), size); }
};
constexpr unsigned RawFormat = pugi::format_raw | pugi::format_no_declaration;
} // namespace

std::string save(const pugi::xml_document &doc)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
    StringWriter writer(out);
    doc.save(writer, "", RawFormat, pugi::encoding_utf8);
    return out;
}

std::string innerXml(pugi::xml_node node)
{
    std::string out;
    StringWriter writer(out);
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
        c.print(writer, "", RawFormat, pugi::encoding_utf8);
    return out;
}

std::string outerXml(pugi::xml_node node)
{
    std::string out;
    StringWriter writer(out);
    node.print(writer, "", RawFormat, pugi::encoding_utf8);
    return out;
}

void appendText(std::string &out, std::string_view text)
{
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '\r': out += "&#13;"; break;
        default: out += c;
        }
    }
}

void appendAttribute(std::string &out, std::string_view name, std::string_view value)
{
    out += ' ';
    out += name;
    out += "=\"";
    for (char c : value) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\n': out += "&#10;"; break;
        case '\r': out += "&#13;"; break;
        case '\t': out += "&#9;"; break;
        default: out += c;
        }
    }
    out += '"';
}

std::string withDeclaration(const char *xml)
{
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n") + xml;
}

std::string number(double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

double toDouble(const char *text, double fallback)
{
    if (!text || !*text)
        return fallback;
    double value = 0;
    const char *end = text + std::strlen(text);
    const auto result = std::from_chars(text, end, value);
    return result.ec == std::errc() ? value : fallback;
}

static bool isHex(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// "_x" followed by four hex digits and "_" at position i.
static bool looksLikeEscape(QStringView text, qsizetype i)
{
    if (i + 7 > text.size() || text[i] != u'_' || (text[i + 1] != u'x' && text[i + 1] != u'X') || text[i + 6] != u'_')
        return false;
    for (int k = 2; k < 6; ++k) {
        if (!isHex(text[i + k]))
            return false;
    }
    return true;
}

std::string encodeCellText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        const bool control = u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r';
        if (control || u == 0xFFFE || u == 0xFFFF)
            out += QStringLiteral("_x%1_").arg(int(u), 4, 16, QLatin1Char('0')).toUpper().replace(QLatin1String("_X"), QLatin1String("_x"));
        else if (looksLikeEscape(text, i))
            out += QStringLiteral("_x005F_");
        else
            out += c;
    }
    return out.toStdString();
}

QString decodeCellText(std::string_view text)
{
    const QString in = QString::fromUtf8(text.data(), qsizetype(text.size()));
    if (text.find("_x") == std::string_view::npos && text.find("_X") == std::string_view::npos)
        return in;
    return decodeCellText(QStringView(in));
}

QString decodeCellText(QStringView in)
{
    if (!in.contains(QLatin1String("_x")) && !in.contains(QLatin1String("_X")))
        return in.toString();
    QString out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (looksLikeEscape(in, i)) {
            out += QChar(char16_t(in.mid(i + 2, 4).toUShort(nullptr, 16)));
            i += 6;
        } else {
            out += in[i];
        }
    }
    return out;
}

void appendRowStart(std::string &out, const std::string &p, int rowNumber, double height, bool customHeight,
                    const std::string &attributes)
{
    out += '<';
    out += p;
    out += "row r=\"";
    char digits[16];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, rowNumber).ptr);
    out += '"';
    if (height >= 0) {
        out += " ht=\"";
        out += number(height);
        out += '"';
        if (customHeight)
            out += " customHeight=\"1\"";
    }
    out += attributes;
}

} // namespace XlsxXml
