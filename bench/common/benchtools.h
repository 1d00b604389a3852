#pragma once

// What the benchmarks measure with: the paint of a grid, the window's longest freeze,
// memory, medians, and psql against the same server as the floor.

#include "data/tdm.h"
#include "distribution/distributepage.h"
#include "platform/ui/application.h"
#include "platform/ui/messagebox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QObject>
#include <QProcess>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace Bench {

// Notes that a widget has been painted.
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

inline double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

inline double currentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toDouble() * 4096.0 / (1024.0 * 1024.0) : 0;
}

// Runs an action and the event loop until the watched widget has been painted after it;
// milliseconds.
inline double untilPainted(PaintWatch& watch, const std::function<void()>& action)
{
    watch.painted = false;
    QElapsedTimer timer;
    timer.start();
    action();
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return double(timer.nsecsElapsed()) / 1e6;
}

inline double median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

// psql on the benchmark's server (IPRA_BENCH_PSQL, IPRA_BENCH_CONNINFO), given a script
// on its standard input; its standard output, or a null text when it is not available.
inline QString psql(const QString& script, double* wallMs = nullptr)
{
    const QString program = qEnvironmentVariable("IPRA_BENCH_PSQL", QStringLiteral("psql"));
    const QString conninfo = qEnvironmentVariable("IPRA_BENCH_CONNINFO");
    if (conninfo.isEmpty())
        return QString();
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(program, {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"),
                            QStringLiteral("-t"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                            QStringLiteral("-d"), conninfo, QStringLiteral("-f"), QStringLiteral("-")});
    process.write(script.toUtf8());
    process.closeWriteChannel();
    if (!process.waitForFinished(300000) || process.exitCode() != 0)
        return QString();
    if (wallMs)
        *wallMs = double(timer.nsecsElapsed()) / 1e6;
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    return out.isNull() ? QStringLiteral("") : out; // no output is an answer too
}

// Connects the data module and shows the distribution page offscreen, its list watched
// for paints; false, with the reason on standard error, when either fails.
inline bool openDistributionPage(TDistributePage& page, PaintWatch& watch)
{
    dm = new Tdm;
    if (!Guarded([] { dm->conPg.open(); })) {
        std::fprintf(stderr, "no connection: %s\n", qPrintable(Msg::shown().join('\n')));
        return false;
    }
    page.resize(1600, 1000);
    page.attachDataSources();
    page.show();
    if (!QTest::qWaitForWindowExposed(&page))
        return false;
    page.dbgDistrIpra->viewport()->installEventFilter(&watch);
    return true;
}

} // namespace Bench
