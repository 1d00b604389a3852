#include "orgipra_fixture.h"

using namespace StoredIpra;

TEST_F(OrgIpraPageTest, EachRoleLevelListsItsIpras)
{
    const int sentOwn = addIpra({.prgnum = QStringLiteral("own-sent"), .prgdt = QStringLiteral("2024-05-01")});
    addEvent(sentOwn, {.state = 2});
    addIpra({.prgnum = QStringLiteral("own-new"), .prgdt = QStringLiteral("2024-06-01")});
    const int acceptedOwn =
        addIpra({.prgnum = QStringLiteral("own-accepted"), .prgdt = QStringLiteral("2024-04-01")});
    addEvent(acceptedOwn, {.state = 3});
    const int returnedOther = addIpra(
        {.prgnum = QStringLiteral("other-returned"), .prgdt = QStringLiteral("2024-03-01"), .respMoId = 5});
    addEvent(returnedOther, {.state = 1});
    const int sentOther = addIpra(
        {.prgnum = QStringLiteral("other-sent"), .prgdt = QStringLiteral("2024-07-01"), .respMoId = 5});
    addEvent(sentOther, {.state = 2});
    const int progressOther = addIpra(
        {.prgnum = QStringLiteral("other-progress"), .prgdt = QStringLiteral("2024-02-01"), .respMoId = 5});
    addEvent(progressOther, {.state = 0});
    addIpra({.prgnum = QStringLiteral("unassigned"), .respMoId = 0});

    open(0);
    EXPECT_EQ(listed(), QStringList({"own-new", "own-sent", "own-accepted"})); // newest first
    EXPECT_EQ(list()->currentIndex().row(), 0);
    open(0, 5);
    EXPECT_EQ(listed(), QStringList({"other-sent", "other-returned", "other-progress"}));
    open(8);
    // States 2, 3 and 4 of every organisation: returned, sent, accepted records.
    EXPECT_EQ(listed(), QStringList({"other-sent", "own-sent", "own-accepted", "other-returned"}));
    EXPECT_EQ(Msg::shown(), QStringList());

    // The columns, their titles and the hidden ones.
    const QAbstractItemModel* model = list()->model();
    ASSERT_EQ(model->columnCount(), 21);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("№ ИПРА"));
    EXPECT_EQ(model->headerData(15, Qt::Horizontal).toString(), QStringLiteral("Направившая организация"));
    EXPECT_EQ(model->headerData(19, Qt::Horizontal).toString(), QStringLiteral("Дата выдачи"));
    EXPECT_EQ(list()->columnWidth(0), 108);
    EXPECT_EQ(list()->columnWidth(12), 75);
    QList<int> hidden;
    for (int c = 0; c < model->columnCount(); ++c)
        if (list()->isColumnHidden(c))
            hidden << c;
    EXPECT_EQ(hidden, (QList<int>{2, 3, 4, 9, 11, 14, 16, 18, 20}));
}

TEST_F(OrgIpraPageTest, ListColoursFollowStateEndDateAndSelection)
{
    struct Case
    {
        const char* what;
        QString enddt;
        int recordState; // -1: no record (IPRA state 0)
        QColor colour;   // with AlertPeriodMonths 2
    };
    const Case cases[] = {
        {"selected, in the alert colour", daysFromToday(10), -1, QColor()},
        {"ends in 91 days", daysFromToday(91), -1, Alert},
        {"ended 91 days ago", daysFromToday(-91), -1, Alert},
        {"ends in 92 days", daysFromToday(92), -1, rgb(255, 255, 255)},
        {"in progress", daysFromToday(400), 0, rgb(250, 234, 180)},
        {"returned, never in the alert colour", daysFromToday(5), 1, rgb(255, 128, 64)},
        {"sent", daysFromToday(400), 2, rgb(133, 205, 129)},
        {"accepted", daysFromToday(400), 3, rgb(184, 238, 245)},
        {"sent without end", QStringLiteral("0001-01-01"), 2, rgb(133, 205, 129)},
    };
    int n = 0;
    for (const Case& c : cases) {
        // Listed newest first: the first case on top.
        const int id = addIpra({.prgnum = QString::fromUtf8(c.what),
                                .prgdt = QDate(2024, 12, 31).addDays(-n++).toString(Qt::ISODate),
                                .enddt = c.enddt});
        if (c.recordState >= 0)
            addEvent(id, {.state = c.recordState});
    }
    open(0);
    ASSERT_EQ(listed().size(), int(std::size(cases)));
    list()->setFocus();
    AlertPeriodMonths = 2;
    const QColor highlight = list()->palette().color(QPalette::Active, QPalette::Highlight);
    for (int row = 0; row < int(std::size(cases)); ++row) {
        SCOPED_TRACE(cases[row].what);
        const QColor expected = row == 0 ? highlight : cases[row].colour;
        EXPECT_EQ(listColour(row).name(), expected.name());
    }
    // With no months at all only end dates under 31 days away are flagged.
    AlertPeriodMonths = 0;
    exec(QStringLiteral("update k_ipra_mo set enddt = '%1' where prgid = (select id from prg where "
                        "prgnum = 'ends in 91 days')").arg(daysFromToday(30)));
    exec(QStringLiteral("update k_ipra_mo set enddt = '%1' where prgid = (select id from prg where "
                        "prgnum = 'ended 91 days ago')").arg(daysFromToday(-31)));
    page().tsOrgIpraShow();
    EXPECT_EQ(listColour(1).name(), Alert.name());
    EXPECT_EQ(listColour(2).name(), QColor(Qt::white).name());
}

TEST_F(OrgIpraPageTest, ClickShowsTheHolderTheRepresentativeAndTheInformationBox)
{
    const int id = addIpra({.prgnum = QStringLiteral("0007.1.44/2024"), .prgdt = QStringLiteral("2024-03-05"),
                            .lname = QStringLiteral(" Смирнова "), .fname = QStringLiteral("Анна"),
                            .sname = QStringLiteral("Петровна "), .snils = QStringLiteral("123-456-789 01"),
                            .bdate = QStringLiteral("1961-05-04"), .docnum = QStringLiteral("П-77"),
                            .docdt = QStringLiteral("2024-02-01"), .sendMo = QStringLiteral("ГБ г. Костромы")});
    const int holder = addPerson(id, 0);
    addDoc(holder, QStringLiteral("Паспорт"), QStringLiteral("3405"), QStringLiteral("123456"),
           QStringLiteral("УФМС"), QStringLiteral("2006-07-08"));
    addAddress(holder, 1, QStringLiteral("Кострома, Мира 1"), QStringLiteral("111"));
    addAddress(holder, 7, QStringLiteral("Кострома, Лесная 3"), QStringLiteral("222"));
    const int repr = addPerson(id, 1, QStringLiteral("Смирнов"), QStringLiteral("Олег"), QStringLiteral("Ильич"));
    addDoc(repr, QStringLiteral("Паспорт"), QStringLiteral("3401"), QStringLiteral("1"), QStringLiteral("ОВД"),
           QStringLiteral("2001-01-02"));
    addDoc(repr, QStringLiteral("Доверенность"), QString(), QStringLiteral("7"), QStringLiteral("Нотариус"),
           QStringLiteral("2023-01-02"));
    const int bare = addIpra({.prgnum = QStringLiteral("bare"), .prgdt = QStringLiteral("2023-01-01")});
    addPerson(bare, 1); // a representative without documents

    TOrgIpraPage& p = open(0);
    EXPECT_TRUE(p.pOrgPers->isHidden());
    EXPECT_TRUE(p.pOrgIpraInfo->isHidden());
    EXPECT_TRUE(p.pOrgEvnts->isHidden());
    clickRow(0);
    ASSERT_EQ(Msg::shown(), QStringList());
    ASSERT_TRUE(CurrentPrg);
    EXPECT_EQ(CurrentPrg->id, id);
    EXPECT_FALSE(p.pOrgPers->isHidden());
    EXPECT_EQ(p.lOrgPersFio->text(), QStringLiteral("Смирнова Анна Петровна"));
    EXPECT_EQ(p.lOrgPersFio->width(), p.mOrgPersDoc->width());
    EXPECT_TRUE(p.lOrgPersFio->wordWrap());
    EXPECT_EQ(p.lOrgPersBDate->text(), QStringLiteral("04.05.1961"));
    EXPECT_EQ(p.lOrgPersSnils->text(), QStringLiteral("123-456-789 01"));
    EXPECT_EQ(p.mOrgPersDoc->toPlainText(),
              QStringLiteral("Паспорт\nСерия: 3405 Номер: 123456\nВыдан УФМС\nДата выдачи 08.07.2006"));
    EXPECT_EQ(p.mOrgPersAddr->toPlainText(),
              QStringLiteral("Адрес места жительства\nКострома, Мира 1\nТелефон: 111\n---\n"
                             "Адрес (тип 7)\nКострома, Лесная 3\nТелефон: 222\n---"));
    EXPECT_FALSE(p.pOrgRepr->isHidden());
    EXPECT_EQ(p.lOrgReprFio->text(), QStringLiteral("Смирнов Олег Ильич"));
    // The c of "cерия" is the Latin letter.
    const QString reprDocs = QStringLiteral("Паспорт; c") + QStringLiteral("ерия: 3401; номер: 1; выдан ОВД, 02.01.2001\n"
                                                                          "Доверенность; c") +
                             QStringLiteral("ерия: ; номер: 7; выдан Нотариус, 02.01.2023");
    EXPECT_EQ(p.mOrgReprDoc->toPlainText(), reprDocs);
    EXPECT_EQ(p.mOrgReprDoc->toolTip(), reprDocs);
    EXPECT_EQ(p.mOrgReprDoc->toPlainText().at(9), QLatin1Char('c'));
    EXPECT_FALSE(p.pOrgIpraInfo->isHidden());
    EXPECT_EQ(p.lDescIpraNum->text(), QStringLiteral("0007.1.44/2024"));
    EXPECT_EQ(p.lDescDtIpra->text(), QStringLiteral("05.03.2024"));
    EXPECT_EQ(p.lDescNumProt->text(), QStringLiteral("П-77"));
    EXPECT_EQ(p.lDescDtProt->text(), QStringLiteral("01.02.2024"));
    EXPECT_EQ(p.lOrgSendMoDesc->text(), QStringLiteral("Направившая организация"));
    EXPECT_EQ(p.lOrgSendMO->text(), QStringLiteral("ГБ г. Костромы"));
    EXPECT_FALSE(p.pOrgEvnts->isHidden());
    EXPECT_EQ(visibleTabs(), QStringList()); // no event groups

    // A representative without documents: the panel with an empty memo and hint. No
    // holder row: an empty holder.
    clickRow(1);
    EXPECT_EQ(CurrentPrg->id, bare);
    EXPECT_FALSE(p.pOrgRepr->isHidden());
    EXPECT_EQ(p.mOrgReprDoc->toPlainText(), QString());
    EXPECT_EQ(p.mOrgReprDoc->toolTip(), QString());
    EXPECT_EQ(p.mOrgPersDoc->toPlainText(), QString());
    EXPECT_EQ(p.mOrgPersAddr->toPlainText(), QString());

    // Without a representative the panel hides.
    adminExec(QStringLiteral("delete from k_person where prgid = %1 and ptype = 1").arg(bare));
    clickRow(1);
    EXPECT_TRUE(p.pOrgRepr->isHidden());
    EXPECT_EQ(Msg::shown(), QStringList());
}

TEST_F(OrgIpraPageTest, ReviewSeesTheResponsibleOrganisation)
{
    const int id = addIpra({.respMoId = 5, .respMo = QStringLiteral("ОГБУЗ \"Галичская ОБ\"")});
    addEvent(id, {.state = 2});
    TOrgIpraPage& p = open(8);
    clickRow(0);
    EXPECT_EQ(p.lOrgSendMoDesc->text(), QStringLiteral("Ответственная организация:"));
    EXPECT_EQ(p.lOrgSendMO->text(), QStringLiteral("ОГБУЗ \"Галичская ОБ\""));
}

TEST_F(OrgIpraPageTest, ClicksThatChangeNothing)
{
    TOrgIpraPage& p = open(0);
    ASSERT_EQ(listed(), QStringList());
    clickRow(0); // an empty list
    p.dbgOrgIpraCellClick();
    EXPECT_FALSE(CurrentPrg);
    EXPECT_TRUE(p.pOrgPers->isHidden());

    const int first = addIpra({.prgnum = QStringLiteral("first"), .prgdt = QStringLiteral("2024-02-01")});
    const int second = addIpra({.prgnum = QStringLiteral("second"), .prgdt = QStringLiteral("2024-01-01")});
    page().tsOrgIpraShow();
    clickRow(0);
    ASSERT_EQ(CurrentPrg->id, first);
    // The panels keep the IPRA across a new run of the list.
    page().tsOrgIpraShow();
    EXPECT_EQ(p.lDescIpraNum->text(), QStringLiteral("first"));

    // With the editor open a click on another IPRA changes nothing.
    p.pEvnt->show();
    clickRow(1);
    EXPECT_EQ(CurrentPrg->id, first);
    EXPECT_EQ(p.lDescIpraNum->text(), QStringLiteral("first"));
    p.pEvnt->hide();

    // An IPRA that cannot be read: the error, and the page still shows the one before.
    adminExec(QStringLiteral("delete from k_ipra_evnt where prgid = %1; delete from k_evdt where prgid = %1; "
                        "delete from k_ipra_mo where prgid = %1; delete from prg where id = %1")
             .arg(second));
    Msg::clearShown();
    clickRow(1);
    ASSERT_EQ(Msg::shown().size(), 1);
    EXPECT_TRUE(Msg::shown().at(0).startsWith(QStringLiteral("error: ")));
    EXPECT_EQ(CurrentPrg->id, first);
    EXPECT_EQ(p.lDescIpraNum->text(), QStringLiteral("first"));
}

TEST_F(OrgIpraPageTest, EventTypesShowTheirPeriodsAlertsAndRecords)
{
    const int id = addIpra();
    addGroup(id, 99, QStringLiteral("1899-12-30"), QStringLiteral("2030-05-01"));
    addGroup(id, 3, QStringLiteral("1899-12-30"), QStringLiteral("0001-01-01"));
    addGroup(id, 2, QStringLiteral("2024-03-01"), daysFromToday(20));
    // Type 3 has no subtypes; type 2 has.
    const int r1 = addEvent(id, {.typeId = 3, .state = 0, .dicid = 11, .exid = 3, .resid = 1,
                                 .dt = QStringLiteral("2024-05-06")});
    const int r2 = addEvent(id, {.typeId = 3, .state = 2, .dicid = 999, .name = QString(), .exid = 999,
                                 .exname = QStringLiteral("Своя"), .resid = 999});
    const int r3 = addEvent(id, {.typeId = 2, .stypeId = 2, .state = 1, .dicid = 3, .exid = 5, .resid = 2,
                                 .dt = QStringLiteral("2024-06-07")});
    const int r4 = addEvent(id, {.typeId = 2, .stypeId = 3, .state = 3, .name = QStringLiteral("Плавание"),
                                 .exname = QStringLiteral("Бассейн"), .resdesc = QStringLiteral("Проведено")});
    const int r5 = addEvent(id, {.typeId = 2, .stypeId = 2, .state = 0, .dicid = 4});

    TOrgIpraPage& p = open(0);
    AlertPeriodMonths = 1;
    clickRow(0);
    ASSERT_EQ(Msg::shown(), QStringList());
    EXPECT_EQ(visibleTabs(), QStringList({"tsMedReab", "tsRecHir", "tsSanCur"}));
    EXPECT_EQ(p.pcEvnts->currentIndex(), 0);
    EXPECT_EQ(p.lTerm1->text(), QStringLiteral("01.03.2024-") + Dates::format(Dates::today() + 20));
    EXPECT_EQ(p.lTerm2->text(), QStringLiteral("Бессрочно"));
    EXPECT_EQ(p.lTerm4->text(), QStringLiteral("30.12.1899-01.05.2030"));
    // The period of type 2 ends in 20 days: its page and tab in the alert colour.
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    EXPECT_EQ(p.tsMedReab->palette().color(QPalette::Window), Alert);
    EXPECT_EQ(p.eventTabBar()->tabColour(0), Alert);
    EXPECT_EQ(p.tsRecHir->palette().color(QPalette::Window), buttonFace);
    EXPECT_EQ(p.eventTabBar()->tabColour(1), buttonFace);
    EXPECT_EQ(p.eventTabBar()->tabColour(3), buttonFace);

    // The subtypes of type 2 in the order of their ids; none chosen.
    EXPECT_EQ(p.cbSubType1->count(), 5);
    EXPECT_EQ(p.cbSubType1->itemText(1), QStringLiteral("Физиотерапия"));
    EXPECT_EQ(p.cbSubType1->currentIndex(), -1);
    EXPECT_EQ(p.SubtypeIds[0], (QVector<qint32>{1, 2, 3, 4, 5}));
    EXPECT_EQ(p.cbSubType2->count(), 0);

    // A type without subtypes: its records, then the add row. Ids not in the lists show
    // the record's own text.
    const QString add = QStringLiteral("Добавить мероприятие...");
    EXPECT_EQ(gridRows(p.sgEvents2),
              (QList<QStringList>{
                  {QString::number(r1), QStringLiteral("Эндопротез. ТБС"), QStringLiteral("ОГБУЗ \"ОБ КО №1\""),
                   QStringLiteral("06.05.2024"), QStringLiteral("Выполнено"), QStringLiteral("0")},
                  {QString::number(r2), QString(), QStringLiteral("Своя"), QString(), QString(), QStringLiteral("2")},
                  {QString(), add, QString(), QString(), QString(), QString()}}));
    // A type with subtypes: every subtype's records and an empty last row.
    EXPECT_EQ(gridRows(p.sgEvents1),
              (QList<QStringList>{
                  {QString::number(r3), QStringLiteral("Электротерапия"), QStringLiteral("ОГБУЗ \"Галичская ОБ\""),
                   QStringLiteral("07.06.2024"), QStringLiteral("Частично"), QStringLiteral("1")},
                  {QString::number(r4), QStringLiteral("Плавание"), QStringLiteral("Бассейн"), QString(),
                   QStringLiteral("Проведено"), QStringLiteral("3")},
                  {QString::number(r5), QStringLiteral("Магнитотерапия"), QString(), QString(), QString(),
                   QStringLiteral("0")},
                  {QString(), QString(), QString(), QString(), QString(), QString()}}));
    EXPECT_EQ(gridRows(p.sgEvents4), (QList<QStringList>{{QString(), add, QString(), QString(), QString(), QString()}}));
    for (int c = 0; c < 6; ++c)
        EXPECT_EQ(p.sgEvents1->isColumnHidden(c), c == 0 || c == 5) << c;
    EXPECT_EQ(p.sgEvents1->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Дата выполнения"));

    // Row colours by state; the empty row plain.
    const QColor base = p.sgEvents1->palette().color(QPalette::Base);
    EXPECT_EQ(gridColour(p.sgEvents1, 0, 1), rgb(255, 128, 64));
    EXPECT_EQ(gridColour(p.sgEvents1, 1, 2), rgb(184, 238, 245));
    EXPECT_EQ(gridColour(p.sgEvents1, 2, 4), rgb(250, 234, 180));
    EXPECT_EQ(gridColour(p.sgEvents1, 3, 1), base);
    EXPECT_EQ(gridColour(p.sgEvents2, 1, 1), rgb(133, 205, 129));
    EXPECT_EQ(gridColour(p.sgEvents2, 2, 2), base);

    // Choosing a subtype: its records only, with the add row under them.
    p.cbSubType1->setCurrentIndex(1);
    emit p.cbSubType1->activated(1);
    EXPECT_EQ(gridRows(p.sgEvents1),
              (QList<QStringList>{
                  {QString::number(r3), QStringLiteral("Электротерапия"), QStringLiteral("ОГБУЗ \"Галичская ОБ\""),
                   QStringLiteral("07.06.2024"), QStringLiteral("Частично"), QStringLiteral("1")},
                  {QString::number(r5), QStringLiteral("Магнитотерапия"), QString(), QString(), QString(),
                   QStringLiteral("0")},
                  {QString(), add, QString(), QString(), QString(), QString()}}));
    EXPECT_EQ(gridColour(p.sgEvents1, 2, 1), base);
}

TEST_F(OrgIpraPageTest, RowsGrowToTheirTextAndARefillSetsThemBack)
{
    const int id = addIpra();
    addGroup(id, 3, QStringLiteral("2024-01-01"), QStringLiteral("2030-01-01"));
    addEvent(id, {.typeId = 3, .name = QStringLiteral("Очень длинное название мероприятия, которое не "
                                                      "помещается в одну строку столбца шириной двести")});
    addEvent(id, {.typeId = 3, .name = QStringLiteral("Коротко")});
    TOrgIpraPage& p = open(0);
    clickRow(0);
    p.pcEvnts->setCurrentIndex(1);
    QTableWidget* grid = p.sgEvents2;
    ASSERT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(grid->rowHeight(0), 18);
    grid->viewport()->grab(); // paints every cell
    const int grown = grid->rowHeight(0);
    EXPECT_GT(grown, 2 * QFontMetrics(grid->font()).height() - 1);
    EXPECT_LT(grid->rowHeight(1), grown);
    grid->viewport()->grab(); // rows never shrink while painting
    EXPECT_EQ(grid->rowHeight(0), grown);
    p.FillEventGrid(CurrentPrg->id, 3);
    EXPECT_EQ(grid->rowHeight(0), 18);
}
