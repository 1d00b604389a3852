#include "data/connection.h"

#include "data/odbcdiag.h"
#include "platform/errors.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <cstring>

#include <sql.h>
#include <sqlext.h>
#include <odbcinst.h>

namespace {

QString driverText(const QSqlError& error)
{
    QString text = error.driverText();
    const QString db = error.databaseText();
    if (!db.isEmpty())
        text = text.isEmpty() ? db : text + QLatin1Char('\n') + db;
    return text.isEmpty() ? QStringLiteral("Ошибка базы данных") : text;
}

// The driver's own words for a connection that broke or could not be made, without
// Qt's "QODBC: Unable to …" in front.
QString lossText(const OdbcDiagnostics& diagnostics, const QSqlError& error)
{
    if (!diagnostics.text.isEmpty())
        return diagnostics.text;
    QStringList lines = error.databaseText().split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = line.trimmed();
    lines.removeAll(QString());
    return lines.isEmpty() ? driverText(error) : lines.join(QLatin1Char('\n'));
}

QString dsnSetting(const QString& dsn, const char* key)
{
    char value[1024] = {};
    SQLGetPrivateProfileString(dsn.toLocal8Bit().constData(), key, "", value, sizeof value,
                               "odbc.ini");
    return QString::fromLocal8Bit(value).trimmed();
}

// The attributes the program adds to its data source's own settings.
//   Protocol=7.4-1: on an error psqlODBC rolls back the whole transaction instead of
//     wrapping every statement of a transaction in a savepoint of its own, which doubled
//     the round trips of an import (a failed file is rolled back whole anyway).
//   pqopt, libpq's own settings, so that a server that went away never holds the window
//   for long: a connection attempt gives up after 5 s per server address; an idle
//   connection (one waiting for an answer included) is probed after 10 s of silence and
//   given up after 3 probes 5 s apart; data the server does not acknowledge for 30 s ends
//   the connection (without it the system's retransmissions go on for a quarter of an
//   hour). The data source's own pqopt (a server list, target_session_attrs, TLS) comes
//   last and wins where it sets the same; a connection string's pqopt would replace it
//   whole, so it is read and passed on. Keepalive times the data source sets with
//   psqlODBC's own KeepaliveTime/KeepaliveInterval are left to it: psqlODBC refuses a
//   pqopt that contradicts them.
QString connectionAttributes(const QString& dsn)
{
    QStringList libpq = {QStringLiteral("connect_timeout=5"), QStringLiteral("keepalives=1"),
                         QStringLiteral("keepalives_count=3"),
                         QStringLiteral("tcp_user_timeout=30000")};
    if (dsnSetting(dsn, "KeepaliveTime").isEmpty())
        libpq << QStringLiteral("keepalives_idle=10");
    if (dsnSetting(dsn, "KeepaliveInterval").isEmpty())
        libpq << QStringLiteral("keepalives_interval=5");
    QString own = dsnSetting(dsn, "pqopt");
    if (own.startsWith(QLatin1Char('{')) && own.endsWith(QLatin1Char('}')))
        own = own.mid(1, own.size() - 2).trimmed();
    if (!own.isEmpty())
        libpq << own;
    return QStringLiteral(";Protocol=7.4-1;pqopt={%1}").arg(libpq.join(QLatin1Char(' ')));
}

QString infoString(SQLHDBC hdbc, SQLUSMALLINT what)
{
    SQLCHAR buffer[512] = {};
    SQLSMALLINT length = 0;
    const SQLRETURN rc = SQLGetInfo(hdbc, what, buffer, sizeof buffer, &length);
    if (!SQL_SUCCEEDED(rc))
        return {};
    return QString::fromLocal8Bit(reinterpret_cast<const char*>(buffer));
}

SQLHDBC connectionHandle(const QSqlDatabase& db)
{
    const QVariant handle = db.driver()->handle();
    // QODBC hands out its connection handle as a QVariant holding an SQLHANDLE (void*).
    if (!handle.isValid() || handle.metaType().sizeOf() != int(sizeof(SQLHDBC)))
        return nullptr;
    return *static_cast<SQLHDBC const*>(handle.data());
}

// Reads a text of Cyrillic letters and characters of three and four bytes, made on the
// server, bound as SQL_C_CHAR. psqlODBC passes the server's UTF-8 through unchanged on
// this platform; a driver that converts to some other encoding, or fails, gets texts
// read as SQL_C_WCHAR instead.
bool probeCharTextIsUtf8(SQLHDBC hdbc)
{
    static constexpr char expected[] = "\xd0\x81\xd1\x91\xe2\x82\xac\xf0\x9f\x98\x80";
    SQLHSTMT statement = nullptr;
    if (!hdbc || !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, hdbc, &statement)))
        return false;
    char buffer[64] = {};
    SQLLEN indicator = 0;
    SQLCHAR text[] = "select chr(1025) || chr(1105) || chr(8364) || chr(128512)";
    const bool ok = SQL_SUCCEEDED(SQLExecDirect(statement, text, SQL_NTS)) &&
                    SQL_SUCCEEDED(SQLBindCol(statement, 1, SQL_C_CHAR, buffer, sizeof buffer, &indicator)) &&
                    SQL_SUCCEEDED(SQLFetch(statement)) &&
                    indicator == SQLLEN(sizeof expected - 1) &&
                    std::memcmp(buffer, expected, sizeof expected - 1) == 0;
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
    return ok;
}

} // namespace

QString connectionStringValue(const QString& connectionString, const QString& key)
{
    const auto parts = connectionString.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const int eq = part.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        if (part.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return part.mid(eq + 1).trimmed();
    }
    return {};
}

TConnection::TConnection(const QString& connectionName) : m_name(connectionName)
{
    QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_name);
}

TConnection::~TConnection()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

void TConnection::setConnectionString(const QString& connectionString)
{
    m_dataSource = connectionStringValue(connectionString, QStringLiteral("Data Source"));
    m_user = connectionStringValue(connectionString, QStringLiteral("User ID"));
    m_password = connectionStringValue(connectionString, QStringLiteral("Password"));
}

QSqlDatabase TConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

bool TConnection::isOpen() const
{
    return database().isOpen();
}

void TConnection::open()
{
    if (database().isOpen())
        return;
    openConnection();
}

void TConnection::reopen()
{
    closeDead();
    openConnection();
}

void TConnection::openConnection()
{
    QSqlDatabase db = database();
    if (!db.isValid())
        throw DbError(QStringLiteral("Драйвер ODBC для Qt (QODBC) не установлен"));
    // QODBC adds "DSN=" itself when given a bare data source name; attributes after it
    // override the data source's own settings.
    db.setDatabaseName(m_dataSource + connectionAttributes(m_dataSource));
    db.setUserName(m_user);
    db.setPassword(m_password);
    if (!db.open())
        throw ConnectionLostError(lossText({}, db.lastError()), false);
    // The server's JIT compiler is switched off for the session. On the full lists
    // (every IPRA of the register) of a large register the planner's cost estimate
    // passes the compile threshold, and compiling costs more than running the
    // statement: 1.6 s of 2.4 s on 100 000 IPRAs while the state was still computed
    // per row. The program's other statements are too small to be compiled. Per session rather than per database, so that it holds for every
    // register database whoever made it (one created from a template or restored from
    // a dump has no database settings); a server without a JIT has no such setting.
    {
        QSqlQuery jit(db);
        if (!jit.exec(QStringLiteral(
                "select set_config(name, 'off', false) from pg_settings where name = 'jit'"))) {
            const QSqlError error = jit.lastError();
            const bool dead = DriverSaysConnectionDead(connectionHandle(db));
            jit.finish();
            db.close();
            if (dead)
                throw ConnectionLostError(lossText({}, error), false);
            throw DbError(driverText(error));
        }
    }
    m_charTextIsUtf8 = probeCharTextIsUtf8(connectionHandle(db));
    m_lastContact.restart();
    ++m_generation;
}

void TConnection::close()
{
    closeDead();
    m_inTransaction = false;
    m_transactionWrites = false;
    m_transactionLost = false;
}

// Closes the connection and leaves the transaction flags as they are.
void TConnection::closeDead()
{
    QSqlDatabase db = database();
    if (db.isOpen())
        db.close();
}

QString TConnection::connectionDescription() const
{
    QSqlDatabase db = database();
    if (!db.isOpen())
        return {};
    SQLHDBC hdbc = connectionHandle(db);
    if (!hdbc)
        return {};
    const QString dsn = infoString(hdbc, SQL_DATA_SOURCE_NAME);
    const QString database = infoString(hdbc, SQL_DATABASE_NAME);
    const QString server = infoString(hdbc, SQL_SERVER_NAME);
    char port[64] = {};
    SQLGetPrivateProfileString(dsn.toLocal8Bit().constData(), "Port", "", port, sizeof port,
                               "odbc.ini");
    // Same order as psqlODBC's completed connection string, stopping before the password.
    return QStringLiteral("DSN=%1;DATABASE=%2;SERVER=%3;PORT=%4;UID=%5;")
        .arg(dsn, database, server, QString::fromLocal8Bit(port), m_user);
}

void TConnection::beginTransaction()
{
    ready(Use::Write);
    QSqlDatabase db = database();
    if (!db.transaction()) {
        const OdbcDiagnostics diagnostics =
            ReadDiagnostics(SQL_HANDLE_DBC, connectionHandle(db));
        if (!isLoss(diagnostics))
            throw DbError(driverText(db.lastError()), diagnostics.firstState());
        reopen(); // nothing was sent yet
        if (!db.transaction())
            throw DbError(driverText(db.lastError()));
    }
    m_inTransaction = true;
    m_transactionWrites = false;
    m_transactionLost = false;
}

void TConnection::commit()
{
    if (m_transactionLost) {
        const QString text = m_lostText;
        close();
        throw ConnectionLostError(text, false);
    }
    QSqlDatabase db = database();
    const bool writes = m_transactionWrites;
    m_inTransaction = false;
    m_transactionWrites = false;
    if (db.commit()) {
        m_lastContact.restart();
        if (writes)
            ++m_writeCount;
        return;
    }
    const QSqlError error = db.lastError();
    const OdbcDiagnostics diagnostics = ReadDiagnostics(SQL_HANDLE_DBC, connectionHandle(db));
    if (isLoss(diagnostics)) {
        // The commit may have been carried out before the answer was lost.
        closeDead();
        if (writes)
            ++m_writeCount;
        throw ConnectionLostError(lossText(diagnostics, error), writes, diagnostics.firstState());
    }
    // The server refused the commit and has rolled the transaction back. Qt leaves the
    // connection in manual-commit mode after a failed commit: the rollback ends that
    // (and failing it, a connection opened afresh is in autocommit).
    if (!db.rollback())
        closeDead();
    throw DbError(driverText(error), diagnostics.firstState());
}

void TConnection::rollback()
{
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    m_transactionWrites = false;
    m_transactionLost = false;
    QSqlDatabase db = database();
    // A connection that cannot roll back is dead or stuck outside autocommit: one
    // opened afresh is neither.
    if (db.isOpen() && !db.rollback())
        closeDead();
}

void TConnection::ready(Use use)
{
    if (m_transactionLost)
        throw ConnectionLostError(m_lostText, false);
    QSqlDatabase db = database();
    if (!db.isOpen()) {
        openConnection();
        return;
    }
    if (DriverSaysConnectionDead(connectionHandle(db))) {
        if (m_inTransaction) {
            m_transactionLost = true;
            m_lostText = QStringLiteral("Соединение с сервером разорвано");
            closeDead();
            throw ConnectionLostError(m_lostText, false);
        }
        reopen();
        return;
    }
    if (use == Use::Write && !m_inTransaction && m_writeCheckAfter >= 0 &&
        (!m_lastContact.isValid() || m_lastContact.elapsed() >= m_writeCheckAfter))
        checkAlive();
}

// One round trip that changes nothing; a connection found broken is opened afresh.
void TConnection::checkAlive()
{
    SQLHDBC hdbc = connectionHandle(database());
    SQLHSTMT statement = nullptr;
    if (!hdbc || !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, hdbc, &statement))) {
        reopen();
        return;
    }
    SQLCHAR text[] = "select 1";
    const bool ok = SQL_SUCCEEDED(SQLExecDirect(statement, text, SQL_NTS));
    const OdbcDiagnostics diagnostics =
        ok ? OdbcDiagnostics() : ReadDiagnostics(SQL_HANDLE_STMT, statement);
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
    if (ok) {
        m_lastContact.restart();
        return;
    }
    if (!isLoss(diagnostics))
        throw DbError(diagnostics.text.isEmpty() ? QStringLiteral("Ошибка базы данных")
                                                 : diagnostics.text,
                      diagnostics.firstState());
    reopen();
}

void TConnection::succeeded(Use use)
{
    m_lastContact.restart();
    if (use == Use::Write) {
        if (m_inTransaction)
            m_transactionWrites = true;
        else
            ++m_writeCount;
    }
}

bool TConnection::isLoss(const OdbcDiagnostics& diagnostics) const
{
    return diagnostics.connectionLost() ||
           DriverSaysConnectionDead(connectionHandle(database()));
}

void TConnection::lost(Use use, const OdbcDiagnostics& diagnostics)
{
    const QString text =
        diagnostics.text.isEmpty() ? QStringLiteral("Соединение с сервером разорвано") : diagnostics.text;
    closeDead();
    if (m_inTransaction) {
        // The server rolls the transaction back; its statements must not go on in
        // autocommit on a new connection.
        m_transactionLost = true;
        m_lostText = text;
        throw ConnectionLostError(text, false, diagnostics.firstState());
    }
    if (use == Use::Write) {
        ++m_writeCount;
        throw ConnectionLostError(text, true, diagnostics.firstState());
    }
}
