#include "dbtest.h"

#include "data/lookuplists.h"
#include "platform/errors.h"

TEST(IndexOfId, FindsTheLastMatch)
{
    struct Case
    {
        IdList ids;
        int32_t id;
        int position;
    };
    const Case cases[] = {
        {{}, 1, -1}, {{5}, 5, 0}, {{3, 5, 3}, 3, 2}, {{3, 5, 3}, 5, 1}, {{3, 5, 3}, 7, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IndexOfId(c.ids, c.id), c.position) << "id " << c.id;
}

class LookupListsTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        // What an earlier load left must not survive a new one.
        ExecutorNames = {QStringLiteral("прежнее")};
        ExecutorIds = {99};
        EventDictNames = {QStringLiteral("прежнее")};
        EventDictIds = {99};
        ResultNames = {QStringLiteral("прежнее")};
        ResultIds = {99};
    }
};

TEST_F(LookupListsTest, EmptyDirectoriesGiveEmptyLists)
{
    LoadExecutorList();
    LoadEventDictionary();
    LoadResultList();
    EXPECT_TRUE(ExecutorNames.isEmpty());
    EXPECT_TRUE(ExecutorIds.isEmpty());
    EXPECT_TRUE(EventDictNames.isEmpty());
    EXPECT_TRUE(EventDictIds.isEmpty());
    EXPECT_TRUE(ResultNames.isEmpty());
    EXPECT_TRUE(ResultIds.isEmpty());
    EXPECT_EQ(IndexOfId(ExecutorIds, 1), -1);
}

TEST_F(LookupListsTest, ExecutorsFollowTheTextOfTheirStatement)
{
    exec("insert into rhb_exc (id, name, scode) values (1, 'Б', ' Два '), (2, 'А', '  Два'), "
         "(3, 'В', 'Три ')");
    LoadExecutorList(); // by name, the text it starts with
    EXPECT_EQ(ExecutorNames, QStringList({"Два", "Два", "Три"}));
    EXPECT_EQ(ExecutorIds, IdList({2, 1, 3}));
    EXPECT_FALSE(dm->adoqExecs->isOpen());

    dm->adoqExecs->clearText();
    dm->adoqExecs->addLine(QStringLiteral("select * from RHB_EXC order by id;"));
    LoadExecutorList();
    EXPECT_EQ(ExecutorIds, IdList({1, 2, 3}));
    EXPECT_EQ(ExecutorNames, QStringList({"Два", "Два", "Три"}));

    // An open statement is taken as it stands, not run again, and closed afterwards.
    dm->adoqExecs->open();
    exec("insert into rhb_exc (id, name, scode) values (4, 'Г', 'Четыре')");
    LoadExecutorList();
    EXPECT_EQ(ExecutorIds, IdList({1, 2, 3}));
    EXPECT_FALSE(dm->adoqExecs->isOpen());
}

TEST_F(LookupListsTest, NullShortNameIsAConversionErrorAndTheListsStayPaired)
{
    exec("insert into rhb_exc (id, name, scode) values (1, 'А', 'Один'), (2, 'Б', null), "
         "(3, 'В', 'Три')");
    EXPECT_THROW(LoadExecutorList(), ConversionError);
    EXPECT_EQ(ExecutorNames, QStringList({"Один"}));
    EXPECT_EQ(ExecutorIds, IdList({1}));
    EXPECT_FALSE(dm->adoqExecs->isOpen());
}

TEST_F(LookupListsTest, EventDictionaryWholeOrOneTypeAndSubtype)
{
    exec("insert into rhb_dic (id, name, shname) values (1, 'Бег', '  Бег '), "
         "(2, 'Анализ', 'Анализ'), (3, 'Ванна', 'Ванна')");
    exec("insert into k_ev_dic (type, subtype, evnt) values (2, 1, 1), (2, 1, 3), (3, 0, 2)");
    LoadEventDictionary();
    EXPECT_EQ(EventDictNames, QStringList({"Анализ", "Бег", "Ванна"}));
    EXPECT_EQ(EventDictIds, IdList({2, 1, 3}));

    LoadTypedEventDictionary(2, 1);
    EXPECT_EQ(EventDictNames, QStringList({"Бег", "Ванна"}));
    EXPECT_EQ(EventDictIds, IdList({1, 3}));
    LoadTypedEventDictionary(4, 0);
    EXPECT_TRUE(EventDictNames.isEmpty());
    EXPECT_TRUE(EventDictIds.isEmpty());
}

TEST_F(LookupListsTest, ResultsTakeEveryRowAndGiveFullNames)
{
    // More results than the 11 the program was built for: every row is kept.
    for (int id = 13; id >= 1; --id)
        adminExec(QStringLiteral("insert into rhb_res (id, name, shname) values (%1, 'Результат %1', "
                            "' Р%1 ')")
                 .arg(id));
    LoadResultList();
    ASSERT_EQ(ResultIds.size(), 13);
    ASSERT_EQ(ResultNames.size(), 13);
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(ResultIds.at(i), i + 1);
        EXPECT_EQ(ResultNames.at(i), QStringLiteral("Р%1").arg(i + 1));
    }
    EXPECT_EQ(IndexOfId(ResultIds, 13), 12);

    EXPECT_EQ(GetResultName(12), QStringLiteral("Результат 12"));
    EXPECT_EQ(GetResultName(99), QString());
    EXPECT_FALSE(dm->adoqFindRes->isOpen());
}
