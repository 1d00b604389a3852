// bench-parse-map FOLDER [ROUNDS]: reads every *.xml file of FOLDER the way the import run
// does (parse, walk, map into a fresh record) without a database, ROUNDS times (default 3),
// and prints the best round's files per second and the process's peak memory. This is
// the floor under the import's speed: what reading the files alone costs.

#include "import/importrun.h"
#include "import/iprarecord.h"
#include "import/keymap.h"
#include "import/xmlflatten.h"
#include "platform/errors.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <sys/resource.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: bench-parse-map FOLDER [ROUNDS]\n");
        return 2;
    }
    const int rounds = args.size() == 3 ? qMax(1, args[2].toInt()) : 3;

    bool namesMode = false;
    TImportRun lister(namesMode, {});
    lister.ListXmlFiles(args[1]);
    const QStringList files = *lister.FileList;
    if (files.isEmpty()) {
        std::fprintf(stderr, "bench-parse-map: no *.xml files in %s\n", qPrintable(args[1]));
        return 2;
    }

    double best = 0;
    int refused = 0;
    qint64 groups = 0;
    try {
        for (int round = 0; round < rounds; ++round) {
            refused = 0;
            groups = 0;
            QElapsedTimer clock;
            clock.start();
            for (const QString& path : files) {
                TPRG record;
                IpraMapper mapper(record);
                const IpraLoadResult result = LoadIpraFile(path, [&](const QString& key, const QString& value) {
                    mapper.MapIpraValue(key, value);
                });
                if (!result.ok)
                    ++refused;
                groups += qint64(record.events.size());
            }
            const double seconds = double(clock.nsecsElapsed()) / 1e9;
            best = qMax(best, double(files.size()) / seconds);
        }
    } catch (const AppError& e) {
        std::fprintf(stderr, "bench-parse-map: %s\n", qPrintable(e.message()));
        return 1;
    }

    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("parse+map: %lld files, %lld event groups, %d refused; best of %d rounds: %.0f files/s; "
                "peak memory %.1f MB\n",
                static_cast<long long>(files.size()), static_cast<long long>(groups), refused, rounds, best,
                double(usage.ru_maxrss) / 1024.0);
    return refused == 0 ? 0 : 1;
}
