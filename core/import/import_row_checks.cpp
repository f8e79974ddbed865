#include "import_row_checks.h"

#include <QRegularExpression>

namespace ImportRowChecks {

QString numberStoredIdReason()
{
    return QStringLiteral("身份证件号被表格软件存成了数字，后几位可能已丢失，请把该列设为文本后重新填写");
}

bool isNumberStoredId(const SheetCell &cell)
{
    static const QRegularExpression exponent(QStringLiteral("^\\d+(\\.\\d+)?[eE]\\+?\\d+$"));
    return (cell.kind == SheetCell::Kind::Number && !cell.isEmpty()) || exponent.match(cell.text.trimmed()).hasMatch();
}

} // namespace ImportRowChecks
