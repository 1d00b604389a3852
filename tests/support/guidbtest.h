#pragma once

#include "dbtest.h"

#include "data/currentorg.h"
#include "platform/ui/messagebox.h"
#include "session/mainwindow.h"

#include <QTest>

#include <memory>

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

// Logs in at a role level for an organisation and opens the main window as a login does:
// shown, its show sequence run. A window open before must be closed first.
inline std::unique_ptr<TfMain> OpenMainWindow(uint8_t lvl, int moId)
{
    delete CurrentOrg;
    CurrentOrg = new TOrg;
    CurrentOrg->mo_id = moId;
    CurrentOrg->name = QStringLiteral("Организация");
    CurrentOrg->lvl = lvl;
    auto window = std::make_unique<TfMain>();
    fMain = window.get();
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_TRUE(window->formShown());
    return window;
}
