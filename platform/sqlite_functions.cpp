#include "sqlite_functions.h"

#include <sqlite3.h>

#include <atomic>

#include <QCollator>
#include <QDateTime>
#include <QLocale>
#include <QString>

#include "platform/app_error.h"

namespace {

QString argText(sqlite3_value *v)
{
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_value_text(v));
    return QString::fromUtf8(bytes, sqlite3_value_bytes(v));
}

void resultText(sqlite3_context *ctx, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(ctx, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

// T-SQL LEN: characters, trailing blanks not counted.
void lenFunction(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    QString text = argText(argv[0]);
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1) == QLatin1Char(' '))
        --n;
    // Characters, not UTF-16 units: a character outside the BMP counts once.
    sqlite3_result_int64(ctx, text.left(n).toUcs4().size());
}

void getDateFunction(sqlite3_context *ctx, int, sqlite3_value **)
{
    resultText(ctx, QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")));
}

std::atomic<SqliteFunctions::IdNumberTest> idNumberTest{nullptr};

void validateIdFunction(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    const SqliteFunctions::IdNumberTest test = idNumberTest.load();
    if (!test) {
        sqlite3_result_error(ctx, "fn_ValidateIDC: the resident ID check is not part of this program", -1);
        return;
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    sqlite3_result_int(ctx, test(argText(argv[0])) ? 1 : 0);
}

int pinyinCompare(void *arg, int lenA, const void *a, int lenB, const void *b)
{
    const auto *collator = static_cast<const QCollator *>(arg);
    const QString sa = QString::fromUtf8(static_cast<const char *>(a), lenA);
    const QString sb = QString::fromUtf8(static_cast<const char *>(b), lenB);
    const int c = collator->compare(sa, sb);
    if (c != 0)
        return c;
    // Equal under the collator but different text: keep a total order.
    return sa < sb ? -1 : (sb < sa ? 1 : 0);
}

void destroyCollator(void *arg)
{
    delete static_cast<QCollator *>(arg);
}

void check(int rc, sqlite3 *handle)
{
    if (rc != SQLITE_OK)
        throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(handle)));
}

} // namespace

namespace SqliteFunctions {

void setIdNumberTest(IdNumberTest test)
{
    idNumberTest.store(test);
}

void registerAll(sqlite3 *handle)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    check(sqlite3_create_function_v2(handle, "len", 1, flags, nullptr, lenFunction, nullptr, nullptr, nullptr), handle);
    check(sqlite3_create_function_v2(handle, "getdate", 0, SQLITE_UTF8, nullptr, getDateFunction, nullptr, nullptr, nullptr), handle);
    check(sqlite3_create_function_v2(handle, "fn_ValidateIDC", 1, flags, nullptr, validateIdFunction, nullptr, nullptr, nullptr), handle);
    auto *collator = new QCollator(QLocale(QLocale::Chinese, QLocale::China));
    check(sqlite3_create_collation_v2(handle, kPinyinCollation, SQLITE_UTF8, collator, pinyinCompare, destroyCollator), handle);
}

} // namespace SqliteFunctions
