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

// The database refused a statement or the connection; message() is the driver's text,
// sqlState() the five-character SQLSTATE the driver reported with it (empty when none).
class DbError : public AppError
{
public:
    explicit DbError(const QString& message, const QString& sqlState = {})
        : AppError(message), m_sqlState(sqlState) {}
    QString sqlState() const { return m_sqlState; }

private:
    QString m_sqlState;
};

// The connection to the server broke: the server was restarted or stopped, the network
// dropped, or the server ended the session. message() is "Нет связи с базой данных."
// and the driver's text on the next line. The next use of the connection opens it
// afresh.
//
// mayHaveWritten(): the statement that broke may have changed stored data, and nobody
// can tell whether it did: a write sent outside a transaction, or a COMMIT, whose answer
// never came. When it is false, nothing of the broken statement is stored (a read, a
// statement the driver never sent, or any statement of a transaction that had not been
// committed: the server rolls such a transaction back).
class ConnectionLostError : public DbError
{
public:
    ConnectionLostError(const QString& driverText, bool mayHaveWritten, const QString& sqlState = {})
        : DbError(Prefix() + QLatin1Char('\n') + driverText, sqlState),
          m_mayHaveWritten(mayHaveWritten) {}
    bool mayHaveWritten() const { return m_mayHaveWritten; }
    static QString Prefix() { return QStringLiteral("Нет связи с базой данных."); }

private:
    bool m_mayHaveWritten;
};

// A value that does not convert (a date, a number, a null read as a value).
class ConversionError : public AppError
{
public:
    using AppError::AppError;
};
