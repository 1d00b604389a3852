// ipra-import: the import page's two runs without a window, for scheduled imports of
// large folders.
//   ipra-import FOLDER                 load every IPRA file of FOLDER into the register
//   ipra-import --archive DIR FOLDER   the same, and move each file with an outcome into DIR
//   ipra-import --names FOLDER         collect the sender organisation names of FOLDER's files
// The log lines of the page go to standard output; the running count, rejected files and
// errors to standard error. Exit status: 0 when the run ends, 1 when a conversion or
// database error stops it or a file could not be archived, 2 on wrong usage.

#include "data/tdm.h"
#include "import/importarchive.h"
#include "import/importrun.h"
#include "platform/errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

const char* const Usage =
    "usage: ipra-import [--archive DIR] FOLDER\n"
    "       ipra-import --names FOLDER\n"
    "       ipra-import --help\n"
    "\n"
    "Loads every IPRA file (*.xml) of FOLDER into the register, or with --names collects\n"
    "the sender organisation names of the files into the names directory. Sub-folders are\n"
    "not read. The register is reached through the ODBC data source ViraVIR.\n"
    "\n"
    "--archive DIR  moves each file once its outcome is in the register: a loaded file to\n"
    "               DIR/imported/YYYY-MM-DD/, a refused one to DIR/rejected/YYYY-MM-DD/\n"
    "               with NAME.reason.txt beside it. A file whose load did not commit stays\n"
    "               in FOLDER. A taken name gets a number (a.1.xml); nothing is overwritten.\n"
    "\n"
    "Standard output gets the log lines, standard error the running count, the files that\n"
    "were not loaded and their reasons. Exit status: 0 when the run ended, 1 when an error\n"
    "stopped it or a file could not be archived, 2 on wrong usage.\n";

void writeLine(std::FILE* stream, const QString& line)
{
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fputc('\n', stream);
}

int usageError(const QString& problem)
{
    writeLine(stderr, QStringLiteral("ipra-import: ") + problem);
    std::fputs(Usage, stderr);
    return 2;
}

// The running count on standard error: one line rewritten in place on a terminal (at most
// ten times a second), otherwise a plain line now and then and the last one, so that a log
// file does not fill up with counts.
class CountLine
{
public:
    CountLine() : m_terminal(::isatty(::fileno(stderr)) == 1) { m_clock.start(); }

    void setTotal(int total) { m_total = total; }

    void show(int number)
    {
        const QString text = TImportRun::CountText(number);
        const bool last = number >= m_total;
        if (m_terminal) {
            if (!last && m_shown && m_clock.elapsed() < 100)
                return;
            m_clock.restart();
            const QByteArray bytes = ("\r" + text).toUtf8();
            std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
            m_pending = true;
        } else if (last || number % 1000 == 0) {
            writeLine(stderr, text);
        }
        m_shown = true;
    }

    // Ends the rewritten line before anything else is written to the terminal.
    void breakLine()
    {
        if (m_pending)
            std::fputc('\n', stderr);
        m_pending = false;
    }

private:
    bool m_terminal;
    bool m_shown = false;
    bool m_pending = false;
    int m_total = 0;
    QElapsedTimer m_clock;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Whole lines, so the log keeps its order with the counts when both go to one file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    bool names = false;
    std::optional<QString> archiveRoot;
    QStringList folders;
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (const QString& arg : args) {
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            std::fputs(Usage, stdout);
            return 0;
        }
    }
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--names")) {
            names = true;
        } else if (arg == QLatin1String("--archive")) {
            if (i + 1 >= args.size())
                return usageError(QStringLiteral("--archive needs a folder"));
            archiveRoot = args[++i];
        } else if (arg.startsWith(QLatin1String("--archive="))) {
            archiveRoot = arg.mid(int(qstrlen("--archive=")));
        } else if (arg.startsWith(QLatin1Char('-'))) {
            return usageError(QStringLiteral("unknown option %1").arg(arg));
        } else {
            folders << arg;
        }
    }
    if (folders.size() != 1)
        return usageError(folders.isEmpty() ? QStringLiteral("no folder given")
                                            : QStringLiteral("exactly one folder is read"));
    // The names refresh leaves the files where they are: they are still to be imported.
    if (names && archiveRoot)
        return usageError(QStringLiteral("--archive is for the import, not for --names"));
    const QString folder = folders.first();
    for (const QString& dir : {folder, archiveRoot.value_or(folder)}) {
        if (!QFileInfo(dir).isDir()) {
            writeLine(stderr, QStringLiteral("ipra-import: %1 is not a folder").arg(dir));
            return 2;
        }
    }

    CountLine count;
    bool namesMode = false;
    TImportRun::Hooks hooks;
    hooks.pickFolder = [&] { return folder; };
    hooks.log = [&](const QString& line) {
        count.breakLine();
        writeLine(stdout, line);
    };
    hooks.message = [&](const QString& text) {
        count.breakLine();
        writeLine(stderr, QStringLiteral("ipra-import: ") + text);
    };
    // A failed move is told and the run goes on: the file stays in the folder, and the
    // next run reads it again (an imported IPRA is then only updated).
    bool archiveFailed = false;
    const std::optional<ImportArchive> archive =
        archiveRoot ? std::optional<ImportArchive>(*archiveRoot) : std::nullopt;
    const auto archived = [&](const QString& path, const ImportArchive::Result& result) {
        if (result.ok()) {
            hooks.log(QStringLiteral("%1: перенесён в %2").arg(path, QDir::toNativeSeparators(result.target)));
        } else {
            archiveFailed = true;
            count.breakLine();
            writeLine(stderr, QStringLiteral("ipra-import: %1: не перенесён в архив: %2").arg(path, result.error));
        }
    };
    hooks.rejected = [&](const QString& path, const QString& reason) {
        count.breakLine();
        writeLine(stderr, QStringLiteral("ipra-import: %1: %2").arg(path, reason));
        if (archive)
            archived(path, archive->storeRejected(path, reason));
    };
    if (archive)
        hooks.imported = [&](const QString& path) { archived(path, archive->storeImported(path)); };
    hooks.progress = [&](int, int total) { count.setTotal(total); };
    hooks.count = [&](int number) { count.show(number); };
    // No window to keep alive: nothing to process between files.

    int status = 0;
    dm = new Tdm;
    try {
        dm->conPg.open();
        TImportRun run(namesMode, hooks);
        if (names)
            run.LoadRealNames();
        else
            run.LoadXml();
    } catch (const AppError& e) {
        status = 1;
        count.breakLine();
        std::fflush(stdout);
        writeLine(stderr, QStringLiteral("ipra-import: ") + e.message());
    } catch (const std::exception& e) {
        status = 1;
        count.breakLine();
        std::fflush(stdout);
        writeLine(stderr, QStringLiteral("ipra-import: ") + QString::fromLocal8Bit(e.what()));
    }
    count.breakLine();
    delete dm;
    dm = nullptr;
    std::fflush(stdout);
    if (status == 0 && archiveFailed)
        status = 1;
    return status;
}
