#pragma once

// Helpers shared by the tests of the print tab and the table export: students
// in class tables, a clock that moves, PDF text.

#include <QDateTime>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "core/record/record_columns.h"
#include "file_snapshot.h"
#include "platform/clock.h"
#include "platform/table_name.h"
#include "platform/sql_text.h"
#include "test_env.h"

// Returns the given times one after the other, then the last one again.
class SequenceClock final : public Clock
{
public:
    explicit SequenceClock(QList<QDateTime> times) : m_start(times), m_times(std::move(times)) {}
    QDateTime now() const override { return m_times.size() > 1 ? m_times.takeFirst() : m_times.first(); }
    // Starts the sequence again, for the next operation.
    void restart() { m_times = m_start; }

private:
    QList<QDateTime> m_start;
    mutable QList<QDateTime> m_times;
};

// A clock that stands still until the test moves it on.
class SteppingClock final : public Clock
{
public:
    QDateTime now() const override { return m_at; }
    void advance(int seconds) { m_at = m_at.addSecs(seconds); }

private:
    QDateTime m_at{QDate(2015, 10, 15), QTime(10, 30)};
};

// Inserts a student; every column not given gets "<column>值", a null QString gives NULL.
inline qint64 addStudent(TestEnv &env, const QString &table, const QMap<QString, QString> &values)
{
    QStringList names, texts;
    for (const QString &column : RecordColumns::dataColumns()) {
        names << column;
        const QString value = values.contains(column) ? values.value(column) : column + QStringLiteral("值");
        texts << (value.isNull() ? QStringLiteral("NULL") : SqlText::quote(value));
    }
    env.db->execute(QStringLiteral("insert into %1 (%2) values (%3)").arg(TableName(table).sql(*env.db), names.join(QLatin1Char(',')), texts.join(QLatin1Char(','))));
    return env.db->query(QStringLiteral("select max(id) from ") + TableName(table).sql(*env.db)).rows.at(0).at(0).toLongLong();
}

inline QString recordItem(qint64 id, const QString &name)
{
    return QString::number(id).leftJustified(5, QLatin1Char(' ')) + name;
}

// The text of a PDF by pdftotext; a null string when pdftotext is not installed.
inline QString pdfText(const QByteArray &pdf)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return {};
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("in.pdf")));
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(pdf);
    file.close();
    QProcess p;
    p.start(tool, {QStringLiteral("-enc"), QStringLiteral("UTF-8"), file.fileName(), QStringLiteral("-")});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The words of a PDF with their boxes in points (pdftotext -bbox); empty when
// pdftotext is not installed.
inline QList<std::pair<QString, QRectF>> pdfWords(const QByteArray &pdf)
{
    QList<std::pair<QString, QRectF>> words;
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("in.pdf")));
    if (tool.isEmpty() || !file.open(QIODevice::WriteOnly))
        return words;
    file.write(pdf);
    file.close();
    QProcess p;
    p.start(tool, {QStringLiteral("-bbox"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), file.fileName(), QStringLiteral("-")});
    p.waitForFinished(60000);
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>"));
    for (auto m = word.globalMatch(QString::fromUtf8(p.readAllStandardOutput())); m.hasNext();) {
        const auto w = m.next();
        words.append({w.captured(5), QRectF(QPointF(w.captured(1).toDouble(), w.captured(2).toDouble()),
                                            QPointF(w.captured(3).toDouble(), w.captured(4).toDouble()))});
    }
    return words;
}

inline int pdfPageCount(const QByteArray &pdf)
{
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"));
    return int(QString::fromLatin1(pdf).count(page));
}


inline QString defaultTemplate()
{
    return QDir::cleanPath(QStringLiteral(TAVRO_TEST_DATA "/../../resources/Template.xlsx"));
}
