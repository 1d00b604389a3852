// The search line and the export of the distribution list on a large register, through
// the real page offscreen:
//  - search: real key presses into eDistrSearch, from the last key to the painted,
//    narrowed grid (the pause before the server is asked included), for six kinds of
//    text; the floor is psql running the same search statement on the same server;
//  - export: "Выгрузить…" of the whole list to .xlsx and .csv, its time and the memory
//    it takes on top of the loaded list; the floor is psql's \copy of the same columns.
// Run through bench/lists/run, which makes the register.

#include "../common/benchtools.h"

#include "data/alertperiod.h"
#include "data/tdm.h"
#include "distribution/distributepage.h"
#include "lists/listdefs.h"
#include "lists/searchterms.h"
#include "lists/ui/listsearch.h"
#include "platform/ui/application.h"
#include "platform/ui/filepicker.h"
#include "platform/ui/messagebox.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>

#include <malloc.h>

#include <cstdio>
#include <optional>

namespace {

using namespace Bench;

constexpr int kRuns = 5;

void typeKeys(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
}

QString literal(const QString& text)
{
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

// The search statement with the terms of text written in, as psql is given it.
QString searchStatement(const QString& text)
{
    const SearchTerms terms = ParseSearch(text);
    QString sql = dm->adoqIpraSearch->text();
    for (int i = 0; i < 3; ++i)
        sql.replace(QStringLiteral(":w%1").arg(i + 1), literal(terms.words.value(i)));
    sql.replace(QStringLiteral(":snils"), literal(terms.snils));
    sql.replace(QStringLiteral(":num"), literal(terms.number));
    return sql;
}

// psql's own timing of the statement, run kRuns times in one session after a first run:
// the server's work and the transfer of the ids, without the start of psql.
double psqlSearchFloor(const QString& text)
{
    const QString statement = searchStatement(text) + QStringLiteral(";\n");
    QString script = QStringLiteral("\\o /dev/null\n") + statement + QStringLiteral("\\timing on\n");
    for (int i = 0; i < kRuns; ++i)
        script += statement;
    const QString out = psql(script);
    std::vector<double> times;
    static const QRegularExpression timing(QStringLiteral("Time: ([0-9.]+) ms"));
    for (auto it = timing.globalMatch(out); it.hasNext();)
        times.push_back(it.next().captured(1).toDouble());
    return median(times);
}

int csvRows(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return int(f.readAll().count("\r\n")) - 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    IpraApplication app(argc, argv);
    Msg::setAutomatic(true); // an error is recorded and printed, never waited for
    FilePicker::setAutomatic(true);
    AlertPeriodMonths = 3;
    const QString out = qEnvironmentVariable("IPRA_BENCH_OUT", QDir::tempPath());

    TDistributePage page;
    PaintWatch watch;
    if (!openDistributionPage(page, watch))
        return 1;
    QTableView* grid = page.dbgDistrIpra;
    untilPainted(watch, [&] { page.tsDistributeShow(); });
    untilPainted(watch, [&] { QTest::mouseClick(page.rgrpDistIpraItems->button(0), Qt::LeftButton); });
    const int all = dm->adoqDistrIpra->recordCount();
    TListSearch* search = page.DistrSearch;
    QLineEdit* line = page.eDistrSearch;

    // A snils and a number that the register holds.
    SqlQuery& tmp = *dm->adoqTmp;
    tmp.setText(QStringLiteral("select snils, prgnum from prg where id = (select max(id) / 3 from prg)"));
    tmp.open();
    const QString snils = tmp.asString(QStringLiteral("snils")).remove(QRegularExpression(QStringLiteral("[^0-9]")));
    const QString number = tmp.asString(QStringLiteral("prgnum")).left(4);
    tmp.close();

    const struct
    {
        const char* what;
        QString text;
    } texts[] = {
        {"one letter", QStringLiteral("с")},
        {"a common surname's beginning", QStringLiteral("сидор")},
        {"two words the other way round", QStringLiteral("елена сидорова")},
        {"a SNILS without dashes", snils},
        {"a number's beginning", number},
        {"nothing matches", QStringLiteral("щщщ")},
    };

    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("search on the distribution list, \"Показать все\": %d rows; pause before the server "
                "is asked %d ms\n", all, TListSearch::PauseMs);
    std::printf("  %-31s %8s %10s %10s %7s %9s  runs (ms)\n", "text", "found", "median ms", "floor ms",
                "ratio", "freeze ms");
    line->setFocus();
    std::optional<FreezeWatch> freezes;
    double worst = 0;
    double longestFreeze = 0;
    for (const auto& t : texts) {
        freezes.emplace();
        std::vector<double> runs;
        int found = 0;
        for (int run = 0; run < kRuns; ++run) {
            if (!line->text().isEmpty())
                untilPainted(watch, [&] { QTest::keyClick(line, Qt::Key_Escape); });
            QTest::qWait(150); // a user's pause before typing
            const QString head = t.text.left(t.text.size() - 1);
            typeKeys(line, head);
            QTest::qWait(15); // the keys come one after another, faster than the pause
            bool narrowed = false;
            const auto connection = QObject::connect(search, &TListSearch::narrowed, [&] {
                narrowed = true;
                watch.painted = false;
            });
            QElapsedTimer clock;
            clock.start();
            typeKeys(line, t.text.right(1));
            while (!(narrowed && watch.painted && !search->busy()))
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            runs.push_back(double(clock.nsecsElapsed()) / 1e6);
            QObject::disconnect(connection);
            found = dm->adoqDistrIpra->recordCount();
        }
        const double freeze = freezes->longestMs();
        freezes.reset();
        longestFreeze = std::max(longestFreeze, freeze);
        const double m = median(runs);
        worst = std::max(worst, m);
        const double floor = psqlSearchFloor(t.text);
        std::printf("  %-31s %8d %10.1f %10.1f %7.2f %9.1f ", t.what, found, m, floor,
                    floor > 0 ? m / floor : 0.0, freeze);
        for (double v : runs)
            std::printf(" %.1f", v);
        std::printf("   (%s)\n", qPrintable(t.text));
    }
    std::printf("  worst median: %.1f ms, target <= 100 ms; longest freeze of the window while "
                "searching: %.1f ms\n", worst, longestFreeze);
    untilPainted(watch, [&] { QTest::keyClick(line, Qt::Key_Escape); });

    // The export of the whole list, through the page's button.
    malloc_trim(0);
    const double before = currentMegabytes();
    double peak = before;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] { peak = std::max(peak, currentMegabytes()); });
    sampler.start(10);
    const QList<GridColumn> columns = ListDefs::DistrIpraColumns();
    std::printf("export of the distribution list, %d rows, %d visible columns; resident before: %.1f MB\n",
                dm->adoqDistrIpra->recordCount(),
                int(std::count_if(columns.cbegin(), columns.cend(), [](const GridColumn& c) { return c.visible; })),
                before);
    double worstExport = 0;
    for (const char* suffix : {"xlsx", "csv"}) {
        std::vector<double> runs;
        const QString file = out + QStringLiteral("/list.") + QLatin1String(suffix);
        for (int run = 0; run < 3; ++run) {
            QFile::remove(file);
            FilePicker::setNextFile(file);
            QElapsedTimer clock;
            clock.start();
            QTest::mouseClick(page.bDistrExport, Qt::LeftButton);
            runs.push_back(double(clock.nsecsElapsed()) / 1e6);
            QCoreApplication::processEvents();
        }
        worstExport = std::max(worstExport, median(runs));
        std::printf("  .%-5s %8.1f ms  (runs:", suffix, median(runs));
        for (double v : runs)
            std::printf(" %.1f", v);
        std::printf(")  %.1f MB", double(QFileInfo(file).size()) / (1024.0 * 1024.0));
        if (QLatin1String(suffix) == QLatin1String("csv"))
            std::printf(", %d rows", csvRows(file));
        std::printf("\n");
    }
    sampler.stop();
    std::printf("  more memory than before the export, at most: %.1f MB (resident sampled every 10 ms); "
                "peak of the process (ru_maxrss): %.1f MB\n", peak - before, peakMegabytes());
    std::printf("  worst median %.1f ms, target <= 5000 ms\n", worstExport);

    // The floor: psql copying the same rows and columns to CSV on the client.
    std::vector<double> floors;
    const QString floorFile = out + QStringLiteral("/floor.csv");
    const QString copy = QStringLiteral(
        "\\copy (select prgnum, prgdt, lname, fname, sname, bdate, snils, docnum, docdt, dt, udt from "
        "kv_ipra_mo order by prgdt) to '%1' with (format csv, header, delimiter ';')\n").arg(floorFile);
    for (int run = 0; run < 3; ++run) {
        double ms = -1;
        if (!psql(copy, &ms).isNull())
            floors.push_back(ms);
    }
    if (floors.empty()) {
        std::printf("  floor: psql not available (set IPRA_BENCH_PSQL and IPRA_BENCH_CONNINFO)\n");
    } else {
        const double floor = *std::min_element(floors.begin(), floors.end());
        std::printf("  floor, psql \\copy of the same rows to CSV: %.1f ms (best of %zu); export / floor: "
                    "%.2f\n", floor, floors.size(), worstExport / floor);
    }
    if (!Msg::shown().isEmpty())
        std::fprintf(stderr, "messages: %s\n", qPrintable(Msg::shown().join(QLatin1String("; "))));

    grid->viewport()->removeEventFilter(&watch);
    page.hide();
    return 0;
}
