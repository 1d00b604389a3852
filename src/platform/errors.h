#pragma once

#include <QString>
#include <stdexcept>

// Errors the code does not expect where they happen (a rejected statement, a value
// that does not convert). They travel up to the program-wide error display, which
// shows message() as it stands.
class AppError : public std::runtime_error
{
public:
    explicit AppError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

// The database refused a statement or the connection; message() is the driver's text.
class DbError : public AppError
{
public:
    using AppError::AppError;
};

// A value that does not convert (a date, a number, a null read as a value).
class ConversionError : public AppError
{
public:
    using AppError::AppError;
};
