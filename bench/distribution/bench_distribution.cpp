// The distribution list on a large register: "Показать все" from the click to the first
// painted grid, the scroll to the last row, the peak memory, and psql fetching the same
// statement as the floor. Run through bench/distribution/run, which makes the register.

#include "data/alertperiod.h"
#include "data/tdm.h"
#include "distribution/distributepage.h"
#include "platform/ui/application.h"
#include "platform/ui/messagebox.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace {

// Notes that the grid has been painted.
class PaintWatch : public QObject
{
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// The longest time the event loop went without running a timer of 5 ms: how long the
// window was frozen at worst.
class FreezeWatch
{
public:
    FreezeWatch()
    {
        m_clock.start();
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
        m_timer.start(5);
    }
    double longestMs() const { return double(m_longest) / 1e6; }

private:
    QElapsedTimer m_clock;
    QTimer m_timer;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

double currentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toDouble() * 4096.0 / (1024.0 * 1024.0) : 0;
}

// Runs an action and the event loop until the grid has been painted after it; milliseconds.
double untilPainted(PaintWatch& watch, const std::function<void()>& action)
{
    watch.painted = false;
    QElapsedTimer timer;
    timer.start();
    action();
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return double(timer.nsecsElapsed()) / 1e6;
}

// A user's pause between two actions: the event loop runs idle for a moment, so that
// the freezes of two actions are not measured as one.
void userPause()
{
    QTest::qWait(50);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

// psql fetching the statement from the same server, all rows, output thrown away.
double psqlFetch(const QString& statement)
{
    const QString psql = qEnvironmentVariable("IPRA_BENCH_PSQL", QStringLiteral("psql"));
    const QString conninfo = qEnvironmentVariable("IPRA_BENCH_CONNINFO");
    if (conninfo.isEmpty())
        return -1;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(psql, {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"),
                         QStringLiteral("-t"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                         QStringLiteral("-d"), conninfo, QStringLiteral("-c"), statement});
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        return -1;
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    IpraApplication app(argc, argv);
    Msg::setAutomatic(true); // an error is recorded and printed, never waited for
    AlertPeriodMonths = 3;

    dm = new Tdm;
    if (!Guarded([] { dm->conPg.open(); })) {
        std::fprintf(stderr, "no connection: %s\n", qPrintable(Msg::shown().join('\n')));
        return 1;
    }
    const double baseline = currentMegabytes();

    TDistributePage page;
    page.resize(1600, 1000);
    page.attachDataSources();
    page.show();
    if (!QTest::qWaitForWindowExposed(&page))
        return 1;
    QTableView* grid = page.dbgDistrIpra;
    PaintWatch watch;
    grid->viewport()->installEventFilter(&watch);

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
