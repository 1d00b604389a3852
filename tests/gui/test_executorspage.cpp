#include "guidbtest.h"

#include "data/currentorg.h"
#include "data/lookuplists.h"
#include "directories/executorspage.h"
#include "platform/ui/messagebox.h"
#include "session/mainwindow.h"
#include "session/pagecontrol.h"

#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <memory>
#include <ostream>

static void PrintTo(const QVariant& value, std::ostream* os)
{
    *os << (value.isNull() ? std::string("NULL") : '"' + value.toString().toStdString() + '"');
}

// The executors page on its own over the demo directory, for a session organisation of
// a given level.
class ExecutorsPageTest : public GuiDbTest
{
protected:
    void SetUp() override
    {
        GuiDbTest::SetUp();
        loadDemoData();
    }
    void TearDown() override
    {
        page.reset();
        GuiDbTest::TearDown();
    }

    TExecutorsPage& open(uint8_t lvl, int32_t moId = 1)
    {
        delete CurrentOrg;
        CurrentOrg = new TOrg;
        CurrentOrg->mo_id = moId;
        CurrentOrg->lvl = lvl;
        page = std::make_unique<TExecutorsPage>();
        page->attachDataSources();
        page->resize(1100, 600);
        page->show();
        page->tsExecutorsShow();
        return *page;
    }

    DataSource* source() const { return static_cast<DataSource*>(page->dbgExecs->model()); }
    QList<int> gridIds() const
    {
        QList<int> ids;
        for (int r = 0; r < source()->rowCount(); ++r)
            ids << source()->index(r, 0).data().toInt();
        return ids;
    }
    int currentId() const { return dm->adoqExecs->value("id").toInt(); }
    void select(int id)
    {
        const int row = int(gridIds().indexOf(id));
        ASSERT_GE(row, 0) << "no row " << id;
        page->dbgExecs->selectRow(row);
        ASSERT_EQ(currentId(), id);
    }
    void doubleClick(int id)
    {
        select(id);
        const QModelIndex cell = source()->index(int(gridIds().indexOf(id)), 1);
        const QPoint at = page->dbgExecs->visualRect(cell).center();
        // A widget's double click in QTest is the second click only: press first.
        QTest::mouseClick(page->dbgExecs->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(page->dbgExecs->viewport(), Qt::LeftButton, {}, at);
    }
    void clickTitle(int column)
    {
        QHeaderView* header = page->dbgExecs->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                                 header->height() / 2));
    }
    void click(QPushButton* button, Msg::Answer answer)
    {
        Msg::setAutomatic(true); // drops answers left by an earlier step
        Msg::clearShown();
        Msg::setNextAnswer(answer);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QStringList panelTexts() const
    {
        return {page->mExFName->toPlainText(), page->mExShName->toPlainText(), page->eExInn->text(),
                page->eExOgrn->text()};
    }
    static QList<QVariantList> directory()
    {
        return rows("select id, name, scode, inn, ogrn from rhb_exc order by id");
    }

    std::unique_ptr<TExecutorsPage> page;
};

TEST_F(ExecutorsPageTest, GridColumnsFieldRuleAndCaptions)
{
    open(10);
    QStringList titles;
    for (int c = 0; c < source()->columnCount(); ++c)
        titles << source()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(titles, QStringList({"№", "Наименование", "Сокр. наименование", "ИНН", "ОГРН", ""}));
    EXPECT_EQ(page->dbgExecs->columnWidth(0), 62);
    EXPECT_EQ(page->dbgExecs->columnWidth(1), 83);
    EXPECT_EQ(page->dbgExecs->columnWidth(2), 116);
    EXPECT_TRUE(page->dbgExecs->isColumnHidden(5));
    EXPECT_EQ(source()->fieldColumn("udt"), 5);

    struct Step
    {
        const char* what;
        std::function<void()> act;
        bool enabled;
        QString caption;
    };
    auto& p = *page;
    const Step steps[] = {
        {"shown", [] {}, false, "Сохранить"},
        {"full name typed", [&] { QTest::keyClicks(p.mExFName, "Nova"); }, false, "Сохранить(добавить)"},
        {"short name typed", [&] { QTest::keyClicks(p.mExShName, "N"); }, false, "Сохранить(добавить)"},
        {"INN typed", [&] { QTest::keyClicks(p.eExInn, "1"); }, false, "Сохранить(добавить)"},
        {"OGRN typed", [&] { QTest::keyClicks(p.eExOgrn, "2"); }, true, "Сохранить(добавить)"},
        {"INN emptied", [&] { p.eExInn->clear(); }, false, "Сохранить(добавить)"},
        {"row double-clicked", [&] { doubleClick(4); }, true, "Сохранить(обновить)"},
        {"short name emptied", [&] { p.mExShName->clear(); }, false, "Сохранить(обновить)"},
        {"Отменить", [&] { QTest::mouseClick(p.bExCancel, Qt::LeftButton); }, false, "Сохранить"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        EXPECT_EQ(p.bExSave->isEnabled(), s.enabled);
        EXPECT_EQ(p.bExSave->text(), s.caption);
    }
    EXPECT_EQ(panelTexts(), QStringList({"", "", "", ""}));
    EXPECT_EQ(p.EditedExecutorId, 0);
    EXPECT_EQ(p.bExCancel->text(), "Отменить");
    EXPECT_EQ(p.bExDel->text(), "Удалить организацию");
}

// Below level 8 a double click shows the row, and no order of clicks opens a way to change
// the directory; from level 8 on the panel and the delete button take input.
TEST_F(ExecutorsPageTest, LevelRule)
{
    const auto demo = directory();
    for (uint8_t lvl : {0, 5, 8, 10}) {
        SCOPED_TRACE(int(lvl));
        const bool may = lvl >= 8;
        open(lvl);
        EXPECT_EQ(page->pExec->isEnabled(), may);
        EXPECT_EQ(page->bExDel->isEnabled(), may);
        EXPECT_FALSE(page->bExSave->isEnabled());

        doubleClick(4);
        EXPECT_EQ(panelTexts(), QStringList({"ОГБУЗ \"Городская больница г. Костромы\"",
                                             "ОГБУЗ \"ГБ г. Костромы\"", "4401295126",
                                             "1024448581464"}));
        EXPECT_EQ(page->EditedExecutorId, 4);
        EXPECT_EQ(page->pExec->isEnabled(), may);
        EXPECT_EQ(page->bExSave->isEnabled(), may);
        EXPECT_EQ(page->bExDel->isEnabled(), may);
        if (may)
            continue;

        // Typing, cancelling, sorting, loading again, then save and delete with Yes queued.
        QTest::keyClicks(page->eExInn, "9");
        QTest::mouseClick(page->bExCancel, Qt::LeftButton);
        clickTitle(0);
        doubleClick(2);
        select(3);
        Msg::clearShown();
        Msg::setNextAnswer(Msg::Yes);
        Msg::setNextAnswer(Msg::Yes);
        QTest::mouseClick(page->bExSave, Qt::LeftButton);
        QTest::mouseClick(page->bExDel, Qt::LeftButton);
        page->tsExecutorsShow();
        EXPECT_FALSE(page->pExec->isEnabled());
        EXPECT_FALSE(page->bExSave->isEnabled());
        EXPECT_FALSE(page->bExDel->isEnabled());
        EXPECT_TRUE(Msg::shown().isEmpty());
        EXPECT_EQ(directory(), demo);
        Msg::setAutomatic(true); // drops the unused answers
    }
}

TEST_F(ExecutorsPageTest, UpdateByIdThenInsertAfterCancelTextsAsTyped)
{
    open(8);
    doubleClick(4);
    const QString name = "  Городская больница\nг. Костромы  ";
    page->mExFName->setPlainText(name);
    page->mExShName->setPlainText("ГБ \n");

    click(page->bExSave, Msg::No);
    EXPECT_EQ(Msg::shown(), QStringList{"question: Сохранить запись?"});
    EXPECT_EQ(scalar("select name from rhb_exc where id=4").toString(), "ОГБУЗ \"Городская больница г. Костромы\"");
    EXPECT_EQ(page->EditedExecutorId, 4);

    click(page->bExSave, Msg::Yes);
    EXPECT_EQ(rows("select name, scode, inn, ogrn from rhb_exc where id=4"),
              QList<QVariantList>({{name, "ГБ \n", "4401295126", "1024448581464"}}));
    EXPECT_EQ(scalar("select count(*) from rhb_exc").toInt(), 9);
    // The panel is new again; the list stays on the updated row; the lookup list follows.
    EXPECT_EQ(panelTexts(), QStringList({"", "", "", ""}));
    EXPECT_EQ(page->bExSave->text(), "Сохранить");
    EXPECT_EQ(currentId(), 4);
    EXPECT_EQ(page->dbgExecs->currentIndex().row(), gridIds().indexOf(4));
    EXPECT_EQ(ExecutorNames.value(IndexOfId(ExecutorIds, 4)), "ГБ");
    EXPECT_EQ(ExecutorNames.size(), 9);

    // Loading trims the stored texts.
    doubleClick(4);
    EXPECT_EQ(panelTexts().mid(0, 2), QStringList({"Городская больница\nг. Костромы", "ГБ"}));

    select(2);
    QTest::mouseClick(page->bExCancel, Qt::LeftButton);
    page->mExFName->setPlainText(" Новая организация ");
    page->mExShName->setPlainText("Новая");
    QTest::keyClicks(page->eExInn, "440");
    QTest::keyClicks(page->eExOgrn, "102");
    EXPECT_EQ(page->bExSave->text(), "Сохранить(добавить)");
    click(page->bExSave, Msg::Yes);
    const auto added = rows("select id, name, scode, inn, ogrn from rhb_exc where id > 9");
    ASSERT_EQ(added.size(), 1);
    EXPECT_EQ(added[0].mid(1), QVariantList({" Новая организация ", "Новая", "440", "102"}));
    // After an insert the list stays where it was, not on the new organisation.
    EXPECT_EQ(currentId(), 2);
    EXPECT_TRUE(gridIds().contains(added[0][0].toInt()));
    EXPECT_GE(IndexOfId(ExecutorIds, added[0][0].toInt()), 0);
}

TEST_F(ExecutorsPageTest, TitlesSortByNumberAndByNameOnly)
{
    open(10);
    const QList<int> byName = [] {
        QList<int> ids;
        for (const auto& r : rows("select id from rhb_exc order by name"))
            ids << r[0].toInt();
        return ids;
    }();
    const QList<int> byId = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ASSERT_NE(byName, byId);
    EXPECT_EQ(gridIds(), byName);

    clickTitle(0);
    EXPECT_EQ(dm->adoqExecs->text(), Tdm::ExecsById);
    EXPECT_EQ(gridIds(), byId);
    EXPECT_EQ(ExecutorIds, IdList(byId.begin(), byId.end()));
    EXPECT_EQ(dm->adoqExecs->recNo(), 0);
    EXPECT_EQ(page->dbgExecs->currentIndex().row(), 0);

    select(5);
    for (int column : {2, 3, 4}) {
        SCOPED_TRACE(column);
        clickTitle(column);
        EXPECT_EQ(dm->adoqExecs->text(), Tdm::ExecsById);
        EXPECT_EQ(gridIds(), byId);
        EXPECT_EQ(currentId(), 5);
    }

    clickTitle(1);
    EXPECT_EQ(dm->adoqExecs->text(), Tdm::ExecsByName);
    EXPECT_EQ(gridIds(), byName);
    EXPECT_EQ(ExecutorIds, IdList(byName.begin(), byName.end()));
    EXPECT_EQ(dm->adoqExecs->recNo(), 0);

    // The order chosen last holds for later runs.
    clickTitle(0);
    select(7);
    QTest::mouseClick(page->bExCancel, Qt::LeftButton);
    page->mExFName->setPlainText("А");
    page->mExShName->setPlainText("А");
    page->eExInn->setText("1");
    page->eExOgrn->setText("1");
    click(page->bExSave, Msg::Yes);
    EXPECT_EQ(gridIds().mid(0, 9), byId);
    EXPECT_EQ(ExecutorIds.mid(0, 9), IdList(byId.begin(), byId.end()));
}

TEST_F(ExecutorsPageTest, UsageTestDecidesWhetherADeleteMayGoOn)
{
    open(10);
    exec("insert into prg (mseid) values ('a'), ('b')");
    const int prg = scalar("select min(id) from prg").toInt();
    struct Case
    {
        const char* what;
        int id;
        QString arrange; // PRG stands for the IPRA, ORG for the organisation
        QString uses;    // as the refusal names them; empty: deleted
    };
    // The demo's logins work for organisations 1, 3 and 5.
    const Case cases[] = {
        {"an event record with exid 0", 2, "insert into k_evdt (prgid, exid) values (PRG, 0)", ""},
        {"an event record with no exid", 4, "insert into k_evdt (prgid, exid) values (PRG, null)", ""},
        {"an IPRA without responsible organisation",
         8, "insert into k_ipra_mo (prgid, resp_mo_id) values (PRG, null)", ""},
        {"a name accepted unchanged", 9, "insert into k_mo_names (rname, tid, tname) values ('x', 0, 'x')", ""},
        {"an event record names it", 6, "insert into k_evdt (prgid, exid) values (PRG, ORG)", "записи мероприятий"},
        {"an IPRA has it as responsible", 7,
         "insert into k_ipra_mo (prgid, resp_mo_id) values (PRG, ORG)", "распределенные ИПРА"},
        {"a sender name is matched to it", 6,
         "insert into k_mo_names (rname, tid, tname) values ('x', ORG, 'x')", "сопоставленные названия организаций"},
        {"a login works for it", 7, "insert into k_login (login, mo_id, lvl) values ('X', ORG, 0)",
         "учетные записи пользователей"},
        {"every kind at once", 6,
         "insert into k_evdt (prgid, exid) values (PRG, ORG); "
         "insert into k_ipra_mo (prgid, resp_mo_id) values (PRG, ORG); "
         "insert into k_mo_names (rname, tid, tname) values ('x', ORG, 'x'); "
         "insert into k_login (login, mo_id, lvl) values ('X', ORG, 0)",
         "записи мероприятий, распределенные ИПРА, сопоставленные названия организаций, "
         "учетные записи пользователей"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        exec("delete from k_evdt");
        adminExec("delete from k_ipra_mo; delete from k_mo_names; delete from k_login where login = 'X'");
        adminExec(QString(c.arrange).replace("PRG", QString::number(prg)).replace("ORG", QString::number(c.id)));
        select(c.id);
        click(page->bExDel, Msg::Yes);
        EXPECT_FALSE(dm->adoqTmp->isOpen());
        const bool gone = scalar(QStringLiteral("select count(*) from rhb_exc where id=%1").arg(c.id)).toInt() == 0;
        if (!c.uses.isEmpty()) {
            EXPECT_EQ(Msg::shown(),
                      QStringList{"error: Есть связанные данные: " + c.uses + ". Удалить невозможно"});
            EXPECT_FALSE(gone);
            EXPECT_EQ(currentId(), c.id);
        } else {
            EXPECT_EQ(Msg::shown(), QStringList{"question: Удалить запись?"});
            EXPECT_TRUE(gone);
            EXPECT_FALSE(gridIds().contains(c.id));
            EXPECT_EQ(IndexOfId(ExecutorIds, c.id), -1);
            EXPECT_EQ(dm->adoqExecs->recNo(), 0);
            EXPECT_EQ(page->dbgExecs->currentIndex().row(), 0);
        }
    }
}

// The delete takes the grid's row, not the panel's; it refuses the own organisation and
// stops at No; the panel keeps its texts.
TEST_F(ExecutorsPageTest, DeleteTakesTheGridRowRefusesTheOwnOrganisationAndStopsAtNo)
{
    open(8, 3);
    const auto demo = directory();
    select(3);
    click(page->bExDel, Msg::Yes);
    EXPECT_EQ(Msg::shown(), QStringList{"error: Совпадает с текущей организацией. Удалить невозможно"});
    select(6);
    click(page->bExDel, Msg::No);
    EXPECT_EQ(Msg::shown(), QStringList{"question: Удалить запись?"});
    EXPECT_EQ(directory(), demo);

    doubleClick(6);
    const QStringList loaded = panelTexts();
    select(7);
    click(page->bExDel, Msg::Yes);
    EXPECT_EQ(scalar("select count(*) from rhb_exc where id=7").toInt(), 0);
    EXPECT_EQ(scalar("select count(*) from rhb_exc where id=6").toInt(), 1);
    EXPECT_EQ(panelTexts(), loaded);
    EXPECT_EQ(page->EditedExecutorId, 6);

    // Deleting the organisation that the panel holds leaves its texts to be saved anew.
    select(6);
    click(page->bExDel, Msg::Yes);
    EXPECT_EQ(panelTexts(), loaded);
    EXPECT_EQ(page->EditedExecutorId, 0);
    EXPECT_EQ(page->bExSave->text(), "Сохранить(добавить)");
}

// Saving or deleting an organisation that another workstation changed or deleted since the
// list was read writes nothing and says so; the list shows it as stored now, and the panel
// keeps what was typed: a second save updates the organisation as it now stands, or adds
// the texts as a new one when it is gone.
TEST_F(ExecutorsPageTest, OrganisationsChangedOrDeletedElsewhereAreNotOverwritten)
{
    struct Case
    {
        const char* what;
        int id;
        bool save; // else delete
        bool deleted;
    };
    // Organisations 7 and 8 are in no use, so their deletion gets as far as the delete.
    const Case cases[] = {
        {"save, changed elsewhere", 4, true, false},
        {"save, deleted elsewhere", 6, true, true},
        {"delete, changed elsewhere", 7, false, false},
        {"delete, deleted elsewhere", 8, false, true},
    };
    const QString refusal = QStringLiteral("error: Запись изменена или удалена на другом рабочем месте");
    const QStringList typed = {"Набранное здесь", "Здесь", "111", "222"};
    OtherWorkstation other;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open(10);
        if (c.save) {
            doubleClick(c.id);
            page->mExFName->setPlainText(typed[0]);
            page->mExShName->setPlainText(typed[1]);
            page->eExInn->setText(typed[2]);
            page->eExOgrn->setText(typed[3]);
        } else {
            select(c.id);
        }
        other.exec((c.deleted ? QStringLiteral("delete from rhb_exc where id = %1")
                              : QStringLiteral("update rhb_exc set name = 'Изменено там' where id = %1"))
                       .arg(c.id));
        const auto left = directory();
        click(c.save ? page->bExSave : page->bExDel, Msg::Yes);
        EXPECT_EQ(Msg::shown(), QStringList({c.save ? "question: Сохранить запись?" : "question: Удалить запись?",
                                             refusal}));
        EXPECT_EQ(directory(), left);
        // The list as stored now.
        EXPECT_EQ(gridIds().contains(c.id), !c.deleted);
        if (!c.deleted) {
            ASSERT_TRUE(dm->adoqExecs->locate("id", c.id));
            EXPECT_EQ(dm->adoqExecs->asString("name"), "Изменено там");
        }
        if (!c.save)
            continue;
        EXPECT_EQ(panelTexts(), typed);
        EXPECT_EQ(page->EditedExecutorId, c.deleted ? 0 : c.id);
        EXPECT_EQ(page->bExSave->text(), c.deleted ? "Сохранить(добавить)" : "Сохранить(обновить)");
        click(page->bExSave, Msg::Yes);
        EXPECT_EQ(Msg::shown(), QStringList({"question: Сохранить запись?"}));
        const auto saved = rows(QStringLiteral("select name, scode, inn, ogrn from rhb_exc where %1")
                                    .arg(c.deleted ? QStringLiteral("id > 9") : QStringLiteral("id = %1").arg(c.id)));
        EXPECT_EQ(saved, QList<QVariantList>({{typed[0], typed[1], typed[2], typed[3]}}));
    }
}

// In the program: a level-0 user reaches the page and sees the directory read-only.
TEST_F(ExecutorsPageTest, LevelZeroSeesTheDirectoryReadOnlyInTheMainWindow)
{
    CurrentOrg = new TOrg;
    CurrentOrg->mo_id = 3;
    CurrentOrg->name = "ОГБУЗ \"Окружная больница Костромского округа №1\"";
    CurrentOrg->lvl = 0;
    auto window = std::make_unique<TfMain>();
    fMain = window.get();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ASSERT_TRUE(window->formShown());
    window->pcMain->setCurrentWidget(window->tsExecutors);
    TExecutorsPage* p = window->tsExecutors;
    EXPECT_EQ(p->dbgExecs->model()->rowCount(), 9);
    EXPECT_FALSE(p->pExec->isEnabled());
    EXPECT_FALSE(p->bExDel->isEnabled());
    EXPECT_FALSE(p->bExSave->isEnabled());
    EXPECT_TRUE(Msg::shown().isEmpty()) << Msg::shown().join(" | ").toStdString();
    window.reset();
    fMain = nullptr;
}
