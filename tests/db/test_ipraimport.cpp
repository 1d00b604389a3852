#include "dbtest.h"
#include "iprafiles.h"
#include "testserver.h"

#include "import/importrun.h"
#include "platform/errors.h"

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <chrono>
#include <memory>
#include <ostream>
#include <thread>

namespace {

const QString Galich = QStringLiteral("ОГБУЗ \"Галичская окружная больница\"");

struct Outcome
{
    int status = -1;
    QStringList out;
    QStringList err;
};

QStringList lines(const QByteArray& bytes)
{
    QStringList result = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    if (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    return result;
}

// Starts the built importer; it inherits the test's environment, so its ViraVIR is the
// test database.
std::unique_ptr<QProcess> startImporter(const QStringList& arguments)
{
    auto process = std::make_unique<QProcess>();
    process->start(QStringLiteral(IPRA_IMPORT_BINARY), arguments);
    return process;
}

Outcome finishImporter(QProcess& process)
{
    Outcome outcome;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << "ipra-import did not finish: " << process.errorString().toStdString();
        process.kill();
        process.waitForFinished();
        return outcome;
    }
    outcome.status = process.exitCode();
    outcome.out = lines(process.readAllStandardOutput());
    outcome.err = lines(process.readAllStandardError());
    return outcome;
}

Outcome runImporter(const QStringList& arguments)
{
    return finishImporter(*startImporter(arguments));
}

QString guid(int n)
{
    return QStringLiteral("0a2b3c4d-1111-4222-8333-%1").arg(n, 12, 10, QLatin1Char('0'));
}

} // namespace

class IpraImportTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        ASSERT_TRUE(folder.isValid());
    }
    QString native(const QString& name) const { return QDir::toNativeSeparators(folder.filePath(name)); }

    // An empty register again; the data module's connection to the old one is gone.
    static void resetRegister()
    {
        ResetTestDatabase();
        dm->conPg.reopen();
    }

    // The rows of every table the import and the names refresh fill.
    static QMap<QString, int> registerCounts()
    {
        dm->conPg.open();
        QMap<QString, int> counts;
        for (const char* table : {"prg", "k_ipra_mo", "k_ipra_evnt", "k_person", "k_address", "k_doc", "k_mo_names"})
            counts[table] = scalar(QStringLiteral("select count(*) from %1").arg(table)).toInt();
        return counts;
    }

    // Waits until `sessions` other sessions wait for a lock on the table.
    static bool waitForLockWaiters(const QString& table, int sessions)
    {
        for (int i = 0; i < 1500; ++i) {
            if (scalar(QStringLiteral("select count(*) from pg_locks where not granted and "
                                      "relation = '%1'::regclass").arg(table)).toInt() >= sessions)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    QTemporaryDir folder;
};

TEST_F(IpraImportTest, ImportsAFolderReportsTheBadFileAndCollectsTheNames)
{
    WriteTextFile(folder.path(), QStringLiteral("a.xml"), IpraXml({guid(1), Galich}));
    WriteTextFile(folder.path(), QStringLiteral("b.xml"), IpraXml({guid(2), Galich}));
    WriteTextFile(folder.path(), QStringLiteral("bad.xml"), QStringLiteral("<tIPRA><Id>"));
    WriteTextFile(folder.path(), QStringLiteral("skip.XML"), IpraXml({guid(3), Galich}));

    const Outcome first = runImporter({folder.path()});
    ASSERT_EQ(first.status, 0) << first.err.join('\n').toStdString();
    ASSERT_EQ(first.out.size(), 6);
    EXPECT_EQ(first.out.first(), QStringLiteral("Загрузка данных в БД..."));
    EXPECT_EQ(QSet<QString>(first.out.begin() + 1, first.out.begin() + 4),
              (QSet<QString>{native("a.xml"), native("b.xml"), native("bad.xml")}));
    ASSERT_TRUE(first.out[4].startsWith(QStringLiteral("Файл не загружен: %1 - ").arg(native("bad.xml"))));
    const QString reason = first.out[4].mid(QStringLiteral("Файл не загружен: %1 - ").arg(native("bad.xml")).size());
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(first.out[5], QStringLiteral("Загружено новых записей - 2"));
    // Standard error: the rejected file with its reason, and the last running count.
    EXPECT_TRUE(first.err.contains(QStringLiteral("ipra-import: %1: %2").arg(native("bad.xml"), reason)))
        << first.err.join('\n').toStdString();
    EXPECT_EQ(first.err.last(), QStringLiteral("Обработано записей - 3"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from prg")).toInt(), 2);

    const Outcome again = runImporter({folder.path()});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out.last(), QStringLiteral("Загружено новых записей - 0"));

    const Outcome names = runImporter({QStringLiteral("--names"), folder.path()});
    EXPECT_EQ(names.status, 0);
    EXPECT_EQ(names.out.first(), QStringLiteral("Обновление списка наименований..."));
    EXPECT_EQ(names.out.last(), QStringLiteral("Загружено новых наименований - 1"));
    EXPECT_EQ(rows(QStringLiteral("select rname from k_mo_names")), (QList<QVariantList>{{Galich}}));
}

TEST_F(IpraImportTest, ExitStatusTellsHowTheRunEnded)
{
    struct Case
    {
        const char* name;
        QStringList arguments; // "%F" stands for the folder
        const char* fileBirthDate; // one IPRA file with this birth date; none when null
        const char* breakSql;
        const char* repairSql;
        int status;
        QString lastErr;  // expected last line of standard error; null: not checked
        QString lastOut;  // expected start of the last line of standard output; null: not checked
    };
    const QString dateError = QStringLiteral("'03.04.1975' is not a valid date");
    const Case cases[] = {
        {"no files", {"%F"}, nullptr, nullptr, nullptr, 0,
         QStringLiteral("ipra-import: Не найдены файлы *.xml! Выберите другую папку."),
         QStringLiteral("Загружено новых записей - 0")},
        {"conversion error", {"%F"}, "03.04.1975", nullptr, nullptr, 1,
         QStringLiteral("ipra-import: ") + dateError,
         QStringLiteral("Загрузка прервана из-за ошибки в файле %1: %2").arg(native("f.xml"), dateError)},
        {"database error", {"--names", "%F"}, "1975-04-03",
         "alter table k_mo_names rename to k_mo_names_away", "alter table k_mo_names_away rename to k_mo_names",
         1, QString(), QStringLiteral("Обновление списка наименований прервано из-за ошибки в файле %1: ").arg(native("f.xml"))},
        {"no arguments", {}, nullptr, nullptr, nullptr, 2, QString(), QString()},
        {"--help", {"--help"}, nullptr, nullptr, nullptr, 0, QString(), QString()},
        {"two folders", {"%F", "%F"}, nullptr, nullptr, nullptr, 2, QString(), QString()},
        {"unknown option", {"--fast", "%F"}, nullptr, nullptr, nullptr, 2, QString(), QString()},
        {"--names without folder", {"--names"}, nullptr, nullptr, nullptr, 2, QString(), QString()},
        {"missing folder", {"%F/none"}, nullptr, nullptr, nullptr, 2,
         QStringLiteral("ipra-import: %1/none is not a folder").arg(folder.path()), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(folder.filePath(QStringLiteral("f.xml")));
        if (c.fileBirthDate)
            WriteTextFile(folder.path(), QStringLiteral("f.xml"),
                          IpraXml({guid(5), Galich, QString::fromLatin1(c.fileBirthDate)}));
        if (c.breakSql)
            adminExec(QString::fromUtf8(c.breakSql));
        QStringList arguments;
        for (const QString& a : c.arguments)
            arguments << QString(a).replace(QStringLiteral("%F"), folder.path());

        const Outcome o = runImporter(arguments);

        if (c.repairSql)
            adminExec(QString::fromUtf8(c.repairSql));
        EXPECT_EQ(o.status, c.status) << o.err.join('\n').toStdString();
        if (!c.lastErr.isNull()) {
            ASSERT_FALSE(o.err.isEmpty());
            EXPECT_EQ(o.err.last(), c.lastErr);
        }
        if (!c.lastOut.isNull()) {
            ASSERT_FALSE(o.out.isEmpty());
            EXPECT_TRUE(o.out.last().startsWith(c.lastOut)) << o.out.last().toStdString();
        }
        if (c.lastErr.isNull() && c.lastOut.isNull()) {
            EXPECT_TRUE((o.out + o.err).join('\n').contains(QStringLiteral("usage: ipra-import [--archive DIR] FOLDER")));
        }
        EXPECT_EQ(scalar(QStringLiteral("select count(*) from prg")).toInt(), 0);
    }
}

namespace {

// Every file below root: its path relative to root, and its bytes.
QMap<QString, QByteArray> filesBelow(const QString& root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        files.insert(QDir(root).relativeFilePath(path), file.readAll());
    }
    return files;
}

QByteArray bytesOf(const QString& text) { return text.toUtf8(); }

} // namespace

class ImportArchiveTest : public IpraImportTest
{
protected:
    void SetUp() override
    {
        IpraImportTest::SetUp();
        ASSERT_TRUE(archive.isValid());
    }
    QString day() const { return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")); }
    Outcome importWithArchive(const QString& root) { return runImporter({"--archive", root, folder.path()}); }
    QTemporaryDir archive;
};

// Imported and refused files leave the folder for their day's folder; names already
// taken there (by an earlier delivery of the same name) are kept and the newcomer is
// numbered, a refused file together with its reason. On another file system the files
// are copied over and then removed.
TEST_F(ImportArchiveTest, FilesGoToTheirOutcomeAndTakenNamesAreKept)
{
    struct Case
    {
        const char* what;
        bool otherFileSystem; // the archive on /dev/shm (a tmpfs), else beside the folder
    };
    const Case cases[] = {{"same file system", false}, {"another file system", true}};
    QTemporaryDir shm(QStringLiteral("/dev/shm/ipra-archive-XXXXXX"));
    int serial = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.otherFileSystem && !shm.isValid()) {
            ADD_FAILURE() << "no /dev/shm to put an archive on another file system";
            continue;
        }
        const QString root = c.otherFileSystem ? shm.path() : archive.path();
        const QString good = IpraXml({guid(++serial), Galich});
        const QString again = IpraXml({guid(++serial), Galich});
        const QString broken = QStringLiteral("<tIPRA><Id>");
        const QString noId = IpraXml({QString(), Galich});
        WriteTextFile(folder.path(), QStringLiteral("good.xml"), good);
        WriteTextFile(folder.path(), QStringLiteral("again.xml"), again);
        WriteTextFile(folder.path(), QStringLiteral("broken.xml"), broken);
        WriteTextFile(folder.path(), QStringLiteral("noid.xml"), noId);
        WriteTextFile(folder.path(), QStringLiteral("notes.txt"), QStringLiteral("not an IPRA"));
        // Earlier deliveries: an imported again.xml, and a lone reason of a broken.xml.
        const QString imported = QStringLiteral("imported/") + day();
        const QString rejected = QStringLiteral("rejected/") + day();
        ASSERT_TRUE(QDir(root).mkpath(imported) && QDir(root).mkpath(rejected));
        WriteTextFile(root + QLatin1Char('/') + imported, QStringLiteral("again.xml"), QStringLiteral("earlier"));
        WriteTextFile(root + QLatin1Char('/') + rejected, QStringLiteral("broken.xml.reason.txt"),
                      QStringLiteral("earlier reason"));
        const auto before = filesBelow(root);

        const Outcome o = importWithArchive(root);

        EXPECT_EQ(o.status, 0) << o.err.join('\n').toStdString();
        EXPECT_EQ(filesBelow(folder.path()).keys(), QStringList{QStringLiteral("notes.txt")});
        auto after = filesBelow(root);
        for (auto it = before.begin(); it != before.end(); ++it)
            EXPECT_EQ(after.take(it.key()), it.value()) << "earlier file " << it.key().toStdString();
        EXPECT_EQ(after.keys(), (QStringList{imported + "/again.1.xml", imported + "/good.xml",
                                             rejected + "/broken.1.xml", rejected + "/broken.1.xml.reason.txt",
                                             rejected + "/noid.xml", rejected + "/noid.xml.reason.txt"}));
        EXPECT_EQ(after[imported + "/good.xml"], bytesOf(good));
        EXPECT_EQ(after[imported + "/again.1.xml"], bytesOf(again));
        EXPECT_EQ(after[rejected + "/broken.1.xml"], bytesOf(broken));
        EXPECT_EQ(after[rejected + "/noid.xml"], bytesOf(noId));
        // The reason is the one the run reported for the file.
        for (const QString name : {QStringLiteral("broken"), QStringLiteral("noid")}) {
            const QString reasonFile = rejected + (name == "broken" ? "/broken.1.xml.reason.txt" : "/noid.xml.reason.txt");
            const QString reason = QString::fromUtf8(after[reasonFile]).trimmed();
            EXPECT_FALSE(reason.isEmpty());
            EXPECT_TRUE(o.err.contains(QStringLiteral("ipra-import: %1: %2").arg(native(name + ".xml"), reason)))
                << reason.toStdString();
        }
        EXPECT_TRUE(o.out.contains(QStringLiteral("%1: перенесён в %2")
                                       .arg(native("good.xml"), QDir::toNativeSeparators(root + '/' + imported + "/good.xml"))));
        EXPECT_EQ(scalar(QStringLiteral("select count(*) from prg where mseid in ('%1', '%2')")
                             .arg(guid(serial - 1), guid(serial)))
                      .toInt(),
                  2);
        QFile::remove(folder.filePath(QStringLiteral("notes.txt")));
    }
}

// A file whose transaction did not commit stays in the folder, for the next run; a
// file imported but not moved stays too, and the run says so in its status.
TEST_F(ImportArchiveTest, WhatDidNotCommitOrCouldNotMoveStays)
{
    const QString refused = IpraXml({guid(1), Galich});
    WriteTextFile(folder.path(), QStringLiteral("refused.xml"), refused);
    WriteTextFile(folder.path(), QStringLiteral("good.xml"), IpraXml({guid(2), Galich}));
    WriteTextFile(folder.path(), QStringLiteral("broken.xml"), QStringLiteral("<tIPRA>"));
    adminExec(QStringLiteral("alter table prg add constraint refused check (mseid <> '%1')").arg(guid(1)));
    const QMap<QString, QString> placeOf = {
        {"good.xml", "imported/" + day() + "/good.xml"},
        {"broken.xml", "rejected/" + day() + "/broken.xml"},
        {"refused.xml", "imported/" + day() + "/refused.xml"},
    };

    const Outcome stopped = importWithArchive(archive.path());

    EXPECT_EQ(stopped.status, 1);
    EXPECT_TRUE(stopped.out.last().startsWith(
        QStringLiteral("Загрузка прервана из-за ошибки в файле %1: ").arg(native("refused.xml"))))
        << stopped.out.last().toStdString();
    const auto inFolder = filesBelow(folder.path());
    EXPECT_EQ(inFolder.value("refused.xml"), bytesOf(refused));
    // The run stops at the refused file: a file listed before it has its outcome, one
    // after it was not read.
    const auto archived = filesBelow(archive.path());
    for (auto it = placeOf.begin(); it != placeOf.end(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        EXPECT_NE(inFolder.contains(it.key()), archived.contains(it.value()));
    }
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from prg where mseid = '%1'").arg(guid(1))).toInt(), 0);

    // Once the database takes it, the next run moves the rest.
    adminExec(QStringLiteral("alter table prg drop constraint refused"));
    const Outcome next = importWithArchive(archive.path());
    EXPECT_EQ(next.status, 0) << next.err.join('\n').toStdString();
    EXPECT_TRUE(filesBelow(folder.path()).isEmpty());
    const auto all = filesBelow(archive.path());
    for (const QString& place : placeOf)
        EXPECT_TRUE(all.contains(place)) << place.toStdString();
    EXPECT_EQ(all.value(placeOf["refused.xml"]), bytesOf(refused));

    // An archive whose day folder cannot be made: the IPRA is in the register, the file
    // stays where it was, and the status tells.
    WriteTextFile(folder.path(), QStringLiteral("late.xml"), IpraXml({guid(3), Galich}));
    QTemporaryDir blocked;
    WriteTextFile(blocked.path(), QStringLiteral("imported"), QStringLiteral("a file in the way"));
    const Outcome unmoved = importWithArchive(blocked.path());
    EXPECT_EQ(unmoved.status, 1);
    EXPECT_EQ(filesBelow(folder.path()).keys(), QStringList{QStringLiteral("late.xml")});
    EXPECT_TRUE(unmoved.err.join('\n').contains(QStringLiteral("%1: не перенесён в архив: ").arg(native("late.xml"))))
        << unmoved.err.join('\n').toStdString();
    EXPECT_EQ(unmoved.out.last(), QStringLiteral("Загружено новых записей - 1"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from prg where mseid = '%1'").arg(guid(3))).toInt(), 1);
}

TEST_F(ImportArchiveTest, ArchiveArgumentsAreChecked)
{
    struct Case
    {
        const char* what;
        QStringList arguments; // "%F" the folder, "%A" the archive
        QString lastErr;
    };
    const Case cases[] = {
        {"--archive without its folder", {"%F", "--archive"}, QStringLiteral("ipra-import: --archive needs a folder")},
        {"--archive with --names", {"--names", "--archive", "%A", "%F"},
         QStringLiteral("ipra-import: --archive is for the import, not for --names")},
        {"an archive that is no folder", {"--archive", "%A/none", "%F"},
         QStringLiteral("ipra-import: %1/none is not a folder").arg(archive.path())},
    };
    WriteTextFile(folder.path(), QStringLiteral("f.xml"), IpraXml({guid(1), Galich}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QStringList arguments;
        for (const QString& a : c.arguments)
            arguments << QString(a).replace(QStringLiteral("%F"), folder.path()).replace(QStringLiteral("%A"), archive.path());
        const Outcome o = runImporter(arguments);
        EXPECT_EQ(o.status, 2);
        ASSERT_FALSE(o.err.isEmpty());
        EXPECT_TRUE(o.err.contains(c.lastErr)) << o.err.join('\n').toStdString();
    }
    EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral("f.xml"))));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from prg")).toInt(), 0);
}

namespace {

// Realistic IPRA files (holders, representatives, addresses, documents, groups).
void generateFiles(const QString& folder, int count)
{
    QProcess gen;
    gen.setProcessChannelMode(QProcess::MergedChannels);
    gen.start(QStringLiteral("python3"),
              {QStringLiteral(IPRA_SOURCE_DIR "/tools/ipra-gen/ipra-gen"), QStringLiteral("--seed"),
               QStringLiteral("12"), QStringLiteral("--count"), QString::number(count), folder});
    ASSERT_TRUE(gen.waitForFinished(120000) && gen.exitCode() == 0) << gen.readAll().toStdString();
}

int newCount(const Outcome& outcome, const QString& summary)
{
    if (outcome.out.isEmpty() || !outcome.out.last().startsWith(summary)) {
        ADD_FAILURE() << "no summary line: " << outcome.out.join('\n').toStdString();
        return -1;
    }
    return outcome.out.last().mid(summary.size()).toInt();
}

const QString NewIprasLine = QStringLiteral("Загружено новых записей - ");
const QString NewNamesLine = QStringLiteral("Загружено новых наименований - ");

} // namespace

// Sessions of this many files: a run of a few hundred IPRAs.
constexpr int RaceFiles = 300;

// The server restarts while an import is in the middle of a file: that file's
// transaction is gone, the run waits for the server, saves the file anew and ends
// normally, every file stored once (the same rows as a run without a restart).
TEST_F(IpraImportTest, ImportSurvivesAServerRestart)
{
    generateFiles(folder.path(), RaceFiles);
    ASSERT_EQ(runImporter({folder.path()}).status, 0);
    const QMap<QString, int> reference = registerCounts();
    ASSERT_EQ(reference["prg"], RaceFiles);
    resetRegister();

    auto importer = startImporter({folder.path()});
    // Once some files are in, the next one is held on a lock of ours, mid-transaction,
    // and the server restarts under it.
    bool started = false;
    for (int i = 0; i < 1500 && !started; ++i) {
        started = scalar("select count(*) from prg").toInt() >= 20;
        if (!started)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(started);
    adminBegin();
    adminExec("lock table prg in share row exclusive mode");
    ASSERT_TRUE(waitForLockWaiters("prg", 1));
    TestServer::restart();
    dm->conPg.reopen(); // the test's own session went down with the server too

    const Outcome outcome = finishImporter(*importer);
    ASSERT_EQ(outcome.status, 0) << outcome.err.join('\n').toStdString();
    EXPECT_EQ(newCount(outcome, NewIprasLine), RaceFiles);
    EXPECT_TRUE(outcome.out.contains(QStringLiteral("Связь с базой данных восстановлена")))
        << outcome.out.join('\n').toStdString();
    EXPECT_EQ(registerCounts(), reference);
}

// Two workstations import the same new files (or refresh the names from them) at the
// same moment. Both start held on a lock of ours, so they race on the very first file;
// the unique key refuses one of them, which tries that file again and finds the row.
// Both runs end normally, each IPRA and name is counted as new by one of them, and the
// register holds what one run alone stores.
TEST_F(IpraImportTest, TwoRunsOnTheSameFilesAtOnce)
{
    generateFiles(folder.path(), RaceFiles);
    struct Case
    {
        const char* name;
        QStringList arguments;
        const char* table; // where the first insert of each run is held
        QString summary;
    };
    const Case cases[] = {
        {"import", {folder.path()}, "prg", NewIprasLine},
        {"names refresh", {"--names", folder.path()}, "k_mo_names", NewNamesLine},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetRegister();
        const Outcome alone = runImporter(c.arguments);
        ASSERT_EQ(alone.status, 0);
        const int expectedNew = newCount(alone, c.summary);
        const QMap<QString, int> reference = registerCounts();
        resetRegister();

        adminBegin();
        adminExec(QStringLiteral("lock table %1 in share row exclusive mode").arg(c.table));
        auto first = startImporter(c.arguments);
        auto second = startImporter(c.arguments);
        ASSERT_TRUE(waitForLockWaiters(c.table, 2));
        adminEnd();
        const Outcome a = finishImporter(*first);
        const Outcome b = finishImporter(*second);

        EXPECT_EQ(a.status, 0) << a.err.join('\n').toStdString();
        EXPECT_EQ(b.status, 0) << b.err.join('\n').toStdString();
        EXPECT_EQ(newCount(a, c.summary) + newCount(b, c.summary), expectedNew);
        EXPECT_EQ(registerCounts(), reference);
    }
}

// The connection breaks during an import and the server does not come back: the run
// stops after its wait, the log names the file, and the files before it stay stored.
TEST_F(IpraImportTest, ServerThatStaysAwayStopsTheRunNamingTheFile)
{
    WriteTextFile(folder.path(), "a.xml", IpraXml({guid(1), Galich}));
    WriteTextFile(folder.path(), "b.xml", IpraXml({guid(2), Galich}));
    const QStringList order = EntriesInDirectoryOrder(folder.path());
    ASSERT_EQ(order.size(), 2);
    QStringList log;
    bool namesMode = false;
    TImportRun::Hooks hooks;
    hooks.pickFolder = [&] { return folder.path(); };
    hooks.log = [&](const QString& line) { log << line; };
    hooks.progress = [](int done, int) {
        if (done == 1)
            TestServer::stop();
    };
    TImportRun run(namesMode, hooks);
    run.setReconnectWait(1500);
    try {
        run.LoadXml();
        ADD_FAILURE() << "the run ended without the server";
    } catch (const ConnectionLostError& e) {
        EXPECT_FALSE(e.mayHaveWritten());
    }
    TestServer::start();

    const QString second = native(order[1]);
    ASSERT_GE(log.size(), 3);
    EXPECT_TRUE(log[log.size() - 2].endsWith(
        QStringLiteral("Файл %1 будет обработан повторно, когда связь восстановится.").arg(second)))
        << log[log.size() - 2].toStdString();
    EXPECT_TRUE(log.last().startsWith(
        QStringLiteral("Загрузка прервана из-за ошибки в файле %1: Нет связи с базой данных. ").arg(second)))
        << log.last().toStdString();
    EXPECT_FALSE(run.running());
    dm->conPg.open();
    EXPECT_EQ(scalar("select count(*) from prg").toInt(), 1);
}
