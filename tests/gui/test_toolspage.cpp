#include "guidbtest.h"
#include "iprafiles.h"

#include "data/currentorg.h"
#include "import/importrun.h"
#include "import/ui/toolspage.h"
#include "platform/ui/folderpicker.h"
#include "platform/ui/messagebox.h"
#include "session/mainwindow.h"
#include "session/pagecontrol.h"

#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <QSet>

#include <algorithm>
#include <memory>
#include <ostream>

namespace {

const QString Caption = QStringLiteral("Выберите папку c файлами xml"); // a Latin "c"
const QString ImportStart = QStringLiteral("Загрузка данных в БД...");
const QString NamesStart = QStringLiteral("Обновление списка наименований...");
const QString NoFiles = QStringLiteral("info: Не найдены файлы *.xml! Выберите другую папку.");
const QString NoIdReason = QStringLiteral("В файле нет идентификатора ИПРА (элемент Id), файл не сохранён");
const QString Galich = QStringLiteral("ОГБУЗ \"Галичская окружная больница\"");

QString guid(int n)
{
    return QStringLiteral("6f1c2a9e-4b7d-4e0f-9a3c-%1").arg(n, 12, 10, QLatin1Char('0'));
}

QString path(const QTemporaryDir& dir, const QString& name)
{
    return QDir::toNativeSeparators(dir.filePath(name));
}

} // namespace

class ToolsPageTest : public GuiDbTest
{
protected:
    void SetUp() override
    {
        GuiDbTest::SetUp();
        loadDemoData();
        FolderPicker::setAutomatic(true);
        FolderPicker::clearAsked();
        CurrentOrg = new TOrg;
        CurrentOrg->mo_id = 1;
        CurrentOrg->name = QStringLiteral("ОГБУЗ \"МИАЦ\"");
        CurrentOrg->lvl = 10;
        window = std::make_unique<TfMain>();
        fMain = window.get();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->pcMain->setCurrentWidget(window->tsTools);
        page = window->tsTools;
        Msg::clearShown();
        logStart = page->Memo->document()->blockCount();
        ASSERT_TRUE(folder.isValid());
    }
    void TearDown() override
    {
        window.reset();
        fMain = nullptr;
        FolderPicker::setAutomatic(false);
        GuiDbTest::TearDown();
    }

    // The lines the runs of this test appended to the log.
    QStringList runLog() const
    {
        QStringList lines = page->Memo->toPlainText().split(QLatin1Char('\n'));
        return lines.mid(logStart);
    }

    void clickWithFolder(QPushButton* button, const QString& chosen)
    {
        if (chosen.isNull())
            FolderPicker::setNextCancel();
        else
            FolderPicker::setNextFolder(chosen);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void importFolder(const QString& chosen) { clickWithFolder(page->bLoadXML, chosen); }
    void refreshNames(const QString& chosen) { clickWithFolder(page->bLoadRealNames, chosen); }

    void write(const QString& name, const IpraFileFields& fields)
    {
        WriteTextFile(folder.path(), name, IpraXml(fields));
    }

    // The page is idle again: both buttons usable, no file list, the walk maps files.
    void expectIdle()
    {
        EXPECT_TRUE(page->bLoadXML->isEnabled());
        EXPECT_TRUE(page->bLoadRealNames->isEnabled());
        EXPECT_FALSE(page->importRun().FileList.has_value());
        EXPECT_FALSE(window->NamesMode);
    }

    int count(const char* table) { return scalar(QStringLiteral("select count(*) from %1").arg(table)).toInt(); }

    std::unique_ptr<TfMain> window;
    TToolsPage* page = nullptr;
    int logStart = 0;
    QTemporaryDir folder;
};

// The window's connection line comes first and is a line even when it is empty.
TEST(ToolsPageLog, EveryLineIsALineOfItsOwnAlsoAnEmptyOne)
{
    TToolsPage page;
    page.AppendLog(QString());
    page.AppendLog(ImportStart);
    page.AppendLog(QString());
    page.AppendLog(QStringLiteral("Загружено новых записей - 0"));
    EXPECT_EQ(page.Memo->toPlainText(),
              QStringLiteral("\n") + ImportStart + QStringLiteral("\n\nЗагружено новых записей - 0"));
}

TEST_F(ToolsPageTest, CancellingThePickerLogsTheStartAndAZeroSummary)
{
    struct Case
    {
        const char* name;
        bool names;
        QStringList log;
    };
    const Case cases[] = {
        {"import", false, {ImportStart, QStringLiteral("Загружено новых записей - 0")}},
        {"names", true, {NamesStart, QStringLiteral("Загружено новых наименований - 0")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        logStart = page->Memo->document()->blockCount();
        FolderPicker::clearAsked();
        dm->adoqDistrIpra->close();
        if (c.names)
            refreshNames(QString());
        else
            importFolder(QString());
        EXPECT_EQ(runLog(), c.log);
        EXPECT_EQ(FolderPicker::asked(), QStringList{Caption});
        EXPECT_EQ(Msg::shown(), QStringList());
        // Only the import reads the distribution list again.
        EXPECT_EQ(dm->adoqDistrIpra->isOpen(), !c.names);
        expectIdle();
    }
}

TEST_F(ToolsPageTest, AFolderWithoutXmlFilesIsReported)
{
    WriteTextFile(folder.path(), QStringLiteral("notes.txt"), QStringLiteral("-"));
    write(QStringLiteral("upper.XML"), {guid(1), Galich});
    QDir(folder.path()).mkdir(QStringLiteral("old.xml"));
    WriteTextFile(folder.filePath(QStringLiteral("old.xml")), QStringLiteral("inner.xml"), IpraXml({guid(2), Galich}));

    importFolder(folder.path());

    EXPECT_EQ(Msg::shown(), QStringList{NoFiles});
    EXPECT_EQ(runLog(), (QStringList{ImportStart, QStringLiteral("Загружено новых записей - 0")}));
    EXPECT_EQ(count("prg"), 0);
    expectIdle();
}

TEST_F(ToolsPageTest, OnlyNamesEndingInLowerCaseXmlAreListedAndLoaded)
{
    write(QStringLiteral("a.xml"), {guid(1), Galich});
    write(QStringLiteral("b.XML"), {guid(2), Galich});
    write(QStringLiteral(".xml"), {guid(3), Galich});

    importFolder(folder.path());

    const QStringList log = runLog();
    ASSERT_EQ(log.size(), 4);
    EXPECT_EQ(log.first(), ImportStart);
    EXPECT_EQ(QSet<QString>(log.begin() + 1, log.begin() + 3),
              (QSet<QString>{path(folder, "a.xml"), path(folder, ".xml")}));
    EXPECT_EQ(log.last(), QStringLiteral("Загружено новых записей - 2"));
    EXPECT_EQ(rows("select mseid from prg order by mseid"),
              (QList<QVariantList>{{guid(1)}, {guid(3)}}));
    EXPECT_EQ(Msg::shown(), QStringList());
}

TEST_F(ToolsPageTest, ThreeFilesOfWhichOneIsNew)
{
    write(QStringLiteral("one.xml"), {guid(1), Galich});
    write(QStringLiteral("two.xml"), {guid(2), Galich});
    importFolder(folder.path());
    ASSERT_EQ(runLog().last(), QStringLiteral("Загружено новых записей - 2"));

    write(QStringLiteral("three.xml"), {guid(3), Galich});
    dm->adoqDistrIpra->close();
    logStart = page->Memo->document()->blockCount();
    importFolder(folder.path());

    const QStringList log = runLog();
    ASSERT_EQ(log.size(), 5);
    // Every path is in the log before the first file is read.
    EXPECT_EQ(QSet<QString>(log.begin() + 1, log.begin() + 4),
              (QSet<QString>{path(folder, "one.xml"), path(folder, "two.xml"), path(folder, "three.xml")}));
    EXPECT_EQ(log.last(), QStringLiteral("Загружено новых записей - 1"));
    EXPECT_EQ(page->stpnLoadCount->text(), QStringLiteral("Обработано записей - 3"));
    EXPECT_EQ(page->pbLoadProgress->value(), 3);
    EXPECT_EQ(page->pbLoadProgress->maximum(), 3);
    EXPECT_EQ(count("prg"), 3);
    EXPECT_EQ(count("k_ipra_mo"), 3);
    // The distribution list was read again and holds the three unassigned IPRAs.
    ASSERT_TRUE(dm->adoqDistrIpra->isOpen());
    EXPECT_EQ(dm->adoqDistrIpra->recordCount(), 3);
    expectIdle();
}

TEST_F(ToolsPageTest, AFileThatIsNotLoadedIsReportedAndTheRunGoesOn)
{
    struct Case
    {
        const char* name;
        QString content;
        QString reason; // null: the parser's own, whatever it says
    };
    const Case cases[] = {
        {"malformed", QStringLiteral("<?xml version=\"1.0\"?>\n<tIPRA><Id>x</Id>\n"), QString()},
        {"no Id", IpraXml({QString(), Galich}), NoIdReason},
    };
    int n = 7;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString good = guid(++n);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        // The bad file goes where the listing meets it first.
        WriteTextFile(dir.path(), QStringLiteral("first.xml"), QString());
        WriteTextFile(dir.path(), QStringLiteral("second.xml"), QString());
        const QStringList order = EntriesInDirectoryOrder(dir.path());
        ASSERT_EQ(order.size(), 2);
        WriteTextFile(dir.path(), order[0], c.content);
        WriteTextFile(dir.path(), order[1], IpraXml({good, Galich}));
        const QString bad = path(dir, order[0]);

        Msg::clearShown();
        logStart = page->Memo->document()->blockCount();
        importFolder(dir.path());

        ASSERT_EQ(Msg::shown().size(), 1);
        const QString shown = Msg::shown().first();
        ASSERT_TRUE(shown.startsWith(QStringLiteral("info: ")));
        const QString reason = shown.mid(6);
        EXPECT_FALSE(reason.isEmpty());
        if (!c.reason.isNull()) {
            EXPECT_EQ(reason, c.reason);
        }
        EXPECT_EQ(runLog(), (QStringList{ImportStart, bad, path(dir, order[1]),
                                         QStringLiteral("Файл не загружен: %1 - %2").arg(bad, reason),
                                         QStringLiteral("Загружено новых записей - 1")}));
        EXPECT_EQ(page->stpnLoadCount->text(), QStringLiteral("Обработано записей - 2"));
        EXPECT_EQ(scalar(QStringLiteral("select count(*) from prg where mseid = '%1'").arg(good)).toInt(), 1);
        EXPECT_EQ(count("prg"), n - 7); // the bad file left nothing
        expectIdle();
    }
}

TEST_F(ToolsPageTest, AnErrorStopsTheRunAndThePageIsRestored)
{
    struct Case
    {
        const char* name;
        bool names;
        QString birthDate;
        const char* breakSql; // run before the click; undone after
        const char* repairSql;
        QString error;
        QString stopLine;
    };
    const Case cases[] = {
        {"import, a date that does not convert", false, QStringLiteral("03.04.1975"), nullptr, nullptr,
         QStringLiteral("'03.04.1975' is not a valid date"), QStringLiteral("Загрузка прервана из-за ошибки в файле %1: %2")},
        {"names, the database refuses", true, QStringLiteral("1975-04-03"),
         "alter table k_mo_names rename to k_mo_names_away", "alter table k_mo_names_away rename to k_mo_names",
         QString(), QStringLiteral("Обновление списка наименований прервано из-за ошибки в файле %1: %2")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString file = WriteTextFile(dir.path(), QStringLiteral("bad.xml"), IpraXml({guid(9), Galich, c.birthDate}));
        if (c.breakSql)
            adminExec(QString::fromUtf8(c.breakSql));
        Msg::clearShown();
        logStart = page->Memo->document()->blockCount();

        if (c.names)
            refreshNames(dir.path());
        else
            importFolder(dir.path());

        if (c.repairSql)
            adminExec(QString::fromUtf8(c.repairSql));
        ASSERT_EQ(Msg::shown().size(), 1);
        ASSERT_TRUE(Msg::shown().first().startsWith(QStringLiteral("error: ")));
        const QString message = Msg::shown().first().mid(7);
        if (!c.error.isNull()) {
            EXPECT_EQ(message, c.error);
        }
        const QStringList log = runLog();
        ASSERT_EQ(log.size(), 3);
        EXPECT_EQ(log[0], c.names ? NamesStart : ImportStart);
        EXPECT_EQ(log[1], QDir::toNativeSeparators(file));
        // The stop line says where and why; no summary follows it.
        if (c.error.isNull()) {
            EXPECT_TRUE(log[2].startsWith(c.stopLine.arg(QDir::toNativeSeparators(file), QString())))
                << log[2].toStdString();
        } else {
            EXPECT_EQ(log[2], c.stopLine.arg(QDir::toNativeSeparators(file), message));
        }
        EXPECT_EQ(count("prg"), 0); // nothing of the failed file stays
        expectIdle();
    }

    // The next run starts afresh and maps its files again.
    QTemporaryDir good;
    WriteTextFile(good.path(), QStringLiteral("good.xml"), IpraXml({guid(10), Galich}));
    Msg::clearShown();
    importFolder(good.path());
    EXPECT_EQ(Msg::shown(), QStringList());
    EXPECT_EQ(rows("select mseid from prg"), (QList<QVariantList>{{guid(10)}}));
}

TEST_F(ToolsPageTest, WhileARunIsUnderWayBothButtonsAreOffAndAnotherRunDoesNotStart)
{
    for (int i = 0; i < 3; ++i)
        write(QStringLiteral("f%1.xml").arg(i), {guid(i), Galich});
    struct Seen
    {
        bool namesMode, loadXml, loadNames;
    };
    QList<Seen> seen;
    bool triedAnother = false;
    // Runs in the events the refresh processes between directory entries and files.
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!page->importRun().running())
            return;
        seen.append({window->NamesMode, page->bLoadXML->isEnabled(), page->bLoadRealNames->isEnabled()});
        if (window->NamesMode && !triedAnother) {
            triedAnother = true;
            FolderPicker::setNextFolder(folder.path());
            page->bLoadXMLClick();
            page->bLoadRealNamesClick();
        }
    });
    probe.start();
    refreshNames(folder.path());
    probe.stop();

    ASSERT_TRUE(triedAnother) << "the refresh never processed events with NamesMode on";
    for (const Seen& s : seen) {
        EXPECT_FALSE(s.loadXml);
        EXPECT_FALSE(s.loadNames);
    }
    const QStringList log = runLog();
    EXPECT_EQ(log.count(ImportStart), 0);
    EXPECT_EQ(log.count(NamesStart), 1);
    EXPECT_EQ(log.last(), QStringLiteral("Загружено новых наименований - 1"));
    EXPECT_EQ(count("prg"), 0);
    expectIdle();
}

TEST_F(ToolsPageTest, NamesRefreshCollectsEachNewSenderNameOnce)
{
    for (int i = 0; i < 10; ++i)
        write(QStringLiteral("same%1.xml").arg(i), {guid(i), Galich});

    refreshNames(folder.path());
    EXPECT_EQ(runLog().last(), QStringLiteral("Загружено новых наименований - 1"));
    EXPECT_EQ(page->stpnLoadCount->text(), QStringLiteral("Обработано записей - 10"));
    EXPECT_EQ(page->pbLoadProgress->value(), 10);

    logStart = page->Memo->document()->blockCount();
    refreshNames(folder.path());
    EXPECT_EQ(runLog().last(), QStringLiteral("Загружено новых наименований - 0"));

    // Letter case and blanks count; an overridden IPRA contributes the name its file gives;
    // a file without a sender name contributes nothing.
    QTemporaryDir more;
    const QString upper = QStringLiteral("ОГБУЗ \"ГАЛИЧСКАЯ ОКРУЖНАЯ БОЛЬНИЦА\"");
    const QString spaced = QStringLiteral(" ") + Galich;
    const QString fromFile = QStringLiteral("ОГБУЗ \"Дом ребёнка\" (как в файле)");
    WriteTextFile(more.path(), QStringLiteral("upper.xml"), IpraXml({guid(20), upper}));
    WriteTextFile(more.path(), QStringLiteral("spaced.xml"), IpraXml({guid(21), spaced}));
    WriteTextFile(more.path(), QStringLiteral("same.xml"), IpraXml({guid(22), Galich}));
    WriteTextFile(more.path(), QStringLiteral("override.xml"),
                  IpraXml({QStringLiteral("510127ba-36e9-49e2-b9b3-bbe72f0ff293"), fromFile}));
    WriteTextFile(more.path(), QStringLiteral("nosender.xml"), IpraXml({guid(23), QString()}));
    logStart = page->Memo->document()->blockCount();
    refreshNames(more.path());

    EXPECT_EQ(runLog().last(), QStringLiteral("Загружено новых наименований - 3"));
    EXPECT_EQ(page->stpnLoadCount->text(), QStringLiteral("Обработано записей - 5"));
    QList<QVariantList> expected = {{Galich}, {upper}, {spaced}, {fromFile}};
    std::sort(expected.begin(), expected.end(),
              [](const QVariantList& a, const QVariantList& b) { return a[0].toString() < b[0].toString(); });
    QList<QVariantList> stored = rows("select rname from k_mo_names");
    std::sort(stored.begin(), stored.end(),
              [](const QVariantList& a, const QVariantList& b) { return a[0].toString() < b[0].toString(); });
    EXPECT_EQ(stored, expected);
    // A refresh writes no IPRA.
    EXPECT_EQ(count("prg") + count("k_person") + count("k_ipra_evnt") + count("k_ipra_mo"), 0);
    EXPECT_EQ(Msg::shown(), QStringList());
    expectIdle();
}
