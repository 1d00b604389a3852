#pragma once

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QString>

struct OdbcDiagnostics;

// The program's one connection to the register, through an ODBC data source.
//
// A broken connection (server restarted or stopped, network dropped, session ended by
// the server) is noticed by the statement that meets it and thrown as
// ConnectionLostError; the dead connection is closed then, and the next use opens it
// afresh (statements prepare again, the text check runs again). A read outside a
// transaction is sent once more on the fresh connection by the statement itself; see
// SqlStatement. A transaction whose connection broke stays broken until rollback().
class TConnection
{
public:
    explicit TConnection(const QString& connectionName);
    ~TConnection();
    TConnection(const TConnection&) = delete;
    TConnection& operator=(const TConnection&) = delete;

    // An OLE DB style connection string ("Password=…;User ID=…;Data Source=…"):
    // only the data source, the user and the password are taken from it.
    void setConnectionString(const QString& connectionString);
    QString dataSource() const { return m_dataSource; }
    QString userName() const { return m_user; }

    // Opens the connection; an open connection stays as it is. A connection that cannot be
    // made is a ConnectionLostError carrying the driver's text (an unreachable server and a
    // refused login look alike to the driver); DbError when the ODBC driver is missing.
    void open();
    void close();
    // Closes the connection, whatever state it is in, and opens it again.
    void reopen();
    bool isOpen() const;
    QSqlDatabase database() const;
    // Grows with every successful open, so statements know when to prepare again.
    int generation() const { return m_generation; }

    // Whether the driver hands text bound as SQL_C_CHAR over as the server's UTF-8,
    // byte for byte; checked at every open.
    bool charTextIsUtf8() const { return m_charTextIsUtf8; }
    void setCharTextIsUtf8(bool utf8) { m_charTextIsUtf8 = utf8; } // for the tests of both ways

    // The connection as the ODBC driver describes it once connected:
    // "DSN=…;DATABASE=…;SERVER=…;PORT=…;UID=…;". The password is never part of it.
    QString connectionDescription() const;

    void beginTransaction();
    // A commit the server refuses (a deferred constraint, say) is followed by a rollback,
    // and the connection is back in autocommit; the error goes on.
    void commit();
    void rollback(); // never throws: it is called while another error is on its way
    bool inTransaction() const { return m_inTransaction; }

    // --- Used by the statements ---
    enum class Use { Read, Write };
    // Makes the connection fit to send a statement: opens it when it is closed or the
    // driver knows it is dead. Before a write outside a transaction, when nothing has been
    // exchanged with the server for writeCheckAfter() milliseconds, one round trip checks
    // that the server is still there, so a connection that broke while the program sat
    // idle is found and reopened before the write is sent, and the write is never in
    // doubt. (Reads need no check: one that meets a broken connection is simply sent
    // again.) Throws ConnectionLostError when the server cannot be reached, or when the
    // current transaction lost its connection.
    void ready(Use use);
    // The statement just sent on this connection got its answer.
    void succeeded(Use use);
    // Whether a statement's failure, reported with these diagnostics, is the connection
    // breaking (the driver's own dead flag is asked as well).
    bool isLoss(const OdbcDiagnostics& diagnostics) const;
    // After a statement met a broken connection: closes it, marks a transaction on it
    // lost, and counts a write whose outcome is unknown. Throws the ConnectionLostError,
    // unless the statement was a read outside a transaction: then it returns and the
    // statement may be sent once more.
    void lost(Use use, const OdbcDiagnostics& diagnostics);

    // How long the connection may sit idle before a write checks it first (1 s unless
    // changed: a user's next action comes later than that, the import's next statement
    // sooner); 0 checks before every write outside a transaction, a negative value never.
    int writeCheckAfter() const { return m_writeCheckAfter; }
    void setWriteCheckAfter(int milliseconds) { m_writeCheckAfter = milliseconds; }

    // Grows whenever something may have been stored through this connection: a write
    // outside a transaction that succeeded or whose answer was lost, a commit of a
    // transaction with writes that succeeded or whose answer was lost. A transaction
    // rolled back or cut off counts nothing. See WriteMark.
    quint64 writeCount() const { return m_writeCount; }

private:
    void openConnection();
    void closeDead();
    void checkAlive();

    QString m_name;
    QString m_dataSource;
    QString m_user;
    QString m_password;
    int m_generation = 0;
    bool m_inTransaction = false;
    bool m_transactionWrites = false; // a write was sent in the current transaction
    bool m_transactionLost = false;   // its connection broke; only rollback() ends it
    QString m_lostText;               // the driver's text of that break
    bool m_charTextIsUtf8 = false;
    int m_writeCheckAfter = 1000;
    QElapsedTimer m_lastContact; // since the last answer from the server
    quint64 m_writeCount = 0;
};

// Taken where a page action starts; asks afterwards whether anything of the action may
// have reached the register. After a ConnectionLostError the handler edge can then tell
// an action that may simply be run again (nothing written) from one whose results must
// be looked at first (the page refreshed, the user told).
class WriteMark
{
public:
    explicit WriteMark(const TConnection& connection)
        : m_connection(&connection), m_count(connection.writeCount()) {}
    bool anythingWritten() const { return m_connection->writeCount() != m_count; }

private:
    const TConnection* m_connection;
    quint64 m_count;
};

// Splits "Key=Value;Key=Value" (keys compared without case) and returns one value.
QString connectionStringValue(const QString& connectionString, const QString& key);
