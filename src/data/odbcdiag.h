#pragma once

#include <QString>
#include <QStringList>

#include <sql.h>

// What the ODBC driver reported for the last call on a handle.
struct OdbcDiagnostics
{
    QStringList states; // the SQLSTATE of each record, in the driver's order
    QString text;       // the records' messages, one a line; empty when there were none

    bool hasState(const QString& state) const { return states.contains(state); }
    QString firstState() const { return states.isEmpty() ? QString() : states.first(); }
    bool connectionLost() const;
};

OdbcDiagnostics ReadDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

// A state that means the session is over, whatever the statement was: class 08
// (connection exceptions: psqlODBC's 08S01 once it has seen the loss, 08001 when it cannot
// connect) and the server's FATAL ends of a session (57P01 shut down or terminated by an
// administrator, 57P02 crash of another backend, 57P03 not accepting connections yet,
// 57P04 database dropped, 57P05 idle-session timeout, 25P03 idle-in-transaction timeout).
// psqlODBC reports the first statement after a restart or a pg_terminate_backend with the
// server's 57P01 and the next ones with 08S01; after an immediate shutdown or a killed
// backend its text is "server closed the connection unexpectedly" under 57P01 or 08S01.
bool IsConnectionLossState(const QString& state);

// Whether the driver itself knows the connection is gone (SQL_ATTR_CONNECTION_DEAD):
// psqlODBC sets it once a call has met the loss. Asked locally, nothing is sent.
bool DriverSaysConnectionDead(SQLHDBC connection);
