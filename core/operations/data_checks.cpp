#include "data_checks.h"

#include <QFile>
#include <QMetaType>

#include "core/operations/completeness.h"
#include "core/operations/id_number_consistency.h"
#include "platform/app_error.h"
#include "platform/database.h"
#include "platform/output_target.h"
#include "platform/table_name.h"
#include "platform/sql_scripts.h"
#include "platform/sql_text.h"
#include "platform/text_file.h"

namespace {

struct CheckText
{
    DataChecks::Check check;
    const char16_t *caption;
    // %1: the table name as the text of a string constant; %2: the table name.
    const char16_t *piece;
    const char16_t *title;
};

const CheckText kChecks[] = {
    {DataChecks::Check::EntryCount, u"录入数目", u"(select '%1' as 班级, count(*) as 计数 from %2)", u""},
    {DataChecks::Check::ClassNumber, u"检查班号",
     u"(select '%1' as 班级, 班号, count(班号) as 计数 from %2 Group by 班号)", u"# 检查存在两个或以上班号的班级"},
    {DataChecks::Check::DuplicateName, u"检查重名",
     u"(select '%1' as 班级, 姓名, count(姓名) as 计数 from %2 Group by 姓名 having count(姓名) > 1)",
     u"# 检查一个班里同名的可能是重复录入的学生"},
    {DataChecks::Check::ShortNativePlace, u"籍贯太短", u"(select '%1' as 班级, 姓名, 籍贯 from %2 where len(籍贯)<=5)",
     u"# 籍贯输入太短可能有误的学生"},
    {DataChecks::Check::EnrolmentMode, u"入学方式",
     u"(select '%1' as 班级, 入学方式, count(入学方式) as 计数 from %2 Group by 入学方式)", u"# 检查入学方式"},
    {DataChecks::Check::AttendanceMode, u"就读方式",
     u"(select '%1' as 班级, 就读方式, count(就读方式) as 计数 from %2 Group by 就读方式)", u"# 检查就读方式"},
    {DataChecks::Check::IdNumber, u"检查身份证", u"", u"# 未能通过验证的身份证号码"},
    // The rows are judged by the program (IdNumberConsistency), the same way on every engine.
    {DataChecks::Check::IdNumberInfo, u"身份证信息",
     u"(select '%1' as 班级, 姓名, 身份证件号, 出生日期, 性别 from %2 where (身份证件号<>''))",
     u"# 身份证号与出生日期或性别不符的学生"},
    // Judged by the program with the record's rules (Completeness).
    {DataChecks::Check::Incomplete, u"待补全", u"", u"# 待补全：必填项目还空着的学生"},
};

const CheckText &textOf(DataChecks::Check check)
{
    for (const CheckText &t : kChecks) {
        if (t.check == check)
            return t;
    }
    Q_UNREACHABLE();
}

const QString kIdSuffix = QStringLiteral(" order by 班级, 姓名");
const QString kOtherDocumentTitle = QStringLiteral("# 非居民身份证的证件号码");
const QString kRepeatedIdTitle = QStringLiteral("# 身份证件号与所选的其它班级重复的学生");
const QString kBooleanColumn = QStringLiteral("校验");

QString valueText(const QVariant &value, bool booleanColumn)
{
    if (value.isNull())
        return QString();
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    if (booleanColumn) {
        // Engines without a BIT type hand the function's result over as 0 or 1.
        bool numeric = false;
        const qlonglong n = value.toLongLong(&numeric);
        if (numeric)
            return n != 0 ? QStringLiteral("True") : QStringLiteral("False");
    }
    return value.toString();
}

} // namespace

QString DataChecks::caption(Check check)
{
    return QString::fromUtf16(textOf(check).caption);
}

std::optional<DataChecks::Check> DataChecks::fromCaption(const QString &caption)
{
    for (const CheckText &t : kChecks) {
        if (caption == QString::fromUtf16(t.caption))
            return t.check;
    }
    return std::nullopt;
}

QList<DataChecks::Check> DataChecks::all()
{
    QList<Check> checks;
    for (const CheckText &t : kChecks)
        checks << t.check;
    return checks;
}

QString DataChecks::piece(Check check)
{
    return QString::fromUtf16(textOf(check).piece);
}

QString DataChecks::suffix(Check check)
{
    return check == Check::IdNumber || check == Check::IdNumberInfo ? kIdSuffix : QStringLiteral(" order by 班级");
}

QString DataChecks::title(Check check)
{
    return QString::fromUtf16(textOf(check).title);
}

QString DataChecks::failingIdPiece()
{
    return QStringLiteral("(select * from (select '%1' as 班级, 姓名, 身份证件号, dbo.fn_ValidateIDC(身份证件号) as 校验 "
                          "from %2 where (身份证件类型='1-居民身份证')) TTA where TTA.校验=0)");
}

QString DataChecks::otherDocumentPiece()
{
    return QStringLiteral("(select '%1' as 班级, 姓名, 身份证件类型, 身份证件号 from %2 where (身份证件类型<>'1-居民身份证'))");
}

QString DataChecks::buildUnionQuery(const QString &piece, const QString &suffix, const QStringList &tables,
                                    Database::Engine engine)
{
    QString sql;
    for (const QString &table : tables) {
        if (!sql.isEmpty())
            sql += QStringLiteral(" union all ");
        sql += piece.arg(SqlText::escape(table), TableName(table).sql(engine));
    }
    return sql + suffix;
}

void DataChecks::appendResultSection(const QueryResult &result, QStringList &lines, const QSet<QString> &booleanColumns)
{
    const QChar tab = QLatin1Char('\t');
    QString header;
    QList<bool> isBoolean;
    for (const QString &column : result.columns) {
        header += column + tab;
        isBoolean << booleanColumns.contains(column);
    }
    lines << header;
    for (const QVariantList &row : result.rows) {
        QString line;
        for (int i = 0; i < row.size(); ++i)
            line += valueText(row.at(i), isBoolean.value(i)) + tab;
        lines << line;
    }
}

QString DataChecks::saveCheckReport(const QString &programDir, const QStringList &lines)
{
    const QString path = programDir + QStringLiteral("/check.txt");
    QString text;
    for (const QString &line : lines)
        text += line + QStringLiteral("\r\n");
    TextFile::writeGb18030(path, text);
    return path;
}

DataChecks::DataChecks(Database &db, QString programDir)
    : m_db(db), m_programDir(std::move(programDir))
{
}

QStringList DataChecks::reportLines(Check check, const QStringList &tables)
{
    QStringList lines;
    if (check == Check::Incomplete)
        return Completeness::reportLines(m_db, tables);
    if (check == Check::IdNumberInfo) {
        const QueryResult rows = m_db.query(buildUnionQuery(piece(check), suffix(check), tables, m_db.engine()));
        lines << title(check);
        appendResultSection(IdNumberConsistency::contradictions(rows), lines);
        lines << QString() << QString() << kRepeatedIdTitle;
        appendResultSection(IdNumberConsistency::repeatsInOtherClasses(rows), lines);
        return lines;
    }
    if (check != Check::IdNumber) {
        const QString sql = buildUnionQuery(piece(check), suffix(check), tables, m_db.engine());
        if (!title(check).isEmpty())
            lines << title(check);
        const QueryResult result = m_db.query(sql);
        appendResultSection(result, lines);
        if (check == Check::EntryCount) {
            qint64 total = 0;
            for (int r = 0; r < result.rowCount(); ++r)
                total += result.text(r, 1).toLongLong();
            lines << QStringLiteral("合计\t%1\t").arg(total);
        }
        return lines;
    }
    ensureIdCheckFunction();
    const QString failing = buildUnionQuery(failingIdPiece(), kIdSuffix, tables, m_db.engine());
    const QString others = buildUnionQuery(otherDocumentPiece(), kIdSuffix, tables, m_db.engine());
    lines << title(check);
    appendResultSection(m_db.query(failing), lines, {kBooleanColumn});
    lines << QString() << QString() << kOtherDocumentTitle;
    appendResultSection(m_db.query(others), lines);
    return lines;
}

QString DataChecks::writeCheckReport(const QStringList &lines)
{
    refuseUnsafeReportPath();
    return saveCheckReport(m_programDir, lines);
}

void DataChecks::refuseUnsafeReportPath() const
{
    OutputTarget(m_db.filePath(), m_programDir)
        .ensureAllowed(m_programDir + QStringLiteral("/check.txt"), OutputTarget::Kind::Text);
}

QString DataChecks::run(Check check, const QStringList &tables)
{
    // Refused before the check runs: a report that could not be written is no report.
    refuseUnsafeReportPath();
    return writeCheckReport(reportLines(check, tables));
}

void DataChecks::ensureIdCheckFunction()
{
    if (!m_db.query(QStringLiteral("select * from sysObjects where name = 'fn_ValidateIDC'")).isEmpty())
        return;
    // Each server takes the script in its own words; the local file has none
    // (it registers the function natively on every connection).
    const QString script = SqlScripts::idCheckFunction(m_db.engine());
    if (!script.isEmpty())
        m_db.execute(script);
}

QString DataChecks::idCheckFunctionScript()
{
    return SqlScripts::idCheckFunction(Database::Engine::SqlServer);
}
