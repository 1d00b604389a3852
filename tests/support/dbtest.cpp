#include "dbtest.h"

#include "platform/errors.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

const QString AdminConnection = QStringLiteral("admin");

QString envOr(const char* name, const char* fallback)
{
    const QString v = qEnvironmentVariable(name);
    return v.isEmpty() ? QString::fromLatin1(fallback) : v;
}

QString testDatabase() { return envOr("IPRA_TEST_DATABASE", "ipra_test"); }

void run(QSqlQuery& q, const QString& sql)
{
    if (!q.exec(sql))
        throw DbError(sql + QStringLiteral(": ") + q.lastError().text());
}

QString readSource(const char* relativePath)
{
    QFile file(QStringLiteral(IPRA_SOURCE_DIR "/") + QLatin1String(relativePath));
    if (!file.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("cannot read ") + QLatin1String(relativePath));
    // The whole script in one batch (the driver sends it as one simple query);
    // psql's own commands are left out.
    QStringList lines;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
        if (!line.trimmed().startsWith(QLatin1Char('\\')))
            lines << line;
    return lines.join(QLatin1Char('\n'));
}

// The cluster's administrator, whose credentials scripts/test hands over; the
// program never learns them.
QSqlDatabase openAdmin(const QString& database)
{
    const QString user = qEnvironmentVariable("IPRA_TEST_ADMIN_USER");
    if (user.isEmpty())
        throw DbError(QStringLiteral(
            "IPRA_TEST_ADMIN_USER is not set: database tests run through scripts/test, which starts the server"));
    QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), AdminConnection);
    // QODBC puts "DSN=" in front itself; the extra attribute picks another database.
    admin.setDatabaseName(QStringLiteral("ViraVIR;Database=") + database);
    admin.setUserName(user);
    admin.setPassword(qEnvironmentVariable("IPRA_TEST_ADMIN_PASSWORD"));
    if (!admin.open())
        throw DbError(QStringLiteral("admin connection: ") + admin.lastError().text());
    return admin;
}

QSqlDatabase admin()
{
    QSqlDatabase db = QSqlDatabase::database(AdminConnection, false);
    return db.isOpen() ? db : openAdmin(testDatabase());
}

QList<QVariantList> fetch(const QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q(db);
    run(q, sql);
    QList<QVariantList> result;
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << q.value(i);
        result << row;
    }
    return result;
}

void closeAdmin()
{
    {
        QSqlDatabase admin = QSqlDatabase::database(AdminConnection, false);
        if (admin.isOpen())
            admin.close();
    }
    QSqlDatabase::removeDatabase(AdminConnection);
}

} // namespace

void ForgetAdminConnection()
{
    closeAdmin();
}

void ResetTestDatabase()
{
    closeAdmin();
    if (qEnvironmentVariableIsEmpty("ODBCINI"))
        throw DbError(QStringLiteral(
            "ODBCINI is not set: database tests run through scripts/test, which starts the server"));
    const QString templ = envOr("IPRA_TEST_TEMPLATE", "ipra_template");
    try {
        {
            QSqlDatabase admin = openAdmin(QStringLiteral("postgres"));
            QSqlQuery q(admin);
            run(q, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(testDatabase()));
            run(q, QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(testDatabase(), templ));
        }
        closeAdmin();
        // A database made from a template has the default database rights again:
        // the program's login gets back exactly what a register's database gives it.
        QSqlQuery q(admin());
        run(q, readSource("db/roles.sql"));
    } catch (...) {
        closeAdmin();
        throw;
    }
}

void DbTest::SetUp()
{
    ResetTestDatabase();
    dm = new Tdm;
    dm->conPg.open();
}

void DbTest::TearDown()
{
    delete dm;
    dm = nullptr;
    closeAdmin();
}

void DbTest::exec(const QString& sql)
{
    QSqlQuery q(dm->conPg.database());
    run(q, sql);
}

QVariant DbTest::scalar(const QString& sql)
{
    QSqlQuery q(dm->conPg.database());
    run(q, sql);
    return q.next() ? q.value(0) : QVariant();
}

QList<QVariantList> DbTest::rows(const QString& sql)
{
    return fetch(dm->conPg.database(), sql);
}

void DbTest::adminExec(const QString& sql)
{
    QSqlQuery q(admin());
    run(q, sql);
}

QList<QVariantList> DbTest::adminRows(const QString& sql)
{
    return fetch(admin(), sql);
}

void DbTest::adminBegin()
{
    QSqlDatabase db = admin();
    if (!db.transaction())
        throw DbError(QStringLiteral("admin transaction: ") + db.lastError().text());
}

void DbTest::adminEnd()
{
    QSqlDatabase db = QSqlDatabase::database(AdminConnection, false);
    if (db.isOpen() && !db.commit())
        closeAdmin();
}

void DbTest::loadDemoData()
{
    // Logins, settings and the fixed directories are the administrator's to fill.
    adminExec(readSource("db/demo.sql"));
}

OtherWorkstation::OtherWorkstation() : m_connection(QStringLiteral("other workstation"))
{
    m_connection.setConnectionString(Tdm::ConnectionString);
    m_connection.open();
}

void OtherWorkstation::exec(const QString& sql)
{
    QSqlQuery q(m_connection.database());
    run(q, sql);
}
