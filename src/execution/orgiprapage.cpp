#include "execution/orgiprapage.h"

#include "card/ui/cardactions.h"
#include "data/addresstypes.h"
#include "data/alertperiod.h"
#include "data/currentorg.h"
#include "data/lookuplists.h"
#include "data/tdm.h"
#include "execution/core/currentprg.h"
#include "execution/core/eventrules.h"
#include "execution/dateedit.h"
#include "execution/eventtabs.h"
#include "import/fixedtext.h"
#include "lists/listdefs.h"
#include "lists/ui/exportgrid.h"
#include "lists/ui/listsearch.h"
#include "platform/handlers.h"
#include "platform/ui/controls.h"
#include "platform/ui/gridbinding.h"
#include "platform/ui/keyboardlayout.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>

namespace {

struct EventTypePage
{
    const char* page;
    const char* caption;
    const char* subtypeCaption;
};

const EventTypePage EventTypePages[4] = {
    {"tsMedReab", "Медицинская реабилитация", "Подтип мероприятий"},
    {"tsRecHir", "Реконструктивная хирургия", "Подгруппа мероприятий"},
    {"tsProtez", "Протезирование, ортезирование", "Подгруппа мероприятий"},
    {"tsSanCur", "Санаторно-курортное лечение", "Подгруппа мероприятий"},
};

// The list's cells are painted by the page's own rule.
class OrgIpraDelegate : public QStyledItemDelegate
{
public:
    explicit OrgIpraDelegate(TOrgIpraPage* page) : QStyledItemDelegate(page), m_page(page) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        m_page->dbgOrgIpraDrawColumnCell(painter, option, index);
    }
    // The base painting with the colours the rule chose.
    void paintPlain(QPainter* painter, const QStyleOptionViewItem& option,
                    const QModelIndex& index) const
    {
        QStyledItemDelegate::paint(painter, option, index);
    }

private:
    TOrgIpraPage* m_page;
};

// Every cell of an event grid is painted by the page's rule.
class EventGridDelegate : public QStyledItemDelegate
{
public:
    EventGridDelegate(TOrgIpraPage* page, QTableWidget* grid)
        : QStyledItemDelegate(grid), m_page(page), m_grid(grid) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        m_page->sgEvents1DrawCell(m_grid, index.column(), index.row(), option.rect, option.state,
                                  painter);
    }

private:
    TOrgIpraPage* m_page;
    QTableWidget* m_grid;
};

// A label of a person panel that wraps its text, on the yellow background.
QLabel* nameLabel(QWidget* panel, const QString& name, const QRect& geometry)
{
    QLabel* label = MakeLabel(panel, name, QString(), geometry);
    label->setWordWrap(true);
    SetYellowBackground(label);
    return label;
}

} // namespace

TOrgIpraPage::TOrgIpraPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tsOrgIpra"));

    // Sizes and the right-hand column follow the window's size rules when it is shown.
    // The search row above the list; the list starts under it.
    eOrgSearch = MakeEdit(this, QStringLiteral("eOrgSearch"), QRect(8, 8, 280, 30));
    lOrgSearchState = MakeLabel(this, QStringLiteral("lOrgSearchState"), QString(),
                                QRect(294, 8, 150, 30));
    bOrgExport = MakeButton(this, QStringLiteral("bOrgExport"), QStringLiteral("Выгрузить…"),
                            QRect(470, 8, 120, 30));
    bOrgCard = MakeButton(this, QStringLiteral("bOrgCard"), QStringLiteral("Карта ИПРА…"),
                          QRect(596, 8, 140, 30));
    bOrgCard->setEnabled(false); // until a row of the list is clicked
    dbgOrgIpra = CreateDataGrid(this, QStringLiteral("dbgOrgIpra"));
    dbgOrgIpra->setGeometry(8, 44, 600, 250);
    // The list keeps the page's first focus; the search row comes after it (Ctrl+F goes
    // to its line).
    QWidget::setTabOrder(dbgOrgIpra, eOrgSearch);
    QWidget::setTabOrder(eOrgSearch, bOrgExport);
    QWidget::setTabOrder(bOrgExport, bOrgCard);
    KeepRowOverGrid(dbgOrgIpra, eOrgSearch, {lOrgSearchState, bOrgExport, bOrgCard});

    pOrgIpraInfo = MakePanel(this, QStringLiteral("pOrgIpraInfo"), QRect(613, 8, 400, 170));
    MakeCaption(pOrgIpraInfo, QStringLiteral("№ ИПРА"), 8, 6);
    lDescIpraNum = MakeLabel(pOrgIpraInfo, QStringLiteral("lDescIpraNum"), QString(),
                             QRect(190, 6, 200, 22));
    MakeCaption(pOrgIpraInfo, QStringLiteral("Дата разработки"), 8, 30);
    lDescDtIpra = MakeLabel(pOrgIpraInfo, QStringLiteral("lDescDtIpra"), QString(),
                            QRect(190, 30, 200, 22));
    MakeCaption(pOrgIpraInfo, QStringLiteral("№ протокола"), 8, 54);
    lDescNumProt = MakeLabel(pOrgIpraInfo, QStringLiteral("lDescNumProt"), QString(),
                             QRect(190, 54, 200, 22));
    MakeCaption(pOrgIpraInfo, QStringLiteral("Дата протокола"), 8, 78);
    lDescDtProt = MakeLabel(pOrgIpraInfo, QStringLiteral("lDescDtProt"), QString(),
                            QRect(190, 78, 200, 22));
    lOrgSendMoDesc = MakeLabel(pOrgIpraInfo, QStringLiteral("lOrgSendMoDesc"),
                               QStringLiteral("Направившая организация"), QRect(8, 104, 380, 22));
    lOrgSendMO = MakeLabel(pOrgIpraInfo, QStringLiteral("lOrgSendMO"), QString(),
                           QRect(8, 128, 380, 36));
    lOrgSendMO->setWordWrap(true);
    pOrgIpraInfo->hide();

    pOrgPers = MakePanel(this, QStringLiteral("pOrgPers"), QRect(613, 183, 400, 330));
    MakeCaption(pOrgPers, QStringLiteral("ФИО владельца ИПРА"), 10, 6);
    lOrgPersFio = nameLabel(pOrgPers, QStringLiteral("lOrgPersFio"), QRect(10, 28, 380, 44));
    MakeCaption(pOrgPers, QStringLiteral("Дата рождения"), 10, 78);
    lOrgPersBDate = MakeLabel(pOrgPers, QStringLiteral("lOrgPersBDate"), QString(),
                              QRect(170, 78, 220, 22));
    MakeCaption(pOrgPers, QStringLiteral("СНИЛС"), 10, 102);
    lOrgPersSnils = MakeLabel(pOrgPers, QStringLiteral("lOrgPersSnils"), QString(),
                              QRect(170, 102, 220, 22));
    MakeCaption(pOrgPers, QStringLiteral("Документ"), 10, 128);
    mOrgPersDoc = MakeMemo(pOrgPers, QStringLiteral("mOrgPersDoc"), QRect(10, 150, 380, 80), true, true);
    MakeCaption(pOrgPers, QStringLiteral("Контактные данные"), 10, 234);
    mOrgPersAddr = MakeMemo(pOrgPers, QStringLiteral("mOrgPersAddr"), QRect(10, 256, 380, 66), true, true);
    pOrgPers->hide();

    pOrgRepr = MakePanel(this, QStringLiteral("pOrgRepr"), QRect(613, 518, 400, 166));
    MakeCaption(pOrgRepr, QStringLiteral("Представитель"), 10, 6);
    lOrgReprFio = nameLabel(pOrgRepr, QStringLiteral("lOrgReprFio"), QRect(10, 28, 380, 44));
    MakeCaption(pOrgRepr, QStringLiteral("Документ"), 10, 76);
    mOrgReprDoc = MakeMemo(pOrgRepr, QStringLiteral("mOrgReprDoc"), QRect(10, 98, 380, 60), true, true);
    pOrgRepr->hide();

    pOrgEvnts = MakePanel(this, QStringLiteral("pOrgEvnts"), QRect(8, 263, 600, 400));
    MakeCaption(pOrgEvnts, QStringLiteral("Типы мероприятий"), 8, 4);
    pcEvnts = new TEventTabs(pOrgEvnts);
    pcEvnts->setObjectName(QStringLiteral("pcEvnts"));
    pcEvnts->setGeometry(8, 28, 584, 364);
    QWidget** pages[4] = {&tsMedReab, &tsRecHir, &tsProtez, &tsSanCur};
    QLabel** terms[4] = {&lTerm1, &lTerm2, &lTerm3, &lTerm4};
    QComboBox** subtypes[4] = {&cbSubType1, &cbSubType2, &cbSubType3, &cbSubType4};
    QTableWidget** grids[4] = {&sgEvents1, &sgEvents2, &sgEvents3, &sgEvents4};
    const QStringList titles = {QString(), QStringLiteral("Мероприятие"),
                                QStringLiteral("Исполнитель"), QStringLiteral("Дата выполнения"),
                                QStringLiteral("Результат"), QString()};
    for (int i = 0; i < 4; ++i) {
        const QString number = QString::number(i + 1);
        auto* page = new QWidget;
        page->setObjectName(QString::fromLatin1(EventTypePages[i].page));
        pcEvnts->addTab(page, QString::fromUtf8(EventTypePages[i].caption));
        *pages[i] = page;
        MakeCaption(page, QStringLiteral("Период исполнения"), 8, 8);
        *terms[i] = MakeLabel(page, QStringLiteral("lTerm") + number, QString(), QRect(200, 8, 360, 22));
        MakeCaption(page, QString::fromUtf8(EventTypePages[i].subtypeCaption), 8, 36);
        *subtypes[i] = MakeDropDown(page, QStringLiteral("cbSubType") + number, QRect(8, 60, 560, 28));
        QTableWidget* grid =
            MakeStringGrid(page, QStringLiteral("sgEvents") + number, titles, QRect(8, 96, 560, 200));
        grid->setStyleSheet(QStringLiteral("QTableWidget { gridline-color: black; }"));
        // Rows start at 18 pixels whatever the font; they grow to their text when painted.
        grid->verticalHeader()->setMinimumSectionSize(1);
        grid->verticalHeader()->setDefaultSectionSize(18);
        grid->setSelectionMode(QAbstractItemView::SingleSelection);
        grid->setItemDelegate(new EventGridDelegate(this, grid));
        *grids[i] = grid;
        page->setAutoFillBackground(true);
        ConnectHandler(*subtypes[i], &QComboBox::activated, this,
                       [this, box = *subtypes[i]] { cbSubType1Change(box); });
        // A click (or Enter on the current cell) selects a cell; a refill that moves the
        // current cell does not.
        ConnectHandler(grid, &QTableWidget::cellClicked, this,
                       [this, grid](int row, int column) { sgEvents1SelectCell(grid, column, row); });
        ConnectHandler(grid, &QTableWidget::cellActivated, this,
                       [this, grid](int row, int column) { sgEvents1SelectCell(grid, column, row); });
    }
    pOrgEvnts->hide();

    // The editor floats over the page; where it opens is decided when it opens.
    pEvnt = MakePanel(this, QStringLiteral("pEvnt"), QRect(20, 300, 640, 452));
    pEvnt->setAutoFillBackground(true);
    lEvntDesc = MakeLabel(pEvnt, QStringLiteral("lEvntDesc"), QString(), QRect(10, 8, 620, 24));
    MakeCaption(pEvnt, QStringLiteral("Мероприятие"), 10, 40);
    chbEvMan = MakeCheckBox(pEvnt, QStringLiteral("chbEvMan"), QStringLiteral("Ввести вручную"),
                            QRect(300, 38, 220, 26));
    cbEvName = MakeDropDown(pEvnt, QStringLiteral("cbEvName"), QRect(10, 66, 580, 28));
    spbEvName = new QToolButton(pEvnt);
    spbEvName->setObjectName(QStringLiteral("spbEvName"));
    spbEvName->setText(QStringLiteral("+"));
    spbEvName->setToolTip(QStringLiteral("Добавить мероприятие в справочник"));
    spbEvName->setGeometry(596, 66, 28, 28);
    MakeCaption(pEvnt, QStringLiteral("Дата выполнения"), 10, 102);
    dtEvExDate = new TDateEdit(pEvnt);
    dtEvExDate->setObjectName(QStringLiteral("dtEvExDate"));
    dtEvExDate->setGeometry(10, 126, 200, 28);
    MakeCaption(pEvnt, QStringLiteral("Исполнитель мероприятия"), 10, 162);
    chbExMan = MakeCheckBox(pEvnt, QStringLiteral("chbExMan"), QStringLiteral("Ввести вручную"),
                            QRect(300, 160, 220, 26));
    cbEvExecut = MakeDropDown(pEvnt, QStringLiteral("cbEvExecut"), QRect(10, 188, 614, 28));
    MakeCaption(pEvnt, QStringLiteral("Результат"), 10, 224);
    chbResVar = MakeCheckBox(pEvnt, QStringLiteral("chbResVar"), QStringLiteral("Другой вариант"),
                             QRect(300, 222, 220, 26));
    cbEvRes = MakeDropDown(pEvnt, QStringLiteral("cbEvRes"), QRect(10, 250, 614, 28));
    mEvRes = MakeMemo(pEvnt, QStringLiteral("mEvRes"), QRect(10, 284, 614, 50), true);
    MakeCaption(pEvnt, QStringLiteral("Примечание"), 10, 340);
    mEvNote = MakeMemo(pEvnt, QStringLiteral("mEvNote"), QRect(10, 364, 614, 40));
    bEvCanc = MakeButton(pEvnt, QStringLiteral("bEvCanc"), QStringLiteral("Отменить"),
                         QRect(10, 410, 140, 34));
    bEvSave = MakeButton(pEvnt, QStringLiteral("bEvSave"), QStringLiteral("Сохранить"),
                         QRect(158, 410, 140, 34));
    bEvEnd = MakeButton(pEvnt, QStringLiteral("bEvEnd"), QStringLiteral("Закрыть/отправить"),
                        QRect(306, 410, 200, 34));
    bEvEnd->setToolTip(QStringLiteral("После закрытия и отправки\nредактирование мероприятия невозможно"));
    bEvDel = MakeButton(pEvnt, QStringLiteral("bEvDel"), QStringLiteral("Удалить"),
                        QRect(514, 410, 110, 34));
    pEvnt->hide();

    dbgOrgIpra->setItemDelegate(new OrgIpraDelegate(this));
    ConnectHandler(dbgOrgIpra, &QTableView::clicked, this, [this](const QModelIndex& index) {
        // The list's current row follows the grid; make sure it is the clicked one.
        if (dm && index.isValid() && dm->adoqOrgIpra->recNo() != index.row())
            dm->adoqOrgIpra->setRecNo(index.row());
        dbgOrgIpraCellClick();
    });
    for (QPlainTextEdit* memo : {mOrgPersDoc, mOrgPersAddr, mOrgReprDoc})
        InstallEventHook(
            memo,
            [this](QObject*, QEvent* event) {
                if (event->type() == QEvent::FocusIn)
                    mReprDocEnter();
                return false;
            },
            this);

    ConnectHandler(chbExMan, &QCheckBox::toggled, this, &TOrgIpraPage::chbExManClick);
    ConnectHandler(chbEvMan, &QCheckBox::toggled, this, &TOrgIpraPage::chbEvManClick);
    ConnectHandler(chbResVar, &QCheckBox::toggled, this, &TOrgIpraPage::chbResVarClick);
    // Programs choose a result without the rules running; the user's pick runs both.
    ConnectHandler(cbEvRes, &QComboBox::activated, this, [this] {
        cbEvResClick();
        cbEvResChange();
    });
    ConnectHandler(spbEvName, &QToolButton::clicked, this, &TOrgIpraPage::spbEvNameClick);
    ConnectHandler(dtEvExDate, &TDateEdit::dateChanged, this, &TOrgIpraPage::dtEvExDateChange);
    ConnectHandler(mEvNote, &QPlainTextEdit::textChanged, this, [this] {
        // The note holds at most 64 characters.
        const QString text = mEvNote->toPlainText();
        const QString cut = cutText(text, IpraCap::Note);
        if (cut.size() == text.size())
            return;
        const QSignalBlocker quiet(mEvNote);
        mEvNote->setPlainText(cut);
        mEvNote->moveCursor(QTextCursor::End);
    });
    ConnectHandler(bEvCanc, &QPushButton::clicked, this, &TOrgIpraPage::bEvCancClick);
    ConnectHandler(bEvSave, &QPushButton::clicked, this, &TOrgIpraPage::bEvSaveClick);
    ConnectHandler(bEvEnd, &QPushButton::clicked, this, &TOrgIpraPage::bEvEndClick);
    ConnectHandler(bEvDel, &QPushButton::clicked, this, &TOrgIpraPage::bEvDelClick);
    ConnectHandler(bOrgExport, &QPushButton::clicked, this, &TOrgIpraPage::bOrgExportClick);
    // The card of the IPRA the panels show, the one clicked last.
    AttachCardMenu(bOrgCard, []() -> std::optional<CardTarget> {
        if (!CurrentPrg)
            return std::nullopt;
        return CardTarget{CurrentPrg->id, CurrentPrg->prgnum};
    });
}

void TOrgIpraPage::bOrgExportClick()
{
    ExportGridRows(this, *dm->dsOrgIpra, QStringLiteral("Исполнение ИПРА"));
}

QTableWidget* TOrgIpraPage::eventGrid(int number) const
{
    return findChild<QTableWidget*>(QStringLiteral("sgEvents") + QString::number(number));
}

QLabel* TOrgIpraPage::termLabel(int number) const
{
    return findChild<QLabel*>(QStringLiteral("lTerm") + QString::number(number));
}

QComboBox* TOrgIpraPage::subtypeBox(int number) const
{
    return findChild<QComboBox*>(QStringLiteral("cbSubType") + QString::number(number));
}

TColourTabBar* TOrgIpraPage::eventTabBar() const
{
    return static_cast<TEventTabs*>(pcEvnts)->colourTabBar();
}

void TOrgIpraPage::attachDataSources()
{
    dm->dsOrgIpra->setColumns(ListDefs::OrgIpraColumns());
    BindGrid(dbgOrgIpra, dm->dsOrgIpra);
    if (!OrgSearch) {
        // The server looks among the IPRAs of the session organisation, as the list does;
        // the review's list holds every organisation's, so it looks in the whole register.
        // Either way the list's own rows narrow the answer.
        OrgSearch = new TListSearch(eOrgSearch, lOrgSearchState, dm->adoqOrgIpra, [] {
            if (!CurrentOrg || CurrentOrg->lvl == RoleLevel::Review)
                return qint32(-1);
            return CurrentOrg->mo_id;
        }, this);
    }
}

void TOrgIpraPage::tsOrgIpraShow()
{
    if (!CurrentOrg)
        return;
    SqlQuery& list = *dm->adoqOrgIpra;
    if (list.isOpen())
        list.close();
    if (CurrentOrg->lvl == RoleLevel::Review) {
        // The review sees what was sent, of every organisation; the text stays for the run.
        list.setText(ListDefs::OrgIpraReviewStatement());
    } else {
        list.setInteger(QStringLiteral("resp_mo_id"), CurrentOrg->mo_id);
    }
    list.open();
    list.first();
    const QStringList titles = {QString(), QStringLiteral("Мероприятие"),
                                QStringLiteral("Исполнитель"), QStringLiteral("Дата выполнения"),
                                QStringLiteral("Результат"), QString()};
    for (int number = 1; number <= 4; ++number)
        if (QTableWidget* grid = eventGrid(number))
            grid->setHorizontalHeaderLabels(titles);
    LoadResultList();
    // The list was run again: IPRAs given to the organisation since are searched too.
    if (OrgSearch)
        OrgSearch->refresh();
}

void TOrgIpraPage::dbgOrgIpraDrawColumnCell(QPainter* painter, const QStyleOptionViewItem& option,
                                            const QModelIndex& index)
{
    auto* delegate = static_cast<OrgIpraDelegate*>(dbgOrgIpra->itemDelegate());
    QStyleOptionViewItem cell(option);
    const SqlQuery& list = *dm->adoqOrgIpra;
    std::optional<QColor> background;
    std::optional<QColor> text;
    const auto rowValue = [&](const char* field) {
        return list.valueAt(index.row(), list.columnIndex(QString::fromLatin1(field)));
    };
    bool stateKnown = false;
    const int state = rowValue("state").toInt(&stateKnown);
    if (const auto colour = stateKnown ? IpraStateColour(state) : std::nullopt) {
        background = QColor(colour->red, colour->green, colour->blue);
        text = QColor(Qt::black);
    }
    if (list.recordCount() > 0 && !(stateKnown && state == IpraState::Returned)) {
        // A row without an end date has nothing to warn about.
        const auto end = Dates::parse(rowValue("strenddt").toString());
        if (end && IsAlertDate(*end, Dates::today(), AlertPeriodMonths)) {
            background = QColor(AlertColour.red, AlertColour.green, AlertColour.blue);
            text = QColor(Qt::black);
        }
    }
    if (option.state & QStyle::State_Selected) {
        background = option.palette.color(QPalette::Active, QPalette::Highlight);
        text = option.palette.color(QPalette::Active, QPalette::HighlightedText);
    }
    // The style paints the cell in the chosen colours, as an unselected cell.
    cell.state &= ~QStyle::State_Selected;
    if (background)
        cell.backgroundBrush = *background;
    if (text) {
        cell.palette.setColor(QPalette::Text, *text);
        cell.palette.setColor(QPalette::WindowText, *text);
    }
    if (background)
        painter->fillRect(option.rect, *background);
    delegate->paintPlain(painter, cell, index);
}

void TOrgIpraPage::mReprDocEnter()
{
    ActivateKeyboardLayout(QStringLiteral("00000419"));
}

void TOrgIpraPage::chbExManClick()
{
    if (chbExMan->isChecked()) {
        cbEvExecut->setEditable(true);
        LoadUsedExecutorNames();
        cbEvExecut->setCurrentIndex(-1);
        cbEvExecut->clearEditText();
    } else {
        cbEvExecut->setEditable(false);
        cbEvExecut->clear();
        cbEvExecut->addItems(ExecutorNames);
        m_executorIds = ExecutorIds;
        cbEvExecut->setCurrentIndex(-1);
    }
}

void TOrgIpraPage::chbEvManClick()
{
    if (chbEvMan->isChecked()) {
        // Typed by hand, with the names typed before for the open record's type and
        // subtype as suggestions.
        cbEvName->setEditable(true);
        LoadUsedEventNames();
        cbEvName->setCurrentIndex(-1);
        cbEvName->clearEditText();
    } else {
        cbEvName->setEditable(false);
        cbEvName->clear();
        cbEvName->addItems(EventDictNames);
        m_nameIds = EventDictIds;
        cbEvName->setCurrentIndex(-1);
    }
}

void TOrgIpraPage::LoadUsedExecutorNames()
{
    SqlQuery& query = *dm->adoqEvExec;
    QStringList names;
    try {
        query.close();
        query.open();
        for (query.first(); !query.eof(); query.next())
            names << query.asString(QStringLiteral("exname"));
    } catch (...) {
        query.close();
        throw;
    }
    query.close();
    cbEvExecut->clear();
    cbEvExecut->addItems(names);
}

namespace {

QString fullName(const QString& last, const QString& first, const QString& second)
{
    return QStringList{last.trimmed(), first.trimmed(), second.trimmed()}.join(QLatin1Char(' '));
}

void setWidthOf(QWidget* control, int width)
{
    control->resize(width, control->height());
}

} // namespace

void TOrgIpraPage::dbgOrgIpraCellClick()
{
    if (!dm || EditorOpen())
        return;
    SqlQuery& list = *dm->adoqOrgIpra;
    if (!list.isOpen() || list.recordCount() == 0 || list.recNo() < 0)
        return;

    // Loaded into a record of its own: if reading fails, the page keeps the IPRA it shows.
    auto loaded = std::make_unique<TPRG>();
    loaded->LoadIpra(qint32(list.asInteger(QStringLiteral("id"))));
    loaded->LoadEventDetails();
    const QString respMo = list.isNull(QStringLiteral("resp_mo"))
                               ? QString()
                               : list.asString(QStringLiteral("resp_mo"));
    CurrentEventGroup = nullptr;
    CurrentPrg = std::move(loaded);
    const TPRG& prg = *CurrentPrg;

    pOrgPers->show();
    lOrgPersFio->setText(fullName(prg.lname, prg.fname, prg.sname));
    setWidthOf(lOrgPersFio, mOrgPersDoc->width());
    lOrgPersFio->setWordWrap(true);
    lOrgPersBDate->setText(Dates::format(prg.bdate));
    lOrgPersSnils->setText(prg.snils);
    QStringList docLines;
    QStringList addrLines;
    if (prg.holder) {
        for (const DocRef& doc : prg.holder->docs) {
            docLines << doc->title
                     << QStringLiteral("Серия: ") + doc->series + QStringLiteral(" Номер: ") + doc->numb
                     << QStringLiteral("Выдан ") + doc->issuer
                     << QStringLiteral("Дата выдачи ") + Dates::format(doc->issuedt);
        }
        for (const AddressRef& address : prg.holder->addrs) {
            addrLines << AddressTypeCaption(address->atype) << address->afull
                      << QStringLiteral("Телефон: ") + address->phone << QStringLiteral("---");
        }
    }
    mOrgPersDoc->setPlainText(docLines.join(QLatin1Char('\n')));
    mOrgPersAddr->setPlainText(addrLines.join(QLatin1Char('\n')));

    if (prg.repr) {
        pOrgRepr->show();
        lOrgReprFio->setText(fullName(prg.repr->lname, prg.repr->fname, prg.repr->sname));
        setWidthOf(lOrgReprFio, mOrgReprDoc->width());
        QStringList lines;
        for (const DocRef& doc : prg.repr->docs) {
            // "cерия" begins with a Latin c, as the register has always shown it.
            lines << doc->title + QStringLiteral("; c" "ерия: ") + doc->series +
                         QStringLiteral("; номер: ") + doc->numb + QStringLiteral("; выдан ") +
                         doc->issuer + QStringLiteral(", ") + Dates::format(doc->issuedt);
        }
        mOrgReprDoc->setPlainText(lines.join(QLatin1Char('\n')));
        mOrgReprDoc->setToolTip(mOrgReprDoc->toPlainText());
    } else {
        pOrgRepr->hide();
    }

    pOrgIpraInfo->show();
    lDescIpraNum->setText(prg.prgnum);
    lDescDtIpra->setText(Dates::format(prg.prgdt));
    lDescNumProt->setText(prg.docnum);
    lDescDtProt->setText(Dates::format(prg.docdt));
    setWidthOf(lOrgSendMO, mOrgPersDoc->width());
    lOrgSendMO->setWordWrap(true);
    if (CurrentOrg && CurrentOrg->lvl == RoleLevel::Review) {
        lOrgSendMoDesc->setText(QStringLiteral("Ответственная организация:"));
        lOrgSendMO->setText(respMo);
    } else {
        lOrgSendMoDesc->setText(QStringLiteral("Направившая организация"));
        lOrgSendMO->setText(prg.send_mo);
    }

    pOrgEvnts->show();
    SetUpEventTabs();
    bOrgCard->setEnabled(true);
}
