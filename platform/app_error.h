#pragma once

#include <stdexcept>

#include <QString>

// A failure the program does not handle itself: database, file and spreadsheet
// errors carry the engine's or the system's own text. One guard at the
// event-handler boundary shows it (see guard.h); nothing else catches it.
class AppError : public std::runtime_error
{
public:
    explicit AppError(const QString &text)
        : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString &text() const { return m_text; }

private:
    QString m_text;
};

class DatabaseError : public AppError
{
public:
    using AppError::AppError;
};

class FileError : public AppError
{
public:
    using AppError::AppError;
};

class SpreadsheetError : public AppError
{
public:
    using AppError::AppError;
};
