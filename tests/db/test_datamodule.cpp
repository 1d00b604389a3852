#include "dbtest.h"
#include "storedipra.h"

#include "platform/errors.h"

#include <QDate>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <chrono>
#include <thread>

namespace {

// A value of the right kind for every parameter name the statements use.
QVariant sampleValue(const QString& param)
{
    static const QHash<QString, QVariant> values = {
        {"dt", QDate(2024, 3, 1)},      {"bdate", QDate(1980, 5, 17)}, {"docdt", QDate(2024, 2, 1)},
        {"prgdt", QDate(2024, 3, 2)},   {"pfrom", QDate(2024, 3, 2)},  {"pto", QDate(2025, 3, 1)},
        {"enddt", QDate(2025, 4, 1)},   {"issuedt", QDate(2000, 1, 1)}, {"need", true},
        {"mseid", "0f6c0ad4-1111-2222-3333-444455556666"},
        {"prgid", 1}, {"pid", 1}, {"id", 1}, {"typeid", 2}, {"stypeid", 1}, {"ptype", 0},
        {"atype", 1}, {"gndr", 1}, {"docid", 0}, {"addrid", 0}, {"tid", 1}, {"exid", 1},
        {"resid", 1}, {"state", 0}, {"dicid", 1}, {"type", 2}, {"subtype", 1},
        {"resp_mo_id", 1}, {"listed_resp_mo_id", 0}};
    return values.value(param, QStringLiteral("Проба"));
}

void bindSamples(SqlStatement* s)
{
    for (const QString& p : s->paramNames())
        s->setParam(p, sampleValue(p));
    // The version the statement's row 1 has now.
    if (s->paramNames().contains(QStringLiteral("row_version"))) {
        const QString table = s->text().contains(QStringLiteral("k_evdt")) ? QStringLiteral("k_evdt")
                                                                          : QStringLiteral("rhb_exc");
        QSqlQuery q(dm->conPg.database());
        ASSERT_TRUE(q.exec(QStringLiteral("select xmin::text::bigint from %1 where id=1").arg(table)) && q.next())
            << table.toStdString();
        s->setParam(QStringLiteral("row_version"), q.value(0));
    }
}

} // namespace

// Every statement of the data module prepares and runs on the schema, in an order in
// which each finds the rows it refers to: a wrong text or a missing column fails here.
TEST_F(DbTest, EveryStatementRunsOnTheSchema)
{
    const QStringList order = {
        "adocPrgIns", "adocPersIns", "adocAddrIns", "adocDocIns", "adocEvntIns", "adocMOins",
        "adocRNameIns", "adocExIns", "adocEvDicIns", "adocEvDicRef", "adocEvDetIns",
        "adoqLogin", "adoqFindProg", "adoqFingProgId", "adoqFindEvnt", "adocEvntUpd", "adoqFindMo",
        "adocMoUpd", "adoqFindPers", "adocPersUpd", "adoqFindAddr", "adocAddrUpd", "adoqFindAddrExp",
        "adoqFindDoc", "adocDocUpd", "adoqFindRName", "adoqEmpTNames", "adoqTNames", "adocSetTname",
        "adoqDistrIpra", "adoqDistrDoc", "adoqDistrAddr", "adocDistrSetRespMo", "adoqExecs",
        "adocExUpd", "adoqOrgIpra", "adoqRes", "adoqEvSubType", "adoqFindRes", "adoqEvExec",
        "adoqEvDic", "adoqEvDicTyped", "adoqEvNmUsed", "adoqEvDetPrg", "adoqIpraSearch",
        "adoqOrgIpraSearch", "adoqCardIpra", "adoqCardEvents", "adocEvDetUpd",
        "adocEvDetDel", "adocExDel"};
    QStringList all;
    for (SqlStatement* s : dm->statements())
        all << s->name();
    all.removeOne("adoqTmp"); // it has no text of its own
    QStringList sortedOrder = order, sortedAll = all;
    sortedOrder.sort();
    sortedAll.sort();
    ASSERT_EQ(sortedOrder, sortedAll) << "the list above must name every statement once";

    for (const QString& name : order) {
        SCOPED_TRACE(name.toStdString());
        SqlStatement* s = dm->statement(name);
        bindSamples(s);
        if (auto* q = qobject_cast<SqlQuery*>(s)) {
            ASSERT_NO_THROW(q->open());
            if (name.startsWith(QStringLiteral("adoc"))) // a write that returns its row
                EXPECT_EQ(q->recordCount(), 1);
            q->close();
        } else if (auto* c = qobject_cast<SqlCommand*>(s)) {
            ASSERT_NO_THROW(c->execute());
            EXPECT_EQ(c->rowsAffected(), 1);
        }
    }
}

TEST_F(DbTest, TextsDatesAndBooleansRoundTrip)
{
    const QString longText = QString(1000, QChar(0x0416)) + QStringLiteral("ёЁ");
    auto* ins = dm->adocExIns;
    ins->setString("name", longText);
    ins->setString("shname", QString()); // null in, '' stored
    ins->setString("inn", QStringLiteral(""));
    ins->setParam("ogrn", QString());     // setParam keeps a null: NULL stored
    ins->execute();
    EXPECT_EQ(scalar("select count(*) from rhb_exc where scode = '' and inn = '' and ogrn is null")
                  .toInt(),
              1);

    SqlQuery& execs = *dm->adoqExecs;
    execs.open();
    ASSERT_EQ(execs.recordCount(), 1);
    EXPECT_EQ(execs.asString("name"), longText);
    EXPECT_EQ(execs.asString("scode"), QString(""));
    EXPECT_TRUE(execs.isNull("ogrn"));
    EXPECT_THROW(execs.asString("ogrn"), ConversionError);
    execs.close();

    exec("insert into prg (mseid) values ('m1')");
    const int prgid = scalar("select id from prg").toInt();
    struct Case { int typeId; QDate pto; bool need; QString text; };
    const Case cases[] = {
        {2, QDate(1899, 12, 30), true, "30.12.1899"},
        {3, QDate(1, 1, 1), false, "01.01.0001"},
        {4, QDate(2031, 2, 28), true, "28.02.2031"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        auto* evIns = dm->adocEvntIns;
        evIns->setInteger("prgid", prgid);
        evIns->setInteger("typeid", c.typeId);
        evIns->setBoolean("need", c.need);
        evIns->setDate("pfrom", QDate(2024, 1, 1));
        evIns->setDate("pto", c.pto);
        evIns->setString("execut", QString());
        evIns->execute();

        SqlQuery& find = *dm->adoqFindEvnt;
        find.setInteger("prgid", prgid);
        find.setInteger("typeid", c.typeId);
        find.reopen();
        ASSERT_FALSE(find.eof());
        EXPECT_EQ(find.asDate("pto"), c.pto);
        EXPECT_EQ(find.asString("strpto"), c.text);
        EXPECT_EQ(find.asDate("strpto"), c.pto);
        EXPECT_EQ(find.asBoolean("need"), c.need);
        EXPECT_EQ(find.asString("execut"), QString(""));
        find.close();
    }
}

TEST_F(DbTest, RejectedStatementCarriesTheDriverText)
{
    auto insertPrg = [] {
        auto* ins = dm->adocPrgIns;
        for (const QString& p : ins->paramNames())
            ins->setParam(p, sampleValue(p));
        ins->execute();
    };
    insertPrg();
    try {
        insertPrg();
        FAIL() << "a second prg row with the same mseid was accepted";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains("prg_mseid_uq")) << e.message().toStdString();
    }
    EXPECT_EQ(scalar("select count(*) from prg").toInt(), 1);

    SqlQuery& tmp = *dm->adoqTmp;
    tmp.clearText();
    tmp.addLine("select * from no_such_table");
    try {
        tmp.open();
        FAIL() << "a query on a missing table opened";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains("no_such_table")) << e.message().toStdString();
    }
    EXPECT_FALSE(tmp.isOpen());
}

// The snapshot: counts, navigation, an open query left alone by open, locate, the
// client-side filter, and reading a column the result does not have.
TEST_F(DbTest, QuerySnapshotNavigationAndFilter)
{
    exec("insert into rhb_exc (name, scode, inn, ogrn) values "
         "('Б', 'b', '1', '1'), ('А', 'a', '2', '2'), ('В', 'c', '3', '3')");
    SqlQuery& execs = *dm->adoqExecs;
    execs.open();
    EXPECT_EQ(execs.recordCount(), 3);
    QStringList names;
    for (execs.first(); !execs.eof(); execs.next())
        names << execs.asString("name");
    EXPECT_EQ(names, (QStringList{"А", "Б", "В"}));

    exec("insert into rhb_exc (name) values ('Г')");
    execs.open(); // already open: the snapshot stays
    EXPECT_EQ(execs.recordCount(), 3);
    execs.reopen();
    EXPECT_EQ(execs.recordCount(), 4);

    ASSERT_TRUE(execs.locate("scode", "c"));
    EXPECT_EQ(execs.recNo(), 2);
    EXPECT_FALSE(execs.locate("scode", "zzz"));
    EXPECT_EQ(execs.recNo(), 2);

    const int inn = execs.columnIndex("inn");
    execs.setFilter([inn](const QVector<QVariant>& row, const SqlQuery&) {
        return !row.at(inn).isNull() && row.at(inn).toInt() > 1;
    });
    EXPECT_EQ(execs.recordCount(), 2);
    EXPECT_EQ(execs.asString("name"), "А");
    execs.clearFilter();
    EXPECT_EQ(execs.recordCount(), 4);

    EXPECT_THROW(execs.value("no_such_column"), DbError);
    execs.close();
    EXPECT_THROW(execs.value("name"), DbError);
}

class IpraStateTest : public DbTest
{
protected:
    // An event record of the IPRA in the given state.
    static void addRecord(int prgid, int state, int stypeId = 1)
    {
        StoredIpra::addEvent(prgid, {.typeId = 2, .stypeId = stypeId, .state = state});
    }
    static int ipraState(int prgid)
    {
        return scalar(QString("select state from kv_ipra_mo where id=%1").arg(prgid)).toInt();
    }
};

TEST_F(IpraStateTest, FollowsItsEventRecords)
{
    struct Case { const char* name; QList<int> states; int expected; };
    const Case cases[] = {
        {"no record", {}, 0},
        {"a returned record wins", {0, 2, 3, 1}, 2},
        {"a sent record next", {0, 3, 2}, 3},
        {"in progress next", {3, 0, 3}, 1},
        {"every record accepted", {3, 3}, 4},
    };
    int n = 0;
    for (const Case& c : cases) {
        ++n;
        const int prgid = StoredIpra::addIpra();
        for (int state : c.states)
            addRecord(prgid, state);
        EXPECT_EQ(ipraState(prgid), c.expected) << c.name;
    }
    EXPECT_EQ(scalar("select count(*) from kv_ipra_mo").toInt(), n);
}

TEST_F(IpraStateTest, FollowsChangedMovedAndDeletedRecords)
{
    const int a = StoredIpra::addIpra();
    const int b = StoredIpra::addIpra();
    // Two records in one statement.
    exec(QString("insert into k_evdt (prgid, typeid, stypeid, state) values (%1, 2, 1, 0), (%1, 2, 2, 3)")
             .arg(a));
    ASSERT_EQ(ipraState(a), 1);
    ASSERT_EQ(ipraState(b), 0);

    exec(QString("update k_evdt set state=3 where prgid=%1 and state=0").arg(a));
    EXPECT_EQ(ipraState(a), 4) << "every record accepted";
    exec(QString("update k_evdt set state=1 where prgid=%1 and stypeid=2").arg(a));
    EXPECT_EQ(ipraState(a), 2) << "a record returned";

    // A record moved to another IPRA changes both.
    exec(QString("update k_evdt set prgid=%1 where prgid=%2 and stypeid=2").arg(b).arg(a));
    EXPECT_EQ(ipraState(a), 4);
    EXPECT_EQ(ipraState(b), 2);

    // One statement over the records of two IPRAs.
    exec(QString("update k_evdt set state=2 where prgid in (%1, %2)").arg(a).arg(b));
    EXPECT_EQ(ipraState(a), 3);
    EXPECT_EQ(ipraState(b), 3);

    exec(QString("delete from k_evdt where prgid=%1").arg(a));
    EXPECT_EQ(ipraState(a), 0) << "no record left";
    EXPECT_EQ(ipraState(b), 3);
    adminExec("truncate k_evdt");
    EXPECT_EQ(ipraState(b), 0);
    addRecord(b, 0);
    EXPECT_EQ(ipraState(b), 1) << "a record after the truncation";
}

// Two workstations write records of one IPRA at the same time: whoever commits last
// must not store a state that misses the other's record.
TEST_F(IpraStateTest, CountsRecordsWrittenAtTheSameTime)
{
    const int ipra = StoredIpra::addIpra();
    // An accepted record already stored, so that both writers find the IPRA's state row.
    addRecord(ipra, 3, 3);
    ASSERT_EQ(ipraState(ipra), 4);
    dm->conPg.beginTransaction();
    addRecord(ipra, 1, 1);

    QString otherError;
    std::thread other([&] {
        const QString name = QStringLiteral("other workstation");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
            db.setDatabaseName(QStringLiteral("ViraVIR"));
            db.setUserName(QStringLiteral("postgres"));
            db.setPassword(QStringLiteral("vemp"));
            if (!db.open()) {
                otherError = db.lastError().text();
            } else {
                QSqlQuery q(db);
                // Waits for the first transaction's record in the state trigger.
                if (!db.transaction() ||
                    !q.exec(QString("insert into k_evdt (prgid, typeid, stypeid, state) values (%1, 2, 2, 3)")
                                .arg(ipra)) ||
                    !db.commit())
                    otherError = q.lastError().text() + db.lastError().text();
                q.finish();
                db.close();
            }
        }
        QSqlDatabase::removeDatabase(name);
    });

    // Commit once the other transaction is seen waiting for ours.
    bool waited = false;
    for (int i = 0; i < 500 && !waited; ++i) {
        // pg_locks is read live (pg_stat_activity is kept for the whole transaction).
        waited = scalar("select count(*) from pg_locks where not granted").toInt() > 0;
        if (!waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    dm->conPg.commit();
    other.join();
    ASSERT_TRUE(otherError.isEmpty()) << otherError.toStdString();
    EXPECT_TRUE(waited) << "the second writer did not wait for the first";
    // Records returned (1) and accepted (3): a returned record wins. The second writer
    // alone, not counting the first one's record, would store 4.
    EXPECT_EQ(ipraState(ipra), 2);
}

TEST_F(DbTest, ViewsJoinMatchedNamesAndDictionaryLinks)
{
    exec("insert into prg (mseid) values ('a'), ('b')");
    exec("insert into k_ipra_mo (prgid, send_mo) select id, 'Больница ' || mseid from prg");
    exec("insert into k_mo_names (rname, tid, tname) values ('Больница a', 7, 'Больница А')");
    exec("insert into k_mo_names (rname) values ('Больница b')");
    const auto matched = rows("select mseid, ch_send_mo, ch_send_mo_id from kv_ipra_mo order by mseid");
    ASSERT_EQ(matched.size(), 2);
    EXPECT_EQ(matched[0][1].toString(), "Больница А");
    EXPECT_EQ(matched[0][2].toInt(), 7);
    EXPECT_TRUE(matched[1][1].isNull());
    EXPECT_TRUE(matched[1][2].isNull());

    exec("insert into rhb_dic (name, shname) values ('Массаж', 'Масс.'), ('ЛФК', 'ЛФК')");
    exec("insert into k_ev_dic (type, subtype, evnt) select 2, 3, id from rhb_dic where name='Массаж'");
    SqlQuery& typed = *dm->adoqEvDicTyped;
    typed.setInteger("type", 2);
    typed.setInteger("subtype", 3);
    typed.open();
    ASSERT_EQ(typed.recordCount(), 1);
    EXPECT_EQ(typed.asString("name"), "Массаж");
    EXPECT_EQ(typed.asString("shname"), "Масс.");
    typed.close();
}

TEST_F(DbTest, ConnectionDescriptionNamesTheDatabaseButNotThePassword)
{
    const QString description = dm->conPg.connectionDescription();
    EXPECT_TRUE(description.startsWith("DSN=ViraVIR;DATABASE=")) << description.toStdString();
    EXPECT_TRUE(description.contains(";PORT=")) << description.toStdString();
    EXPECT_TRUE(description.contains(qEnvironmentVariable("IPRA_TEST_DATABASE", "ipra_test")));
    EXPECT_FALSE(description.contains("vemp"));
}
