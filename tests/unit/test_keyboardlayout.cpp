#include "platform/ui/keyboardlayout.h"

#include <gtest/gtest.h>

TEST(KeyboardLayout, FindsTheXkbGroupOfALayout)
{
    struct Case { const char* symbols; const char* layout; int group; };
    const Case cases[] = {
        {"pc+us+ru:2+inet(evdev)", "us", 0},
        {"pc+us+ru:2+inet(evdev)", "ru", 1},
        {"pc+ru+us:2+inet(evdev)+group(alt_shift_toggle)", "us", 1},
        {"pc+de+ru(phonetic):3+us:2", "ru", 2},
        {"pc+us+inet(evdev)", "ru", -1},
        {"", "us", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(XkbGroupOfLayout(c.symbols, c.layout), c.group) << c.symbols << " " << c.layout;
}
