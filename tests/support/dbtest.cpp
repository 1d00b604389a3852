#include "dbtest.h"

#include "platform/errors.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

QString envOr(const char* name, const char* fallback)
{
    const QString v = qEnvironmentVariable(name);
    return v.isEmpty() ? QString::fromLatin1(fallback) : v;
}

void run(QSqlQuery& q, const QString& sql)
{
    if (!q.exec(sql))
        throw DbError(sql + QStringLiteral(": ") + q.lastError().text());
}

} // namespace

void ResetTestDatabase()
{
    if (qEnvironmentVariableIsEmpty("ODBCINI"))
        throw DbError(QStringLiteral(
            "ODBCINI is not set: database tests run through scripts/test, which starts the server"));
    const QString database = envOr("IPRA_TEST_DATABASE", "ipra_test");
    const QString templ = envOr("IPRA_TEST_TEMPLATE", "ipra_template");
    QString failure;
    {
        QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), QStringLiteral("admin"));
        // QODBC puts "DSN=" in front itself; the extra attribute picks another database.
        admin.setDatabaseName(QStringLiteral("ViraVIR;Database=postgres"));
        admin.setUserName(QStringLiteral("postgres"));
        admin.setPassword(QStringLiteral("vemp"));
        if (!admin.open()) {
            failure = QStringLiteral("admin connection: ") + admin.lastError().text();
        } else {
            QSqlQuery q(admin);
            try {
                run(q, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database));
                run(q, QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(database, templ));
            } catch (const DbError& e) {
                failure = e.message();
            }
            q.finish();
            admin.close();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("admin"));
    if (!failure.isEmpty())
        throw DbError(failure);
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
    QSqlQuery q(dm->conPg.database());
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

void DbTest::loadDemoData()
{
    QFile file(QStringLiteral(IPRA_SOURCE_DIR "/db/demo.sql"));
    if (!file.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("cannot read db/demo.sql"));
    // The whole script in one batch (the driver sends it as one simple query);
    // psql's own commands are left out.
    QStringList lines;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
        if (!line.trimmed().startsWith(QLatin1Char('\\')))
            lines << line;
    exec(lines.join(QLatin1Char('\n')));
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
