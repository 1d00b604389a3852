// The demo register as scripts/run builds it: what the README promises each demo login
// will see, checked on the register itself for a fixed day.

#include "dbtest.h"

#include "distribution/core/listcolours.h"
#include "execution/core/eventrules.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <ostream>

namespace {

struct Build
{
    int status = -1;
    QString output;
};

// scripts/lib/demo-register, the builder that scripts/run uses, into the test database.
Build BuildDemoRegister(const QString& folder, const QDate& today)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(IPRA_SOURCE_DIR "/scripts/lib/demo-register"),
                  {QStringLiteral("--importer"), QStringLiteral(IPRA_IMPORT_BINARY),
                   QStringLiteral("--today"), today.toString(Qt::ISODate), folder});
    Build build;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        build.output = QStringLiteral("did not finish: ") + process.errorString();
        return build;
    }
    build.status = process.exitCode();
    build.output = QString::fromUtf8(process.readAll());
    return build;
}

// Every file the generator wrote into a folder, by name.
QMap<QString, QByteArray> FolderBytes(const QString& folder)
{
    QMap<QString, QByteArray> files;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("*.xml"), QStringLiteral("*.sql")})) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            files.insert(name, file.readAll());
    }
    return files;
}

QString ColourName(const ListCellColours& colours)
{
    if (colours.kind == ListCellColours::Kind::Normal)
        return QStringLiteral("plain");
    if (colours.background == AlertColour)
        return QStringLiteral("alert");
    for (int state = IpraState::InProgress; state <= IpraState::Accepted; ++state)
        if (colours.background == IpraStateColour(state))
            return QStringLiteral("state %1").arg(state);
    return QStringLiteral("unknown");
}

const QSet<QString> EveryListColour = {
    QStringLiteral("plain"),   QStringLiteral("alert"),   QStringLiteral("state 1"),
    QStringLiteral("state 2"), QStringLiteral("state 3"), QStringLiteral("state 4")};

} // namespace

class DemoRegisterTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        loadDemoData();
        alertMonths = scalar(QStringLiteral("select val from k_vars where name = 'AlertPeriod'")).toInt();
    }

    QString sqlToday() const { return QStringLiteral("date '%1'").arg(today.toString(Qt::ISODate)); }

    // The colours of the rows a list statement selects, by the lists' own rules, as they
    // are painted while no row of them is selected.
    QSet<QString> listColours(const QString& where)
    {
        QSet<QString> colours;
        for (const QVariantList& row :
             rows(QStringLiteral("select state, to_char(enddt,'DD.MM.YYYY') from kv_ipra_mo where ") + where))
            colours << ColourName(DistrIpraCellColours(row[0].toInt(), false, row[1].toString(),
                                                       uint8_t(alertMonths), today));
        return colours;
    }

    int count(const QString& sql) { return scalar(sql).toInt(); }

    QTemporaryDir work;
    QDate today{2025, 1, 15};
    int alertMonths = 0;
};

// The register of a day the test names.
class DemoRegisterDayTest : public DemoRegisterTest, public ::testing::WithParamInterface<const char*>
{
protected:
    void SetUp() override
    {
        DemoRegisterTest::SetUp();
        today = QDate::fromString(QString::fromLatin1(GetParam()), Qt::ISODate);
    }
};

TEST_P(DemoRegisterDayTest, ShowsEveryStateAndColourDatedFromTheDay)
{
    const Build build = BuildDemoRegister(work.filePath(QStringLiteral("demo")), today);
    ASSERT_EQ(build.status, 0) << build.output.toStdString();
    const QString day = sqlToday();

    const int ipras = count(QStringLiteral("select count(*) from kv_ipra_mo"));
    ASSERT_GT(ipras, 0);
    // Issued over the last 18 months, all of them.
    EXPECT_EQ(count(QStringLiteral("select count(*) from prg where prgdt > %1 "
                                   "or prgdt < %1 - interval '18 months'").arg(day)), 0);

    // Every IPRA state, and end dates on both sides of the alert period and outside it.
    QSet<int> states;
    int alertAhead = 0, alertPassed = 0, endedLongAgo = 0, noEnd = 0;
    for (const QVariantList& row : rows(QStringLiteral(
             "select state, to_char(enddt,'DD.MM.YYYY'), enddt from kv_ipra_mo"))) {
        states << row[0].toInt();
        const QDate end = row[2].toDate();
        const bool alerts = EndDateAlerts(row[1].toString(), uint8_t(alertMonths), today);
        if (end.year() == 1)
            ++noEnd;
        else if (alerts)
            ++(end >= today ? alertAhead : alertPassed);
        else if (end < today)
            ++endedLongAgo;
    }
    EXPECT_EQ(states, (QSet<int>{0, 1, 2, 3, 4}));
    EXPECT_GT(alertAhead, 0);
    EXPECT_GT(alertPassed, 0);
    EXPECT_GT(endedLongAgo, 0);
    EXPECT_GT(noEnd, 0);

    // About half of the sender names matched, each as the names page stores a match.
    const int names = count(QStringLiteral("select count(*) from k_mo_names"));
    const int matched = count(QStringLiteral("select count(*) from k_mo_names where tname is not null"));
    EXPECT_GE(matched * 10, names * 4) << matched << " of " << names;
    EXPECT_LE(matched * 10, names * 6) << matched << " of " << names;
    EXPECT_GT(count(QStringLiteral("select count(*) from k_mo_names where tid = 0")), 0);
    EXPECT_EQ(count(QStringLiteral(
                  "select count(*) from k_mo_names n left join rhb_exc e on e.id = n.tid "
                  "where n.tid > 0 and (e.id is null or n.tname <> rpad(e.name, 350)) "
                  "or n.tid = 0 and n.tname <> n.rname")), 0);

    // Assigned to MO's and MO2's organisations as the distribution page stores it; some not.
    for (const char* login : {"MO", "MO2"})
        EXPECT_GT(count(QStringLiteral("select count(*) from kv_ipra_mo m join k_login l "
                                       "on l.mo_id = m.resp_mo_id where l.login = '%1'")
                            .arg(QLatin1String(login))), 0) << login;
    EXPECT_GT(count(QStringLiteral("select count(*) from kv_ipra_mo where resp_mo_id is null")), 0);
    EXPECT_EQ(count(QStringLiteral("select count(*) from k_ipra_mo m left join rhb_exc e on e.id = m.resp_mo_id "
                                   "where m.resp_mo_id is not null and (e.id is null or m.resp_mo is distinct from e.name)")),
              0);

    // Records in every state, each one the execution page could have stored: inside its
    // needed group's period, after the IPRA's date and not after the day, its event,
    // subtype, executor and result taken from the directories.
    QSet<int> recordStates;
    for (const QVariantList& row : rows(QStringLiteral("select distinct state from k_evdt")))
        recordStates << row[0].toInt();
    EXPECT_EQ(recordStates, (QSet<int>{0, 1, 2, 3}));
    EXPECT_EQ(count(QStringLiteral(
                  "select count(*) from k_evdt r join prg p on p.id = r.prgid "
                  "left join k_ipra_evnt g on g.prgid = r.prgid and g.typeid = r.typeid and g.need "
                  "where g.prgid is null or r.dt < g.pfrom or r.dt > g.pto or r.dt < p.prgdt or r.dt > %1 "
                  "or (r.dicid > 0) = (r.name <> '') "
                  "or r.dicid > 0 and not exists (select 1 from kv_rhb_dic d where d.id = r.dicid "
                  "    and d.type = r.typeid and d.subtype = r.stypeid) "
                  "or r.stypeid > 0 and not exists (select 1 from rhb_evnt s where s.id = r.stypeid "
                  "    and s.typeid = r.typeid) "
                  "or r.stypeid = 0 and exists (select 1 from rhb_evnt s where s.typeid = r.typeid) "
                  "or not exists (select 1 from rhb_exc e where e.id = r.exid) or r.exname <> '' "
                  "or r.resid > 0 and not exists (select 1 from rhb_res s where s.id = r.resid) "
                  "or r.state > 1 and r.resid = 0 or length(r.note) > 64").arg(day)), 0);
    // Records only where their organisation works, so the lists show them.
    EXPECT_EQ(count(QStringLiteral("select count(*) from k_evdt r join k_ipra_mo m on m.prgid = r.prgid "
                                   "where m.resp_mo_id is null")), 0);

    // The colours each demo login's first page shows: MO's execution list every one; the
    // review's every colour of the states it is sent; the distribution list its alerts,
    // and with "Показать все" every colour.
    EXPECT_EQ(listColours(QStringLiteral("resp_mo_id = (select mo_id from k_login where login = 'MO')")),
              EveryListColour);
    EXPECT_EQ(listColours(QStringLiteral("state in (2,3,4)")),
              (QSet<QString>{QStringLiteral("alert"), QStringLiteral("state 2"),
                             QStringLiteral("state 3"), QStringLiteral("state 4")}));
    EXPECT_EQ(listColours(QStringLiteral("resp_mo_id is null")),
              (QSet<QString>{QStringLiteral("plain"), QStringLiteral("alert")}));
    EXPECT_EQ(listColours(QStringLiteral("true")), EveryListColour);
}

// The same day gives the same files, byte for byte; another day other dates.
TEST_F(DemoRegisterTest, IsTheSameForTheSameDay)
{
    const auto generate = [&](const QString& name, const QDate& day) {
        const QString folder = work.filePath(name);
        QProcess process;
        process.start(QStringLiteral(IPRA_SOURCE_DIR "/tools/ipra-gen/ipra-gen"),
                      {QStringLiteral("--today"), day.toString(Qt::ISODate), QStringLiteral("--sql"),
                       folder + QStringLiteral("/register.sql"), folder});
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        return FolderBytes(folder);
    };
    const QMap<QString, QByteArray> first = generate(QStringLiteral("a"), today);
    EXPECT_GT(first.size(), 1);
    EXPECT_EQ(first, generate(QStringLiteral("b"), today));
    EXPECT_NE(first, generate(QStringLiteral("c"), today.addDays(1)));
}

// A second build over the first is refused before the users' work is written twice.
TEST_F(DemoRegisterTest, RefusesToApplyTheWorkTwice)
{
    ASSERT_EQ(BuildDemoRegister(work.filePath(QStringLiteral("first")), today).status, 0);
    const QList<QVariantList> before =
        rows(QStringLiteral("select count(*), sum(state) from k_evdt union all "
                            "select count(resp_mo_id), sum(resp_mo_id) from k_ipra_mo"));
    const Build again = BuildDemoRegister(work.filePath(QStringLiteral("again")), today);
    EXPECT_NE(again.status, 0);
    EXPECT_TRUE(again.output.contains(QStringLiteral("matched already"))) << again.output.toStdString();
    EXPECT_EQ(rows(QStringLiteral("select count(*), sum(state) from k_evdt union all "
                                  "select count(resp_mo_id), sum(resp_mo_id) from k_ipra_mo")),
              before);
}

// A winter day, and a leap day whose months around it are short.
INSTANTIATE_TEST_SUITE_P(Days, DemoRegisterDayTest, ::testing::Values("2025-01-15", "2024-02-29"));
