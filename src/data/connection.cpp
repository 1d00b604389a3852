#include "data/connection.h"

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
    QSqlDatabase db = database();
    if (db.isOpen())
        return;
    if (!db.isValid())
        throw DbError(QStringLiteral("Драйвер ODBC для Qt (QODBC) не установлен"));
    // QODBC adds "DSN=" itself when given a bare data source name; attributes after it
    // override the data source's own settings. "Protocol=7.4-1": on an error psqlODBC
    // rolls back the whole transaction instead of wrapping every statement of a
    // transaction in a savepoint of its own, which doubled the round trips of an import
    // (a failed file is rolled back whole anyway).
    db.setDatabaseName(m_dataSource + QStringLiteral(";Protocol=7.4-1"));
    db.setUserName(m_user);
    db.setPassword(m_password);
    if (!db.open())
        throw DbError(driverText(db.lastError()));
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
            const QString message = driverText(jit.lastError());
            jit.finish();
            db.close();
            throw DbError(message);
        }
    }
    m_charTextIsUtf8 = probeCharTextIsUtf8(connectionHandle(db));
    m_inTransaction = false;
    ++m_generation;
}

void TConnection::close()
{
    QSqlDatabase db = database();
    if (db.isOpen())
        db.close();
    m_inTransaction = false;
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
    QSqlDatabase db = database();
    if (!db.transaction())
        throw DbError(driverText(db.lastError()));
    m_inTransaction = true;
}

void TConnection::commit()
{
    QSqlDatabase db = database();
    m_inTransaction = false;
    if (!db.commit())
        throw DbError(driverText(db.lastError()));
}

void TConnection::rollback()
{
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    QSqlDatabase db = database();
    if (db.isOpen())
        db.rollback();
}
