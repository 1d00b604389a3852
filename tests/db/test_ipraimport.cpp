#include "dbtest.h"
#include "iprafiles.h"

#include <QDir>
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
        {"--help", {"--help"}, nullptr, nullptr, nullptr, 2, QString(), QString()},
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
        if (c.status == 2 && c.lastErr.isNull()) {
            EXPECT_TRUE((o.out + o.err).join('\n').contains(QStringLiteral("usage: ipra-import FOLDER")));
        }
        EXPECT_EQ(scalar(QStringLiteral("select count(*) from prg")).toInt(), 0);
    }
}
