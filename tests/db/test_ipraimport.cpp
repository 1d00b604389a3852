#include "dbtest.h"
#include "iprafiles.h"

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <ostream>

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

// Runs the built importer; it inherits the test's environment, so its ViraVIR is the
// test database.
Outcome runImporter(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(IPRA_IMPORT_BINARY), arguments);
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
