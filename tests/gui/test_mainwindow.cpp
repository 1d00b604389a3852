#include "guidbtest.h"

#include "data/alertperiod.h"
#include "data/currentorg.h"
#include "data/lookuplists.h"
#include "directories/executorspage.h"
#include "directories/namespage.h"
#include "distribution/distributepage.h"
#include "execution/orgiprapage.h"
#include "import/ui/toolspage.h"
#include "platform/ui/gridbinding.h"
#include "platform/ui/messagebox.h"
#include "session/mainwindow.h"
#include "session/pagecontrol.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>

#include <cmath>
#include <memory>
#include <ostream>
#include <set>

namespace {

const QString OrgName = QStringLiteral("ОГБУЗ \"Окружная больница Костромского округа №1\"");

// The half-even rounding of h / 2, worked out apart from the program's own helper.
int halfOfRoundedToEven(int h)
{
    if (h % 2 == 0)
        return h / 2;
    return (h / 2) % 2 == 0 ? h / 2 : h / 2 + 1;
}

} // namespace

class MainWindowTest : public GuiDbTest
{
protected:
    void SetUp() override
    {
        GuiDbTest::SetUp();
        loadDemoData();
        QGuiApplication::setApplicationDisplayName(QStringLiteral("ИПРА"));
        AlertPeriodMonths = 0;
    }
    void TearDown() override
    {
        window.reset();
        fMain = nullptr;
        GuiDbTest::TearDown();
    }

    // Logs in at a role level and shows the window, as the program start does.
    TfMain& open(uint8_t lvl)
    {
        delete CurrentOrg;
        CurrentOrg = new TOrg;
        CurrentOrg->mo_id = 3;
        CurrentOrg->name = OrgName;
        CurrentOrg->lvl = lvl;
        window.reset();
        window = std::make_unique<TfMain>();
        fMain = window.get();
        shown.clear();
        QObject::connect(window.get(), &TfMain::pageShown,
                         [this](QWidget* page) { shown << page->objectName(); });
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        EXPECT_TRUE(window->formShown());
        return *window;
    }

    QStringList offeredTabs() const
    {
        QStringList result;
        for (int i = 0; i < window->pcMain->count(); ++i)
            if (window->pcMain->isTabVisible(i) && window->pcMain->isTabEnabled(i))
                result << window->pcMain->widget(i)->objectName();
        return result;
    }

    std::unique_ptr<TfMain> window;
    QStringList shown; // pages whose on-show handler ran, in order
};

TEST_F(MainWindowTest, RoleLevelDecidesTheTabsAndTheStartPage)
{
    const QStringList all = {"tsTools", "tsNames", "tsDistribute", "tsOrgIpra", "tsExecutors"};
    struct Case
    {
        uint8_t lvl;
        QStringList tabs;
        QString start;
        QStringList handlers; // tsOrgIpra's runs first, then the start page's if it differs
    };
    const Case cases[] = {
        {0, {"tsOrgIpra", "tsExecutors"}, "tsOrgIpra", {"tsOrgIpra"}},
        {5, {"tsDistribute", "tsExecutors"}, "tsDistribute", {"tsOrgIpra", "tsDistribute"}},
        {8, all, "tsDistribute", {"tsOrgIpra", "tsDistribute"}},
        {10, all, "tsDistribute", {"tsOrgIpra", "tsDistribute"}},
        {3, all, "tsOrgIpra", {"tsOrgIpra"}},
        {9, all, "tsOrgIpra", {"tsOrgIpra"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "level " << int(c.lvl));
        TfMain& w = open(c.lvl);
        EXPECT_EQ(offeredTabs(), c.tabs);
        EXPECT_EQ(w.pcMain->currentWidget()->objectName(), c.start);
        EXPECT_EQ(shown, c.handlers);
        EXPECT_EQ(QGuiApplication::applicationDisplayName(),
                  QStringLiteral("ИПРА-%1").arg(c.lvl));
        EXPECT_EQ(Msg::shown(), QStringList());
        QGuiApplication::setApplicationDisplayName(QStringLiteral("ИПРА"));
    }
}

TEST_F(MainWindowTest, ShowSequenceFillsTheWindowAndClosingReleasesTheNames)
{
    adminExec("update k_vars set val='300' where name='AlertPeriod'");
    TfMain& w = open(8);
    ASSERT_EQ(Msg::shown(), QStringList());

    // The connection line of the real data source: the test database, nothing from PORT on.
    const QStringList log = w.tsTools->Memo->toPlainText().split(QLatin1Char('\n'));
    const QString line = log.last();
    EXPECT_TRUE(line.startsWith(QStringLiteral("DATABASE=") +
                                qEnvironmentVariable("IPRA_TEST_DATABASE", "ipra_test") +
                                QStringLiteral(";SERVER=")))
        << line.toStdString();
    EXPECT_FALSE(line.contains(QLatin1String("PORT")));
    EXPECT_FALSE(line.contains(QLatin1String("UID")));

    EXPECT_EQ(AlertPeriodMonths, 44); // 300 keeps its low 8 bits
    EXPECT_EQ(w.lDescOrg->text(), OrgName);
    EXPECT_FALSE(w.NamesMode);

    // The editor's inputs start as pick-only lists of the loaded names.
    ASSERT_FALSE(ExecutorNames.isEmpty());
    ASSERT_FALSE(EventDictNames.isEmpty());
    QComboBox* executors = w.tsOrgIpra->cbEvExecut;
    QComboBox* events = w.tsOrgIpra->cbEvName;
    EXPECT_FALSE(executors->isEditable());
    EXPECT_FALSE(events->isEditable());
    QStringList items;
    for (int i = 0; i < executors->count(); ++i)
        items << executors->itemText(i);
    EXPECT_EQ(items, ExecutorNames);
    EXPECT_EQ(events->count(), EventDictNames.size());

    w.close();
    EXPECT_TRUE(ExecutorNames.isEmpty());
    EXPECT_TRUE(EventDictNames.isEmpty());
}

TEST_F(MainWindowTest, FailingAlertSettingStopsTheSequenceButKeepsTheLevelsPages)
{
    const char* breakages[] = {
        "delete from k_vars where name='AlertPeriod'",
        "update k_vars set val='drei' where name='AlertPeriod'",
        "update k_vars set val=null where name='AlertPeriod'",
    };
    for (const char* breakage : breakages) {
        SCOPED_TRACE(breakage);
        adminExec("delete from k_vars where name='AlertPeriod'");
        adminExec("insert into k_vars (name, val) values ('AlertPeriod', '3')");
        adminExec(QString::fromUtf8(breakage));
        Msg::clearShown();
        TfMain& w = open(5);
        ASSERT_EQ(Msg::shown().size(), 1);
        EXPECT_TRUE(Msg::shown().first().startsWith(QLatin1String("error: ")));
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(offeredTabs(), QStringList({"tsDistribute", "tsExecutors"}));
        EXPECT_EQ(w.pcMain->currentWidget()->objectName(), QStringLiteral("tsDistribute"));
        EXPECT_EQ(w.lDescOrg->text(), QString()); // the steps after the error did not run
        QGuiApplication::setApplicationDisplayName(QStringLiteral("ИПРА"));
    }
}

TEST_F(MainWindowTest, LayoutRulesOnTheMaximisedWindow)
{
    TfMain& w = open(8);
    // Maximised: the window fills the screen's work area; that is the size the rules read.
    const QSize size = w.frameGeometry().size();
    EXPECT_EQ(size, w.screen()->availableGeometry().size());
    EXPECT_EQ(w.pcMain->width(), size.width() - 35);
    EXPECT_EQ(w.pcMain->height(), size.height() - 120);
    EXPECT_EQ(w.pcMain->pos(), QPoint(8, 72));

    // Every page has the size the page control gives it, displayed or not.
    const QSize page = w.pcMain->currentWidget()->size();
    EXPECT_LT(page.height(), w.pcMain->height() - 20); // the tab rows stand above the pages
    for (QWidget* p : {static_cast<QWidget*>(w.tsNames), static_cast<QWidget*>(w.tsOrgIpra),
                       static_cast<QWidget*>(w.tsExecutors)})
        EXPECT_EQ(p->size(), page) << p->objectName().toStdString();

    // A width, a left and a top, as the rules chain them.
    const auto* names = w.tsNames;
    EXPECT_EQ(names->dbgEmpTNames->width(), int(std::lround(2.0 * page.width() / 3.0)) - 50);
    EXPECT_EQ(names->dbmRName->x(), names->dbgEmpTNames->x() + names->dbgEmpTNames->width() + 5);
    const auto* d = w.tsDistribute;
    EXPECT_EQ(d->pRespMO->y(), d->dbgDistrIpra->y() + d->dbgDistrIpra->height() + 5);
    EXPECT_EQ(d->pRespMO->y() + d->pRespMO->height(), page.height() - 5);

    // The event grids: columns 1 to 4 shown, 200, 250, 150 and 130 wide; 0 and 5 hidden.
    for (int number = 1; number <= 4; ++number) {
        SCOPED_TRACE(number);
        QTableWidget* grid = w.tsOrgIpra->findChild<QTableWidget*>(
            QStringLiteral("sgEvents") + QString::number(number));
        ASSERT_NE(grid, nullptr);
        ASSERT_EQ(grid->columnCount(), 6);
        EXPECT_TRUE(grid->isColumnHidden(0));
        EXPECT_TRUE(grid->isColumnHidden(5));
        EXPECT_EQ(grid->columnWidth(1), 200);
        EXPECT_EQ(grid->columnWidth(2), 250);
        EXPECT_EQ(grid->columnWidth(3), 150);
        EXPECT_EQ(grid->columnWidth(4), 130);
        EXPECT_EQ(grid->width(), w.tsOrgIpra->pcEvnts->width() - 20);
    }

    // Halves round to the even neighbour: the list takes half the page's height, tried on
    // four heights in a row, so both kinds of odd height come up.
    std::set<int> oddKinds;
    for (int extra = 0; extra < 4; ++extra) {
        w.setWindowState(Qt::WindowNoState);
        w.resize(900, 700 + extra);
        QTRY_COMPARE(w.height(), 700 + extra);
        w.ApplyLayout();
        const int h = d->height();
        EXPECT_EQ(d->dbgDistrIpra->height(), halfOfRoundedToEven(h)) << "page height " << h;
        if (h % 2 == 1)
            oddKinds.insert((h / 2) % 2);
    }
    EXPECT_EQ(oddKinds.size(), 2u);
}

TEST_F(MainWindowTest, WheelMovesTheFocusedGridOneRowPerNotch)
{
    TfMain& w = open(0);
    w.pcMain->setCurrentWidget(w.tsExecutors);
    QTableView* grid = w.tsExecutors->dbgExecs;
    SqlQuery* query = dm->adoqExecs;
    query->open();
    ASSERT_GE(query->recordCount(), 4);
    w.activateWindow();
    grid->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    ASSERT_EQ(w.focusWidget(), grid);

    auto turn = [&](QObject* receiver, int delta) {
        const QPointF at(grid->viewport()->rect().center());
        QWheelEvent wheel(at, grid->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(receiver, &wheel);
    };
    // A real wheel reaches the window first; one sent to the grid's viewport must work too.
    for (QObject* receiver : {static_cast<QObject*>(w.windowHandle()),
                              static_cast<QObject*>(grid->viewport())}) {
        SCOPED_TRACE(receiver->metaObject()->className());
        query->setRecNo(2);
        EXPECT_EQ(grid->currentIndex().row(), 2); // the grid follows the query
        turn(receiver, 120); // away from the user: up
        EXPECT_EQ(query->recNo(), 1);
        EXPECT_EQ(grid->currentIndex().row(), 1);
        turn(receiver, -120); // towards the user: down
        turn(receiver, -120);
        EXPECT_EQ(query->recNo(), 3);
        turn(receiver, 0); // no movement counts as towards
        EXPECT_EQ(query->recNo(), 4 < query->recordCount() ? 4 : 3);
    }

    // Re-opened, the query starts on its first row and the grid with it, still bound.
    query->reopen();
    EXPECT_EQ(grid->currentIndex().row(), 0);
    turn(w.windowHandle(), -120);
    EXPECT_EQ(query->recNo(), 1);
    EXPECT_EQ(grid->currentIndex().row(), 1);
}

TEST_F(MainWindowTest, TabsWrapOntoRowsAndStayClickable)
{
    TfMain& w = open(8);
    WrappingTabBar* bar = w.pcMain->wrappingTabBar();
    const QRect inside = bar->rect();
    int lastTab = -1;
    for (int i = 0; i < bar->count(); ++i) {
        const QRect r = bar->wrappedTabRect(i);
        EXPECT_TRUE(inside.contains(r)) << i;
        for (int k = 0; k < i; ++k)
            EXPECT_FALSE(r.intersects(bar->wrappedTabRect(k))) << i << " " << k;
        lastTab = i;
    }
    EXPECT_EQ(bar->height(), bar->rowCount() * bar->wrappedTabRect(0).height());

    shown.clear();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->wrappedTabRect(lastTab).center());
    EXPECT_EQ(w.pcMain->currentIndex(), lastTab);
    EXPECT_EQ(shown, QStringList({"tsExecutors"}));
}
