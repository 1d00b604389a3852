// The search of the lists against the real server: which IPRAs a typed text finds, that
// the server folds texts as the program does, that the statements use their indexes, and
// the client-side narrowing of a loaded list by the ids found.

#include "dbtest.h"
#include "storedipra.h"

#include "lists/iprasearch.h"
#include "lists/searchterms.h"

#include <algorithm>

using namespace StoredIpra;

namespace {

class SearchTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        addIpra({.prgnum = "1234.5.67/2024", .respMoId = 3, .lname = "Иванова", .fname = "Анна",
                 .sname = "Петровна", .snils = "123-456-789 01"});
        addIpra({.prgnum = "1235.1.11/2024", .respMoId = 5, .lname = "Петров", .fname = "Иван",
                 .sname = "Сергеевич", .snils = "987-654-321 00"});
        addIpra({.prgnum = "77.2/2023", .respMoId = 0, .lname = "Семёнова", .fname = "Алёна",
                 .sname = "Ивановна", .snils = "111-222-333 44"});
        addIpra({.prgnum = "12А.3/2024", .respMoId = 3, .lname = " Ёлкин", .fname = "Пётр",
                 .sname = "Иванович", .snils = "11122233345"});
    }

    // The numbers of the IPRAs a statement finds for a text, sorted.
    static QStringList found(SqlQuery& statement, const QString& text)
    {
        const SqlQuery::KeySet ids = FindIpraIds(statement, ParseSearch(text));
        QStringList numbers;
        for (const qint64 id : *ids)
            numbers << scalar(QStringLiteral("select prgnum from prg where id = %1").arg(id)).toString();
        numbers.sort();
        return numbers;
    }
};

const QString A = QStringLiteral("1234.5.67/2024"); // Иванова Анна Петровна, organisation 3
const QString B = QStringLiteral("1235.1.11/2024"); // Петров Иван Сергеевич, organisation 5
const QString C = QStringLiteral("77.2/2023");      // Семёнова Алёна Ивановна, none
const QString D = QStringLiteral("12А.3/2024");     // Ёлкин Пётр Иванович, organisation 3

} // namespace

TEST_F(SearchTest, NamesInAnyOrderSnilsInAnyFormAndTheBeginningOfTheNumber)
{
    struct Case
    {
        const char* text;
        QStringList expected;
    };
    const Case cases[] = {
        {"иван", {A, B, C, D}},             // surname, first name, patronymics
        {"ИВАНОВА", {A}},                   // not the patronymic "Ивановна"
        {"анна иванова", {A}},              // the other way round
        {"Иванова   Анна", {A}},
        {"иван петров", {A, B}},            // Иван Петров; Иванова Петровна
        {"петр", {A, B, D}},                // "Пётр" too
        {"ёлкин пётр", {D}},
        {"елкин", {D}},                     // stored with a blank in front
        {"семенова алена", {C}},
        {"анна петр иван", {A}},            // three words, each its own part
        {"анна петр иван сергей", {}},      // four cannot be
        {"ан анна", {A}},
        {"ванова", {}},                     // the middle of a name is no beginning
        {"12345678901", {A}},
        {"123-456-789 01", {A}},
        {"123 456", {A}},                   // the SNILS's beginning
        {"111222333", {C, D}},              // stored with and without dashes
        {"111-222-333 45", {D}},
        {"1234.5", {A}},
        {"123", {A, B}},                    // two numbers and a SNILS begin so
        {"12а", {D}},
        {"77.2/2023", {C}},
        {"Смирнова", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        QStringList expected = c.expected;
        expected.sort();
        EXPECT_EQ(found(*dm->adoqIpraSearch, QString::fromUtf8(c.text)), expected);
    }
}

TEST_F(SearchTest, AnOrganisationsSearchFindsOnlyItsOwnIpras)
{
    SqlQuery& search = *dm->adoqOrgIpraSearch;
    const struct
    {
        int organisation;
        const char* text;
        QStringList expected;
    } cases[] = {
        {3, "иван", {A, D}},
        {5, "иван", {B}},
        {5, "анна иванова", {}},
        {7, "иван", {}},
        {3, "111222333", {D}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        search.setInteger(QStringLiteral("resp_mo_id"), c.organisation);
        QStringList expected = c.expected;
        expected.sort();
        EXPECT_EQ(found(search, QString::fromUtf8(c.text)), expected);
    }
}

TEST_F(SearchTest, TheServerFoldsTextsAsTheProgramDoes)
{
    QString letters;
    for (char16_t c = u'A'; c <= u'Z'; ++c)
        letters += QChar(c);
    for (char16_t c = 0x0400; c <= 0x045F; ++c) // every Russian letter and its neighbours
        letters += QChar(c);
    letters += QStringLiteral(" 09-./№ÄäÖ");
    SqlQuery& tmp = *dm->adoqTmp;
    tmp.setText(QStringLiteral("select ipra_fold(:t) as f"));
    tmp.setString(QStringLiteral("t"), letters);
    tmp.open();
    EXPECT_EQ(tmp.asString(QStringLiteral("f")), SearchFold(letters.trimmed()));
    tmp.close();
}

// The keys' indexes answer every kind of search through the driver, with its parameters:
// with sequential scans made prohibitively dear, a statement that could not use them would
// still read the whole table.
TEST_F(SearchTest, TheSearchesUseTheKeysIndexes)
{
    exec(QStringLiteral("set enable_seqscan = off"));
    for (SqlQuery* statement : {dm->adoqIpraSearch, dm->adoqOrgIpraSearch}) {
        for (const char* text : {"и", "анна иванова", "12345678901", "1234.5"}) {
            SCOPED_TRACE(statement->name().toStdString() + " " + text);
            SqlQuery& explain = *dm->adoqTmp;
            explain.setText(QStringLiteral("explain ") + statement->text());
            const SearchTerms terms = ParseSearch(QString::fromUtf8(text));
            for (int i = 0; i < 3; ++i)
                explain.setString(QStringLiteral("w%1").arg(i + 1), terms.words.value(i));
            explain.setString(QStringLiteral("snils"), terms.snils);
            explain.setString(QStringLiteral("num"), terms.number);
            explain.setInteger(QStringLiteral("resp_mo_id"), 3);
            explain.open();
            QString plan;
            for (explain.first(); !explain.eof(); explain.next())
                plan += explain.asString(QStringLiteral("QUERY PLAN")) + QLatin1Char('\n');
            explain.close();
            EXPECT_FALSE(plan.contains(QStringLiteral("Seq Scan on prg"))) << plan.toStdString();
            EXPECT_TRUE(plan.contains(QStringLiteral("_key_ix"))) << plan.toStdString();
        }
    }
}

// The narrowing of a loaded list by a set of ids: with the row filter, across re-runs,
// the current row kept when it stays.
TEST_F(SearchTest, KeyFilterNarrowsTheLoadedRowsAndKeepsTheCurrentOne)
{
    SqlQuery& list = *dm->adoqTmp;
    list.setText(QStringLiteral("select g as id, 'row ' || g as name from generate_series(1, 10) g order by g desc"));
    list.open();
    const auto ids = [&] {
        QList<int> shown;
        for (int row = 0; row < list.recordCount(); ++row)
            shown << list.valueAt(row, 0).toInt();
        return shown;
    };
    list.setRecNo(3); // id 7
    list.setKeyFilter(QStringLiteral("id"), std::make_shared<QSet<qint64>>(QSet<qint64>{2, 5, 7, 42}));
    EXPECT_EQ(ids(), (QList<int>{7, 5, 2}));
    EXPECT_EQ(list.value(QStringLiteral("id")).toInt(), 7);
    list.setKeyFilter(QStringLiteral("id"), std::make_shared<QSet<qint64>>(QSet<qint64>{2, 5}));
    EXPECT_EQ(list.recNo(), 0) << "the row left: the first one is current";
    list.setRecNo(1); // id 2
    list.setFilter([](const QVector<QVariant>& row, const SqlQuery&) { return row.at(0).toInt() < 5; });
    EXPECT_EQ(ids(), (QList<int>{2}));
    list.reopen();
    EXPECT_EQ(ids(), (QList<int>{2})) << "both stay in force for a re-run";
    list.clearFilter();
    list.clearKeyFilter();
    EXPECT_EQ(ids().size(), 10);
    list.setKeyFilter(QStringLiteral("id"), std::make_shared<QSet<qint64>>());
    EXPECT_EQ(list.recordCount(), 0);
    EXPECT_FALSE(list.hasCurrentRow());
    list.close();
    list.clearKeyFilter();
}
