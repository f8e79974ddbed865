#pragma once

#include <QString>

// Helpers for building SQL as text.
namespace SqlText {

// The value with every single quote doubled, ready to stand between quotes.
QString escape(const QString &value);

// The value as a quoted literal: 'O''Brien'.
QString quote(const QString &value);

} // namespace SqlText
