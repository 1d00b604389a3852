#include "distribution/core/listcolours.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using Kind = ListCellColours::Kind;

const QDate Today(2024, 5, 15);

QString daysFromToday(int days)
{
    return Today.addDays(days).toString(QStringLiteral("dd.MM.yyyy"));
}

} // namespace

TEST(DistrIpraCellColours, StateSelectionAndEndDateInTheirOrder)
{
    const Rgb state1{250, 234, 180}, state2{255, 128, 64}, state3{133, 205, 129},
        state4{184, 238, 245};
    const ListCellColours normal{}, highlight{Kind::Highlight, {}};
    auto colour = [](Rgb c) { return ListCellColours{Kind::Colour, c}; };
    const ListCellColours pink = colour(AlertColour);
    const QString far = daysFromToday(2000);

    struct Case
    {
        const char* what;
        std::optional<int> state;
        bool selected;
        QString end;
        uint8_t months;
        ListCellColours expected;
    };
    const Case cases[] = {
        {"state 1", 1, false, far, 3, colour(state1)},
        {"state 2", 2, false, far, 3, colour(state2)},
        {"state 3", 3, false, far, 3, colour(state3)},
        {"state 4", 4, false, far, 3, colour(state4)},
        {"state 0 keeps the grid's colours", 0, false, far, 3, normal},
        {"state 5 keeps the grid's colours", 5, false, far, 3, normal},
        {"a null state keeps the grid's colours", std::nullopt, false, far, 3, normal},
        {"0 months: 30 days ahead", 1, false, daysFromToday(30), 0, pink},
        {"0 months: 30 days ago", 1, false, daysFromToday(-30), 0, pink},
        {"0 months: 31 days ahead", 1, false, daysFromToday(31), 0, colour(state1)},
        {"0 months: 31 days ago", 1, false, daysFromToday(-31), 0, colour(state1)},
        {"0 months: today", 0, false, daysFromToday(0), 0, pink},
        {"3 months: 121 days ahead", 3, false, daysFromToday(121), 3, pink},
        {"3 months: 121 days ago", 3, false, daysFromToday(-121), 3, pink},
        {"3 months: 122 days ahead", 3, false, daysFromToday(122), 3, colour(state3)},
        {"3 months: 122 days ago", 0, false, daysFromToday(-122), 3, normal},
        {"state 2 is never pink", 2, false, daysFromToday(0), 3, colour(state2)},
        {"state 2 selected, end near", 2, true, daysFromToday(5), 3, highlight},
        {"no end date is never pink", 1, false, QStringLiteral("01.01.0001"), 255, colour(state1)},
        {"selected, end far: highlight", 1, true, far, 3, highlight},
        {"selected, end near: pink over the highlight", 1, true, daysFromToday(-10), 3, pink},
        {"selected, no state colour", 0, true, far, 3, highlight},
        {"an empty end text gives no alert", 4, false, QString(), 255, colour(state4)},
        {"a text that is no date gives no alert", 4, false, QStringLiteral("31.02.2024"), 255,
         colour(state4)},
        {"a text of another form gives no alert", 0, false, QStringLiteral("2024-05-15"), 255,
         normal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ListCellColours got = DistrIpraCellColours(c.state, c.selected, c.end, c.months, Today);
        EXPECT_EQ(int(got.kind), int(c.expected.kind));
        if (c.expected.kind == Kind::Colour) {
            EXPECT_EQ(got.background.red, c.expected.background.red);
            EXPECT_EQ(got.background.green, c.expected.background.green);
            EXPECT_EQ(got.background.blue, c.expected.background.blue);
        }
    }
}
