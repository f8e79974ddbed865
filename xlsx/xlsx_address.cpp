#include "xlsx_address.h"

#include "platform/app_error.h"

QString ColumnLetters(int n)
{
    std::string letters;
    XlsxAddress::appendColumnLetters(letters, n);
    return QString::fromLatin1(letters.data(), qsizetype(letters.size()));
}

namespace XlsxAddress {

void appendColumnLetters(std::string &out, int column)
{
    char buffer[8]; // 26^7 exceeds any int
    int n = 0;
    while (column > 0) {
        buffer[n++] = char('A' + (column - 1) % 26);
        column = (column - 1) / 26;
    }
    while (n > 0)
        out += buffer[--n];
}

void appendCellName(std::string &out, int row, int column)
{
    appendColumnLetters(out, column);
    out += std::to_string(row);
}

QString cellName(int row, int column)
{
    std::string name;
    appendCellName(name, row, column);
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

QString format(const CellRange &range)
{
    const QString first = cellName(range.top, range.left);
    if (range.top == range.bottom && range.left == range.right)
        return first;
    return first + QLatin1Char(':') + cellName(range.bottom, range.right);
}

int columnNumber(QStringView letters)
{
    if (letters.isEmpty() || letters.size() > 3)
        return 0;
    int n = 0;
    for (QChar c : letters) {
        const char16_t u = c.toUpper().unicode();
        if (u < u'A' || u > u'Z')
            return 0;
        n = n * 26 + (u - u'A' + 1);
    }
    return n <= MaxColumns ? n : 0;
}

bool parseCell(QStringView text, int &row, int &column)
{
    qsizetype i = 0;
    if (i < text.size() && text[i] == u'$')
        ++i;
    const qsizetype lettersStart = i;
    while (i < text.size() && text[i].isLetter() && text[i].unicode() < 128)
        ++i;
    const int col = columnNumber(text.mid(lettersStart, i - lettersStart));
    if (col == 0)
        return false;
    if (i < text.size() && text[i] == u'$')
        ++i;
    const QStringView digits = text.mid(i);
    if (digits.isEmpty() || digits.size() > 7)
        return false;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9')
            return false;
    }
    const int r = digits.toInt();
    if (r < 1 || r > MaxRows)
        return false;
    row = r;
    column = col;
    return true;
}

CellRange parseRange(const QString &text)
{
    const QString trimmed = text.trimmed();
    const qsizetype colon = trimmed.indexOf(QLatin1Char(':'));
    int r1 = 0, c1 = 0, r2 = 0, c2 = 0;
    bool ok = false;
    if (colon < 0) {
        ok = parseCell(trimmed, r1, c1);
        r2 = r1;
        c2 = c1;
    } else {
        ok = parseCell(QStringView(trimmed).left(colon), r1, c1)
             && parseCell(QStringView(trimmed).mid(colon + 1), r2, c2);
    }
    if (!ok)
        throw SpreadsheetError(QStringLiteral("无效的单元格区域：") + text);
    return CellRange{qMin(r1, r2), qMin(c1, c2), qMax(r1, r2), qMax(c1, c2)};
}

} // namespace XlsxAddress
