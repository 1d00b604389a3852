#include "testserver.h"

#include "dbtest.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

namespace {

QString setting(const char* name)
{
    const QString value = qEnvironmentVariable(name);
    if (value.isEmpty())
        ADD_FAILURE() << name << " is not set: these tests run through scripts/test";
    return value;
}

bool run(const QString& program, const QStringList& arguments, int timeoutMs)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << program.toStdString() << " did not finish: "
                      << process.readAll().toStdString();
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << ' ' << arguments.join(' ').toStdString()
                      << " failed:\n" << process.readAll().toStdString();
        return false;
    }
    return true;
}

// pg_ctl on the test cluster, as the server's owner.
void pgCtl(const QStringList& arguments)
{
    const QString pgCtlPath = setting("IPRA_TEST_PGBIN") + QStringLiteral("/pg_ctl");
    const QString data = setting("IPRA_TEST_PGDATA");
    QStringList all = {QStringLiteral("-D"), data, QStringLiteral("-w"), QStringLiteral("-t"),
                       QStringLiteral("60"), QStringLiteral("-s")};
    all << arguments;
    const QString owner = qEnvironmentVariable("IPRA_TEST_PGOWNER");
    if (owner.isEmpty()) {
        run(pgCtlPath, all, 90000);
    } else {
        all.prepend(pgCtlPath);
        all.prepend(QStringLiteral("--"));
        all.prepend(owner);
        all.prepend(QStringLiteral("-u"));
        run(QStringLiteral("runuser"), all, 90000);
    }
}

} // namespace

namespace TestServer {

void stop()
{
    pgCtl({QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("stop")});
    // Its session ended with the server (a lock it held stays held until then).
    ForgetAdminConnection();
}

void start()
{
    const QString data = setting("IPRA_TEST_PGDATA");
    pgCtl({QStringLiteral("-l"), data + QStringLiteral("/server.log"), QStringLiteral("-o"),
           QStringLiteral("-p ") + setting("IPRA_TEST_PGPORT"), QStringLiteral("start")});
}

void restart()
{
    // pg_ctl restart starts the server again with the options it ran with (its port).
    pgCtl({QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("restart")});
    ForgetAdminConnection();
}

int terminateSessions()
{
    const QString name = QStringLiteral("terminator");
    int ended = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
        db.setDatabaseName(QStringLiteral("ViraVIR;Database=postgres"));
        db.setUserName(QStringLiteral("postgres"));
        db.setPassword(QStringLiteral("vemp"));
        if (!db.open()) {
            ADD_FAILURE() << "second connection: " << db.lastError().text().toStdString();
        } else {
            QSqlQuery q(db);
            // With a timeout pg_terminate_backend waits until the session is gone.
            // OFFSET 0 keeps the filter apart: the planner may test conditions in any
            // order, and this session must not end itself.
            if (!q.exec(QStringLiteral("select count(*) from (select pid from pg_stat_activity "
                                       "where datname = '%1' and usename = current_user and pid <> pg_backend_pid() "
                                       "offset 0) s "
                                       "where pg_terminate_backend(pid, 10000)")
                            .arg(qEnvironmentVariable("IPRA_TEST_DATABASE", "ipra_test"))) ||
                !q.next())
                ADD_FAILURE() << q.lastError().text().toStdString();
            else
                ended = q.value(0).toInt();
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ended;
}

bool runSupportScript(const QString& name, const QStringList& arguments)
{
    return run(QStringLiteral(IPRA_SOURCE_DIR "/tests/support/") + name, arguments, 180000);
}

} // namespace TestServer
