#include "orgipra_fixture.h"

#include "distribution/distributepage.h"

#include <QButtonGroup>
#include <QCalendarWidget>
#include <QImage>
#include <QRadioButton>
#include <QLineEdit>
#include <QToolButton>

using namespace StoredIpra;

namespace {

const QString AddRow = QStringLiteral("Добавить мероприятие...");
const QString ObKo1 = QStringLiteral("ОГБУЗ \"ОБ КО №1\"");

} // namespace

// The event record editor and its actions over one IPRA with three event groups:
// type 2 (with subtypes) 01.03.2024-31.12.2025, type 3 (none) without start or end,
// type 99 01.01.2024-01.03.2026; the IPRA itself is of 10.02.2024.
class EventEditorTest : public OrgIpraPageTest
{
protected:
    void SetUp() override
    {
        OrgIpraPageTest::SetUp();
        ipra = addIpra({.prgnum = QStringLiteral("A"), .prgdt = QStringLiteral("2024-02-10"),
                        .enddt = QStringLiteral("2099-01-01")});
        addGroup(ipra, 2, QStringLiteral("2024-03-01"), QStringLiteral("2025-12-31"));
        addGroup(ipra, 3, QStringLiteral("1899-12-30"), QStringLiteral("0001-01-01"));
        addGroup(ipra, 99, QStringLiteral("2024-01-01"), QStringLiteral("2026-03-01"));
    }

    // Logs in and clicks the IPRA in the list.
    TOrgIpraPage& show(uint8_t lvl, int moId = 3)
    {
        exec(QStringLiteral("update k_ipra_mo set resp_mo_id = %1 where prgid = %2").arg(moId).arg(ipra));
        TOrgIpraPage& p = open(lvl, moId);
        Msg::clearShown();
        const int row = dm->adoqOrgIpra->locate(QStringLiteral("id"), ipra) ? dm->adoqOrgIpra->recNo() : 0;
        clickRow(row);
        EXPECT_EQ(Msg::shown(), QStringList());
        return p;
    }

    static int lastRow(QTableWidget* grid) { return grid->rowCount() - 1; }

    // A record of type 3 with every field that closing needs, in the given state.
    int addCompleteRecord(int state)
    {
        return addEvent(ipra, {.typeId = 3, .state = state, .dicid = 12, .exid = 5, .resid = 2,
                               .dt = QStringLiteral("2024-04-04")});
    }

    // The user picks an entry of a pick-only drop-down.
    static void pick(QComboBox* box, int index)
    {
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    // Name, date and result of a complete record (the executor is proposed).
    void fillComplete(TOrgIpraPage& p)
    {
        pick(p.cbEvName, 0);
        p.dtEvExDate->setDate(QDate(2024, 6, 1));
        if (p.cbEvExecut->currentIndex() < 0)
            pick(p.cbEvExecut, 0);
        pick(p.cbEvRes, 0);
    }

    QList<QVariantList> stored()
    {
        return rows(QStringLiteral("select typeid, stypeid, dicid, name, exid, exname, resid, resdesc, note, "
                                   "to_char(dt,'DD.MM.YYYY'), state from k_evdt order by id"));
    }

    int ipra = 0;
};

TEST_F(EventEditorTest, NewRecordProposesTheSessionOrganisation)
{
    for (const int moId : {3, 42}) {
        SCOPED_TRACE(moId);
        TOrgIpraPage& p = show(0, moId);
        ASSERT_TRUE(p.pEvnt->isHidden());
        select(p.sgEvents2, lastRow(p.sgEvents2));
        ASSERT_EQ(Msg::shown(), QStringList());
        ASSERT_FALSE(p.pEvnt->isHidden());
        EXPECT_EQ(p.lEvntDesc->text(), QStringLiteral("Реконструктивная хирургия/"));
        EXPECT_FALSE(p.cbEvExecut->isEditable());
        EXPECT_EQ(p.cbEvExecut->currentText(), moId == 3 ? ObKo1 : QString());
        // The names of type 3 only.
        EXPECT_FALSE(p.cbEvName->isEditable());
        EXPECT_EQ(p.cbEvName->count(), 4);
        EXPECT_EQ(p.cbEvName->currentIndex(), -1);
        EXPECT_EQ(p.cbEvRes->count(), 7);
        EXPECT_EQ(p.dtEvExDate->text(), QString());
        // Level 0 edits a new record but cannot switch to typing.
        for (QWidget* w : std::initializer_list<QWidget*>{p.cbEvName, p.spbEvName, p.dtEvExDate, p.cbEvExecut,
                                                          p.cbEvRes, p.mEvRes, p.mEvNote, p.bEvSave, p.bEvEnd,
                                                          p.bEvDel, p.bEvCanc})
            EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
        for (QCheckBox* box : {p.chbEvMan, p.chbExMan, p.chbResVar})
            EXPECT_FALSE(box->isEnabled()) << box->objectName().toStdString();
        EXPECT_EQ(p.bEvSave->text(), QStringLiteral("Сохранить"));
        EXPECT_EQ(p.bEvEnd->text(), QStringLiteral("Закрыть/отправить"));
        EXPECT_EQ(p.bEvEnd->toolTip(),
                  QStringLiteral("После закрытия и отправки\nредактирование мероприятия невозможно"));
        EXPECT_EQ(p.pEvnt->pos(), QPoint(p.pOrgEvnts->x() + p.sgEvents2->x() + 10,
                                         std::min(p.pOrgEvnts->y() + p.sgEvents2->y(),
                                                  p.height() - p.pEvnt->height() - 5)));
        EXPECT_EQ(p.pEvnt->property("tag").toInt(), -1);
        EXPECT_EQ(p.bEvCanc->property("tag").toInt(), lastRow(p.sgEvents2));
        // While it is open, the list and the grids do nothing.
        const int current = CurrentPrg->id;
        clickRow(0);
        EXPECT_EQ(CurrentPrg->id, current);
        const QString title = p.lEvntDesc->text();
        p.sgEvents1SelectCell(p.sgEvents4, 1, 0);
        EXPECT_EQ(p.lEvntDesc->text(), title);
        p.bEvCanc->click();
        EXPECT_TRUE(p.pEvnt->isHidden());
        EXPECT_EQ(stored(), QList<QVariantList>());
    }
}

TEST_F(EventEditorTest, StoredRecordsOpenWithTheirValues)
{
    addEvent(ipra, {.typeId = 3, .name = QStringLiteral("Своё"), .exname = QStringLiteral("Сосед"),
                    .resdesc = QStringLiteral("Готово"), .note = QStringLiteral("заметка"),
                    .dt = QStringLiteral("2024-05-06")});
    addEvent(ipra, {.typeId = 3, .dicid = 12, .exid = 5, .resid = 2});
    addEvent(ipra, {.typeId = 3, .dicid = 999, .exid = 999, .resid = 999, .dt = QStringLiteral("2024-07-08")});
    TOrgIpraPage& p = show(0);

    select(p.sgEvents2, 0); // typed by hand
    ASSERT_FALSE(p.pEvnt->isHidden());
    EXPECT_TRUE(p.chbEvMan->isChecked());
    EXPECT_TRUE(p.cbEvName->isEditable());
    EXPECT_EQ(p.cbEvName->currentText(), QStringLiteral("Своё"));
    EXPECT_TRUE(p.chbExMan->isChecked());
    EXPECT_TRUE(p.cbEvExecut->isEditable());
    EXPECT_EQ(p.cbEvExecut->currentText(), QStringLiteral("Сосед"));
    EXPECT_TRUE(p.chbResVar->isChecked());
    EXPECT_FALSE(p.mEvRes->isReadOnly());
    EXPECT_EQ(p.mEvRes->toPlainText(), QStringLiteral("Готово"));
    EXPECT_EQ(p.cbEvRes->currentIndex(), -1);
    EXPECT_EQ(p.mEvNote->toPlainText(), QStringLiteral("заметка"));
    EXPECT_EQ(p.dtEvExDate->text(), QStringLiteral("06.05.2024"));
    p.bEvCanc->click();
    // Closing resets every input.
    EXPECT_FALSE(p.chbEvMan->isChecked());
    EXPECT_FALSE(p.cbEvName->isEditable());
    EXPECT_FALSE(p.chbExMan->isChecked());
    EXPECT_FALSE(p.chbResVar->isChecked());
    EXPECT_TRUE(p.mEvRes->isReadOnly());
    EXPECT_EQ(p.mEvRes->toPlainText(), QString());
    EXPECT_EQ(p.mEvNote->toPlainText(), QString());
    EXPECT_EQ(p.dtEvExDate->text(), QString());

    select(p.sgEvents2, 1); // from the directories
    EXPECT_FALSE(p.chbEvMan->isChecked());
    EXPECT_EQ(p.cbEvName->currentText(), QStringLiteral("Эндопротез. колена"));
    EXPECT_FALSE(p.chbExMan->isChecked());
    EXPECT_EQ(p.cbEvExecut->currentText(), QStringLiteral("ОГБУЗ \"Галичская ОБ\""));
    EXPECT_EQ(p.cbEvRes->currentText(), QStringLiteral("Частично"));
    EXPECT_EQ(p.mEvRes->toPlainText(), QStringLiteral("Выполнено частично"));
    EXPECT_TRUE(p.mEvRes->isReadOnly());
    EXPECT_EQ(p.dtEvExDate->text(), QString()); // no date
    p.bEvCanc->click();

    // Ids no longer in the lists: nothing chosen, and saving keeps the stored ids.
    select(p.sgEvents2, 2);
    EXPECT_EQ(p.cbEvName->currentText(), QString());
    EXPECT_EQ(p.cbEvExecut->currentText(), QString());
    EXPECT_EQ(p.cbEvRes->currentText(), QString());
    EXPECT_EQ(p.mEvRes->toPlainText(), QString());
    Msg::setNextAnswer(Msg::Yes);
    p.bEvSave->click();
    EXPECT_EQ(Msg::shown(), QStringList({"question: Сохранить запись?"}));
    EXPECT_EQ(stored().at(2), (QVariantList{3, 0, 999, QString(), 999, QString(), 999, QString(), QString(),
                                            QStringLiteral("08.07.2024"), 0}));
}

TEST_F(EventEditorTest, ARecordWhoseTypedNamesFailToLoadDoesNotOpen)
{
    addEvent(ipra, {.typeId = 3, .name = QStringLiteral("Своё")});
    TOrgIpraPage& p = show(0);
    // The names typed before for the record's type are read as the editor opens.
    dm->adoqEvNmUsed->setText(QStringLiteral("select distinct name from no_such_table "
                                             "where typeid=:typeid and stypeid=:stypeid"));
    select(p.sgEvents2, 0);
    ASSERT_EQ(Msg::shown().size(), 1);
    EXPECT_TRUE(Msg::shown()[0].startsWith("error: ") && Msg::shown()[0].contains("no_such_table"))
        << Msg::shown()[0].toStdString();
    EXPECT_TRUE(p.pEvnt->isHidden());
}

TEST_F(EventEditorTest, SubtypesTheirRefusalAndTheTypedNamesOfSubtypeFour)
{
    const int dictionaryNamed = addEvent(ipra, {.typeId = 2, .stypeId = 4, .dicid = 3});
    addEvent(ipra, {.typeId = 2, .stypeId = 4, .name = QStringLiteral("Бассейн")});
    TOrgIpraPage& p = show(0);
    // Every subtype's records, no add row: a record is added once a subtype is chosen.
    ASSERT_EQ(p.sgEvents1->rowCount(), 3);
    EXPECT_EQ(p.sgEvents1->item(2, 1)->text(), QString());

    // A stored record of subtype 4 from the all-subtypes view: the subtype in the title,
    // the name typed by hand, the dictionary name not shown; saving keeps it.
    select(p.sgEvents1, 0);
    ASSERT_FALSE(p.pEvnt->isHidden());
    EXPECT_EQ(p.lEvntDesc->text(),
              QStringLiteral("Медицинская реабилитация/Иные мероприятия медицинской реабилитации"));
    EXPECT_TRUE(p.chbEvMan->isChecked());
    EXPECT_TRUE(p.cbEvName->isEditable());
    EXPECT_EQ(p.cbEvName->currentText(), QString());
    EXPECT_EQ(p.cbEvName->count(), 1); // the name typed before for this subtype
    EXPECT_EQ(p.cbEvName->itemText(0), QStringLiteral("Бассейн"));
    EXPECT_FALSE(p.cbSubType1->isEnabled()); // the grids stay as they are while it is open
    Msg::setNextAnswer(Msg::Yes);
    p.bEvSave->click();
    EXPECT_EQ(scalar(QStringLiteral("select dicid from k_evdt where id=%1").arg(dictionaryNamed)).toInt(), 3);
    EXPECT_TRUE(p.cbSubType1->isEnabled());
    ASSERT_EQ(p.sgEvents1->rowCount(), 3); // back on all subtypes: no add row
    EXPECT_EQ(p.sgEvents1->item(2, 1)->text(), QString());

    // A new record of subtype 4.
    pick(p.cbSubType1, 3);
    ASSERT_EQ(p.sgEvents1->rowCount(), 3);
    EXPECT_EQ(p.sgEvents1->item(2, 1)->text(), AddRow);
    select(p.sgEvents1, 2);
    EXPECT_EQ(p.lEvntDesc->text(),
              QStringLiteral("Медицинская реабилитация/Иные мероприятия медицинской реабилитации"));
    EXPECT_TRUE(p.chbEvMan->isChecked());
    EXPECT_TRUE(p.cbEvName->isEditable());
    EXPECT_EQ(p.pEvnt->property("tag").toInt(), 3);
    p.bEvCanc->click();
    ASSERT_EQ(p.sgEvents1->rowCount(), 3); // the subtype view stays
    EXPECT_EQ(p.sgEvents1->item(2, 1)->text(), AddRow);

    // The add row with no subtype chosen is refused.
    p.cbSubType1->setCurrentIndex(-1);
    select(p.sgEvents1, 2);
    EXPECT_EQ(Msg::shown(), QStringList({"question: Сохранить запись?", "error: Не выбран подтип мероприятия"}));
    EXPECT_TRUE(p.pEvnt->isHidden());

    // A stored record of another subtype from the all-subtypes view offers that subtype's names.
    addEvent(ipra, {.typeId = 2, .stypeId = 2, .dicid = 4});
    clickRow(0);
    select(p.sgEvents1, 2);
    EXPECT_EQ(p.lEvntDesc->text(), QStringLiteral("Медицинская реабилитация/Физиотерапия"));
    EXPECT_FALSE(p.chbEvMan->isChecked());
    EXPECT_EQ(p.cbEvName->count(), 3);
    EXPECT_EQ(p.cbEvName->currentText(), QStringLiteral("Магнитотерапия"));
}

TEST_F(EventEditorTest, AddingATypedNameToTheDictionary)
{
    TOrgIpraPage& p = show(0);
    const auto dictionary = [this] {
        return adminRows(QStringLiteral("select d.id, d.name, d.shname, l.type, l.subtype from rhb_dic d "
                                   "left join k_ev_dic l on l.evnt = d.id where d.id > 24 order by d.id"));
    };
    // A name picked from the list is in the dictionary already.
    select(p.sgEvents2, lastRow(p.sgEvents2));
    pick(p.cbEvName, 1);
    Msg::setNextAnswer(Msg::Yes);
    p.spbEvName->click();
    EXPECT_EQ(Msg::shown(), QStringList({"question: Добавить мероприятие в словарь?",
                                         "error: Мероприятие уже есть в словаре"}));
    p.bEvCanc->click();

    pick(p.cbSubType1, 3);
    select(p.sgEvents1, lastRow(p.sgEvents1));
    ASSERT_TRUE(p.cbEvName->isEditable());
    Msg::clearShown();
    Msg::setNextAnswer(Msg::Yes);
    p.spbEvName->click(); // no name
    EXPECT_EQ(Msg::shown(), QStringList({"question: Добавить мероприятие в словарь?",
                                         "error: Не указано название мероприятия"}));
    p.cbEvName->lineEdit()->insert(QStringLiteral("Скандинавская ходьба")); // as typed
    Msg::clearShown();
    p.spbEvName->click(); // answered No
    EXPECT_EQ(Msg::shown(), QStringList({"question: Добавить мероприятие в словарь?"}));
    EXPECT_EQ(dictionary(), QList<QVariantList>());
    Msg::setNextAnswer(Msg::Yes);
    p.spbEvName->click();
    const QString name = QStringLiteral("Скандинавская ходьба");
    EXPECT_EQ(dictionary(), (QList<QVariantList>{{25, name, name, 2, 4}}));
    // The open editor keeps the name as typed.
    EXPECT_TRUE(p.cbEvName->isEditable());
    EXPECT_EQ(p.cbEvName->currentText(), name);
    EXPECT_FALSE(dm->conPg.inTransaction());
}

TEST_F(EventEditorTest, DateChecksCorrectOnlyWholeDates)
{
    struct Case
    {
        const char* what;
        int gridNumber; // 1: type 2, 2: type 3, 4: type 99
        QString typed;
        QStringList errors;
        QString result;
    };
    const QString from = QStringLiteral("error: Дата выполнения не входит в период исполнения(PeriodFrom)");
    const QString to = QStringLiteral("error: Дата выполнения не входит в период исполнения(PeriodTo)");
    const QString issue = QStringLiteral("error: Дата выполнения раньше даты разработки ИПРА(IssueDate)");
    const Case cases[] = {
        {"before the start", 1, QStringLiteral("15.01.2025"), {}, QStringLiteral("15.01.2025")},
        {"before the period start", 1, QStringLiteral("15.02.2024"), {from}, QStringLiteral("01.03.2024")},
        {"after a real end", 1, QStringLiteral("01.02.2026"), {to}, QStringLiteral("31.12.2025")},
        {"open end", 2, QStringLiteral("01.01.2030"), {}, QStringLiteral("01.01.2030")},
        {"before the IPRA", 2, QStringLiteral("01.01.2024"), {issue}, QStringLiteral("10.02.2024")},
        {"before start and IPRA", 4, QStringLiteral("01.06.2023"), {from, issue}, QStringLiteral("10.02.2024")},
    };
    TOrgIpraPage& p = show(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTableWidget* grid = p.eventGrid(c.gridNumber);
        if (grid == p.sgEvents1)
            pick(p.cbSubType1, 0);
        select(grid, lastRow(grid));
        ASSERT_FALSE(p.pEvnt->isHidden());
        Msg::clearShown();
        QLineEdit* edit = p.dtEvExDate->lineEdit();
        edit->setFocus();
        // Nothing is checked while the date is only partly typed.
        QTest::keyClicks(edit, c.typed.left(9));
        EXPECT_EQ(Msg::shown(), QStringList());
        EXPECT_EQ(p.dtEvExDate->text(), QString());
        QTest::keyClicks(edit, c.typed.mid(9));
        EXPECT_EQ(Msg::shown(), QStringList(c.errors));
        EXPECT_EQ(p.dtEvExDate->text(), c.result);
        EXPECT_EQ(edit->text(), c.result);
        p.bEvCanc->click();
    }
    // "Сегодня" and "Очистить"; emptying raises nothing.
    select(p.sgEvents2, lastRow(p.sgEvents2));
    Msg::clearShown();
    p.dtEvExDate->showPopup();
    p.dtEvExDate->todayButton()->click();
    EXPECT_EQ(p.dtEvExDate->text(), Dates::format(Dates::today()));
    EXPECT_TRUE(p.dtEvExDate->popup()->isHidden());
    p.dtEvExDate->clearButton()->click();
    EXPECT_TRUE(p.dtEvExDate->isEmpty());
    EXPECT_EQ(p.dtEvExDate->lineEdit()->text(), QString());
    emit p.dtEvExDate->calendar()->clicked(QDate(2023, 3, 3));
    EXPECT_EQ(p.dtEvExDate->text(), QStringLiteral("10.02.2024"));
    EXPECT_EQ(Msg::shown(), QStringList({"error: Дата выполнения раньше даты разработки ИПРА(IssueDate)"}));
    // A partly typed text goes back to the date when the input is left.
    p.dtEvExDate->lineEdit()->setFocus();
    p.dtEvExDate->lineEdit()->setText(QStringLiteral("12.0"));
    p.mEvNote->setFocus();
    EXPECT_EQ(p.dtEvExDate->lineEdit()->text(), QStringLiteral("10.02.2024"));
}

TEST_F(EventEditorTest, RightsAndCaptionsByRoleLevel)
{
    addEvent(ipra, {.typeId = 3, .state = 2, .dicid = 11, .exid = 3, .resid = 1, .dt = QStringLiteral("2024-05-05")});
    addEvent(ipra, {.typeId = 3, .state = 3, .dicid = 11, .exid = 3, .resid = 1, .dt = QStringLiteral("2024-05-05")});
    struct Case
    {
        uint8_t lvl;
        int row; // 0 sent, 1 accepted, 2 the add row
        bool enabled;
    };
    const Case cases[] = {
        {0, 0, false}, {0, 1, false}, {0, 2, true},
        {8, 0, true}, {8, 1, false}, {8, 2, false},
        {10, 0, true}, {10, 1, true}, {10, 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "level " << int(c.lvl) << ", row " << c.row);
        TOrgIpraPage& p = show(c.lvl);
        select(p.sgEvents2, c.row);
        ASSERT_FALSE(p.pEvnt->isHidden());
        for (QWidget* w : std::initializer_list<QWidget*>{p.cbEvName, p.spbEvName, p.dtEvExDate, p.cbEvExecut,
                                                          p.cbEvRes, p.mEvRes, p.mEvNote, p.bEvSave, p.bEvEnd,
                                                          p.bEvDel})
            EXPECT_EQ(w->isEnabled(), c.enabled) << w->objectName().toStdString();
        for (QCheckBox* box : {p.chbEvMan, p.chbExMan, p.chbResVar})
            EXPECT_EQ(box->isEnabled(), c.enabled && c.lvl >= 5) << box->objectName().toStdString();
        EXPECT_TRUE(p.bEvCanc->isEnabled());
        EXPECT_EQ(p.bEvSave->text(), c.lvl == 8 ? QStringLiteral("Отклонить") : QStringLiteral("Сохранить"));
        EXPECT_EQ(p.bEvEnd->text(), c.lvl == 8 ? QStringLiteral("Принять") : QStringLiteral("Закрыть/отправить"));
        p.bEvCanc->click();
        EXPECT_TRUE(p.bEvSave->isEnabled()); // enabled again once closed
    }
}

TEST_F(EventEditorTest, ActionsByRoleLevelStateButtonAndAnswer)
{
    enum Button { Save, End, Delete };
    struct Case
    {
        const char* what;
        uint8_t lvl;
        int state;            // the stored record's state; -1 for a new record
        Button button;
        Msg::Answer answer;
        int storedState;      // afterwards; -1 for no row
        QStringList shown;
        bool stillOpen;
    };
    const QString save = QStringLiteral("question: Сохранить запись?");
    const QString del = QStringLiteral("question: Удалить запись?");
    const Case cases[] = {
        {"level 0 closes a new record", 0, -1, End, Msg::Yes, 2, {save}, false},
        {"level 0 answers No", 0, -1, End, Msg::No, -1, {save}, false},
        {"level 0 saves a new record", 0, -1, Save, Msg::Yes, 0, {save}, false},
        {"level 0 sends a returned record", 0, 1, End, Msg::Yes, 2, {save}, false},
        {"level 0 refuses to save", 0, 0, Save, Msg::No, 0, {save}, false},
        {"level 0 deletes", 0, 0, Delete, Msg::Yes, -1, {del}, false},
        {"level 0 keeps it", 0, 0, Delete, Msg::No, 0, {del}, true},
        {"level 8 returns", 8, 2, Save, Msg::Yes, 1, {save}, false},
        {"level 8 accepts", 8, 2, End, Msg::Yes, 3, {save}, false},
        {"level 8 answers No", 8, 2, End, Msg::No, 2, {save}, false},
        {"level 8 cannot delete", 8, 2, Delete, Msg::Yes, 2, {}, true},
        {"level 10 closes", 10, 3, End, Msg::Yes, 0, {save}, false},
        {"level 10 saves", 10, 2, Save, Msg::Yes, 2, {save}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        exec(QStringLiteral("delete from k_evdt"));
        if (c.state >= 0)
            addCompleteRecord(c.state);
        TOrgIpraPage& p = show(c.lvl);
        select(p.sgEvents2, c.state >= 0 ? 0 : lastRow(p.sgEvents2));
        ASSERT_FALSE(p.pEvnt->isHidden());
        if (c.state < 0)
            fillComplete(p);
        Msg::clearShown();
        Msg::setNextAnswer(c.answer);
        (c.button == Save ? p.bEvSave : c.button == End ? p.bEvEnd : p.bEvDel)->click();
        EXPECT_EQ(Msg::shown(), c.shown);
        EXPECT_EQ(!p.pEvnt->isHidden(), c.stillOpen);
        const QList<QVariantList> after = rows(QStringLiteral("select state from k_evdt"));
        if (c.storedState < 0) {
            EXPECT_EQ(after, QList<QVariantList>());
        } else {
            ASSERT_EQ(after.size(), 1);
            EXPECT_EQ(after[0][0].toInt(), c.storedState);
        }
        if (!c.stillOpen) {
            // The grid shows what is stored, in the state's colour.
            const int records = int(after.size());
            ASSERT_EQ(p.sgEvents2->rowCount(), records + 1);
            if (records) {
                EXPECT_EQ(p.sgEvents2->item(0, 5)->text(), QString::number(c.storedState));
            }
        }
        Msg::setAutomatic(true); // drops an answer the case did not use
    }
}

TEST_F(EventEditorTest, ClosingWithRequiredFieldsMissing)
{
    TOrgIpraPage& p = show(0);
    select(p.sgEvents2, lastRow(p.sgEvents2));
    fillComplete(p);
    p.cbEvExecut->setCurrentIndex(-1);
    Msg::clearShown();
    p.bEvEnd->click();
    EXPECT_EQ(Msg::shown(), QStringList({"error: Не заполнены необходимые поля"}));
    EXPECT_FALSE(p.pEvnt->isHidden());
    EXPECT_EQ(stored(), QList<QVariantList>());
    // An empty date is stored as 30.12.1899, and the following save keeps state 0.
    p.dtEvExDate->clear();
    pick(p.cbEvExecut, 1);
    p.mEvNote->setPlainText(QString(70, QLatin1Char('x')));
    EXPECT_EQ(p.mEvNote->toPlainText().size(), 64);
    Msg::setNextAnswer(Msg::Yes);
    p.bEvSave->click();
    EXPECT_TRUE(p.pEvnt->isHidden());
    // The first names of the lists: "Кохлеарная имплантация", "ОГБУЗ \"ГБ г. Костромы\"", "Выполнено".
    EXPECT_EQ(stored(), (QList<QVariantList>{{3, 0, 14, QString(), 4, QString(), 1,
                                              QString(), QString(64, QLatin1Char('x')), QStringLiteral("30.12.1899"),
                                              0}}));
    EXPECT_EQ(p.sgEvents2->item(0, 3)->text(), QString()); // an empty date cell
    EXPECT_EQ(p.sgEvents2->item(0, 2)->text(), QStringLiteral("ОГБУЗ \"ГБ г. Костромы\""));
}

TEST_F(EventEditorTest, TheListFollowsAndStaysOnTheIpra)
{
    const int sooner = addIpra({.prgnum = QStringLiteral("B"), .prgdt = QStringLiteral("2024-09-09")});
    addEvent(sooner, {.typeId = 3, .state = 2});
    addCompleteRecord(2);
    TOrgIpraPage& p = show(8);
    ASSERT_EQ(listed(), QStringList({"B", "A"}));
    ASSERT_EQ(dm->adoqOrgIpra->recNo(), 1);
    // Returned: the IPRA is in state 2 and stays the current row.
    select(p.sgEvents2, 0);
    Msg::setNextAnswer(Msg::Yes);
    p.bEvSave->click();
    EXPECT_EQ(dm->adoqOrgIpra->recNo(), 1);
    EXPECT_EQ(dm->adoqOrgIpra->asInteger(QStringLiteral("state")), 2);
    EXPECT_EQ(list()->currentIndex().row(), 1);

    // The review empties the executor and saves what is then in progress: the IPRA
    // leaves the review's list, which goes back to its first row.
    exec(QStringLiteral("update k_evdt set state = 2 where prgid = %1").arg(ipra));
    clickRow(1);
    select(p.sgEvents2, 0);
    p.cbEvExecut->setCurrentIndex(-1);
    p.bEvEnd->click();
    Msg::setNextAnswer(Msg::Yes);
    p.bEvSave->click();
    EXPECT_EQ(scalar(QStringLiteral("select state from k_evdt where prgid = %1").arg(ipra)).toInt(), 0);
    EXPECT_EQ(listed(), QStringList({"B"}));
    EXPECT_EQ(dm->adoqOrgIpra->recNo(), 0);
}

TEST_F(EventEditorTest, RecordsGoBackAndForthBetweenTheOrganisationAndTheReview)
{
    const auto ipraState = [this] {
        return scalar(QStringLiteral("select state from kv_ipra_mo where id = %1").arg(ipra)).toInt();
    };
    // The IPRA's row among the distributed ones, as a level-5 user sees it (not selected).
    const auto distributionColour = [this] {
        open(5);
        TDistributePage& d = *window->tsDistribute;
        window->pcMain->setCurrentWidget(&d);
        d.rgrpDistIpraItems->button(2)->click();
        EXPECT_EQ(dm->adoqDistrIpra->recordCount(), 1);
        QTableView* grid = d.dbgDistrIpra;
        grid->clearSelection();
        grid->resize(grid->width(), 300);
        const QImage image = grid->viewport()->grab().toImage();
        const QRect cell = grid->visualRect(grid->model()->index(0, 5)); // surname
        return image.pixelColor(cell.topLeft() + QPoint(2, 2));
    };
    // Level 0 records two events and sends them.
    TOrgIpraPage* p = &show(0);
    for (int i = 0; i < 2; ++i) {
        select(p->sgEvents2, lastRow(p->sgEvents2));
        fillComplete(*p);
        pick(p->cbEvName, i);
        Msg::setNextAnswer(Msg::Yes);
        p->bEvSave->click();
    }
    EXPECT_EQ(ipraState(), 1);
    list()->clearSelection();
    EXPECT_EQ(listColour(0), rgb(250, 234, 180));
    EXPECT_EQ(distributionColour(), rgb(250, 234, 180));
    p = &show(0);
    for (int row = 0; row < 2; ++row) {
        select(p->sgEvents2, row);
        Msg::setNextAnswer(Msg::Yes);
        p->bEvEnd->click();
    }
    EXPECT_EQ(ipraState(), 3);
    EXPECT_EQ(gridColour(p->sgEvents2, 0, 1), rgb(133, 205, 129));
    select(p->sgEvents2, 0); // sent: view only for level 0
    EXPECT_FALSE(p->bEvSave->isEnabled());
    p->bEvCanc->click();
    list()->clearSelection();
    EXPECT_EQ(listColour(0), rgb(133, 205, 129));
    EXPECT_EQ(distributionColour(), rgb(133, 205, 129));

    // The review returns the first and accepts the second.
    p = &show(8);
    ASSERT_EQ(listed(), QStringList({"A"}));
    select(p->sgEvents2, 0);
    Msg::setNextAnswer(Msg::Yes);
    p->bEvSave->click();
    select(p->sgEvents2, 1);
    Msg::setNextAnswer(Msg::Yes);
    p->bEvEnd->click();
    EXPECT_EQ(ipraState(), 2);
    EXPECT_EQ(gridColour(p->sgEvents2, 0, 1), rgb(255, 128, 64));
    EXPECT_EQ(gridColour(p->sgEvents2, 1, 1), rgb(184, 238, 245));
    list()->clearSelection();
    EXPECT_EQ(listColour(0), rgb(255, 128, 64));
    EXPECT_EQ(distributionColour(), rgb(255, 128, 64));

    // The organisation corrects the returned one and sends it again; the review accepts.
    p = &show(0);
    select(p->sgEvents2, 0);
    ASSERT_TRUE(p->bEvEnd->isEnabled());
    pick(p->cbEvRes, 2);
    Msg::setNextAnswer(Msg::Yes);
    p->bEvEnd->click();
    EXPECT_EQ(ipraState(), 3);
    list()->clearSelection();
    EXPECT_EQ(listColour(0), rgb(133, 205, 129));
    EXPECT_EQ(distributionColour(), rgb(133, 205, 129));
    p = &show(8);
    select(p->sgEvents2, 0);
    Msg::setNextAnswer(Msg::Yes);
    p->bEvEnd->click();
    EXPECT_EQ(ipraState(), 4);
    list()->clearSelection();
    EXPECT_EQ(listColour(0), rgb(184, 238, 245));
    EXPECT_EQ(distributionColour(), rgb(184, 238, 245));
    EXPECT_EQ(rows(QStringLiteral("select state, resid from k_evdt order by id")),
              (QList<QVariantList>{{3, 3}, {3, 1}}));
    EXPECT_EQ(Msg::shown().filter(QStringLiteral("error:")), QStringList());
}

// Every action on a record that another workstation changed or deleted after the grid was
// filled writes nothing, says so, and leaves the grid showing the record as stored now.
TEST_F(EventEditorTest, ActionsOnARecordChangedOrDeletedElsewhereWriteNothing)
{
    enum Button { Save, End, Delete };
    struct Case
    {
        const char* what;
        uint8_t lvl;
        int state; // the stored record's
        Button button;
    };
    // The review's list stays the review's for the rest of the run: its cases come last.
    const Case cases[] = {
        {"save", 0, 0, Save},
        {"close and send", 0, 0, End},
        {"delete", 0, 0, Delete},
        {"return", 8, 2, Save},
        {"accept", 8, 2, End},
    };
    const QString question[] = {QStringLiteral("question: Сохранить запись?"),
                                QStringLiteral("question: Сохранить запись?"),
                                QStringLiteral("question: Удалить запись?")};
    OtherWorkstation other;
    for (const Case& c : cases) {
        for (const bool deleted : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.what << (deleted ? ", deleted elsewhere" : ", changed elsewhere"));
            exec(QStringLiteral("delete from k_evdt"));
            const int key = addCompleteRecord(c.state);
            TOrgIpraPage& p = show(c.lvl);
            select(p.sgEvents2, 0);
            ASSERT_FALSE(p.pEvnt->isHidden());
            p.mEvNote->setPlainText(QStringLiteral("здесь"));
            other.exec((deleted ? QStringLiteral("delete from k_evdt where id = %1")
                                : QStringLiteral("update k_evdt set dt = '2024-07-07', note = 'там' where id = %1"))
                           .arg(key));
            const QList<QVariantList> left = stored();
            Msg::clearShown();
            Msg::setNextAnswer(Msg::Yes);
            QTest::mouseClick(c.button == Save ? p.bEvSave : c.button == End ? p.bEvEnd : p.bEvDel, Qt::LeftButton);
            EXPECT_EQ(Msg::shown(), QStringList({question[c.button],
                                                 "error: Запись изменена или удалена на другом рабочем месте"}));
            EXPECT_EQ(stored(), left);
            EXPECT_TRUE(p.pEvnt->isHidden());
            // The grid as stored now: the other workstation's date, or no record at all.
            ASSERT_EQ(p.sgEvents2->rowCount(), deleted ? 1 : 2);
            if (!deleted) {
                EXPECT_EQ(cell(p.sgEvents2, 0, 3), QStringLiteral("07.07.2024"));
                EXPECT_EQ(cell(p.sgEvents2, 0, 5), QString::number(c.state));
            }
            EXPECT_EQ(cell(p.sgEvents2, p.sgEvents2->rowCount() - 1, 1), AddRow);
        }
    }
}

// "Закрыть/отправить" or "Принять" whose save the server refuses leaves the record in
// memory as it was: the save that follows stores the state of its own button.
TEST_F(EventEditorTest, AFailedCloseOrAcceptLeavesTheRecordAsItWas)
{
    struct Case
    {
        const char* what;
        uint8_t lvl;
        int state;      // the stored record's; -1 for a new record
        int refused;    // the state the server refuses to store
        int afterSave;  // what the following "Сохранить" / "Отклонить" stores
    };
    const Case cases[] = {
        {"level 0 sends a new record", 0, -1, 2, 0},
        {"level 0 sends a returned record", 0, 1, 2, 1},
        {"level 8 accepts", 8, 2, 3, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        exec(QStringLiteral("delete from k_evdt"));
        if (c.state >= 0)
            addCompleteRecord(c.state);
        adminExec(QStringLiteral("create or replace function refuse_state() returns trigger language plpgsql as $$ "
                                 "begin if new.state = %1 then raise exception 'состояние %1 не принято'; end if; "
                                 "return new; end $$; "
                                 "create trigger refuse_state before insert or update on k_evdt "
                                 "for each row execute function refuse_state()")
                 .arg(c.refused));
        TOrgIpraPage& p = show(c.lvl);
        select(p.sgEvents2, c.state >= 0 ? 0 : lastRow(p.sgEvents2));
        ASSERT_FALSE(p.pEvnt->isHidden());
        if (c.state < 0)
            fillComplete(p);
        const QList<QVariantList> before = stored();
        Msg::clearShown();
        Msg::setNextAnswer(Msg::Yes);
        QTest::mouseClick(p.bEvEnd, Qt::LeftButton);
        EXPECT_EQ(Msg::shown().filter(QStringLiteral("не принято")).size(), 1) << "the server's refusal is shown";
        EXPECT_EQ(stored(), before);
        EXPECT_FALSE(p.pEvnt->isHidden()) << "the editor stays open";

        adminExec(QStringLiteral("drop trigger refuse_state on k_evdt"));
        Msg::clearShown();
        Msg::setNextAnswer(Msg::Yes);
        QTest::mouseClick(p.bEvSave, Qt::LeftButton);
        EXPECT_EQ(Msg::shown(), QStringList({"question: Сохранить запись?"}));
        EXPECT_EQ(rows(QStringLiteral("select state from k_evdt")), (QList<QVariantList>{{c.afterSave}}));
        EXPECT_TRUE(p.pEvnt->isHidden());
    }
}

// A save whose refill of the grid fails leaves the editor open; saving again writes the
// same row: no twin of a new record, no change of its own taken for one made elsewhere.
TEST_F(EventEditorTest, ASecondSaveAfterAFailedRefillWritesTheSameRow)
{
    for (const bool fresh : {true, false}) {
        SCOPED_TRACE(fresh ? "a new record" : "a stored record");
        exec(QStringLiteral("delete from k_evdt"));
        if (!fresh)
            addEvent(ipra, {.typeId = 3, .dicid = 12, .exid = 5, .resid = 2});
        // The write takes the dictionary view away, so the refill that follows fails. With the
        // administrator's rights: the program's role may not alter the view.
        adminExec(QStringLiteral("create or replace function hide_dictionary() returns trigger language plpgsql "
                                 "security definer as $$ "
                                 "begin alter view kv_rhb_dic rename to kv_rhb_dic_away; return null; end $$; "
                                 "create trigger hide_dictionary after insert or update on k_evdt "
                                 "for each statement execute function hide_dictionary()"));
        TOrgIpraPage& p = show(0);
        select(p.sgEvents2, fresh ? lastRow(p.sgEvents2) : 0);
        ASSERT_FALSE(p.pEvnt->isHidden());
        if (fresh)
            fillComplete(p);
        p.mEvNote->setPlainText(QStringLiteral("первое"));
        Msg::clearShown();
        Msg::setNextAnswer(Msg::Yes);
        QTest::mouseClick(p.bEvSave, Qt::LeftButton);
        EXPECT_EQ(Msg::shown().filter(QStringLiteral("kv_rhb_dic")).size(), 1) << "the refill's error is shown";
        EXPECT_FALSE(p.pEvnt->isHidden());
        const QList<QVariantList> first = rows(QStringLiteral("select id, note from k_evdt"));
        ASSERT_EQ(first.size(), 1);
        EXPECT_EQ(first[0][1], QStringLiteral("первое"));

        adminExec(QStringLiteral("drop trigger hide_dictionary on k_evdt; "
                                 "alter view kv_rhb_dic_away rename to kv_rhb_dic"));
        p.mEvNote->setPlainText(QStringLiteral("второе"));
        Msg::clearShown();
        Msg::setNextAnswer(Msg::Yes);
        QTest::mouseClick(p.bEvSave, Qt::LeftButton);
        EXPECT_EQ(Msg::shown(), QStringList({"question: Сохранить запись?"}));
        EXPECT_EQ(rows(QStringLiteral("select id, note from k_evdt")),
                  (QList<QVariantList>{{first[0][0], QStringLiteral("второе")}}));
        EXPECT_TRUE(p.pEvnt->isHidden());
        EXPECT_EQ(p.sgEvents2->rowCount(), 2);
    }
}
