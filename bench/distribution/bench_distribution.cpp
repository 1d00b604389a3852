// The distribution list on a large register: "Показать все" from the click to the first
// painted grid, the scroll to the last row, the peak memory, and psql fetching the same
// statement as the floor. Run through bench/distribution/run, which makes the register.

#include "../common/benchtools.h"

#include "data/alertperiod.h"
#include "data/tdm.h"
#include "distribution/distributepage.h"
#include "platform/ui/application.h"
#include "platform/ui/messagebox.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLabel>
#include <QTableView>
#include <QTest>

#include <malloc.h>

#include <cstdio>
#include <optional>

namespace {

using namespace Bench;

// A user's pause between two actions: the event loop runs idle for a moment, so that
// the freezes of two actions are not measured as one.
void userPause()
{
    QTest::qWait(50);
}

// psql fetching the statement from the same server, all rows, output thrown away.
double psqlFetch(const QString& statement)
{
    double ms = -1;
    if (psql(QStringLiteral("\\o /dev/null\n") + statement + QStringLiteral(";\n"), &ms).isNull())
        return -1;
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    IpraApplication app(argc, argv);
    Msg::setAutomatic(true); // an error is recorded and printed, never waited for
    AlertPeriodMonths = 3;

    const double baseline = currentMegabytes();
    TDistributePage page;
    PaintWatch watch;
    if (!openDistributionPage(page, watch))
        return 1;
    QTableView* grid = page.dbgDistrIpra;

    const double firstShow = untilPainted(watch, [&] { page.tsDistributeShow(); });
    const int undistributed = dm->adoqDistrIpra->recordCount();
    // From here on, during the opens and the scrolls.
    std::optional<FreezeWatch> freezes;
    freezes.emplace();
    QAbstractButton* all = page.rgrpDistIpraItems->button(0);
    QAbstractButton* unassigned = page.rgrpDistIpraItems->button(1);

    // Five runs and their median: the figures of a shared machine scatter widely.
    constexpr int kRuns = 5;
    std::vector<double> opens, scrolls;
    int rows = 0;
    for (int run = 0; run < kRuns; ++run) {
        untilPainted(watch, [&] { QTest::mouseClick(unassigned, Qt::LeftButton); });
        userPause();
        opens.push_back(untilPainted(watch, [&] { QTest::mouseClick(all, Qt::LeftButton); }));
        rows = dm->adoqDistrIpra->recordCount();
        grid->setFocus();
        userPause();
        scrolls.push_back(untilPainted(watch, [&] {
            QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
        }));
        if (dm->adoqDistrIpra->recNo() != rows - 1) {
            std::fprintf(stderr, "the scroll did not reach the last row\n");
            return 1;
        }
        userPause();
    }
    const QString lastShown = page.lDistrIpraNum->text();
    const double longestFreeze = freezes->longestMs();
    freezes.reset();

    // The fetch alone, without the grid, for the breakdown.
    std::vector<double> fetches;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        dm->adoqDistrIpra->reopen();
        fetches.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    const double peakMb = peakMegabytes();
    // What the open list really holds, once freed memory goes back to the system.
    malloc_trim(0);
    const double withListMb = currentMegabytes();
    dm->adoqDistrIpra->close();
    malloc_trim(0);
    const double withoutListMb = currentMegabytes();

    const QString statement = TDistributePage::DistrIpraStatement(0);
    std::vector<double> floors;
    for (int run = 0; run < 3; ++run) {
        const double ms = psqlFetch(statement);
        if (ms >= 0)
            floors.push_back(ms);
    }
    if (!Msg::shown().isEmpty())
        std::fprintf(stderr, "messages: %s\n", qPrintable(Msg::shown().join(QLatin1String("; "))));

    // The server's JIT compiler (on by default) costs the large statement more than it saves.
    QString jit;
    Guarded([&] {
        SqlQuery& tmp = *dm->adoqTmp;
        tmp.close();
        tmp.clearText();
        tmp.addLine(QStringLiteral("show jit"));
        tmp.open();
        jit = tmp.asString(QStringLiteral("jit"));
        tmp.close();
    });

    const double open = median(opens);
    std::printf("distribution list, \"Показать все\": %d rows (%d undistributed), server jit %s\n",
                rows, undistributed, qPrintable(jit));
    std::printf("  first show of the page (undistributed):  %8.1f ms\n", firstShow);
    std::printf("  choose item to first painted grid:       %8.1f ms  (runs:", open);
    for (double v : opens)
        std::printf(" %.1f", v);
    std::printf(")  target <= 1000 ms\n");
    std::printf("    of which the fetch into the list:      %8.1f ms  (median of 3 re-runs)\n",
                median(fetches));
    std::printf("  scroll to the last row, painted:         %8.1f ms  (runs:", median(scrolls));
    for (double v : scrolls)
        std::printf(" %.1f", v);
    std::printf(")  panels show %s\n", qPrintable(lastShown));
    std::printf("  peak memory (ru_maxrss):                 %8.1f MB  target < 300 MB\n", peakMb);
    std::printf("    resident: %.1f MB before the page, %.1f MB with the whole list open, %.1f MB "
                "with it closed\n",
                baseline, withListMb, withoutListMb);
    if (floors.empty()) {
        std::printf("  floor: psql not available (set IPRA_BENCH_PSQL and IPRA_BENCH_CONNINFO)\n");
    } else {
        const double floor = *std::min_element(floors.begin(), floors.end());
        std::printf("  floor, psql fetching the same statement: %8.1f ms  (best of %zu)\n", floor,
                    floors.size());
        std::printf("  open / floor:                            %8.2f    target <= 3\n", open / floor);
    }
    std::printf("  longest freeze of the window:            %8.1f ms  (the longest open: %.1f ms)\n",
                longestFreeze, *std::max_element(opens.begin(), opens.end()));

    grid->viewport()->removeEventFilter(&watch);
    page.hide();
    return 0;
}
