#include "guidbtest.h"

#include "directories/namespage.h"
#include "platform/ui/messagebox.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <memory>
#include <ostream>

namespace {

const QString Hospital = QStringLiteral("ОГБУЗ \"Окружная больница Костромского округа №1\"");

} // namespace

// The names page on its own over the demo directory; sender names are put into
// k_mo_names as the import collects them.
class NamesPageTest : public GuiDbTest
{
protected:
    void SetUp() override
    {
        GuiDbTest::SetUp();
        loadDemoData();
        page = std::make_unique<TNamesPage>();
        page->attachDataSources();
        page->resize(1200, 700);
        page->show();
    }
    void TearDown() override
    {
        page.reset();
        GuiDbTest::TearDown();
    }

    static void addSenderNames(const QStringList& names)
    {
        for (const QString& name : names)
            exec(QStringLiteral("insert into k_mo_names (rname) values ('%1')").arg(name));
    }
    // tid and tname of a sender name; tname as stored.
    static QVariantList matchOf(const QString& rname)
    {
        const auto r = rows(QStringLiteral("select tid, tname from k_mo_names where rname='%1'").arg(rname));
        return r.isEmpty() ? QVariantList() : r.first();
    }

    // Selects the grid row whose field shows text (trimmed, as the grid shows it).
    static void selectRow(QTableView* grid, const QString& field, const QString& text)
    {
        auto* source = static_cast<DataSource*>(grid->model());
        const int column = source->fieldColumn(field);
        for (int r = 0; r < source->rowCount(); ++r)
            if (source->index(r, column).data().toString() == text) {
                grid->selectRow(r);
                return;
            }
        ADD_FAILURE() << "no row shows " << text.toStdString();
    }
    static QStringList column(QTableView* grid, const QString& field)
    {
        auto* source = static_cast<DataSource*>(grid->model());
        QStringList values;
        for (int r = 0; r < source->rowCount(); ++r)
            values << source->index(r, source->fieldColumn(field)).data().toString();
        return values;
    }

    void click(QPushButton* button, Msg::Answer answer)
    {
        Msg::setAutomatic(true); // drops answers left by an earlier step
        Msg::clearShown();
        Msg::setNextAnswer(answer);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    std::unique_ptr<TNamesPage> page;
};

TEST_F(NamesPageTest, ShowsTheUnmatchedNamesTheirCountAndTheDirectory)
{
    EXPECT_EQ(page->lEmpTnamesCount->text(), "000");
    addSenderNames({"Больница А", "Больница Б", "Поликлиника В"});
    exec("update k_mo_names set tid=3, tname='x' where rname='Поликлиника В'");
    page->tsNamesShow();

    EXPECT_EQ(page->lEmpTnamesCount->text(), "2");
    QStringList unmatched = column(page->dbgEmpTNames, "rname");
    unmatched.sort();
    EXPECT_EQ(unmatched, QStringList({"Больница А", "Больница Б"}));
    EXPECT_EQ(page->dbgEmpTNames->currentIndex().row(), 0);
    EXPECT_EQ(page->dbmRName->toPlainText(), dm->adoqEmpTNames->asString("rname"));
    selectRow(page->dbgEmpTNames, "rname", "Больница Б");
    EXPECT_EQ(page->dbmRName->toPlainText(), "Больница Б");

    // Titles and the fixed widths of the number columns.
    auto* names = static_cast<DataSource*>(page->dbgEmpTNames->model());
    QStringList titles;
    for (int c = 0; c < names->columnCount(); ++c)
        titles << names->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(titles, QStringList({"№", "Наименование из ИПРА", "№(справочник)",
                                   "Наименование (справочник)"}));
    EXPECT_EQ(page->dbgEmpTNames->columnWidth(0), 57);
    EXPECT_EQ(page->dbgRnames->columnWidth(0), 55);

    // The directory: organisations without the lower-case "пункт", by name, shown trimmed.
    const QStringList ids = column(page->dbgRnames, "tid");
    EXPECT_TRUE(ids.contains("9")) << "\"Пункт …\" stays in the directory";
    EXPECT_FALSE(ids.contains("8")) << "\"… пункт …\" is left out";
    EXPECT_EQ(ids.size(), 8);
    const QStringList tnames = column(page->dbgRnames, "tname");
    QStringList sorted = tnames;
    sorted.sort();
    EXPECT_EQ(tnames, sorted);
    selectRow(page->dbgRnames, "tid", "3");
    EXPECT_EQ(page->dbmTName->toPlainText(), Hospital);
}

TEST_F(NamesPageTest, AcceptedNameBecomesEntryZeroAndFurtherNamesMatchToIt)
{
    addSenderNames({"Больница А", "Больница Б"});
    page->tsNamesShow();

    selectRow(page->dbgEmpTNames, "rname", "Больница А");
    selectRow(page->dbgRnames, "tid", "9"); // the last row, so that a re-run shows
    ASSERT_NE(dm->adoqTNames->recNo(), 0);
    click(page->bSetEvalName, Msg::Yes);
    EXPECT_EQ(Msg::shown(), QStringList{"question: Внести наименование в справочник?"});
    EXPECT_EQ(matchOf("Больница А"), QVariantList({0, "Больница А"}));
    EXPECT_TRUE(page->bSetEvalName->isEnabled());
    EXPECT_EQ(page->lEmpTnamesCount->text(), "1");
    EXPECT_EQ(column(page->dbgEmpTNames, "rname"), QStringList{"Больница Б"});
    // Both lists were re-run: each stands on its first row.
    EXPECT_EQ(dm->adoqTNames->recNo(), 0);
    EXPECT_EQ(page->dbgRnames->currentIndex().row(), 0);
    const QStringList tnames = column(page->dbgRnames, "tname");
    const int accepted = int(tnames.indexOf("Больница А"));
    ASSERT_GE(accepted, 0);
    EXPECT_EQ(column(page->dbgRnames, "tid").at(accepted), "0");

    // The second name is matched to the accepted entry: number 0 and the accepted name.
    selectRow(page->dbgRnames, "tname", "Больница А");
    click(page->bSetTName, Msg::Yes);
    EXPECT_EQ(Msg::shown(), QStringList{"question: Установить соответствие со справочником?"});
    const QVariantList match = matchOf("Больница Б");
    ASSERT_EQ(match.size(), 2);
    EXPECT_EQ(match[0].toInt(), 0);
    EXPECT_EQ(match[1].toString().trimmed(), "Больница А");
    EXPECT_EQ(page->lEmpTnamesCount->text(), "0");
    EXPECT_EQ(page->dbgEmpTNames->model()->rowCount(), 0);
    EXPECT_TRUE(page->bSetTName->isEnabled());
    // Accepted names are merged into one entry.
    EXPECT_EQ(column(page->dbgRnames, "tname").count("Больница А"), 1);
}

TEST_F(NamesPageTest, MatchToAnOrganisationStoresItsIdAndPaddedNameAndKeepsTheDirectoryRow)
{
    addSenderNames({"ОБ №1", "Больница Б"});
    page->tsNamesShow();
    selectRow(page->dbgEmpTNames, "rname", "ОБ №1");
    selectRow(page->dbgRnames, "tid", "3");
    const int directoryRow = dm->adoqTNames->recNo();
    ASSERT_NE(directoryRow, 0);

    click(page->bSetTName, Msg::Yes);
    const QVariantList match = matchOf("ОБ №1");
    ASSERT_EQ(match.size(), 2);
    EXPECT_EQ(match[0].toInt(), 3);
    EXPECT_EQ(match[1].toString().size(), 350);
    EXPECT_EQ(match[1].toString().trimmed(), Hospital);
    EXPECT_EQ(dm->adoqTNames->recNo(), directoryRow);
    EXPECT_EQ(page->dbgRnames->currentIndex().row(), directoryRow);
    EXPECT_EQ(page->dbgEmpTNames->currentIndex().row(), 0);
    EXPECT_EQ(page->dbmRName->toPlainText(), "Больница Б");
    EXPECT_EQ(page->lEmpTnamesCount->text(), "1");
    // The distribution list sees the match.
    EXPECT_EQ(scalar("select count(*) from k_mo_names where tname is null").toInt(), 1);
}

// No to the question, an empty list, an empty directory and a database error: nothing is
// written, nothing but the question is said (the error box apart), the button comes back.
TEST_F(NamesPageTest, ActionsThatWriteNothing)
{
    struct Case
    {
        const char* what;
        bool evalButton;  // bSetEvalName, else bSetTName
        Msg::Answer answer;
        QString arrange;  // SQL run before the page is shown
        bool error;       // a database error box follows the question
    };
    const Case cases[] = {
        {"No to accepting", true, Msg::No, {}, false},
        {"No to matching", false, Msg::No, {}, false},
        {"accepting with no unmatched name", true, Msg::Yes, "update k_mo_names set tid=3, tname='x'", false},
        {"matching with no unmatched name", false, Msg::Yes, "update k_mo_names set tid=3, tname='x'", false},
        {"accepting refused by the database", true, Msg::Yes,
         "alter table k_mo_names add constraint no_match check (tname is null)", true},
        {"matching refused by the database", false, Msg::Yes,
         "alter table k_mo_names add constraint no_match check (tname is null)", true},
        // Last: it empties the directory for good.
        {"matching with an empty directory", false, Msg::Yes, "delete from rhb_exc", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        adminExec("alter table k_mo_names drop constraint if exists no_match");
        adminExec("delete from k_mo_names");
        addSenderNames({"Больница А"});
        if (!c.arrange.isEmpty())
            adminExec(c.arrange);
        const auto before = rows("select id, rname, tid, tname from k_mo_names order by id");
        page->tsNamesShow();
        const QString count = page->lEmpTnamesCount->text();

        QPushButton* button = c.evalButton ? page->bSetEvalName : page->bSetTName;
        click(button, c.answer);
        EXPECT_EQ(rows("select id, rname, tid, tname from k_mo_names order by id"), before);
        const QString question = c.evalButton ? "question: Внести наименование в справочник?"
                                              : "question: Установить соответствие со справочником?";
        ASSERT_EQ(Msg::shown().size(), c.error ? 2 : 1) << Msg::shown().join(" | ").toStdString();
        EXPECT_EQ(Msg::shown().first(), question);
        if (c.error) {
            EXPECT_TRUE(Msg::shown().at(1).startsWith("error: "));
        }
        EXPECT_TRUE(button->isEnabled());
        EXPECT_EQ(page->lEmpTnamesCount->text(), count);
        if (!c.error && c.answer == Msg::No) {
            EXPECT_EQ(count, "1");
        }
    }
}
