#include "dbtest.h"

#include "import/keymap.h"
#include "import/saveipra.h"
#include "import/xmlflatten.h"
#include "platform/errors.h"

#include <memory>

namespace {

const QString SampleMseid = "6f1c2a9e-4b7d-4e0f-9a3c-2d8e5b7f1a04";

// The realistic sample file, read and mapped as the import does it.
std::unique_ptr<TPRG> loadSample()
{
    auto record = std::make_unique<TPRG>();
    IpraMapper mapper(*record);
    const IpraLoadResult result =
        LoadIpraFile(QStringLiteral(IPRA_TEST_DATA_DIR "/xml/ipra_sample.xml"),
                     [&](const QString& k, const QString& v) { mapper.MapIpraValue(k, v); });
    EXPECT_TRUE(result.ok) << result.reason.toStdString();
    return record;
}

class SaveIpraTest : public DbTest
{
protected:
    static int count(const char* table)
    {
        return scalar(QString("select count(*) from %1").arg(table)).toInt();
    }
    // Every id of the rows one IPRA owns, to see that a second import keeps them.
    static QString rowIds()
    {
        return rows("select string_agg(t || ':' || id, ',' order by t, id) from ("
                    " select 'p' t, id from prg union all select 'e', prgid*10+typeid from k_ipra_evnt"
                    " union all select 'm', id from k_ipra_mo union all select 'k', id from k_person"
                    " union all select 'a', id from k_address union all select 'd', id from k_doc) x")
            .value(0)
            .value(0)
            .toString();
    }
};

} // namespace

TEST_F(SaveIpraTest, FirstImportThenTheSameFileAgainUpdatesInPlace)
{
    auto first = loadSample();
    int newIpras = 0;
    SaveIpra(*first, newIpras);
    EXPECT_EQ(newIpras, 1);
    EXPECT_GT(first->id, 0);
    EXPECT_EQ(count("prg"), 1);
    EXPECT_EQ(count("k_ipra_evnt"), 2);
    EXPECT_EQ(count("k_ipra_mo"), 1);
    EXPECT_EQ(count("k_person"), 2);
    EXPECT_EQ(count("k_address"), 2);
    EXPECT_EQ(count("k_doc"), 3); // the representative's two documents keep a row each
    EXPECT_EQ(scalar("select need::text from k_ipra_evnt where typeid=99").toString(), "false");
    EXPECT_EQ(scalar("select mseid from prg").toString(), SampleMseid);
    const QString ids = rowIds();
    const QVariant prgUdt = scalar("select udt from prg");

    auto second = loadSample();
    second->holder->phone = "+7 999 000-00-00";
    second->send_mo = "Другая больница";
    SaveIpra(*second, newIpras);
    EXPECT_EQ(newIpras, 1);
    EXPECT_EQ(second->id, first->id);
    EXPECT_EQ(rowIds(), ids);
    EXPECT_EQ(scalar("select udt from prg"), prgUdt);
    EXPECT_EQ(scalar("select send_mo from k_ipra_mo").toString(), "Другая больница");
    // The holder's phone stands in every address row of the holder.
    EXPECT_EQ(scalar("select count(*) from k_address a join k_person p on p.id=a.pid "
                     "where p.ptype=0 and a.phone='+7 999 000-00-00'")
                  .toInt(),
              2);
}

TEST_F(SaveIpraTest, RepresentativeKeepsEmptySnilsAndNoDate)
{
    auto record = loadSample();
    int newIpras = 0;
    SaveIpra(*record, newIpras);
    const auto repr = rows("select snils, to_char(bdate,'DD.MM.YYYY'), docid, addrid, lname "
                           "from k_person where ptype=1");
    ASSERT_EQ(repr.size(), 1);
    EXPECT_EQ(repr[0][0].toString(), "");
    EXPECT_FALSE(repr[0][0].isNull());
    EXPECT_EQ(repr[0][1].toString(), "30.12.1899");
    EXPECT_EQ(repr[0][2].toInt(), 0);
    EXPECT_EQ(repr[0][3].toInt(), 0);
    EXPECT_EQ(repr[0][4].toString(), "Смирнов");
}

TEST_F(SaveIpraTest, OverriddenSenderNameIsStoredAsTabled)
{
    auto record = loadSample();
    record->mseid = "01eddbb0-0082-4602-9121-221af6549c4a";
    int newIpras = 0;
    SaveIpra(*record, newIpras);
    EXPECT_EQ(scalar("select send_mo from k_ipra_mo").toString(),
              " ОГБУЗ \"КОСТРОМСКОЙ ОНКОЛОГИЧЕСКИЙ ДИСПАНСЕР\"");
    EXPECT_TRUE(SenderNameOverride(SampleMseid).isNull());
    EXPECT_TRUE(SenderNameOverride("01EDDBB0-0082-4602-9121-221AF6549C4A").isNull());
}

TEST_F(SaveIpraTest, FileWithoutIdIsNotSaved)
{
    auto record = loadSample();
    record->mseid.clear();
    int newIpras = 0;
    EXPECT_THROW(SaveIpra(*record, newIpras), AppError);
    EXPECT_EQ(newIpras, 0);
    EXPECT_EQ(count("prg") + count("k_ipra_mo") + count("k_person"), 0);
}

TEST_F(SaveIpraTest, ReimportKeepsTheAssignment)
{
    auto record = loadSample();
    int newIpras = 0;
    SaveIpra(*record, newIpras);
    exec("update k_ipra_mo set resp_mo='ОГБУЗ \"КОКБ\"', resp_mo_id=2");
    auto again = loadSample();
    again->enddt = Dates::NoEnd;
    SaveIpra(*again, newIpras);
    const auto mo = rows("select resp_mo, resp_mo_id, to_char(enddt,'DD.MM.YYYY') from k_ipra_mo");
    ASSERT_EQ(mo.size(), 1);
    EXPECT_EQ(mo[0][0].toString(), "ОГБУЗ \"КОКБ\"");
    EXPECT_EQ(mo[0][1].toInt(), 2);
    EXPECT_EQ(mo[0][2].toString(), "01.01.0001");
}

TEST_F(SaveIpraTest, DatabaseErrorInTheMiddleLeavesNoneOfTheFile)
{
    // The representative's last document is the file's last write: refuse exactly that one.
    adminExec("alter table k_doc add constraint no_boom check (title <> 'BOOM')");
    auto record = loadSample();
    record->repr->docs.back()->title = "BOOM";
    int newIpras = 0;
    try {
        SaveIpra(*record, newIpras);
        FAIL() << "the refused document did not stop the save";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains("no_boom")) << e.message().toStdString();
    }
    EXPECT_EQ(newIpras, 0);
    EXPECT_EQ(count("prg") + count("k_ipra_evnt") + count("k_ipra_mo") + count("k_person")
                  + count("k_address") + count("k_doc"),
              0);
    EXPECT_FALSE(dm->conPg.inTransaction());

    // The connection is usable again and the corrected file lands whole.
    record->repr->docs.back()->title = "Свидетельство о рождении";
    SaveIpra(*record, newIpras);
    EXPECT_EQ(newIpras, 1);
    EXPECT_EQ(count("k_doc"), 3);
}

TEST_F(SaveIpraTest, GroupOfUnknownTypeIsLoggedAndNotStored)
{
    auto record = loadSample();
    record->AddEventGroup(40);
    QStringList log;
    int newIpras = 0;
    SaveIpra(*record, newIpras, [&](const QString& line) { log << line; });
    EXPECT_EQ(count("k_ipra_evnt"), 2);
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].contains("40"));
}
