#include "platform/connectionline.h"

#include <gtest/gtest.h>

namespace {

struct Case
{
    const char* description;
    const char* line;
};

// The piece from the first "DATABASE" up to the first "PORT"; nothing from "PORT" on.
const Case Cases[] = {
    {"DSN=ViraVIR;DATABASE=ipra;SERVER=localhost;PORT=5432;UID=postgres;PWD=vemp;",
     "DATABASE=ipra;SERVER=localhost;"},
    // No "PORT": empty.
    {"DSN=ViraVIR;DATABASE=ipra;SERVER=localhost;UID=postgres;", ""},
    // No "DATABASE", "PORT" at p: the first p characters.
    {"DSN=ViraVIR;SERVER=h;PORT=5432;PWD=x;", "DSN=ViraVIR;SERVER=h;P"},
    // "PORT" before "DATABASE": empty.
    {"PORT=5432;DATABASE=ipra;SERVER=h;", ""},
    // Case counts: lower-case keys are not the keys.
    {"dsn=v;database=ipra;port=5432;", ""},
    // The first of each is taken.
    {"DATABASE=a;PORT=1;DATABASE=b;PORT=2;", "DATABASE=a;"},
    {"", ""},
};

} // namespace

TEST(ConnectionLine, CutsFromDatabaseToPort)
{
    for (const Case& c : Cases) {
        SCOPED_TRACE(c.description);
        EXPECT_EQ(ConnectionLine(QString::fromUtf8(c.description)), QString::fromUtf8(c.line));
    }
}
