#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// The whole result of a row-returning statement: column names as the engine
// reports them and the rows in the statement's order. Values keep their engine
// type (a NULL is a null QVariant); text() reads any of them as text.
struct QueryResult
{
    QStringList columns;
    QList<QVariantList> rows;

    int rowCount() const { return int(rows.size()); }
    int columnCount() const { return int(columns.size()); }
    bool isEmpty() const { return rows.isEmpty(); }
    int columnIndex(const QString &name) const;

    // NULL reads as empty text.
    QString text(int row, int column) const;
    QString text(int row, const QString &column) const;
};
