#include "dbtest.h"
#include "storedipra.h"

#include "data/alertperiod.h"
#include "import/iprarecord.h"

#include <ostream>

using namespace StoredIpra;

class LoadIpraTest : public DbTest
{
};

TEST_F(LoadIpraTest, ReadsTheRecordItsGroupsAndItsPersons)
{
    const int id = addIpra({.prgnum = QStringLiteral("0042.9.44/2024"),
                            .prgdt = QStringLiteral("2024-03-05"),
                            .lname = QStringLiteral("Иванов"),
                            .sendMo = QStringLiteral("ГБ №2")});
    // Stored as the file listed them: sanatorium first, then medical rehabilitation.
    addGroup(id, 99, QStringLiteral("2024-04-01"), QStringLiteral("0001-01-01"));
    addGroup(id, 2, QStringLiteral("1899-12-30"), QStringLiteral("2025-03-31"), false);
    const int holder = addPerson(id, 0);
    addAddress(holder, 1, QStringLiteral("г. Кострома, ул. Мира, 1"), QStringLiteral("111"));
    addAddress(holder, 5, QStringLiteral("г. Кострома, ул. Ленина, 2"), QStringLiteral("222"));
    addDoc(holder, QStringLiteral("Паспорт"), QStringLiteral("3405"), QStringLiteral("123456"),
           QStringLiteral("УФМС"), QStringLiteral("2006-07-08"));
    exec(QStringLiteral("update k_ipra_mo set recover='восст', compens=null where prgid=%1").arg(id));

    TPRG prg;
    prg.LoadIpra(id);
    EXPECT_EQ(prg.id, id);
    EXPECT_EQ(prg.prgnum, QStringLiteral("0042.9.44/2024"));
    EXPECT_EQ(Dates::format(prg.prgdt), QStringLiteral("05.03.2024"));
    EXPECT_EQ(Dates::format(prg.bdate), QStringLiteral("04.05.1961"));
    EXPECT_EQ(prg.lname, QStringLiteral("Иванов"));
    EXPECT_EQ(prg.gndr, 2);
    EXPECT_EQ(prg.send_mo, QStringLiteral("ГБ №2"));
    EXPECT_EQ(prg.recover, QStringLiteral("восст"));
    EXPECT_EQ(prg.compens, QString());
    EXPECT_TRUE(Dates::isNoDate(prg.enddt)); // not read back

    ASSERT_EQ(prg.events.size(), 2u);
    EXPECT_EQ(prg.events[0]->typeid_, 2); // in the order of the codes, need false included
    EXPECT_EQ(prg.events[0]->prgid, id);
    EXPECT_TRUE(Dates::isNoDate(prg.events[0]->pfrom));
    EXPECT_EQ(Dates::format(prg.events[0]->pto), QStringLiteral("31.03.2025"));
    EXPECT_EQ(prg.events[1]->typeid_, 99);
    EXPECT_TRUE(Dates::isNoEnd(prg.events[1]->pto));

    ASSERT_TRUE(prg.holder);
    EXPECT_EQ(prg.holder->id, holder);
    ASSERT_EQ(prg.holder->addrs.size(), 2u);
    EXPECT_EQ(prg.holder->addrs[1]->atype, 5);
    EXPECT_EQ(prg.holder->addrs[1]->afull, QStringLiteral("г. Кострома, ул. Ленина, 2"));
    EXPECT_EQ(prg.holder->phone, QStringLiteral("222")); // the last address row's
    ASSERT_EQ(prg.holder->docs.size(), 1u);
    EXPECT_EQ(prg.holder->docs[0]->numb, QStringLiteral("123456"));
    EXPECT_EQ(Dates::format(prg.holder->docs[0]->issuedt), QStringLiteral("08.07.2006"));
    EXPECT_FALSE(prg.repr); // no representative row
}

TEST_F(LoadIpraTest, RepresentativeOnlyWhenItsRowExistsAndNoHolderRowLeavesTheHolderAbsent)
{
    const int id = addIpra();
    const int repr = addPerson(id, 1, QStringLiteral("Смирнов"), QStringLiteral("Олег"),
                               QStringLiteral("Ильич"));
    addAddress(repr, 1, QStringLiteral("Галич"), QStringLiteral("555"));
    addDoc(repr, QStringLiteral("Доверенность"), QString(), QStringLiteral("7"), QStringLiteral("Нотариус"),
           QStringLiteral("2023-01-02"));
    addDoc(repr, QStringLiteral("Паспорт"), QStringLiteral("34 01"), QStringLiteral("1"), QStringLiteral("ОВД"),
           QStringLiteral("2001-01-02"));

    TPRG prg;
    prg.LoadIpra(id);
    EXPECT_FALSE(prg.holder);
    ASSERT_TRUE(prg.repr);
    EXPECT_EQ(prg.repr->ptype, 1);
    EXPECT_EQ(prg.repr->lname, QStringLiteral("Смирнов"));
    EXPECT_EQ(prg.repr->sname, QStringLiteral("Ильич"));
    ASSERT_EQ(prg.repr->addrs.size(), 1u);
    EXPECT_EQ(prg.repr->addrs[0]->phone, QStringLiteral("555"));
    EXPECT_EQ(prg.repr->phone, QString()); // only the holder takes the address phone
    ASSERT_EQ(prg.repr->docs.size(), 2u);
    EXPECT_EQ(prg.repr->docs[1]->series, QStringLiteral("34 01"));
    EXPECT_TRUE(prg.events.empty());
}

TEST_F(LoadIpraTest, EventDetailsAreReplacedOnEachLoad)
{
    const int id = addIpra();
    const int other = addIpra();
    addEvent(id, {.typeId = 2, .stypeId = 3, .state = 2, .dicid = 6, .exid = 3, .resid = 1,
                  .note = QStringLiteral("заметка"), .dt = QStringLiteral("2024-05-06")});
    addEvent(id, {.typeId = 99, .name = QStringLiteral("Санаторий"), .exname = QStringLiteral("Сосны"),
                  .resdesc = QStringLiteral("Пройдено")});
    addEvent(other, {});
    exec(QStringLiteral("insert into k_evdt (prgid) values (%1)").arg(id)); // nulls read as nothing

    TPRG prg;
    prg.LoadIpra(id);
    prg.LoadEventDetails();
    prg.LoadEventDetails();
    ASSERT_EQ(prg.details.size(), 3u);
    const TEventDetail& a = *prg.details[0];
    EXPECT_EQ(a.prgid, id);
    EXPECT_EQ(a.typeid_, 2);
    EXPECT_EQ(a.stypeid, 3);
    EXPECT_EQ(a.dicid, 6);
    EXPECT_EQ(a.exid, 3);
    EXPECT_EQ(a.resid, 1);
    EXPECT_EQ(a.state, 2);
    EXPECT_EQ(a.note, QStringLiteral("заметка"));
    EXPECT_EQ(Dates::format(a.dt), QStringLiteral("06.05.2024"));
    const TEventDetail& b = *prg.details[1];
    EXPECT_GT(b.id, a.id);
    EXPECT_EQ(b.name, QStringLiteral("Санаторий"));
    EXPECT_EQ(b.exname, QStringLiteral("Сосны"));
    EXPECT_EQ(b.resdesc, QStringLiteral("Пройдено"));
    EXPECT_TRUE(Dates::isNoDate(b.dt)); // 30.12.1899 is no date
    const TEventDetail& c = *prg.details[2];
    EXPECT_EQ(c.typeid_, 0);
    EXPECT_EQ(c.name, QString());
    EXPECT_TRUE(Dates::isNoDate(c.dt));
}

TEST_F(LoadIpraTest, SaveInsertsThenUpdatesAndDeleteRemoves)
{
    const int id = addIpra();
    TEventDetail fresh;
    fresh.prgid = id;
    fresh.typeid_ = 4;
    fresh.stypeid = 7;
    fresh.dicid = 17;
    fresh.exid = 3;
    fresh.resid = 2;
    fresh.note = QStringLiteral("первое");
    fresh.state = 0; // no date: stored as 30.12.1899
    ASSERT_TRUE(fresh.Save());
    EXPECT_EQ(rows(QStringLiteral("select prgid, typeid, stypeid, name, exid, exname, resid, resdesc, "
                                  "note, to_char(dt,'DD.MM.YYYY'), state, dicid from k_evdt")),
              (QList<QVariantList>{{id, 4, 7, QString(), 3, QString(), 2, QString(),
                                    QStringLiteral("первое"), QStringLiteral("30.12.1899"), 0, 17}}));

    TPRG prg;
    prg.LoadIpra(id);
    prg.LoadEventDetails();
    ASSERT_EQ(prg.details.size(), 1u);
    TEventDetail& stored = *prg.details[0];
    EXPECT_GT(stored.id, 0);
    EXPECT_TRUE(Dates::isNoDate(stored.dt));
    stored.dicid = 0;
    stored.name = QStringLiteral("Своё");
    stored.exid = 0;
    stored.exname = QStringLiteral("Кто-то");
    stored.resid = 0;
    stored.resdesc = QStringLiteral("Итог");
    stored.dt = Dates::fromDate(QDate(2024, 9, 1));
    stored.state = 2;
    stored.typeid_ = 2; // the type and subtype of a stored record never change
    ASSERT_TRUE(stored.Save());
    EXPECT_EQ(rows(QStringLiteral("select id, typeid, stypeid, name, exid, exname, resid, resdesc, "
                                  "to_char(dt,'DD.MM.YYYY'), state, dicid from k_evdt")),
              (QList<QVariantList>{{stored.id, 4, 7, QStringLiteral("Своё"), 0, QStringLiteral("Кто-то"),
                                    0, QStringLiteral("Итог"), QStringLiteral("01.09.2024"), 2, 0}}));

    const int keep = addEvent(id, {});
    EXPECT_TRUE(stored.Delete());
    EXPECT_EQ(rows(QStringLiteral("select id from k_evdt")), (QList<QVariantList>{{keep}}));
}

// A record saved once knows its key and its row's new version: saving it again, as after
// a refill that failed, updates that row instead of inserting a twin or taking its own
// change for one made elsewhere.
TEST_F(LoadIpraTest, ASavedRecordKnowsItsKeyAndItsRowVersion)
{
    TEventDetail record;
    record.prgid = addIpra();
    record.typeid_ = 3;
    ASSERT_TRUE(record.Save());
    const QList<QVariantList> stored = rows(QStringLiteral("select id from k_evdt"));
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(record.id, stored[0][0].toInt());
    for (const QString note : {QStringLiteral("второе"), QStringLiteral("третье")}) {
        record.note = note;
        ASSERT_TRUE(record.Save());
    }
    EXPECT_EQ(rows(QStringLiteral("select id, note from k_evdt")),
              (QList<QVariantList>{{record.id, QStringLiteral("третье")}}));
    EXPECT_TRUE(record.Delete());
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from k_evdt")).toInt(), 0);
}

// A record read before another workstation changed or deleted its row is neither saved
// nor deleted over that change: what the other workstation left stays.
TEST_F(LoadIpraTest, ARecordChangedOrDeletedElsewhereIsNeitherSavedNorDeleted)
{
    struct Case
    {
        const char* what;
        QString elsewhere; // ID stands for the record's key
        bool refused;
    };
    const Case cases[] = {
        {"nothing done elsewhere", QString(), false},
        {"changed", QStringLiteral("update k_evdt set note = 'там' where id = ID"), true},
        {"written again unchanged", QStringLiteral("update k_evdt set note = note where id = ID"), true},
        {"deleted", QStringLiteral("delete from k_evdt where id = ID"), true},
        // Freezing is no change: the row keeps its version.
        {"frozen by VACUUM", QStringLiteral("vacuum (freeze) k_evdt"), false},
    };
    adminExec(QStringLiteral("create extension if not exists pg_visibility"));
    const int ipra = addIpra();
    OtherWorkstation other;
    for (const bool save : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << (save ? "save, " : "delete, ") << c.what);
            exec(QStringLiteral("delete from k_evdt"));
            const int key = addEvent(ipra, {.note = QStringLiteral("было")});
            TPRG prg;
            prg.LoadIpra(ipra);
            prg.LoadEventDetails();
            ASSERT_EQ(prg.details.size(), 1u);
            TEventDetail& record = *prg.details[0];
            // Only the table's owner may vacuum it, and read its visibility map.
            const bool vacuum = c.elsewhere.startsWith(QStringLiteral("vacuum"));
            if (vacuum)
                adminExec(c.elsewhere);
            else if (!c.elsewhere.isNull())
                other.exec(QString(c.elsewhere).replace(QStringLiteral("ID"), QString::number(key)));
            if (vacuum) {
                ASSERT_TRUE(adminRows(QStringLiteral("select bool_and(all_frozen) from pg_visibility_map('k_evdt')"))
                                .value(0).value(0).toBool());
            }
            const QList<QVariantList> left = rows(QStringLiteral("select id, note from k_evdt"));
            record.note = QStringLiteral("здесь");
            EXPECT_EQ(save ? record.Save() : record.Delete(), !c.refused);
            const QList<QVariantList> after = rows(QStringLiteral("select id, note from k_evdt"));
            if (c.refused)
                EXPECT_EQ(after, left);
            else if (save)
                EXPECT_EQ(after, (QList<QVariantList>{{key, QStringLiteral("здесь")}}));
            else
                EXPECT_EQ(after, QList<QVariantList>());
        }
    }
}

TEST_F(LoadIpraTest, NeedsAlertCountsWholeGroups)
{
    struct Case
    {
        const char* what;
        QString pto;
        int months;
        QList<int> states; // the group's records
        bool alert;
    };
    const Case cases[] = {
        {"no records, end in 20 days", daysFromToday(20), 1, {}, true},
        {"two records, both returned", daysFromToday(20), 1, {1, 1}, false},
        {"one returned, one sent", daysFromToday(20), 1, {1, 2}, true},
        {"end far away", daysFromToday(200), 1, {}, false},
        {"no end", QStringLiteral("0001-01-01"), 255, {0}, false},
        {"ended not long ago", daysFromToday(-40), 1, {0, 3}, true},
        {"256 records, all returned", daysFromToday(20), 1, QList<int>(256, 1), false},
        {"256 records, one sent", daysFromToday(20), 1, QList<int>(255, 1) << 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        exec(QStringLiteral("delete from k_evdt"));
        const int id = addIpra();
        addGroup(id, 2, QStringLiteral("2024-01-01"), c.pto);
        addGroup(id, 3, QStringLiteral("2024-01-01"), c.pto);
        QStringList values;
        for (int state : c.states)
            values << QStringLiteral("(%1, 2, 0, '', 0, '', 0, '', '', '1899-12-30', %2, 0)")
                          .arg(id).arg(state);
        if (!values.isEmpty())
            exec(QStringLiteral("insert into k_evdt (prgid, typeid, stypeid, name, exid, exname, resid, "
                                "resdesc, note, dt, state, dicid) values ") + values.join(QLatin1Char(',')));
        addEvent(id, {.typeId = 3, .state = 2}); // another type's records do not count
        AlertPeriodMonths = uint8_t(c.months);
        TPRG prg;
        prg.LoadIpra(id);
        ASSERT_EQ(prg.events.size(), 2u);
        EXPECT_EQ(prg.events[0]->NeedsAlert(), c.alert);
    }
    AlertPeriodMonths = 0;
}
