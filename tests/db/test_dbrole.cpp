// The program's login on the server: an ordinary role with only the rights of
// db/roles.sql, reached over TLS only.

#include "dbtest.h"

#include "platform/errors.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// The error of sql on the program's own connection; empty when it ran.
QString refusal(const QString& sql)
{
    QSqlQuery q(dm->conPg.database());
    if (q.exec(sql))
        return QString();
    const QString text = q.lastError().databaseText();
    return text.isEmpty() ? q.lastError().text() : text;
}

struct Refused
{
    const char* sql;
    const char* because; // a piece of the server's message
};

// What a stolen built-in password must not give: programs on the server, the
// cluster's password hashes, new objects, other databases and roles.
const Refused Forbidden[] = {
    {"copy (select 1) to program 'true'", "pg_execute_server_program"},
    {"copy k_vars to '/tmp/ipra-k_vars.txt'", "pg_write_server_files"},
    {"select rolpassword from pg_authid", "permission denied for table pg_authid"},
    {"create table intruder (x integer)", "permission denied for schema public"},
    {"create temporary table intruder (x integer)", "permission denied to create temporary tables"},
    {"create database intruder", "permission denied to create database"},
    {"create role intruder", "permission denied to create role"},
    {"drop table prg", "must be owner of table prg"},
    {"alter table k_login add column x integer", "must be owner of table k_login"},
    {"truncate k_evdt", "permission denied for table k_evdt"},
    {"delete from k_login", "permission denied for table k_login"},
    {"update k_vars set val = '9.9.9.9' where name = 'AppVer'", "permission denied for table k_vars"},
    {"delete from prg", "permission denied for table prg"},
};

// Opens a connection as the program's login with extra data source attributes.
QString openWithAttributes(const QString& attributes, bool* encrypted)
{
    const QString name = QStringLiteral("tls probe");
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
        db.setDatabaseName(QStringLiteral("ViraVIR;") + attributes);
        db.setUserName(QStringLiteral("postgres"));
        db.setPassword(QStringLiteral("vemp"));
        if (!db.open()) {
            error = db.lastError().text();
            if (error.isEmpty())
                error = QStringLiteral("refused");
        } else {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("select ssl from pg_stat_ssl where pid = pg_backend_pid()")) && q.next())
                *encrypted = q.value(0).toString() == QLatin1String("1") || q.value(0).toBool();
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return error;
}

} // namespace

TEST_F(DbTest, ProgramLoginIsAnOrdinaryRoleThatOwnsNothing)
{
    const auto role = rows(QStringLiteral(
        "select current_user, rolsuper, rolcreatedb, rolcreaterole, rolreplication, rolbypassrls, "
        "(select count(*) from pg_auth_members where member = r.oid), "
        "(select count(*) from pg_shdepend where refobjid = r.oid and deptype = 'o') "
        "from pg_roles r where rolname = current_user"));
    ASSERT_EQ(role.size(), 1);
    EXPECT_EQ(role[0][0].toString(), QStringLiteral("postgres"));
    for (int column = 1; column <= 5; ++column)
        EXPECT_FALSE(role[0][column].toBool()) << "attribute column " << column;
    EXPECT_EQ(role[0][6].toInt(), 0) << "member of a role";
    EXPECT_EQ(role[0][7].toInt(), 0) << "owns objects";
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from pg_tables where schemaname = 'public' and "
                                    "tableowner = current_user"))
                  .toInt(),
              0);
}

TEST_F(DbTest, ProgramLoginIsRefusedWhatItDoesNotNeed)
{
    for (const Refused& c : Forbidden) {
        SCOPED_TRACE(c.sql);
        const QString error = refusal(QString::fromUtf8(c.sql));
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.because))) << error.toStdString();
    }
    EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/ipra-k_vars.txt")));
    // Still a working connection after the refusals.
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from k_vars")).toInt(), 0);
}

// A role that gained rights somewhere (by hand, an old grant file, a restore) is put
// back to exactly the rights of db/roles.sql when it is run again.
TEST_F(DbTest, RolesFileTakesBackRightsGainedElsewhere)
{
    struct Case
    {
        const char* what;
        const char* grant;   // run by the administrator
        const char* refused; // run by the program's login after roles.sql
        const char* because;
    };
    const Case cases[] = {
        {"a table grant", "grant delete on k_login to postgres", "delete from k_login",
         "permission denied for table k_login"},
        {"superuser", "alter role postgres superuser", "select rolpassword from pg_authid",
         "permission denied for table pg_authid"},
        {"a predefined role", "grant pg_execute_server_program to postgres",
         "copy (select 1) to program 'true'", "pg_execute_server_program"},
        {"ownership of a table", "alter table k_vars owner to postgres", "drop table k_vars",
         "must be owner of table k_vars"},
        {"create on the schema", "grant create on schema public to postgres",
         "create table intruder (x integer)", "permission denied for schema public"},
        {"temporary tables",
         "do $$ begin execute format('grant temporary on database %I to public', current_database()); end $$",
         "create temporary table intruder (x integer)", "permission denied to create temporary tables"},
    };
    QFile file(QStringLiteral(IPRA_SOURCE_DIR "/db/roles.sql"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString roles = QString::fromUtf8(file.readAll());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        adminExec(QString::fromUtf8(c.grant));
        adminExec(roles);
        const QString error = refusal(QString::fromUtf8(c.refused));
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.because))) << error.toStdString();
    }
}

TEST_F(DbTest, ProgramConnectionIsEncryptedAndPlainIsRefused)
{
    EXPECT_EQ(scalar(QStringLiteral("select ssl from pg_stat_ssl where pid = pg_backend_pid()")).toString(),
              QStringLiteral("1"));

    const QString ca = qEnvironmentVariable("IPRA_TEST_SERVER_CA");
    ASSERT_TRUE(QFile::exists(ca)) << "IPRA_TEST_SERVER_CA: " << ca.toStdString();
    struct Case
    {
        const char* what;
        QString attributes;
        bool opens;
    };
    const Case cases[] = {
        {"without TLS", QStringLiteral("SSLmode=disable"), false},
        {"verifying the server against its CA", QStringLiteral("SSLmode=verify-full;pqopt={sslrootcert=%1}").arg(ca),
         true},
        // The machine's public CAs: none of them signed a private server's certificate.
        {"verifying against CAs that did not sign it",
         QStringLiteral("SSLmode=verify-full;pqopt={sslrootcert=/etc/ssl/certs/ca-certificates.crt}"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bool encrypted = false;
        const QString error = openWithAttributes(c.attributes, &encrypted);
        EXPECT_EQ(error.isEmpty(), c.opens) << error.toStdString();
        EXPECT_EQ(encrypted, c.opens);
    }
}
