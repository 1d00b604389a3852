#include "guidbtest.h"

#include "data/alertperiod.h"
#include "distribution/distributepage.h"
#include "platform/ui/messagebox.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDate>
#include <QFrame>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

#include <memory>
#include <ostream>

static void PrintTo(const QColor& colour, std::ostream* os)
{
    *os << "rgb(" << colour.red() << ", " << colour.green() << ", " << colour.blue() << ")";
}

namespace {

// An SQL literal for the arranging statements below; a null QString is NULL.
QString lit(const QString& text)
{
    if (text.isNull())
        return QStringLiteral("null");
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

struct Ipra
{
    QString number{};
    QString prgdt{};       // YYYY-MM-DD; the list is ordered by it
    QString enddt = QStringLiteral("2035-06-30");
    QString sendMo = QStringLiteral("Поликлиника");
    QString lname = QStringLiteral("Иванов");
    QString fname = QStringLiteral("Иван");
    QString sname = QStringLiteral("Иванович");
    QString bdate = QStringLiteral("1970-06-05");
    QString snils = QStringLiteral("123-456-789 01");
    QString respMo{};      // null: not assigned
    int respMoId = 0;      // 0: not assigned
};

} // namespace

class DistributePageTest : public GuiDbTest
{
protected:
    void SetUp() override
    {
        GuiDbTest::SetUp();
        AlertPeriodMonths = 3;
    }
    void TearDown() override
    {
        page.reset();
        GuiDbTest::TearDown();
    }

    // The IPRA's prg and k_ipra_mo rows, as the import writes them; returns its key.
    static int addIpra(const Ipra& r)
    {
        static int serial = 0;
        const int id = scalar(QStringLiteral(
            "insert into prg (okr_id, nreg, dt, snils, lname, fname, sname, bdate, gndr, oivid, "
            "docnum, docdt, prg, prgnum, prgdt, mseid, udt) values (1, 44, '2024-01-10', %1, %2, %3, "
            "%4, %5, 1, 1, '77/2024', '2024-01-09', 1, %6, %7, %8, current_timestamp) returning id")
                                  .arg(lit(r.snils), lit(r.lname), lit(r.fname), lit(r.sname),
                                       r.bdate.isNull() ? QStringLiteral("null") : lit(r.bdate),
                                       lit(r.number), lit(r.prgdt),
                                       lit(QStringLiteral("mse-%1").arg(++serial))))
                           .toInt();
        exec(QStringLiteral("insert into k_ipra_mo (prgid, send_mo, enddt, resp_mo, resp_mo_id) "
                            "values (%1, %2, %3, %4, %5)")
                 .arg(id)
                 .arg(lit(r.sendMo), lit(r.enddt), lit(r.respMo),
                      r.respMoId ? QString::number(r.respMoId) : QStringLiteral("null")));
        return id;
    }
    static int addPerson(int prgid, int ptype, const QString& lname, const QString& fname,
                         const QString& sname)
    {
        return scalar(QStringLiteral("insert into k_person (prgid, lname, fname, sname, ptype, docid, "
                                     "addrid) values (%1, %2, %3, %4, %5, 0, 0) returning id")
                          .arg(prgid)
                          .arg(lit(lname), lit(fname), lit(sname))
                          .arg(ptype))
            .toInt();
    }
    static void addDoc(int pid, const QString& title, const QString& series, const QString& numb,
                       const QString& issuer, const QString& issuedt)
    {
        exec(QStringLiteral("insert into k_doc (pid, title, series, numb, issuer, issuedt) "
                            "values (%1, %2, %3, %4, %5, %6)")
                 .arg(pid)
                 .arg(lit(title), lit(series), lit(numb), lit(issuer), lit(issuedt)));
    }
    static void addAddress(int pid, int atype, const QString& afull, const QString& phone)
    {
        exec(QStringLiteral("insert into k_address (pid, atype, afull, phone) values (%1, %2, %3, %4)")
                 .arg(pid)
                 .arg(atype)
                 .arg(lit(afull), lit(phone)));
    }
    static int addOrg(const QString& name)
    {
        return scalar(QStringLiteral("insert into rhb_exc (name, scode) values (%1, 'x') returning id")
                          .arg(lit(name)))
            .toInt();
    }
    // A sender name with its match (tid null: unmatched).
    static void addName(const QString& rname, const QString& tid, const QString& tname)
    {
        exec(QStringLiteral("insert into k_mo_names (rname, tid, tname) values (%1, %2, %3)")
                 .arg(lit(rname), tid.isNull() ? QStringLiteral("null") : tid, lit(tname)));
    }

    // The page as the window has it once shown: bound to the data module, on screen.
    TDistributePage& openPage()
    {
        page = std::make_unique<TDistributePage>();
        page->resize(1400, 900);
        page->attachDataSources();
        page->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(page.get()));
        page->tsDistributeShow();
        return *page;
    }

    // The IPRA numbers of the list, in its order.
    static QStringList listedNumbers()
    {
        SqlQuery* list = dm->adoqDistrIpra;
        QStringList numbers;
        const int column = list->columnIndex(QStringLiteral("prgnum"));
        for (int row = 0; row < list->recordCount(); ++row)
            numbers << list->valueAt(row, column).toString();
        return numbers;
    }
    void chooseFilterItem(int item)
    {
        QTest::mouseClick(page->rgrpDistIpraItems->button(item), Qt::LeftButton);
    }
    void clickRow(int row)
    {
        QTableView* grid = page->dbgDistrIpra;
        const QRect cell = grid->visualRect(grid->model()->index(row, 0));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    }
    // The user picks a drop-down entry.
    void pickOrg(const QString& name)
    {
        const int entry = page->cbRespMOlist->findText(name);
        ASSERT_GE(entry, 0) << name.toStdString();
        page->cbRespMOlist->setCurrentIndex(entry);
        emit page->cbRespMOlist->activated(entry);
    }
    static bool panelShown(QWidget* panel) { return !panel->isHidden(); }

    std::unique_ptr<TDistributePage> page;
};

TEST_F(DistributePageTest, FilterItemsChooseTheRowsAndShowingAgainKeepsTheList)
{
    const int org = addOrg(QStringLiteral("ОГБУЗ Альфа"));
    addIpra({QStringLiteral("A-3"), QStringLiteral("2024-01-03")});
    Ipra assigned{QStringLiteral("B-1"), QStringLiteral("2024-01-01")};
    assigned.respMo = QStringLiteral("ОГБУЗ Альфа");
    assigned.respMoId = org;
    addIpra(assigned);
    addIpra({QStringLiteral("C-2"), QStringLiteral("2024-01-02")});

    TDistributePage& p = openPage();
    ASSERT_EQ(Msg::shown(), QStringList());
    EXPECT_TRUE(p.rgrpDistIpraItems->button(1)->isChecked());
    EXPECT_EQ(listedNumbers(), QStringList({"C-2", "A-3"})); // item 1, oldest first

    // The grid's columns: order, titles, widths, hidden ones.
    struct Column
    {
        const char* title;
        int width; // 0: the grid's default; -1: hidden
    };
    const Column columns[] = {
        {"№ ИПРА", 104}, {"Дата разраб.", 91}, {"", -1}, {"", -1}, {"", -1}, {"Фамилия", 98},
        {"Имя", 90}, {"Отчество", 96}, {"Дата рожд.", 0}, {"", -1}, {"СНИЛС", 0}, {"", -1},
        {"№ прот", 0}, {"Дата прот.", 0}, {"", -1}, {"", -1}, {"", -1}, {"", -1}, {"", -1},
        {"Дата выдачи", 0}, {"udt", 0}};
    QAbstractItemModel* model = p.dbgDistrIpra->model();
    ASSERT_EQ(model->columnCount(), int(std::size(columns)));
    const int defaultWidth = p.dbgDistrIpra->horizontalHeader()->defaultSectionSize();
    for (int c = 0; c < model->columnCount(); ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(p.dbgDistrIpra->isColumnHidden(c), columns[c].width < 0);
        if (columns[c].width >= 0) {
            EXPECT_EQ(model->headerData(c, Qt::Horizontal).toString(),
                      QString::fromUtf8(columns[c].title));
            EXPECT_EQ(p.dbgDistrIpra->columnWidth(c), columns[c].width ? columns[c].width : defaultWidth);
        }
    }
    EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("C-2"));

    struct Item
    {
        int item;
        QStringList numbers;
    };
    const Item items[] = {{0, {"B-1", "C-2", "A-3"}}, {2, {"B-1"}}, {1, {"C-2", "A-3"}}};
    for (const Item& it : items) {
        SCOPED_TRACE(it.item);
        chooseFilterItem(it.item);
        EXPECT_EQ(dm->adoqDistrIpra->text(), TDistributePage::DistrIpraStatement(it.item));
        EXPECT_EQ(listedNumbers(), it.numbers);
        EXPECT_EQ(dm->adoqDistrIpra->recNo(), 0);
        EXPECT_EQ(p.lDistrIpraNum->text(), it.numbers.first()); // the panels load the first row
    }

    // Item 0, the current row moved by the keyboard: the panels follow it.
    chooseFilterItem(0);
    p.dbgDistrIpra->setFocus();
    QTest::keyClick(p.dbgDistrIpra, Qt::Key_Down);
    QTest::keyClick(p.dbgDistrIpra, Qt::Key_Down);
    EXPECT_EQ(dm->adoqDistrIpra->recNo(), 2);
    EXPECT_EQ(p.lDistrIpraNum->text(), QStringLiteral("A-3"));
    QTest::keyClick(p.dbgDistrIpra, Qt::Key_Up);
    EXPECT_EQ(p.lDistrIpraNum->text(), QStringLiteral("C-2"));

    // Showing the page again (another IPRA meanwhile assigned) does not re-run the list.
    exec(QStringLiteral("update k_ipra_mo set resp_mo_id=%1, resp_mo='x'").arg(org));
    p.tsDistributeShow();
    EXPECT_EQ(dm->adoqDistrIpra->text(), TDistributePage::DistrIpraStatement(0));
    EXPECT_EQ(listedNumbers(), QStringList({"B-1", "C-2", "A-3"}));
    EXPECT_EQ(dm->adoqDistrIpra->recNo(), 1);
    EXPECT_EQ(p.dbgDistrIpra->currentIndex().row(), 1);
    EXPECT_EQ(p.lDistrIpraNum->text(), QStringLiteral("C-2"));
    EXPECT_EQ(Msg::shown(), QStringList());
}

TEST_F(DistributePageTest, PanelsShowTheHolderTheRepresentativeAndTheAddresses)
{
    // 1: no end date, empty patronymic, two holder documents and no representative, one
    //    address with an empty phone, an unmatched sender with blanks around it.
    Ipra first{QStringLiteral("ИПРА-1"), QStringLiteral("2024-02-01"), QStringLiteral("0001-01-01"),
               QStringLiteral("  Поликлиника №5  "), QStringLiteral(" Петров "),
               QStringLiteral("Пётр"), QString(""), QStringLiteral("1970-06-05"),
               QStringLiteral("123-456-789 01 ")};
    const int ipra1 = addIpra(first);
    const int holder1 = addPerson(ipra1, 0, QStringLiteral("Петров"), QStringLiteral("Пётр"), "");
    addDoc(holder1, QStringLiteral("Паспорт гражданина РФ"), QStringLiteral("3400"),
           QStringLiteral("111111"), QStringLiteral("УВД г. Костромы"), QStringLiteral("2001-02-03"));
    addDoc(holder1, QStringLiteral("Паспорт гражданина РФ"), QStringLiteral("3415"),
           QStringLiteral("222222"), QStringLiteral("УМВД России"), QStringLiteral("2015-07-08"));
    addAddress(holder1, 1, QStringLiteral("г. Кострома, ул. Советская, 1"), QString(""));

    // 2: an end date, a representative whose document comes before the holder's, two
    //    addresses (one of a kind without a caption), a sender matched to the directory.
    addName(QStringLiteral("ГБ №2"), QStringLiteral("0"), QStringLiteral("  Городская больница №2  "));
    const int ipra2 = addIpra({QStringLiteral("ИПРА-2"), QStringLiteral("2024-02-02"),
                               QStringLiteral("2031-03-15"), QStringLiteral("ГБ №2")});
    const int holder2 = addPerson(ipra2, 0, QStringLiteral("Иванов"), QStringLiteral("Иван"),
                                  QStringLiteral("Иванович"));
    const int repr2 = addPerson(ipra2, 1, QStringLiteral(" Иванова "), QStringLiteral("Мария"),
                                QStringLiteral("Петровна"));
    addDoc(repr2, QStringLiteral("Доверенность"), QStringLiteral("АБ"), QStringLiteral("7"),
           QStringLiteral("Нотариус Сидоров"), QStringLiteral("2023-12-01"));
    addDoc(holder2, QStringLiteral("Свидетельство о рождении"), QStringLiteral("I-ГО"),
           QStringLiteral("555"), QStringLiteral("ЗАГС"), QStringLiteral("2010-01-02"));
    addAddress(holder2, 1, QStringLiteral("г. Галич, ул. Луговая, 2"), QStringLiteral("8-900-000-00-00"));
    addAddress(holder2, 4, QStringLiteral("г. Галич, ул. Свободы, 3"), QStringLiteral("22-33"));

    // 3: no document and no address at all, no birth date and no patronymic stored.
    Ipra third{QStringLiteral("ИПРА-3"), QStringLiteral("2024-02-03")};
    third.sname = QString();
    third.bdate = QString();
    addIpra(third);

    TDistributePage& p = openPage();
    ASSERT_EQ(Msg::shown(), QStringList());
    ASSERT_EQ(listedNumbers(), QStringList({"ИПРА-1", "ИПРА-2", "ИПРА-3"}));

    // Row 1, loaded when the page is shown.
    EXPECT_TRUE(panelShown(p.pDistrIpra) && panelShown(p.pDistrIpraInfo) && panelShown(p.pRespMO));
    EXPECT_EQ(p.lDistrIpraNum->text(), QStringLiteral("ИПРА-1"));
    EXPECT_EQ(p.lDistrIpraEndDt->text(), QStringLiteral("бессрочно"));
    EXPECT_EQ(p.lPersFio->text(), QStringLiteral("Петров Пётр ")); // the trailing blank stays
    EXPECT_EQ(p.lPersFio->width(), p.mPersDoc->width());
    EXPECT_EQ(p.lPersBDate->text(), QStringLiteral("05.06.1970"));
    EXPECT_EQ(p.lPersSnils->text(), QStringLiteral("123-456-789 01 "));
    // The holder shows the document the statement delivers last (it fixes no order).
    SqlQuery& docs = *dm->adoqDistrDoc;
    docs.setInteger(QStringLiteral("prgid"), ipra1);
    docs.open();
    ASSERT_EQ(docs.recordCount(), 2);
    docs.last();
    const QString lastNumber = docs.asString(QStringLiteral("numb"));
    docs.close();
    const QString expectedDoc =
        lastNumber == QLatin1String("222222")
            ? QStringLiteral("Паспорт гражданина РФ\nСерия: 3415 Номер: 222222\nВыдан УМВД России\n"
                             "Дата выдачи 08.07.2015")
            : QStringLiteral("Паспорт гражданина РФ\nСерия: 3400 Номер: 111111\nВыдан УВД г. "
                             "Костромы\nДата выдачи 03.02.2001");
    EXPECT_EQ(p.mPersDoc->toPlainText(), expectedDoc);
    EXPECT_FALSE(panelShown(p.pDistRepr));
    EXPECT_EQ(p.mPersAddr->toPlainText(),
              QStringLiteral("Адрес места жительства\nг. Кострома, ул. Советская, 1\nТелефон: "));
    EXPECT_EQ(p.mPersAddr->height(), 60);
    EXPECT_EQ(p.lSendMo->text(), QStringLiteral("Поликлиника №5"));

    // Row 2, by a click.
    clickRow(1);
    EXPECT_EQ(p.lDistrIpraNum->text(), QStringLiteral("ИПРА-2"));
    EXPECT_EQ(p.lDistrIpraEndDt->text(), QStringLiteral("15.03.2031"));
    EXPECT_EQ(p.lPersFio->text(), QStringLiteral("Иванов Иван Иванович"));
    EXPECT_EQ(p.mPersDoc->toPlainText(),
              QStringLiteral("Свидетельство о рождении\nСерия: I-ГО Номер: 555\nВыдан ЗАГС\n"
                             "Дата выдачи 02.01.2010"));
    EXPECT_TRUE(panelShown(p.pDistRepr));
    EXPECT_EQ(p.lReprFio->text(), QStringLiteral("Иванова Мария Петровна"));
    EXPECT_EQ(p.lReprFio->width(), p.mReprDoc->width());
    EXPECT_EQ(p.mReprDoc->toPlainText(),
              QStringLiteral("Доверенность\nСерия: АБ Номер: 7\nВыдан Нотариус Сидоров\n"
                             "Дата выдачи 01.12.2023"));
    const QStringList addressLines = p.mPersAddr->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(addressLines.size(), 7);
    EXPECT_EQ(addressLines.at(3), QString()); // the blank line between the two addresses
    EXPECT_TRUE(addressLines.contains(QStringLiteral("Телефон: 8-900-000-00-00")));
    EXPECT_TRUE(addressLines.contains(QStringLiteral("Адрес (тип 4)")));
    EXPECT_EQ(p.mPersAddr->height(), 140);
    EXPECT_EQ(p.lSendMo->text(), QStringLiteral("Городская больница №2")); // the matched name

    // Row 3, by the keyboard: nothing to show of documents and addresses.
    p.dbgDistrIpra->setFocus();
    QTest::keyClick(p.dbgDistrIpra, Qt::Key_Down);
    EXPECT_EQ(p.lDistrIpraNum->text(), QStringLiteral("ИПРА-3"));
    EXPECT_EQ(p.lPersFio->text(), QStringLiteral("Иванов Иван "));
    EXPECT_EQ(p.lPersBDate->text(), QString());
    EXPECT_EQ(p.mPersDoc->toPlainText(), QString());
    EXPECT_FALSE(panelShown(p.pDistRepr));
    EXPECT_EQ(p.mPersAddr->toPlainText(), QString());
    EXPECT_EQ(p.mPersAddr->height(), 0);

    // An IPRA with many addresses: its box ends at the panel, the scroll bar shows the rest.
    for (int atype : {2, 3, 5})
        addAddress(holder1, atype, QStringLiteral("д. %1").arg(atype), QStringLiteral("1"));
    clickRow(0);
    EXPECT_EQ(p.mPersAddr->toPlainText().split(QLatin1Char('\n')).size(), 15);
    EXPECT_EQ(p.mPersAddr->geometry().bottom(), p.pDistrIpra->height() - 5 - 1);
    EXPECT_EQ(Msg::shown(), QStringList());
}

TEST_F(DistributePageTest, OrganisationsAndThePreselectionByName)
{
    const int alfa = addOrg(QStringLiteral("ОГБУЗ Альфа"));
    const int beta = addOrg(QStringLiteral("ОГБУЗ Бета"));
    addOrg(QStringLiteral("Фельдшерский пункт д. Ивановское")); // never a responsible one
    addName(QStringLiteral("альфа (файл)"), QString::number(alfa), QStringLiteral("  огбуз АЛЬФА "));
    addName(QStringLiteral("бета (файл)"), QString::number(beta), QStringLiteral("ОГБУЗ Бета (прежнее)"));
    addName(QStringLiteral("принятое"), QStringLiteral("0"), QStringLiteral("Принятое имя"));
    addName(QStringLiteral("неизвестная"), QString(), QString());

    struct Case
    {
        const char* what;
        QString sendMo;
        QString respMo;
        int respMoId;
        QString selected; // empty: nothing selected
        bool buttonEnabled;
    };
    const Case cases[] = {
        {"assigned", QStringLiteral("альфа (файл)"), QStringLiteral("ОГБУЗ БЕТА"), beta,
         QStringLiteral("ОГБУЗ Бета"), false},
        {"unassigned, sender matched", QStringLiteral("альфа (файл)"), QString(), 0,
         QStringLiteral("ОГБУЗ Альфа"), true},
        {"unassigned, sender unmatched", QStringLiteral("неизвестная"), QString(), 0, QString(), false},
        {"matched with number 0", QStringLiteral("принятое"), QString(), 0, QString(), false},
        {"matched name no longer listed", QStringLiteral("бета (файл)"), QString(), 0, QString(), false},
    };
    int day = 1;
    for (const Case& c : cases) {
        Ipra r{QString::fromUtf8(c.what), QStringLiteral("2024-03-%1").arg(day++, 2, 10, QLatin1Char('0'))};
        r.sendMo = c.sendMo;
        r.respMo = c.respMo;
        r.respMoId = c.respMoId;
        addIpra(r);
    }

    TDistributePage& p = openPage();
    chooseFilterItem(0);
    ASSERT_EQ(Msg::shown(), QStringList());

    // The executing organisations only, trimmed, by name; their numbers alongside.
    QStringList entries;
    for (int i = 0; i < p.cbRespMOlist->count(); ++i)
        entries << p.cbRespMOlist->itemText(i);
    EXPECT_EQ(entries, QStringList({"ОГБУЗ Альфа", "ОГБУЗ Бета"}));
    EXPECT_EQ(RespMOIds, IdList({alfa, beta}));
    EXPECT_FALSE(p.cbRespMOlist->isEditable());
    EXPECT_FALSE(dm->adoqTNames->isOpen());
    EXPECT_FALSE(dm->adoqTNames->filtered()); // the names page gets the whole directory

    for (int row = 0; row < int(std::size(cases)); ++row) {
        const Case& c = cases[row];
        SCOPED_TRACE(c.what);
        clickRow(row);
        ASSERT_EQ(p.lDistrIpraNum->text(), QString::fromUtf8(c.what));
        EXPECT_EQ(p.cbRespMOlist->currentText(), c.selected);
        EXPECT_EQ(p.cbRespMOlist->currentIndex() >= 0, !c.selected.isEmpty());
        EXPECT_EQ(p.bSetRespMo->isEnabled(), c.buttonEnabled);
    }

    // Showing the page again rebuilds the list of organisations: nothing selected.
    clickRow(1);
    ASSERT_TRUE(p.bSetRespMo->isEnabled());
    p.tsDistributeShow();
    EXPECT_EQ(p.cbRespMOlist->currentIndex(), -1);
    EXPECT_FALSE(p.bSetRespMo->isEnabled());
    EXPECT_EQ(Msg::shown(), QStringList());
}

// A row whose panels cannot be loaded must not leave the panels of the row before, nor
// its preselected organisation on an enabled button, under the new current row.
TEST_F(DistributePageTest, PanelsOfARowThatFailsToLoadAreHidden)
{
    const int alfa = addOrg(QStringLiteral("ОГБУЗ Альфа"));
    addName(QStringLiteral("альфа (файл)"), QString::number(alfa), QStringLiteral("ОГБУЗ Альфа"));
    Ipra first{QStringLiteral("первая"), QStringLiteral("2024-03-01")};
    first.sendMo = QStringLiteral("альфа (файл)");
    addIpra(first);
    addIpra(Ipra{QStringLiteral("вторая"), QStringLiteral("2024-03-02")});

    TDistributePage& p = openPage();
    chooseFilterItem(0);
    ASSERT_EQ(p.lDistrIpraNum->text(), QStringLiteral("первая"));
    ASSERT_TRUE(p.bSetRespMo->isEnabled()) << "the matched sender is offered";

    adminExec("alter table k_doc rename to k_doc_gone");
    clickRow(1);
    EXPECT_EQ(Msg::shown().size(), 1) << "the error is shown";
    EXPECT_EQ(dm->adoqDistrIpra->recNo(), 1);
    for (QWidget* panel : {static_cast<QWidget*>(p.pDistrIpraInfo), static_cast<QWidget*>(p.pDistrIpra),
                           static_cast<QWidget*>(p.pDistRepr), static_cast<QWidget*>(p.pRespMO)})
        EXPECT_FALSE(panelShown(panel)) << panel->objectName().toStdString();
    EXPECT_FALSE(p.bSetRespMo->isEnabled());
    EXPECT_EQ(p.cbRespMOlist->currentIndex(), -1);

    // Once the row loads again, so do the panels.
    adminExec("alter table k_doc_gone rename to k_doc");
    Msg::clearShown();
    clickRow(0);
    EXPECT_EQ(Msg::shown(), QStringList());
    EXPECT_TRUE(panelShown(p.pDistrIpra));
    EXPECT_EQ(p.lDistrIpraNum->text(), QStringLiteral("первая"));
    EXPECT_TRUE(p.bSetRespMo->isEnabled());
}

TEST_F(DistributePageTest, AssignmentAsksWritesAndReRunsTheList)
{
    const int alfa = addOrg(QStringLiteral("ОГБУЗ Альфа"));
    const int beta = addOrg(QStringLiteral("ОГБУЗ Бета"));
    const int x = addIpra({QStringLiteral("X"), QStringLiteral("2024-04-01")});
    const int y = addIpra({QStringLiteral("Y"), QStringLiteral("2024-04-02")});
    auto assignment = [](int prgid) {
        return rows(QStringLiteral("select resp_mo, resp_mo_id from k_ipra_mo where prgid=%1").arg(prgid))
            .first();
    };

    TDistributePage& p = openPage();
    ASSERT_EQ(listedNumbers(), QStringList({"X", "Y"}));
    EXPECT_FALSE(p.bSetRespMo->isEnabled());
    pickOrg(QStringLiteral("ОГБУЗ Бета"));
    ASSERT_TRUE(p.bSetRespMo->isEnabled());

    // No: nothing is written, the choice stays.
    QTest::mouseClick(p.bSetRespMo, Qt::LeftButton);
    EXPECT_EQ(Msg::shown(), QStringList({"question: Сохранить изменения?"}));
    EXPECT_TRUE(assignment(x).at(0).isNull());
    EXPECT_TRUE(assignment(x).at(1).isNull());
    EXPECT_EQ(p.cbRespMOlist->currentText(), QStringLiteral("ОГБУЗ Бета"));
    EXPECT_TRUE(p.bSetRespMo->isEnabled());
    EXPECT_EQ(listedNumbers(), QStringList({"X", "Y"}));

    // Yes: written; X leaves the list of the unassigned; Y is shown, nothing selected.
    Msg::clearShown();
    Msg::setNextAnswer(Msg::Yes);
    QTest::mouseClick(p.bSetRespMo, Qt::LeftButton);
    EXPECT_EQ(Msg::shown(), QStringList({"question: Сохранить изменения?"}));
    EXPECT_EQ(assignment(x), QVariantList({QStringLiteral("ОГБУЗ Бета"), beta}));
    EXPECT_TRUE(assignment(y).at(1).isNull());
    EXPECT_EQ(listedNumbers(), QStringList({"Y"}));
    EXPECT_EQ(p.lDistrIpraNum->text(), QStringLiteral("Y"));
    EXPECT_EQ(p.cbRespMOlist->currentIndex(), -1);
    EXPECT_FALSE(p.bSetRespMo->isEnabled());

    // The last unassigned one: the list is empty and the panels go.
    Msg::clearShown();
    pickOrg(QStringLiteral("ОГБУЗ Альфа"));
    Msg::setNextAnswer(Msg::Yes);
    QTest::mouseClick(p.bSetRespMo, Qt::LeftButton);
    EXPECT_EQ(assignment(y), QVariantList({QStringLiteral("ОГБУЗ Альфа"), alfa}));
    EXPECT_EQ(listedNumbers(), QStringList());
    for (QWidget* panel : {static_cast<QWidget*>(p.pDistrIpra), static_cast<QWidget*>(p.pDistrIpraInfo),
                           static_cast<QWidget*>(p.pRespMO), static_cast<QWidget*>(p.pDistRepr)})
        EXPECT_FALSE(panelShown(panel)) << panel->objectName().toStdString();

    // Under item 0 an assigned IPRA shows its organisation; another one replaces both columns.
    chooseFilterItem(0);
    ASSERT_EQ(listedNumbers(), QStringList({"X", "Y"}));
    EXPECT_EQ(p.cbRespMOlist->currentText(), QStringLiteral("ОГБУЗ Бета"));
    EXPECT_FALSE(p.bSetRespMo->isEnabled());
    pickOrg(QStringLiteral("ОГБУЗ Альфа"));
    Msg::setNextAnswer(Msg::Yes);
    QTest::mouseClick(p.bSetRespMo, Qt::LeftButton);
    EXPECT_EQ(assignment(x), QVariantList({QStringLiteral("ОГБУЗ Альфа"), alfa}));
    EXPECT_EQ(listedNumbers(), QStringList({"X", "Y"})); // item 0 is kept for the re-run
    EXPECT_EQ(dm->adoqDistrIpra->recNo(), 0);

    chooseFilterItem(2);
    EXPECT_EQ(listedNumbers(), QStringList({"X", "Y"}));
    EXPECT_EQ(Msg::shown().filter(QStringLiteral("error:")), QStringList());
}

// An IPRA that another workstation assigned or re-assigned after the list was read is not
// re-assigned over it: the user is told and the list is read again. Another change to the
// same row (a re-import) does not count.
TEST_F(DistributePageTest, AnIpraAssignedElsewhereIsNotReassigned)
{
    const int alfa = addOrg(QStringLiteral("ОГБУЗ Альфа"));
    const int beta = addOrg(QStringLiteral("ОГБУЗ Бета"));
    addOrg(QStringLiteral("ОГБУЗ Гамма"));
    struct Case
    {
        const char* what;
        int filterItem;
        int respMoId;      // as the list reads it; 0: unassigned
        QString elsewhere; // X stands for the IPRA's key
        QStringList listedAfter;
        int storedAfter;   // 0: the organisation picked here
    };
    const QString assignBeta = QStringLiteral("update k_ipra_mo set resp_mo = 'ОГБУЗ Бета', resp_mo_id = %1 "
                                              "where prgid = X").arg(beta);
    const Case cases[] = {
        {"assigned elsewhere", 1, 0, assignBeta, {}, beta},
        {"re-assigned elsewhere", 0, alfa, assignBeta, {"X"}, beta},
        {"re-imported elsewhere", 1, 0,
         QStringLiteral("update k_ipra_mo set send_mo = 'Другая', udt = current_timestamp where prgid = X"), {}, 0},
    };
    const int gamma = scalar(QStringLiteral("select id from rhb_exc where name = 'ОГБУЗ Гамма'")).toInt();
    OtherWorkstation other;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        page.reset();
        adminExec(QStringLiteral("delete from k_ipra_mo; delete from prg"));
        Ipra ipra{QStringLiteral("X"), QStringLiteral("2024-04-01")};
        if (c.respMoId) {
            ipra.respMoId = c.respMoId;
            ipra.respMo = QStringLiteral("ОГБУЗ Альфа");
        }
        const int x = addIpra(ipra);
        TDistributePage& p = openPage();
        chooseFilterItem(c.filterItem);
        ASSERT_EQ(listedNumbers(), QStringList({"X"}));
        pickOrg(QStringLiteral("ОГБУЗ Гамма"));
        other.exec(QString(c.elsewhere).replace(QStringLiteral("X"), QString::number(x)));
        Msg::clearShown();
        Msg::setNextAnswer(Msg::Yes);
        QTest::mouseClick(p.bSetRespMo, Qt::LeftButton);
        QStringList expected = {"question: Сохранить изменения?"};
        if (c.storedAfter)
            expected << "error: ИПРА уже распределена на другом рабочем месте";
        EXPECT_EQ(Msg::shown(), expected);
        EXPECT_EQ(scalar(QStringLiteral("select resp_mo_id from k_ipra_mo where prgid = %1").arg(x)).toInt(),
                  c.storedAfter ? c.storedAfter : gamma);
        // The list as stored now.
        EXPECT_EQ(listedNumbers(), c.listedAfter);
        if (!c.listedAfter.isEmpty())
            EXPECT_EQ(dm->adoqDistrIpra->asInteger(QStringLiteral("resp_mo_id")), c.storedAfter);
        EXPECT_EQ(p.cbRespMOlist->currentIndex(), -1);
    }
}

TEST_F(DistributePageTest, RowsArePaintedInTheirColours)
{
    const QDate today = QDate::currentDate();
    const int returned = addIpra({QStringLiteral("state-1"), QStringLiteral("2024-05-01")});
    const int sent = addIpra({QStringLiteral("state-3"), QStringLiteral("2024-05-02")});
    addIpra({QStringLiteral("alert"), QStringLiteral("2024-05-03"),
             today.addDays(10).toString(Qt::ISODate)});
    // Event records give the IPRA states: one in progress -> 1, one sent -> 3.
    exec(QStringLiteral("insert into k_evdt (prgid, typeid, state) values (%1, 2, 0), (%2, 2, 2)")
             .arg(returned)
             .arg(sent));

    TDistributePage& p = openPage();
    ASSERT_EQ(listedNumbers(), QStringList({"state-1", "state-3", "alert"}));
    auto background = [&](int row) {
        QTableView* grid = p.dbgDistrIpra;
        const QImage image = grid->viewport()->grab().toImage();
        const QRect cell = grid->visualRect(grid->model()->index(row, 5)); // surname
        return QColor(image.pixel(cell.topLeft() + QPoint(2, 2)));
    };
    const QColor highlight = p.dbgDistrIpra->palette().color(QPalette::Active, QPalette::Highlight);

    // Row 0 is the current one when the list opens.
    EXPECT_EQ(background(0), highlight);
    EXPECT_EQ(background(1), QColor(133, 205, 129));
    EXPECT_EQ(background(2), QColor(255, 174, 201));
    p.dbgDistrIpra->setFocus();
    QTest::keyClick(p.dbgDistrIpra, Qt::Key_Down);
    QTest::keyClick(p.dbgDistrIpra, Qt::Key_Down);
    ASSERT_EQ(dm->adoqDistrIpra->recNo(), 2);
    EXPECT_EQ(background(0), QColor(250, 234, 180));
    EXPECT_EQ(background(2), QColor(255, 174, 201)); // selected, still pink
}
