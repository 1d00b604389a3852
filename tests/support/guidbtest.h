#pragma once

#include "dbtest.h"

#include "data/currentorg.h"
#include "platform/ui/messagebox.h"

// A database test of pages and windows: message boxes are answered without waiting and
// recorded afresh for each test, and the session organisation a test made is dropped
// after it (once the fixture's own windows are gone).
class GuiDbTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        Msg::setAutomatic(true);
        Msg::clearShown();
    }
    void TearDown() override
    {
        delete CurrentOrg;
        CurrentOrg = nullptr;
        Msg::clearShown();
        DbTest::TearDown();
    }
};
