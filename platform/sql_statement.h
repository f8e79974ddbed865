#pragma once

#include <QString>
#include <QVariantList>

// A statement as the program issues it: T-SQL text with a ? standing for each
// value, and the values, which reach the engine as bound parameters and so
// can never change what the statement does. A plain text converts implicitly:
// a statement without values. Any thread.
struct SqlStatement
{
    SqlStatement(QString sqlText) : text(std::move(sqlText)) {}
    SqlStatement(QString sqlText, QVariantList boundValues)
        : text(std::move(sqlText)), values(std::move(boundValues))
    {
    }

    QString text;
    QVariantList values;

    // The text with each ? outside quotes replaced by its value as a quoted
    // literal: the statement as a person reads it in debug.txt, never run.
    QString logText() const;
};
