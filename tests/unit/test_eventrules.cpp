#include "execution/core/eventrules.h"

#include <gtest/gtest.h>

namespace {

DateValue day(int y, int m, int d)
{
    return Dates::fromDate(QDate(y, m, d));
}

} // namespace

TEST(EventRules, AlertCountsWholeMonthsBothWays)
{
    const DateValue today = day(2025, 6, 15);
    struct Case
    {
        DateValue date;
        int period;
        bool alert;
    };
    const Case cases[] = {
        {today + 91, 2, true},   // 91 / 30.4375 has whole part 2
        {today - 91, 2, true},   // passed not long ago
        {today + 92, 2, false},  // whole part 3
        {today - 92, 2, false},
        {today + 30, 0, true},   // under 31 days with no months at all
        {today - 30, 0, true},
        {today + 31, 0, false},
        {today, 0, true},
        {today + 20, 1, true},
        {Dates::NoEnd, 255, false}, // 01.01.0001 lies thousands of years away
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "days " << (c.date - today) << ", months " << c.period);
        EXPECT_EQ(IsAlertDate(c.date, today, c.period), c.alert);
    }
    EXPECT_EQ(WholeMonthsApart(today + 61, today), 2);
    EXPECT_EQ(WholeMonthsApart(today, today + 60), 1);
}

TEST(EventRules, StateColours)
{
    EXPECT_EQ(EventStateColour(0), (Rgb{250, 234, 180}));
    EXPECT_EQ(EventStateColour(1), (Rgb{255, 128, 64}));
    EXPECT_EQ(EventStateColour(2), (Rgb{133, 205, 129}));
    EXPECT_EQ(EventStateColour(3), (Rgb{184, 238, 245}));
    EXPECT_FALSE(EventStateColour(4));
    EXPECT_FALSE(EventStateColour(-1));
    // IPRA states 1 to 4 take the colours of record states 0 to 3.
    for (int state = 1; state <= 4; ++state)
        EXPECT_EQ(IpraStateColour(state), EventStateColour(state - 1)) << state;
    EXPECT_FALSE(IpraStateColour(0));
    EXPECT_FALSE(IpraStateColour(5));
}

TEST(EventRules, WhatEachRoleLevelMayDo)
{
    struct Case
    {
        uint8_t lvl;
        uint8_t closeState;
        QStringList editable;     // grid state texts the editor opens enabled for
        QStringList viewOnly;
    };
    const QStringList all = {"", "0", "1", "2", "3"};
    const Case cases[] = {
        {0, 2, {"", "0", "1"}, {"2", "3"}},
        {8, 3, {"2"}, {"", "0", "1", "3"}},
        {10, 0, all, {}},
        {5, 0, {}, all},
        {3, 0, {}, all},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "level " << int(c.lvl));
        EXPECT_EQ(CloseTargetState(c.lvl), c.closeState);
        for (const QString& s : c.editable)
            EXPECT_TRUE(EditorEnabledFor(c.lvl, s)) << s.toStdString();
        for (const QString& s : c.viewOnly)
            EXPECT_FALSE(EditorEnabledFor(c.lvl, s)) << s.toStdString();
    }
    // The review's save returns a sent record; every other save keeps the state.
    EXPECT_EQ(SaveState(8, 2), 1);
    EXPECT_EQ(SaveState(8, 3), 3);
    EXPECT_EQ(SaveState(0, 2), 2);
    EXPECT_EQ(SaveState(10, 2), 2);
}
