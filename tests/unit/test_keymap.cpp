#include "import/fixedtext.h"
#include "import/keymap.h"
#include "import/xmlflatten.h"
#include "platform/dates.h"
#include "platform/errors.h"

#include <QFile>
#include <QList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <utility>

namespace {

using Pairs = QList<std::pair<QString, QString>>;

DateValue ymd(int y, int m, int d)
{
    return Dates::fromDate(QDate(y, m, d));
}

void mapAll(IpraMapper& mapper, const Pairs& pairs)
{
    for (const auto& [key, value] : pairs)
        mapper.MapIpraValue(key, value);
}

const QString kLast = QStringLiteral("PersonFIOct:LastName");
const QString kFirst = QStringLiteral("PersonFIOct:FirstName");
const QString kLivingType = QStringLiteral("PersonLivingAddressTypect:Id");
const QString kRegType = QStringLiteral("PersonRegAddressTypect:Id");
const QString kGroupId = QStringLiteral("MedSectionEventGroupsGroupGroupTypect:Id");
const QString kNeed = QStringLiteral("MedSectionEventGroupsGroupNeed");

Pairs group(const QString& id, const QString& need, const QString& from, const QString& to, const QString& executor)
{
    return {{kGroupId, id},
            {"MedSectionEventGroupsGroupGroupTypect:Value", "Группа " + id},
            {kNeed, need},
            {"MedSectionEventGroupsGroupPeriodFrom", from},
            {"MedSectionEventGroupsGroupPeriodTo", to},
            {"MedSectionEventGroupsGroupExecutor", executor}};
}

struct MapCase
{
    const char* name;
    Pairs pairs;
    std::function<void(const TPRG&)> check;
};

QList<MapCase> mapCases()
{
    const QString long40 = QString(40, u'Щ');
    const QString long254 = QString(254, u'Ю');
    Pairs fourGroups = group("34", "true", "2023-01-01", "2023-12-31", "МО 1")
        + group("35", "false", "2023-02-01", "2024-01-31", "МО 2")
        + group("36", "1", "2023-03-01", "2024-02-29", "МО 3")
        + group("37", "0", "2023-04-01", "0001-01-01", "МО 4");
    Pairs manyGroups;
    for (int i = 0; i < 300; ++i)
        manyGroups.append({kGroupId, QString::number(i)});
    manyGroups.append({kNeed, "true"});

    return {
        {"no IsMale leaves gndr 0", {}, [](const TPRG& r) { EXPECT_EQ(r.gndr, 0); }},
        {"IsMale true gives 1", {{"PersonIsMale", "true"}}, [](const TPRG& r) { EXPECT_EQ(r.gndr, 1); }},
        {"IsMale false gives 2", {{"PersonIsMale", "false"}}, [](const TPRG& r) { EXPECT_EQ(r.gndr, 2); }},
        {"IsMale True gives 2", {{"PersonIsMale", "True"}}, [](const TPRG& r) { EXPECT_EQ(r.gndr, 2); }},
        {"IsMale 1 gives 2", {{"PersonIsMale", "1"}}, [](const TPRG& r) { EXPECT_EQ(r.gndr, 2); }},
        {"four groups in file order, each its own", fourGroups,
         [](const TPRG& r) {
             ASSERT_EQ(r.events.size(), 4u);
             const qint32 ids[] = {34, 35, 36, 37};
             const bool needs[] = {true, false, true, false};
             const DateValue from[] = {ymd(2023, 1, 1), ymd(2023, 2, 1), ymd(2023, 3, 1), ymd(2023, 4, 1)};
             const DateValue to[] = {ymd(2023, 12, 31), ymd(2024, 1, 31), ymd(2024, 2, 29), Dates::NoEnd};
             for (int i = 0; i < 4; ++i) {
                 const TEventGroup& g = *r.events[i];
                 EXPECT_EQ(g.typeid_, ids[i]);
                 EXPECT_EQ(g.caption, "Группа " + QString::number(ids[i]));
                 EXPECT_EQ(g.need, needs[i]);
                 EXPECT_EQ(g.pfrom, from[i]);
                 EXPECT_EQ(g.pto, to[i]);
                 EXPECT_EQ(g.execut, "МО " + QString::number(i + 1));
                 EXPECT_EQ(g.prgid, 0);
             }
         }},
        {"need in any letter case or as a number",
         {{kGroupId, "34"}, {kNeed, "TRUE"}, {kGroupId, "35"}, {kNeed, "False"}, {kGroupId, "36"}, {kNeed, " 2 "}},
         [](const TPRG& r) {
             ASSERT_EQ(r.events.size(), 3u);
             EXPECT_TRUE(r.events[0]->need);
             EXPECT_FALSE(r.events[1]->need);
             EXPECT_TRUE(r.events[2]->need);
         }},
        {"the holder's keys fill the record, then the holder",
         {{"PersonSNILS", "111"}, {kLast, "Иванов"}, {kFirst, "Иван"}, {"PersonFIOct:SecondName", "Иванович"},
          {"PersonBirthDate", "1975-04-03"}, {"PersonSNILS", "222"}},
         [](const TPRG& r) {
             EXPECT_EQ(r.lname, "Иванов");
             EXPECT_EQ(r.fname, "Иван");
             EXPECT_EQ(r.sname, "Иванович");
             EXPECT_EQ(r.bdate, ymd(1975, 4, 3));
             EXPECT_EQ(r.snils, "222");
             ASSERT_TRUE(r.holder);
             EXPECT_EQ(r.holder->ptype, 0);
             EXPECT_EQ(r.holder->lname, "Иванов");
             EXPECT_EQ(r.holder->fname, "Иван");
             EXPECT_EQ(r.holder->sname, "Иванович");
             EXPECT_EQ(r.holder->bdate, ymd(1975, 4, 3));
             EXPECT_EQ(r.holder->snils, "222");
         }},
        {"one address closed twice stands twice",
         {{kLast, "Иванов"}, {kLivingType, "2"}, {"PersonLivingAddressValue", "г. Кострома, ул. Мира, 1"},
          {"PersonLivingAddressFieldsPlace", "Кострома"}, {"PersonLivingAddressFieldsStreet", "Мира"},
          {"PersonLivingAddressFieldsHouse", "1"}, {"PersonLivingAddressFieldsAppartment", "12"},
          {"PersonHasNoLivingAddress", "false"}, {"PersonHasNoRegAddress", "true"}},
         [](const TPRG& r) {
             ASSERT_TRUE(r.holder);
             ASSERT_EQ(r.holder->addrs.size(), 2u);
             EXPECT_EQ(r.holder->addrs[0], r.holder->addrs[1]);
             const TAddress& a = *r.holder->addrs[0];
             EXPECT_EQ(a.atype, 2);
             EXPECT_EQ(a.afull, "г. Кострома, ул. Мира, 1");
             EXPECT_EQ(a.place, "Кострома");
             EXPECT_EQ(a.street, "Мира");
             EXPECT_EQ(a.house, "1");
             EXPECT_EQ(a.appart, "12");
             EXPECT_TRUE(a.phone.isEmpty());
         }},
        {"only the last opened address reaches the list",
         {{kLast, "Иванов"}, {kLivingType, "2"}, {"PersonLivingAddressValue", "первый"}, {kRegType, "1"},
          {"PersonRegAddressValue", "второй"}, {"PersonHasNoLivingAddress", "false"}},
         [](const TPRG& r) {
             ASSERT_EQ(r.holder->addrs.size(), 1u);
             EXPECT_EQ(r.holder->addrs[0]->atype, 1);
             EXPECT_EQ(r.holder->addrs[0]->afull, "второй");
         }},
        {"address type id keeps its low 8 bits", {{kLast, "И"}, {kLivingType, "257"}, {"PersonHasNoLivingAddress", ""}},
         [](const TPRG& r) { EXPECT_EQ(r.holder->addrs.at(0)->atype, 1); }},
        {"a second last name starts a new holder",
         {{kLast, "Первый"}, {kFirst, "Пётр"}, {"PersonPhonesPhone", "123"}, {kLivingType, "2"},
          {"PersonHasNoLivingAddress", "false"}, {"PersonIdentityDocct:Title", "Паспорт"},
          {"PersonIdentityDocct:IssueDate", "2001-01-01"}, {kLast, "Второй"}},
         [](const TPRG& r) {
             EXPECT_EQ(r.lname, "Второй");
             EXPECT_EQ(r.fname, "Пётр");
             ASSERT_TRUE(r.holder);
             EXPECT_EQ(r.holder->lname, "Второй");
             EXPECT_TRUE(r.holder->fname.isEmpty());
             EXPECT_TRUE(r.holder->sname.isEmpty());
             EXPECT_TRUE(r.holder->phone.isEmpty());
             EXPECT_TRUE(r.holder->addrs.empty());
             EXPECT_TRUE(r.holder->docs.empty());
         }},
        {"several phones: the last one is kept",
         {{kLast, "И"}, {"PersonPhonesPhone", "1"}, {"PersonPhonesPhone", "2"}},
         [](const TPRG& r) { EXPECT_EQ(r.holder->phone, "2"); }},
        {"documents reach a list at their issue date",
         {{kLast, "И"}, {"RepresentativeFIOct:LastName", "Р"}, {"RepresentativeFIOct:FirstName", "Раиса"},
          {"RepresentativeFIOct:SecondName", "Романовна"},
          {"PersonIdentityDocct:Title", "Свидетельство"}, {"PersonIdentityDocct:Series", "I-ГО"},
          {"PersonIdentityDocct:Number", "654321"}, {"PersonIdentityDocct:Issuer", "ЗАГС"},
          {"PersonIdentityDocct:IssueDate", "2012-10-05"},
          {"PersonIdentityDocct:Title", "Без даты"},
          {"RepresentativeIdentityDocct:Title", "Паспорт"}, {"RepresentativeIdentityDocct:Series", "34 05"},
          {"RepresentativeIdentityDocct:Number", "112233"}, {"RepresentativeIdentityDocct:Issuer", "ОВД"},
          {"RepresentativeIdentityDocct:IssueDate", "2005-06-20"},
          {"RepresentativeAuthorityDocct:Title", "Доверенность"}, {"RepresentativeAuthorityDocct:Series", "АБ"},
          {"RepresentativeAuthorityDocct:Number", "7"}, {"RepresentativeAuthorityDocct:Issuer", "Нотариус"},
          {"RepresentativeAuthorityDocct:IssueDate", "2020-02-02"}},
         [](const TPRG& r) {
             ASSERT_EQ(r.holder->docs.size(), 1u);
             const TDoc& d = *r.holder->docs[0];
             EXPECT_EQ(d.title, "Свидетельство");
             EXPECT_EQ(d.series, "I-ГО");
             EXPECT_EQ(d.numb, "654321");
             EXPECT_EQ(d.issuer, "ЗАГС");
             EXPECT_EQ(d.issuedt, ymd(2012, 10, 5));
             ASSERT_TRUE(r.repr);
             EXPECT_EQ(r.repr->ptype, 1);
             EXPECT_EQ(r.repr->fname, "Раиса");
             EXPECT_EQ(r.repr->sname, "Романовна");
             ASSERT_EQ(r.repr->docs.size(), 2u);
             EXPECT_EQ(r.repr->docs[0]->title, "Паспорт");
             EXPECT_EQ(r.repr->docs[0]->issuedt, ymd(2005, 6, 20));
             EXPECT_EQ(r.repr->docs[1]->title, "Доверенность");
             EXPECT_EQ(r.repr->docs[1]->series, "АБ");
             EXPECT_EQ(r.repr->docs[1]->numb, "7");
             EXPECT_EQ(r.repr->docs[1]->issuer, "Нотариус");
             EXPECT_EQ(r.repr->docs[1]->issuedt, ymd(2020, 2, 2));
             EXPECT_TRUE(r.repr->addrs.empty());
         }},
        {"a representative without documents",
         {{"RepresentativeFIOct:LastName", "Р"}, {"PersonSNILS", "1"}, {"PersonBirthDate", "1990-01-01"}},
         [](const TPRG& r) {
             ASSERT_TRUE(r.repr);
             EXPECT_TRUE(r.repr->docs.empty());
             EXPECT_TRUE(r.repr->snils.isEmpty());
             EXPECT_EQ(r.repr->bdate, Dates::NoDate);
         }},
        {"without a representative's last name there is none",
         {{kLast, "И"}, {"RepresentativeFIOct:FirstName", "Раиса"}, {"RepresentativeIdentityDocct:Title", "Паспорт"},
          {"RepresentativeIdentityDocct:IssueDate", "2005-06-20"}},
         [](const TPRG& r) {
             EXPECT_FALSE(r.repr);
             EXPECT_TRUE(r.holder->docs.empty());
         }},
        {"keys before their target are ignored",
         {{kFirst, "Иван"}, {"PersonPhonesPhone", "1"}, {"PersonHasNoLivingAddress", "true"}, {kNeed, "yes"},
          {"MedSectionEventGroupsGroupPeriodFrom", "not a date"}, {"MedSectionEventGroupsGroupExecutor", "МО"},
          {"PersonLivingAddressValue", "адрес"}, {"PersonIdentityDocct:Series", "12"},
          {"PersonIdentityDocct:IssueDate", "bad"}, {"PersonIdentityDocct:Title", "Паспорт"},
          {"PersonIdentityDocct:IssueDate", "2001-01-01"}, {kLast, "Иванов"}, {kLivingType, "2"},
          {"PersonHasNoLivingAddress", "true"}},
         [](const TPRG& r) {
             EXPECT_EQ(r.fname, "Иван");
             ASSERT_TRUE(r.holder);
             EXPECT_TRUE(r.holder->fname.isEmpty());
             EXPECT_TRUE(r.holder->phone.isEmpty());
             EXPECT_TRUE(r.holder->docs.empty());
             EXPECT_TRUE(r.events.empty());
             ASSERT_EQ(r.holder->addrs.size(), 1u);
             EXPECT_TRUE(r.holder->addrs[0]->afull.isEmpty());
         }},
        {"texts cut to their capacities; executor and sender whole",
         {{"Id", "6f1c2a9e-4b7d-4e0f-9a3c-2d8e5b7f1a04-extra"}, {kLast, long40},
          {"MedSectionSenderMedOrgName", long254}, {kGroupId, "34"},
          {"MedSectionEventGroupsGroupExecutor", long254},
          {"MedSectionEventGroupsGroupGroupTypect:Value", long254}, {kLivingType, "1"},
          {"PersonLivingAddressValue", long254}, {"PersonLivingAddressFieldsHouse", "12345678901"},
          {"PersonPhonesPhone", long40}, {"PersonHasNoLivingAddress", "x"}},
         [=](const TPRG& r) {
             EXPECT_EQ(r.mseid, "6f1c2a9e-4b7d-4e0f-9a3c-2d8e5b7f1a04");
             EXPECT_EQ(r.lname, long40.left(30));
             EXPECT_EQ(r.holder->lname, long40.left(30));
             EXPECT_EQ(r.holder->phone, long40.left(20));
             EXPECT_EQ(r.send_mo, long254);
             EXPECT_EQ(r.events.at(0)->execut, long254);
             EXPECT_EQ(r.events.at(0)->caption, long254.left(250));
             EXPECT_EQ(r.holder->addrs.at(0)->afull, long254.left(150));
             EXPECT_EQ(r.holder->addrs.at(0)->house, "1234567890");
         }},
        {"keys are compared exactly",
         {{"personsnils", "1"}, {"PersonFIOLastName", "Иванов"}, {"PersonSNILS ", "2"}, {"Id", "g"}},
         [](const TPRG& r) {
             EXPECT_TRUE(r.snils.isEmpty());
             EXPECT_TRUE(r.lname.isEmpty());
             EXPECT_FALSE(r.holder);
             EXPECT_EQ(r.mseid, "g");
         }},
        {"no more than 255 groups; later group keys fill none", manyGroups,
         [](const TPRG& r) {
             ASSERT_EQ(r.events.size(), IpraLimit::EventGroups);
             EXPECT_EQ(r.events.back()->typeid_, 254);
             EXPECT_FALSE(r.events.back()->need);
         }},
    };
}

TEST(KeyMap, TableEdgeCases)
{
    for (const MapCase& c : mapCases()) {
        SCOPED_TRACE(c.name);
        TPRG record;
        IpraMapper mapper(record);
        mapAll(mapper, c.pairs);
        c.check(record);
    }
}

TEST(KeyMap, ConversionErrorsNameTheValueAndChangeNothing)
{
    const struct
    {
        const char* name;
        Pairs pairs;
        const char* message;
    } cases[] = {
        {"need yes", {{kGroupId, "34"}, {kNeed, "yes"}}, "'yes' is not a valid boolean value"},
        {"need empty", {{kGroupId, "34"}, {kNeed, ""}}, "'' is not a valid boolean value"},
        {"birth date as DD.MM.YYYY", {{kLast, "И"}, {"PersonBirthDate", "03.04.1975"}},
         "'03.04.1975' is not a valid date"},
        {"no such day", {{"DevelopDate", "2023-02-29"}}, "'2023-02-29' is not a valid date"},
        {"date with a time", {{"ProtocolDate", "2023-03-14T00:00:00"}}, "'2023-03-14T00:00:00' is not a valid date"},
        {"group type id", {{kGroupId, "3x"}}, "'3x' is not a valid integer value"},
        {"address type id out of range", {{kLivingType, "99999999999"}}, "'99999999999' is not a valid integer value"},
        {"document issue date", {{"PersonIdentityDocct:Title", "П"}, {"PersonIdentityDocct:IssueDate", "вчера"}},
         "'вчера' is not a valid date"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TPRG record;
        IpraMapper mapper(record);
        mapAll(mapper, c.pairs.first(c.pairs.size() - 1));
        try {
            mapper.MapIpraValue(c.pairs.last().first, c.pairs.last().second);
            ADD_FAILURE() << "no conversion error";
        } catch (const ConversionError& e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(c.message));
        }
        EXPECT_EQ(record.bdate, Dates::NoDate);
        EXPECT_EQ(record.dt, Dates::NoDate);
        EXPECT_EQ(record.docdt, Dates::NoDate);
        EXPECT_TRUE(record.holder == nullptr || record.holder->bdate == Dates::NoDate);
        EXPECT_TRUE(record.holder == nullptr || record.holder->docs.empty());
        EXPECT_FALSE(mapper.currentAddress());
        for (const auto& g : record.events)
            EXPECT_FALSE(g->need);
    }
}

TEST(KeyMap, Conversions)
{
    const struct
    {
        const char* value;
        std::optional<qint32> integer;
        std::optional<bool> boolean;
        std::optional<DateValue> date;
    } cases[] = {
        {"34", 34, true, std::nullopt},
        {" 7 ", 7, true, std::nullopt},
        {"-5", -5, true, std::nullopt},
        {"+0", 0, false, std::nullopt},
        {"2147483647", 2147483647, true, std::nullopt},
        {"-2147483648", INT32_MIN, true, std::nullopt},
        {"2147483648", std::nullopt, true, std::nullopt},
        {"0.0", std::nullopt, false, std::nullopt},
        {"2.5", std::nullopt, true, std::nullopt},
        {"0x10", std::nullopt, std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt, std::nullopt},
        {"true", std::nullopt, true, std::nullopt},
        {"fAlSe", std::nullopt, false, std::nullopt},
        {"1975-04-03", std::nullopt, std::nullopt, ymd(1975, 4, 3)},
        {" 2000-01-01 ", std::nullopt, std::nullopt, 36526.0},
        {"1975-4-3", std::nullopt, std::nullopt, ymd(1975, 4, 3)},
        {"0001-01-01", std::nullopt, std::nullopt, Dates::NoEnd},
        {"1899-12-30", std::nullopt, std::nullopt, Dates::NoDate},
        {"75-04-03", std::nullopt, std::nullopt, std::nullopt},
        {"1975/04/03", std::nullopt, std::nullopt, std::nullopt},
        {"1975-04-03Z", std::nullopt, std::nullopt, std::nullopt},
        {"0000-01-01", std::nullopt, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        const QString value = QString::fromUtf8(c.value);
        if (c.integer)
            EXPECT_EQ(IpraIntegerValue(value), *c.integer);
        else
            EXPECT_THROW(IpraIntegerValue(value), ConversionError);
        if (c.boolean)
            EXPECT_EQ(IpraBooleanValue(value), *c.boolean);
        else
            EXPECT_THROW(IpraBooleanValue(value), ConversionError);
        if (c.date)
            EXPECT_EQ(IpraDateValue(value), *c.date);
        else
            EXPECT_THROW(IpraDateValue(value), ConversionError);
    }
}

TEST(KeyMap, DateValues)
{
    EXPECT_EQ(Dates::fromDate(QDate(1899, 12, 30)), Dates::NoDate);
    EXPECT_EQ(Dates::fromDate(QDate(2000, 1, 1)), 36526.0);
    EXPECT_EQ(Dates::fromDate(QDate(1, 1, 1)), Dates::NoEnd);
    EXPECT_EQ(Dates::fromDate(QDate()), Dates::NoDate);
    EXPECT_TRUE(Dates::isNoEnd(Dates::NoEnd));
    EXPECT_FALSE(Dates::isNoEnd(Dates::NoDate));
    EXPECT_EQ(Dates::toDate(Dates::NoEnd), QDate(1, 1, 1));
    EXPECT_EQ(Dates::toDate(36526.75), QDate(2000, 1, 1));
    EXPECT_EQ(Dates::format(Dates::NoEnd), "01.01.0001");
    EXPECT_EQ(Dates::format(Dates::NoDate), "30.12.1899");
    EXPECT_EQ(Dates::format(ymd(1975, 4, 3)), "03.04.1975");
    EXPECT_EQ(Dates::parse(u"01.01.0001"), Dates::NoEnd);
    EXPECT_EQ(Dates::parse(u"30.12.1899"), Dates::NoDate);
    EXPECT_EQ(Dates::parse(u"3.4.1975"), ymd(1975, 4, 3));
    EXPECT_EQ(Dates::parse(u"31.02.2001"), std::nullopt);
    EXPECT_EQ(Dates::parse(u"1975-04-03"), std::nullopt);
    EXPECT_EQ(Dates::parse(u""), std::nullopt);
    // The time of day runs forward from midnight on either side of 30.12.1899.
    const QDateTime before(QDate(1899, 12, 29), QTime(6, 0));
    EXPECT_EQ(Dates::fromDateTime(before), -1.25);
    EXPECT_EQ(Dates::toDateTime(-1.25), before);
    const QDateTime after(QDate(2000, 1, 1), QTime(18, 0));
    EXPECT_EQ(Dates::fromDateTime(after), 36526.75);
    EXPECT_EQ(Dates::toDateTime(36526.75), after);
}

TEST(KeyMap, CapacitiesCountCharacters)
{
    const QString astral = QString(29, u'a') + QStringLiteral("😀b");
    EXPECT_EQ(cutText(astral, 30), QString(29, u'a') + QStringLiteral("😀"));
    EXPECT_EQ(cutText(QStringLiteral("Ёжик"), 3), QStringLiteral("Ёжи"));
    EXPECT_EQ(cutText(QStringLiteral("abc"), 10), QStringLiteral("abc"));
}

TEST(KeyMap, EventGroupTypes)
{
    const std::pair<int, std::optional<int>> codes[] = {{34, 2}, {35, 3}, {36, 4}, {37, 99}, {1, std::nullopt}, {38, std::nullopt}};
    for (const auto& [fileId, code] : codes)
        EXPECT_EQ(EventGroupType::storedCode(fileId), code) << fileId;
    EXPECT_EQ(EventGroupType::tabCaption(2), "Медицинская реабилитация");
    EXPECT_EQ(EventGroupType::tabCaption(3), "Реконструктивная хирургия");
    EXPECT_EQ(EventGroupType::tabCaption(4), "Протезирование, ортезирование");
    EXPECT_EQ(EventGroupType::tabCaption(99), "Санаторно-курортное лечение");
}

// Releasing the record releases every part once, whoever else referred to it.
TEST(KeyMap, ReleasingTheRecordReleasesTheGraph)
{
    std::weak_ptr<TAddress> address;
    std::weak_ptr<TDoc> doc;
    {
        TPRG record;
        {
            IpraMapper mapper(record);
            mapAll(mapper, {{kLast, "И"}, {kLivingType, "2"}, {"PersonHasNoLivingAddress", "1"},
                            {"PersonHasNoRegAddress", "1"}, {"RepresentativeFIOct:LastName", "Р"},
                            {"PersonIdentityDocct:Title", "Паспорт"}, {"PersonIdentityDocct:IssueDate", "2001-01-01"},
                            {"RepresentativeIdentityDocct:IssueDate", "2001-01-01"}});
            address = mapper.currentAddress();
            doc = mapper.currentDoc();
        }
        ASSERT_EQ(record.holder->addrs.size(), 2u);
        // A document closed again under the representative is the same document in both lists.
        ASSERT_EQ(record.repr->docs.size(), 1u);
        EXPECT_EQ(record.repr->docs[0], record.holder->docs.at(0));
        EXPECT_FALSE(address.expired());
        record.holder.reset();
        EXPECT_TRUE(address.expired());
        EXPECT_FALSE(doc.expired());
    }
    EXPECT_TRUE(doc.expired());
}

// The sample file through the walk and the mapping: every row of the key table at work.
TEST(KeyMap, SampleFileFillsTheRecord)
{
    TPRG r;
    IpraMapper mapper(r);
    const IpraLoadResult result = LoadIpraFile(QStringLiteral(IPRA_TEST_DATA_DIR "/xml/ipra_sample.xml"),
                                               [&](const QString& key, const QString& value) {
                                                   mapper.MapIpraValue(key, value);
                                               });
    ASSERT_TRUE(result.ok) << result.reason.toStdString();

    EXPECT_EQ(r.id, 0);
    EXPECT_EQ(r.mseid, "6f1c2a9e-4b7d-4e0f-9a3c-2d8e5b7f1a04");
    EXPECT_EQ(r.prgnum, "512.7.44/2023");
    EXPECT_EQ(r.docnum, "1834");
    EXPECT_EQ(r.docdt, ymd(2023, 3, 14));
    EXPECT_EQ(r.dt, ymd(2023, 3, 15));
    EXPECT_EQ(r.prgdt, ymd(2023, 3, 16));
    EXPECT_EQ(r.enddt, ymd(2025, 4, 1));
    EXPECT_EQ(r.snils, "123-456-789 01");
    EXPECT_EQ(r.lname, "Смирнова");
    EXPECT_EQ(r.fname, "Алёна");
    EXPECT_EQ(r.sname, "Игоревна");
    EXPECT_EQ(r.bdate, ymd(2012, 9, 30));
    EXPECT_EQ(r.gndr, 2);
    EXPECT_EQ(r.send_mo, "ОГБУЗ \"Городская больница г. Костромы\" Детская поликлиника № 6");
    EXPECT_TRUE(r.recover.isEmpty());
    EXPECT_TRUE(r.details.empty());

    ASSERT_TRUE(r.holder);
    const TPerson& h = *r.holder;
    EXPECT_EQ(h.lname, "Смирнова");
    EXPECT_EQ(h.fname, "Алёна");
    EXPECT_EQ(h.sname, "Игоревна");
    // SNILS comes before the name in the file: the holder did not exist yet, so only the
    // record has it.
    EXPECT_TRUE(h.snils.isEmpty());
    EXPECT_EQ(h.bdate, ymd(2012, 9, 30));
    EXPECT_EQ(h.phone, "+7 910 555-01-02");
    ASSERT_EQ(h.addrs.size(), 2u);
    EXPECT_EQ(h.addrs[0]->atype, 2);
    EXPECT_EQ(h.addrs[0]->afull, "156000, Костромская обл., г. Кострома, ул. Советская, д. 10, кв. 5");
    EXPECT_EQ(h.addrs[0]->place, "г. Кострома");
    EXPECT_EQ(h.addrs[0]->street, "ул. Советская");
    EXPECT_EQ(h.addrs[0]->house, "10");
    EXPECT_EQ(h.addrs[0]->appart, "5");
    EXPECT_EQ(h.addrs[1]->atype, 1);
    EXPECT_EQ(h.addrs[1]->place, "г. Нерехта");
    EXPECT_TRUE(h.addrs[1]->appart.isEmpty());
    ASSERT_EQ(h.docs.size(), 1u);
    EXPECT_EQ(h.docs[0]->title, "Свидетельство о рождении");
    EXPECT_EQ(h.docs[0]->series, "I-ГО");
    EXPECT_EQ(h.docs[0]->issuer, "Отдел ЗАГС г. Костромы");
    EXPECT_EQ(h.docs[0]->issuedt, ymd(2012, 10, 5));

    ASSERT_TRUE(r.repr);
    EXPECT_EQ(r.repr->lname, "Смирнов");
    EXPECT_EQ(r.repr->fname, "Игорь");
    EXPECT_EQ(r.repr->sname, "Петрович");
    EXPECT_TRUE(r.repr->snils.isEmpty());
    ASSERT_EQ(r.repr->docs.size(), 2u);
    EXPECT_EQ(r.repr->docs[0]->numb, "112233");
    EXPECT_EQ(r.repr->docs[1]->title, "Свидетельство о рождении");
    EXPECT_TRUE(r.repr->docs[1]->series.isEmpty());

    ASSERT_EQ(r.events.size(), 2u);
    EXPECT_EQ(r.events[0]->typeid_, 37);
    EXPECT_EQ(r.events[0]->caption, "Санаторно-курортное лечение");
    EXPECT_FALSE(r.events[0]->need);
    EXPECT_EQ(r.events[0]->pto, Dates::NoDate);
    EXPECT_EQ(r.events[1]->typeid_, 34);
    EXPECT_TRUE(r.events[1]->need);
    EXPECT_EQ(r.events[1]->pfrom, ymd(2023, 3, 16));
    EXPECT_EQ(r.events[1]->pto, ymd(2025, 4, 1));
    EXPECT_EQ(r.events[1]->execut, "Медицинская организация, к которой прикреплен ребенок");
}

// A conversion error inside a file ends the load with that error.
TEST(KeyMap, ConversionErrorEndsTheLoad)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath("bad.xml"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<tIPRA><Person><FIO><ct:LastName xmlns:ct=\"urn:ct\">И</ct:LastName></FIO>"
               "<BirthDate>03.04.1975</BirthDate></Person><Id>never</Id></tIPRA>");
    file.close();
    TPRG r;
    IpraMapper mapper(r);
    try {
        LoadIpraFile(file.fileName(), [&](const QString& key, const QString& value) { mapper.MapIpraValue(key, value); });
        ADD_FAILURE() << "no conversion error";
    } catch (const ConversionError& e) {
        EXPECT_EQ(e.message(), "'03.04.1975' is not a valid date");
    }
    ASSERT_TRUE(r.holder);
    EXPECT_TRUE(r.mseid.isEmpty());
}

} // namespace
