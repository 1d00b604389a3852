// The search lines, the exports and the IPRA cards of the pages, in the real main window
// over the real register.

#include "guidbtest.h"
#include "../db/cardipra.h"
#include "../db/reporttool.h"
#include "../db/storedipra.h"

#include "data/alertperiod.h"
#include "directories/executorspage.h"
#include "directories/namespage.h"
#include "distribution/distributepage.h"
#include "execution/core/currentprg.h"
#include "execution/orgiprapage.h"
#include "lists/ui/listsearch.h"
#include "platform/ui/filepicker.h"
#include "platform/ui/printpicker.h"
#include "session/mainwindow.h"
#include "session/pagecontrol.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace StoredIpra;

namespace {

bool waitFor(const std::function<bool()>& done, int ms = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qSleep(2);
    }
    return true;
}

// Key presses of any letters (QTest::keyClicks takes Latin-1 only), each with its key
// code as the keyboard would give it.
void typeKeys(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
}

QStringList numbers(const SqlQuery& list)
{
    QStringList shown;
    for (int row = 0; row < list.recordCount(); ++row)
        shown << list.valueAt(row, list.columnIndex(QStringLiteral("prgnum"))).toString();
    return shown;
}

QByteArray fileBytes(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString unzipped(const QString& file, const QString& member)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), file, member});
    unzip.waitForFinished(30000);
    return QString::fromUtf8(unzip.readAllStandardOutput());
}

} // namespace

class ListsTest : public GuiDbTest
{
protected:
    void SetUp() override
    {
        GuiDbTest::SetUp();
        loadDemoData();
        FilePicker::setAutomatic(true);
        FilePicker::clearAsked();
        PrintPicker::setAutomatic(true);
        PrintPicker::clearAsked();
        ASSERT_TRUE(folder.isValid());
        // In the order of the distribution list (by prgdt).
        addIpra({.prgnum = "A-1", .prgdt = "2024-01-01", .respMoId = 3, .lname = "Иванова",
                 .fname = "Анна", .sname = "Петровна", .snils = "123-456-789 01"});
        addIpra({.prgnum = "B-2", .prgdt = "2024-02-01", .respMoId = 0, .lname = "Петров",
                 .fname = "Иван", .sname = "Сергеевич", .snils = "987-654-321 00"});
        addIpra({.prgnum = "C-3", .prgdt = "2024-03-01", .respMoId = 0, .lname = "Семёнова",
                 .fname = "Алёна", .sname = "Ивановна", .snils = "111-222-333 44"});
        addIpra({.prgnum = "D-4", .prgdt = "2024-04-01", .respMoId = 3, .lname = "Ёлкин",
                 .fname = "Пётр", .sname = "Иванович", .snils = "555-666-777 88"});
        addIpra({.prgnum = "E-5", .prgdt = "2024-05-01", .respMoId = 0, .lname = "Смирнова",
                 .fname = "Ольга", .sname = "Юрьевна", .snils = "999-888-777 66"});
    }
    void TearDown() override
    {
        window.reset();
        fMain = nullptr;
        CurrentPrg.reset();
        FilePicker::setAutomatic(false);
        PrintPicker::setAutomatic(false);
        GuiDbTest::TearDown();
    }

    void open(uint8_t lvl, int moId = 1)
    {
        window.reset();
        window = OpenMainWindow(lvl, moId);
        ASSERT_EQ(Msg::shown(), QStringList());
    }

    TDistributePage& distr() const { return *window->tsDistribute; }
    TOrgIpraPage& org() const { return *window->tsOrgIpra; }

    // Types into a search line as a user does and waits for the list to follow.
    static void type(QLineEdit* line, TListSearch* search, const QString& text, bool replace = true)
    {
        line->setFocus();
        if (replace)
            line->selectAll();
        typeKeys(line, text);
        ASSERT_TRUE(waitFor([&] { return !search->busy(); })) << "no answer";
    }

    static void clickRow(QTableView* grid, int row)
    {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                          grid->visualRect(grid->model()->index(row, 0)).center());
    }

    void chooseFilterItem(int item)
    {
        QTest::mouseClick(distr().rgrpDistIpraItems->button(item), Qt::LeftButton);
    }

    QString path(const QString& name) const { return folder.filePath(name); }

    std::unique_ptr<TfMain> window;
    QTemporaryDir folder;
};

TEST_F(ListsTest, DistributionSearchNarrowsWithTheFilterItemAndKeepsTheRowShown)
{
    open(5);
    TDistributePage& p = distr();
    const SqlQuery& list = *dm->adoqDistrIpra;
    EXPECT_EQ(p.eDistrSearch->placeholderText(), QStringLiteral("Поиск: ФИО, СНИЛС или № ИПРА"));
    EXPECT_EQ(p.lDistrSearchState->text(), QString());
    chooseFilterItem(0);
    ASSERT_EQ(numbers(list), (QStringList{"A-1", "B-2", "C-3", "D-4", "E-5"}));
    clickRow(p.dbgDistrIpra, 2);
    ASSERT_EQ(p.lDistrIpraNum->text(), QStringLiteral("C-3"));

    type(p.eDistrSearch, p.DistrSearch, QStringLiteral("иван"));
    EXPECT_EQ(numbers(list), (QStringList{"A-1", "B-2", "C-3", "D-4"}));
    EXPECT_EQ(p.lDistrSearchState->text(), QStringLiteral("Найдено: 4"));
    EXPECT_EQ(list.recNo(), 2) << "the row stays on the IPRA shown";
    EXPECT_EQ(p.dbgDistrIpra->currentIndex().row(), 2);
    EXPECT_EQ(p.lDistrIpraNum->text(), QStringLiteral("C-3"));

    chooseFilterItem(1); // the undistributed among them
    EXPECT_EQ(numbers(list), (QStringList{"B-2", "C-3"}));
    EXPECT_EQ(p.lDistrSearchState->text(), QStringLiteral("Найдено: 2"));

    type(p.eDistrSearch, p.DistrSearch, QStringLiteral("Алёна Семенова"));
    EXPECT_EQ(numbers(list), QStringList{"C-3"});
    type(p.eDistrSearch, p.DistrSearch, QStringLiteral("98765432100"));
    EXPECT_EQ(numbers(list), QStringList{"B-2"});
    EXPECT_EQ(p.lDistrIpraNum->text(), QStringLiteral("B-2")) << "the panels follow the row";
    EXPECT_TRUE(p.bDistrCard->isEnabled());

    type(p.eDistrSearch, p.DistrSearch, QStringLiteral("зюзюкин"));
    EXPECT_EQ(numbers(list), QStringList());
    EXPECT_EQ(p.lDistrSearchState->text(), QStringLiteral("Ничего не найдено"));
    EXPECT_FALSE(p.pDistrIpra->isVisible());
    EXPECT_FALSE(p.bDistrCard->isEnabled());

    QTest::keyClick(p.eDistrSearch, Qt::Key_Escape);
    EXPECT_EQ(p.eDistrSearch->text(), QString());
    EXPECT_EQ(numbers(list), (QStringList{"B-2", "C-3", "E-5"}));
    EXPECT_EQ(p.lDistrSearchState->text(), QString());
    EXPECT_TRUE(p.pDistrIpra->isVisible());
    EXPECT_EQ(Msg::shown(), QStringList());
}

TEST_F(ListsTest, CtrlFFindsTheSearchLineOfThePageShown)
{
    open(8);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const struct
    {
        QWidget* page;
        QLineEdit* line;
        QTableView* grid;
    } pages[] = {{&distr(), distr().eDistrSearch, distr().dbgDistrIpra},
                 {&org(), org().eOrgSearch, org().dbgOrgIpra}};
    for (const auto& c : pages) {
        SCOPED_TRACE(c.line->objectName().toStdString());
        window->pcMain->setCurrentWidget(c.page);
        c.grid->setFocus();
        c.line->setText(QStringLiteral("иван"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
        EXPECT_TRUE(c.line->hasFocus());
        EXPECT_EQ(c.line->selectedText(), QStringLiteral("иван")) << "ready to be typed over";
        QTest::keyClick(c.line, Qt::Key_Escape);
        EXPECT_EQ(c.line->text(), QString());
    }
    EXPECT_EQ(org().eOrgSearch->placeholderText(), QStringLiteral("Поиск: ФИО, СНИЛС или № ИПРА"));
}

TEST_F(ListsTest, ExecutionSearchNeverShowsWhatTheRoleDoesNotSee)
{
    const SqlQuery& list = *dm->adoqOrgIpra;
    open(0, 3); // A-1 and D-4 are this organisation's
    TOrgIpraPage& p = org();
    ASSERT_EQ(numbers(list), (QStringList{"D-4", "A-1"}));
    type(p.eOrgSearch, p.OrgSearch, QStringLiteral("иван"));
    EXPECT_EQ(numbers(list), (QStringList{"D-4", "A-1"}));
    type(p.eOrgSearch, p.OrgSearch, QStringLiteral("петров сергеевич"));
    EXPECT_EQ(numbers(list), QStringList()) << "another organisation's IPRA";
    EXPECT_EQ(p.lOrgSearchState->text(), QStringLiteral("Ничего не найдено"));

    // The review sees what was sent, of every organisation.
    exec(QStringLiteral("update k_ipra_mo set resp_mo_id = 5, resp_mo = 'x' where prgid in "
                        "(select id from prg where prgnum in ('B-2', 'C-3'))"));
    for (const char* number : {"A-1", "B-2"})
        addEvent(scalar(QStringLiteral("select id from prg where prgnum = '%1'").arg(number)).toInt(),
                 {.state = 2});
    open(8);
    window->pcMain->setCurrentWidget(window->tsOrgIpra);
    ASSERT_EQ(numbers(list), (QStringList{"B-2", "A-1"}));
    type(org().eOrgSearch, org().OrgSearch, QStringLiteral("иван"));
    EXPECT_EQ(numbers(list), (QStringList{"B-2", "A-1"}));
    type(org().eOrgSearch, org().OrgSearch, QStringLiteral("ивановна"));
    EXPECT_EQ(numbers(list), QStringList()) << "C-3 is not sent";
    EXPECT_EQ(Msg::shown(), QStringList());
}

// An answer that comes after the text has changed again is never shown: the server is
// held by a second connection's lock while the first question is out.
TEST_F(ListsTest, AStaleAnswerIsDroppedUnseen)
{
    open(5);
    TDistributePage& p = distr();
    chooseFilterItem(0);
    QSignalSpy narrowed(p.DistrSearch, &TListSearch::narrowed);
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), QStringLiteral("locker"));
        // The administrator's: the program's role may not take this lock.
        other.setDatabaseName(QStringLiteral("ViraVIR"));
        other.setUserName(qEnvironmentVariable("IPRA_TEST_ADMIN_USER"));
        other.setPassword(qEnvironmentVariable("IPRA_TEST_ADMIN_PASSWORD"));
        ASSERT_TRUE(other.open());
        ASSERT_TRUE(other.transaction());
        QSqlQuery lock(other);
        ASSERT_TRUE(lock.exec(QStringLiteral("lock table prg in access exclusive mode")));

        p.eDistrSearch->setFocus();
        typeKeys(p.eDistrSearch, QStringLiteral("иван"));
        QTest::qWait(TListSearch::PauseMs * 4); // asked, and waiting for the lock
        ASSERT_TRUE(p.DistrSearch->busy());
        typeKeys(p.eDistrSearch, QStringLiteral("ова"));
        QTest::qWait(TListSearch::PauseMs * 4);
        EXPECT_EQ(narrowed.count(), 0);
        ASSERT_TRUE(other.rollback());
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("locker"));
    ASSERT_TRUE(waitFor([&] { return !p.DistrSearch->busy(); }));
    EXPECT_EQ(narrowed.count(), 1) << "only the answer for the last text";
    EXPECT_EQ(numbers(*dm->adoqDistrIpra), QStringList{"A-1"});
}

TEST_F(ListsTest, EachGridExportsWhatItShowsToBothFormats)
{
    exec(QStringLiteral("insert into k_mo_names (rname) values ('Больница; \"Заречная\"'), ('Поликлиника №2')"));
    addEvent(scalar(QStringLiteral("select id from prg where prgnum = 'A-1'")).toInt(), {.state = 2});
    open(8);
    chooseFilterItem(0);
    type(distr().eDistrSearch, distr().DistrSearch, QStringLiteral("иван"));
    window->pcMain->setCurrentWidget(window->tsNames);
    window->pcMain->setCurrentWidget(window->tsExecutors);
    window->pcMain->setCurrentWidget(window->tsOrgIpra);
    const struct
    {
        const char* name;
        QPushButton* button;
        const SqlQuery* list;
        QString titles;
        QString row; // a row the file holds
    } grids[] = {
        {"distribution", distr().bDistrExport, dm->adoqDistrIpra,
         "№ ИПРА;Дата разраб.;Фамилия;Имя;Отчество;Дата рожд.;СНИЛС;№ прот;Дата прот.;Дата выдачи;udt",
         "\r\nA-1;01.01.2024;Иванова;Анна;Петровна;04.05.1961;123-456-789 01;77.1/2024;01.02.2024;12.02.2024;"},
        {"execution", org().bOrgExport, dm->adoqOrgIpra,
         "№ ИПРА;Дата разраб.;Фамилия;Имя;Отчество;Дата рожд.;СНИЛС;№ прот.;Дата прот.;"
         "Направившая организация;Ответств организац.;Дата выдачи",
         "\r\nA-1;01.01.2024;Иванова;"},
        {"names", window->tsNames->bNamesExport, dm->adoqEmpTNames,
         "№;Наименование из ИПРА;№(справочник);Наименование (справочник)", ";\"Больница; \"\"Заречная\"\"\";;\r\n"},
        {"executors", window->tsExecutors->bExecsExport, dm->adoqExecs,
         "№;Наименование;Сокр. наименование;ИНН;ОГРН",
         "1;\"ОГБУЗ \"\"Медицинский информационно-аналитический центр Костромской области\"\"\";"},
    };
    for (const auto& g : grids) {
        SCOPED_TRACE(g.name);
        const QString csv = path(QStringLiteral("%1.csv").arg(g.name));
        FilePicker::setNextFile(path(g.name), 1); // no suffix: the filter's
        QTest::mouseClick(g.button, Qt::LeftButton);
        const QString text = QString::fromUtf8(fileBytes(csv));
        EXPECT_EQ(text.count(QStringLiteral("\r\n")), g.list->recordCount() + 1) << "titles and rows";
        EXPECT_TRUE(fileBytes(csv).startsWith("\xEF\xBB\xBF" + (g.titles + QStringLiteral("\r\n")).toUtf8()));
        EXPECT_TRUE(text.contains(g.row)) << text.toStdString();

        const QString xlsx = path(QStringLiteral("%1.xlsx").arg(g.name));
        FilePicker::setNextFile(xlsx, 1); // the suffix decides over the filter
        QTest::mouseClick(g.button, Qt::LeftButton);
        const QString sheet = unzipped(xlsx, QStringLiteral("xl/worksheets/sheet1.xml"));
        EXPECT_EQ(sheet.count(QStringLiteral("<row ")), g.list->recordCount() + 1);
        EXPECT_TRUE(sheet.contains(QStringLiteral("<autoFilter ref=\"A1:")));
        EXPECT_TRUE(sheet.contains(QStringLiteral("state=\"frozen\"")));
        EXPECT_TRUE(sheet.contains(g.titles.section(QLatin1Char(';'), 1, 1)));
    }
    EXPECT_EQ(dm->adoqDistrIpra->recordCount(), 4) << "the search narrowed the distribution list";
    EXPECT_TRUE(FilePicker::asked().first().startsWith(QStringLiteral("Выгрузить список: Распределение ИПРА ")));
    EXPECT_EQ(Msg::shown(), QStringList());
}

TEST_F(ListsTest, ThePagesCsvIsTheToolsByteForByte)
{
    open(5);
    chooseFilterItem(0);
    type(distr().eDistrSearch, distr().DistrSearch, QStringLiteral("ИВАН"));
    FilePicker::setNextFile(path("page.csv"));
    QTest::mouseClick(distr().bDistrExport, Qt::LeftButton);
    const ReportTool::Outcome tool = ReportTool::run(
        {"list", "distribution", "--filter", "all", "--search", "ИВАН", "-o", path("tool.csv")});
    ASSERT_EQ(tool.status, 0) << tool.err.toStdString();
    EXPECT_FALSE(fileBytes(path("page.csv")).isEmpty());
    EXPECT_EQ(fileBytes(path("page.csv")), fileBytes(path("tool.csv")));

    open(0, 3);
    FilePicker::setNextFile(path("org.csv"));
    QTest::mouseClick(org().bOrgExport, Qt::LeftButton);
    const ReportTool::Outcome orgTool = ReportTool::run({"list", "execution", "--org", "3", "-o", path("orgtool.csv")});
    ASSERT_EQ(orgTool.status, 0) << orgTool.err.toStdString();
    EXPECT_EQ(fileBytes(path("org.csv")), fileBytes(path("orgtool.csv")));
}

TEST_F(ListsTest, ACancelledOrFailedExportLeavesNoFile)
{
    open(5);
    chooseFilterItem(0);
    // Cancelled at the first progress step, as the button of the progress bar does.
    QTimer::singleShot(0, window.get(), [this] {
        if (auto* progress = distr().findChild<QProgressDialog*>())
            progress->cancel();
    });
    FilePicker::setNextFile(path("list.xlsx"));
    QTest::mouseClick(distr().bDistrExport, Qt::LeftButton);
    FilePicker::setNextFile(path("missing/list.csv"));
    QTest::mouseClick(distr().bDistrExport, Qt::LeftButton);
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
    ASSERT_EQ(Msg::shown().size(), 1);
    EXPECT_TRUE(Msg::shown().first().startsWith(QStringLiteral("error: Не удалось записать файл «")))
        << Msg::shown().first().toStdString();
    FilePicker::setNextCancel();
    QTest::mouseClick(distr().bDistrExport, Qt::LeftButton);
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

TEST_F(ListsTest, TheCardOfTheIpraShownIsSavedOrPrinted)
{
    const int id = CardIpra::add();
    open(0, 3);
    TOrgIpraPage& p = org();
    EXPECT_FALSE(p.bOrgCard->isEnabled()) << "no IPRA shown yet";
    const int row = dm->adoqOrgIpra->locate(QStringLiteral("id"), id) ? dm->adoqOrgIpra->recNo() : -1;
    ASSERT_GE(row, 0);
    clickRow(p.dbgOrgIpra, row);
    ASSERT_TRUE(p.bOrgCard->isEnabled());
    QMenu* menu = p.bOrgCard->menu();
    ASSERT_NE(menu, nullptr);
    FilePicker::setNextFile(path("chosen"));
    menu->findChild<QAction*>(QStringLiteral("aCardPdf"))->trigger();
    EXPECT_EQ(FilePicker::asked(),
              QStringList{QStringLiteral("Сохранить карту ИПРА: Карта ИПРА 1234.5.67_2024.pdf")});
    const QString saved = CardIpra::pdfText(path("chosen.pdf"));
    for (const QString& part : CardIpra::expectedTexts())
        EXPECT_TRUE(saved.contains(part)) << part.toStdString();

    PrintPicker::setNextPrintToFile(path("printed.pdf"));
    menu->findChild<QAction*>(QStringLiteral("aCardPrint"))->trigger();
    EXPECT_EQ(PrintPicker::asked(), QStringList{QStringLiteral("Карта ИПРА 1234.5.67_2024")});
    EXPECT_TRUE(CardIpra::pdfText(path("printed.pdf")).contains(QStringLiteral("Смирнов Олег Игоревич")));
    PrintPicker::setNextCancel();
    menu->findChild<QAction*>(QStringLiteral("aCardPrint"))->trigger();

    // The distribution page makes the card of its current row.
    open(5);
    chooseFilterItem(2);
    ASSERT_TRUE(dm->adoqDistrIpra->locate(QStringLiteral("id"), id));
    FilePicker::setNextFile(path("distr.pdf"));
    distr().bDistrCard->menu()->findChild<QAction*>(QStringLiteral("aCardPdf"))->trigger();
    EXPECT_TRUE(CardIpra::pdfText(path("distr.pdf")).contains(QStringLiteral("Карта ИПРА № 1234.5.67/2024")));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), (QStringList{"chosen.pdf", "distr.pdf", "printed.pdf"}));
    EXPECT_EQ(Msg::shown(), QStringList());
}

// The search rows and export buttons follow their grids' widths as the window's size
// rules set them, never reaching past the grid into the panels beside it.
TEST_F(ListsTest, TheRowsOverTheGridsFollowTheirWidth)
{
    open(8);
    const struct
    {
        QTableView* grid;
        QWidget* left; // null: the row has no stretching line
        QWidget* last;
    } rows[] = {
        {distr().dbgDistrIpra, distr().eDistrSearch, distr().bDistrCard},
        {org().dbgOrgIpra, org().eOrgSearch, org().bOrgCard},
        {window->tsNames->dbgEmpTNames, nullptr, window->tsNames->bNamesExport},
        {window->tsExecutors->dbgExecs, nullptr, window->tsExecutors->bExecsExport},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.grid->objectName().toStdString());
        window->pcMain->setCurrentWidget(r.grid->parentWidget()); // a hidden page is laid out when shown
        for (const int width : {r.grid->width(), r.grid->width() + 150}) {
            r.grid->resize(width, r.grid->height());
            EXPECT_EQ(r.last->x() + r.last->width(), r.grid->x() + r.grid->width());
            if (r.left) {
                EXPECT_EQ(r.left->x(), r.grid->x());
                EXPECT_LT(r.left->x() + r.left->width(), r.last->x());
            }
        }
    }
}
