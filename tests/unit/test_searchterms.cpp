#include "lists/searchterms.h"

#include <gtest/gtest.h>

// Terms in failure messages as text (found by argument-dependent lookup).
static void PrintTo(const SearchTerms& t, std::ostream* os)
{
    *os << "{words: " << t.words.join(QLatin1Char('|')).toStdString() << "; snils: "
        << t.snils.toStdString() << "; number: " << t.number.toStdString() << "}";
}

TEST(SearchTerms, WordsSnilsAndNumberOfATypedText)
{
    struct Case
    {
        const char* what;
        const char* text;
        SearchTerms expected;
    };
    const Case cases[] = {
        {"blanks only", "  \t ", {}},
        {"capitals and ё folded", "  СЕМЁНОВА ", {{"семенова"}, "", "семенова"}},
        {"longest word first", "анна иванова", {{"иванова", "анна"}, "", "анна иванова"}},
        {"a word that begins another says nothing more", "ан Анна", {{"анна"}, "", "ан анна"}},
        {"the same word twice", "Иванова иванова", {{"иванова"}, "", "иванова иванова"}},
        {"initials with points", "Иванова А.П.", {{"иванова", "а", "п"}, "", "иванова а.п."}},
        {"three words", "анна петровна иванова",
         {{"петровна", "иванова", "анна"}, "", "анна петровна иванова"}},
        {"four words cannot all begin a different part", "анна петровна иванова сергей",
         {{}, "", "анна петровна иванова сергей"}},
        {"four words, one beginning another", "анна ан петровна иванова",
         {{"петровна", "иванова", "анна"}, "", "анна ан петровна иванова"}},
        {"SNILS with dashes and a blank", "123-456-789 01",
         {{"123-456-789", "01"}, "12345678901", "123-456-789 01"}},
        {"SNILS as digits", "12345678901", {{"12345678901"}, "12345678901", "12345678901"}},
        {"a number with letters is no SNILS", "12А.3/2024", {{"3/2024", "12а"}, "", "12а.3/2024"}},
        {"Latin capitals folded", "Smith", {{"smith"}, "", "smith"}},
        {"dashes alone are no SNILS", "- -", {{"-"}, "", "- -"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ParseSearch(QString::fromUtf8(c.text)), c.expected);
    }
}

TEST(SearchTerms, FoldingLeavesOtherCharactersAlone)
{
    EXPECT_EQ(SearchFold(QStringLiteral("ЁЖИК-Ёж ÄÖ Ї №1 z")), QStringLiteral("ежик-еж ÄÖ Ї №1 z"));
}
