#include "dbtest.h"
#include "iprafiles.h"
#include "testserver.h"

#include "import/importrun.h"
#include "platform/errors.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <optional>
#include <thread>

namespace {

void addOrganisation(const QString& name)
{
    SqlCommand* ins = dm->adocExIns;
    ins->setString("name", name);
    ins->setString("shname", name.left(3));
    ins->setString("inn", QString());
    ins->setString("ogrn", QString());
    ins->execute();
}

void addSenderName(const QString& name)
{
    dm->adocRNameIns->setString("rname", name);
    dm->adocRNameIns->execute();
}

// Through the data module, so that it reconnects as any page's statement does.
int organisationCount()
{
    SqlQuery& execs = *dm->adoqExecs;
    execs.close();
    execs.open();
    const int count = execs.recordCount();
    execs.close();
    return count;
}

// A value read on a connection of its own: what another workstation sees.
QVariant otherWorkstationScalar(const QString& sql)
{
    const QString name = QStringLiteral("other workstation");
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
        db.setDatabaseName(QStringLiteral("ViraVIR"));
        db.setUserName(QStringLiteral("postgres"));
        db.setPassword(QStringLiteral("vemp"));
        if (!db.open()) {
            ADD_FAILURE() << db.lastError().text().toStdString();
        } else {
            QSqlQuery q(db);
            if (q.exec(sql) && q.next())
                value = q.value(0);
            else
                ADD_FAILURE() << sql.toStdString() << ": " << q.lastError().text().toStdString();
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return value;
}

// Runs an action and hands back the ConnectionLostError it threw, if any; any other
// error fails the test.
std::optional<ConnectionLostError> lostIn(const std::function<void()>& action)
{
    try {
        action();
    } catch (const ConnectionLostError& e) {
        return e;
    } catch (const AppError& e) {
        ADD_FAILURE() << "not a lost connection: " << e.message().toStdString();
    }
    return std::nullopt;
}

void expectLossMessage(const ConnectionLostError& e)
{
    EXPECT_TRUE(e.message().startsWith(QStringLiteral("Нет связи с базой данных.\n")))
        << e.message().toStdString();
    EXPECT_GT(e.message().size(), QStringLiteral("Нет связи с базой данных.\n").size())
        << "the driver's text is missing";
}

} // namespace

// The server restarted between two actions. A read is sent again on a new connection; a
// write finds the broken connection first when the connection has sat idle (here: always)
// and is sent on the new one; unchecked, it is in doubt and says so. A transaction meets
// the break on its first statement: nothing of it is stored, and it says so. In every
// case the next action works, prepared statements included.
TEST_F(DbTest, ActionsAfterAServerRestart)
{
    struct Case
    {
        const char* name;
        int writeCheckAfter; // -1: never checked
        std::function<void()> action;
        bool lost;           // the action throws ConnectionLostError
        bool mayHaveWritten; // ... marked so
        int organisations;   // stored afterwards (one was stored before the restart)
        bool written;        // the write mark taken before the action
    };
    auto read = [] {
        EXPECT_EQ(organisationCount(), 1);
        SqlQuery& find = *dm->adoqFindRName; // prepared: parameters
        find.close();
        find.setString("rname", "Больница до перезапуска");
        find.open();
        EXPECT_EQ(find.recordCount(), 1);
        find.close();
    };
    auto write = [] { addOrganisation("После перезапуска"); };
    auto transaction = [] {
        dm->conPg.beginTransaction();
        try {
            addOrganisation("В транзакции");
            addSenderName("Больница в транзакции");
            dm->conPg.commit();
        } catch (...) {
            dm->conPg.rollback();
            throw;
        }
    };
    const Case cases[] = {
        {"read", -1, read, false, false, 1, false},
        {"write, connection checked first", 0, write, false, false, 2, true},
        {"write, unchecked", -1, write, true, true, 1, true},
        {"transaction, connection checked first", 0, transaction, false, false, 2, true},
        {"transaction, unchecked", -1, transaction, true, false, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        adminExec("truncate rhb_exc, k_mo_names");
        addOrganisation("До перезапуска");
        addSenderName("Больница до перезапуска");
        dm->conPg.setWriteCheckAfter(c.writeCheckAfter);
        const int generation = dm->conPg.generation();

        TestServer::restart();
        const WriteMark mark(dm->conPg);
        const auto lost = lostIn(c.action);

        EXPECT_EQ(lost.has_value(), c.lost);
        if (lost) {
            EXPECT_EQ(lost->mayHaveWritten(), c.mayHaveWritten);
            expectLossMessage(*lost);
        }
        EXPECT_FALSE(dm->conPg.inTransaction());
        EXPECT_EQ(mark.anythingWritten(), c.written);
        EXPECT_EQ(organisationCount(), c.organisations);
        EXPECT_GT(dm->conPg.generation(), generation) << "not connected afresh";
        // The next action works on the new connection.
        write();
        EXPECT_EQ(organisationCount(), c.organisations + 1);
        EXPECT_TRUE(dm->conPg.charTextIsUtf8());
    }
}

// A transaction cut off in the middle stays broken until it is rolled back: its next
// statements, and its commit, do not go on in autocommit on a new connection. A commit
// whose answer never came may have been carried out, and says so.
TEST_F(DbTest, TransactionCutOffByALostConnection)
{
    dm->conPg.beginTransaction();
    addOrganisation("Первая");
    TestServer::restart();
    const WriteMark mark(dm->conPg);
    auto lost = lostIn([] { addOrganisation("Вторая"); });
    ASSERT_TRUE(lost);
    EXPECT_FALSE(lost->mayHaveWritten());
    EXPECT_TRUE(dm->conPg.inTransaction());
    lost = lostIn([] { organisationCount(); });
    ASSERT_TRUE(lost) << "a statement of the broken transaction ran on a new connection";
    lost = lostIn([] { dm->conPg.commit(); });
    ASSERT_TRUE(lost);
    EXPECT_FALSE(lost->mayHaveWritten());
    dm->conPg.rollback();
    EXPECT_EQ(organisationCount(), 0);
    EXPECT_FALSE(mark.anythingWritten());

    // The session ends while the transaction waits for its commit.
    dm->conPg.beginTransaction();
    addOrganisation("Третья");
    ASSERT_EQ(TestServer::terminateSessions(), 1);
    lost = lostIn([] { dm->conPg.commit(); });
    ASSERT_TRUE(lost);
    EXPECT_TRUE(lost->mayHaveWritten());
    EXPECT_TRUE(mark.anythingWritten());
    EXPECT_FALSE(dm->conPg.inTransaction());
    EXPECT_EQ(organisationCount(), 0);
    // Back in autocommit: another workstation sees the next write at once.
    addOrganisation("Четвёртая");
    EXPECT_EQ(otherWorkstationScalar("select count(*) from rhb_exc").toInt(), 1);
}

// The server is stopped: every action gives the message at once and nothing is counted
// as written; once the server is back the next action works, and the text check has run
// again on the new connection.
TEST_F(DbTest, ServerThatStaysAway)
{
    addOrganisation("До остановки");
    const WriteMark mark(dm->conPg);
    const int generation = dm->conPg.generation();
    TestServer::stop();
    dm->conPg.setCharTextIsUtf8(false);
    const std::function<void()> actions[] = {
        [] { organisationCount(); },
        [] { addOrganisation("Во время остановки"); },
        [] { dm->conPg.beginTransaction(); },
        [] { dm->conPg.open(); },
    };
    for (const auto& action : actions) {
        const auto lost = lostIn(action);
        ASSERT_TRUE(lost);
        EXPECT_FALSE(lost->mayHaveWritten()) << lost->message().toStdString();
        expectLossMessage(*lost);
        EXPECT_FALSE(dm->conPg.isOpen());
    }
    EXPECT_FALSE(mark.anythingWritten());
    TestServer::start();
    EXPECT_EQ(organisationCount(), 1);
    EXPECT_GT(dm->conPg.generation(), generation);
    EXPECT_TRUE(dm->conPg.charTextIsUtf8()) << "the text check did not run on the new connection";
}

// The server ends the idle session (pg_terminate_backend, an idle timeout): a read goes
// again, and a write after the program sat idle longer than the check interval finds the
// broken connection before it is sent.
TEST_F(DbTest, SessionEndedWhileIdle)
{
    ASSERT_EQ(TestServer::terminateSessions(), 1);
    EXPECT_EQ(organisationCount(), 0);
    ASSERT_EQ(TestServer::terminateSessions(), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(dm->conPg.writeCheckAfter() + 100));
    const WriteMark mark(dm->conPg);
    EXPECT_FALSE(lostIn([] { addOrganisation("После простоя"); }));
    EXPECT_TRUE(mark.anythingWritten());
    EXPECT_EQ(organisationCount(), 1);
}

// A commit the server refuses (a deferred unique constraint) is rolled back, and the
// connection is in autocommit again: the next write is seen by another workstation at
// once.
TEST_F(DbTest, RefusedCommitRollsBackAndReturnsToAutocommit)
{
    adminExec("create table deferred_pair (n integer unique deferrable initially deferred); "
              "grant select, insert on deferred_pair to postgres");
    SqlCommand ins(dm->conPg, "insPair", {"insert into deferred_pair values (:n)"});
    dm->conPg.beginTransaction();
    ins.setInteger("n", 1);
    ins.execute();
    ins.execute(); // refused only at commit
    try {
        dm->conPg.commit();
        FAIL() << "the commit was accepted";
    } catch (const ConnectionLostError& e) {
        FAIL() << e.message().toStdString();
    } catch (const DbError& e) {
        EXPECT_EQ(e.sqlState(), "23505") << e.message().toStdString();
    }
    EXPECT_FALSE(dm->conPg.inTransaction());
    ins.setInteger("n", 2);
    ins.execute();
    EXPECT_EQ(otherWorkstationScalar("select string_agg(n::text, ',') from deferred_pair").toString(),
              "2");
}

// A region's register on a primary with a streaming standby: the data source names both
// (the standby first) and asks for the one that takes writes. The primary is stopped and
// the standby promoted between two actions: the second action works on the new primary,
// and everything committed before is there.
class StandbyTest : public DbTest
{
protected:
    void TearDown() override
    {
        DbTest::TearDown();
        TestServer::runSupportScript("standby-pair", {"destroy"});
    }

    static QString serverRole()
    {
        SqlQuery& tmp = *dm->adoqTmp;
        tmp.close();
        tmp.clearText();
        tmp.addLine("select host(inet_server_addr()) as address, pg_is_in_recovery() as standby");
        tmp.open();
        const QString role = tmp.asString("address") +
                             (tmp.asBoolean("standby") ? QStringLiteral(" standby") : QString());
        tmp.close();
        return role;
    }

    int importFiles(const QString& folder)
    {
        bool namesMode = false;
        TImportRun::Hooks hooks;
        hooks.pickFolder = [&] { return folder; };
        TImportRun run(namesMode, hooks);
        run.LoadXml();
        return run.NewIpraCount;
    }
};

TEST_F(StandbyTest, FailoverToThePromotedStandby)
{
    ASSERT_TRUE(TestServer::runSupportScript("standby-pair", {"create"}));
    dm->conPg.close();
    dm->conPg.setConnectionString("Password=vemp;User ID=postgres;Data Source=ViraVIRPair");
    dm->conPg.open();
    ASSERT_EQ(serverRole(), "127.0.0.1");

    QTemporaryDir before, after;
    for (int i = 1; i <= 3; ++i)
        WriteTextFile(before.path(), QStringLiteral("%1.xml").arg(i),
                      IpraXml({QStringLiteral("5b1c0000-0000-4000-8000-00000000000%1").arg(i), "Больница"}));
    WriteTextFile(after.path(), "4.xml", IpraXml({"5b1c0000-0000-4000-8000-000000000004", "Больница"}));
    EXPECT_EQ(importFiles(before.path()), 3);
    addOrganisation("До переключения");

    ASSERT_TRUE(TestServer::runSupportScript("standby-pair", {"failover"}));

    EXPECT_EQ(organisationCount(), 1);
    addOrganisation("После переключения");
    EXPECT_EQ(importFiles(after.path()), 1);
    EXPECT_EQ(serverRole(), "127.0.0.2");
    EXPECT_EQ(organisationCount(), 2);
    SqlQuery& tmp = *dm->adoqTmp;
    tmp.close();
    tmp.clearText();
    tmp.addLine("select count(*) as n from prg");
    tmp.open();
    EXPECT_EQ(tmp.asInteger("n"), 4);
    tmp.close();
}
