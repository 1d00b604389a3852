#include "distribution/distributepage.h"

#include "data/addresstypes.h"
#include "data/alertperiod.h"
#include "card/ui/cardactions.h"
#include "data/tdm.h"
#include "distribution/core/listcolours.h"
#include "lists/listdefs.h"
#include "lists/ui/exportgrid.h"
#include "lists/ui/listsearch.h"
#include "platform/dates.h"
#include "platform/handlers.h"
#include "platform/ui/controls.h"
#include "platform/ui/gridbinding.h"
#include "platform/ui/keyboardlayout.h"
#include "platform/ui/messagebox.h"

#include <QAbstractTextDocumentLayout>
#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

IdList RespMOIds;

namespace {

// Paints the list's data cells through the page's drawing handler.
class DistrIpraCellPainter : public QStyledItemDelegate
{
public:
    explicit DistrIpraCellPainter(TDistributePage* page)
        : QStyledItemDelegate(page->dbgDistrIpra), m_page(page)
    {
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        m_page->dbgDistrIpraDrawColumnCell(painter, cell, index);
    }

private:
    TDistributePage* m_page;
};

// What a column shows as text: a null shows empty, dates as DD.MM.YYYY, texts unchanged.
QString shown(const QVariant& value)
{
    if (value.isNull())
        return QString();
    if (value.typeId() == QMetaType::QDate)
        return Dates::format(Dates::fromDate(value.toDate()));
    if (value.typeId() == QMetaType::QDateTime)
        return Dates::format(Dates::fromDate(value.toDateTime().date()));
    return value.toString();
}

QString shown(const SqlQuery& query, const char* column)
{
    return shown(query.value(QString::fromLatin1(column)));
}

// Surname, first name and patronymic, each trimmed, one blank between them.
QString fullName(const SqlQuery& query)
{
    return shown(query, "lname").trimmed() + QLatin1Char(' ') + shown(query, "fname").trimmed() +
           QLatin1Char(' ') + shown(query, "sname").trimmed();
}

QStringList documentLines(const SqlQuery& docs)
{
    return {shown(docs, "title"),
            QStringLiteral("Серия: ") + shown(docs, "series") + QStringLiteral(" Номер: ") +
                shown(docs, "numb"),
            QStringLiteral("Выдан ") + shown(docs, "issuer"),
            QStringLiteral("Дата выдачи ") + shown(docs, "issuedt")};
}

// A number column: a null or a non-number counts as 0, so it is never "greater than 0".
qint64 numberOr0(const SqlQuery& query, const char* column)
{
    bool ok = false;
    const qint64 n = query.value(QString::fromLatin1(column)).toLongLong(&ok);
    return ok ? n : 0;
}

// The lines a plain text box shows for its text, a wrapped line counting as the lines it
// takes, at the box's own width (its vertical scroll bar is always there).
int displayedLines(const QPlainTextEdit* box)
{
    const QTextDocument* document = box->document();
    int width = box->contentsRect().width() - 2 * int(document->documentMargin()) -
                box->cursorWidth();
    if (box->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn)
        width -= box->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, box);
    width = qMax(width, 1);
    QTextOption option = document->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    int lines = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        QTextLayout layout(block.text(), box->font());
        layout.setTextOption(option);
        layout.beginLayout();
        int blockLines = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            ++blockLines;
        }
        layout.endLayout();
        lines += qMax(blockLines, 1);
    }
    return lines;
}

} // namespace

TDistributePage::TDistributePage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tsDistribute"));

    rgrpDistIpra = new QGroupBox(this);
    rgrpDistIpra->setObjectName(QStringLiteral("rgrpDistIpra"));
    rgrpDistIpra->setGeometry(8, 4, 600, 46);
    rgrpDistIpraItems = new QButtonGroup(rgrpDistIpra);
    auto* items = new QHBoxLayout(rgrpDistIpra);
    items->setContentsMargins(8, 2, 8, 2);
    const QStringList captions = {QStringLiteral("Показать все "),
                                  QStringLiteral("Показать только нераспределенные"),
                                  QStringLiteral("Показать только распределенные")};
    for (int i = 0; i < captions.size(); ++i) {
        auto* item = new QRadioButton(captions.at(i), rgrpDistIpra);
        rgrpDistIpraItems->addButton(item, i);
        items->addWidget(item);
    }
    rgrpDistIpraItems->button(1)->setChecked(true); // the list starts with the undistributed IPRAs

    // Widths, the right-hand column and the panels' heights follow the window's size
    // rules when it is shown.
    // The search row between the filter and the list; the list starts under it.
    eDistrSearch = MakeEdit(this, QStringLiteral("eDistrSearch"), QRect(8, 56, 280, 30));
    lDistrSearchState = MakeLabel(this, QStringLiteral("lDistrSearchState"), QString(),
                                  QRect(294, 56, 150, 30));
    bDistrExport = MakeButton(this, QStringLiteral("bDistrExport"), QStringLiteral("Выгрузить…"),
                              QRect(470, 56, 120, 30));
    bDistrCard = MakeButton(this, QStringLiteral("bDistrCard"), QStringLiteral("Карта ИПРА…"),
                            QRect(596, 56, 140, 30));
    bDistrCard->setEnabled(false); // while no IPRA is shown
    dbgDistrIpra = CreateDataGrid(this, QStringLiteral("dbgDistrIpra"));
    dbgDistrIpra->setGeometry(8, 92, 600, 300);
    // The page keeps its first focus where it was; the search row comes after the list
    // (Ctrl+F goes to its line).
    QWidget::setTabOrder(dbgDistrIpra, eDistrSearch);
    QWidget::setTabOrder(eDistrSearch, bDistrExport);
    QWidget::setTabOrder(bDistrExport, bDistrCard);
    KeepRowOverGrid(dbgDistrIpra, eDistrSearch, {lDistrSearchState, bDistrExport, bDistrCard});

    pDistrIpraInfo = MakePanel(this, QStringLiteral("pDistrIpraInfo"), QRect(613, 4, 400, 46));
    MakeCaption(pDistrIpraInfo, QStringLiteral("№ ИПРА"), 8, 12);
    lDistrIpraNum = MakeLabel(pDistrIpraInfo, QStringLiteral("lDistrIpraNum"), QString(),
                              QRect(90, 12, 110, 22));
    MakeCaption(pDistrIpraInfo, QStringLiteral("Срок до"), 210, 12);
    lDistrIpraEndDt = MakeLabel(pDistrIpraInfo, QStringLiteral("lDistrIpraEndDt"), QString(),
                                QRect(290, 12, 110, 22));

    pDistrIpra = MakePanel(this, QStringLiteral("pDistrIpra"), QRect(613, 56, 400, 440));
    MakeCaption(pDistrIpra, QStringLiteral("ФИО владельца ИПРА"), 10, 6);
    lPersFio = MakeLabel(pDistrIpra, QStringLiteral("lPersFio"), QString(), QRect(10, 28, 380, 48));
    lPersFio->setWordWrap(true);
    SetYellowBackground(lPersFio);
    MakeCaption(pDistrIpra, QStringLiteral("Дата рождения"), 10, 82);
    lPersBDate = MakeLabel(pDistrIpra, QStringLiteral("lPersBDate"), QString(), QRect(170, 82, 220, 22));
    MakeCaption(pDistrIpra, QStringLiteral("СНИЛС"), 10, 108);
    lPersSnils = MakeLabel(pDistrIpra, QStringLiteral("lPersSnils"), QString(), QRect(170, 108, 220, 22));
    MakeCaption(pDistrIpra, QStringLiteral("Документ"), 10, 134);
    mPersDoc = MakeMemo(pDistrIpra, QStringLiteral("mPersDoc"), QRect(10, 156, 380, 100), true, true);
    MakeCaption(pDistrIpra, QStringLiteral("Контактные данные"), 10, 262);
    mPersAddr = MakeMemo(pDistrIpra, QStringLiteral("mPersAddr"), QRect(10, 284, 380, 146), true, true);
    mPersAddr->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    pDistRepr = MakePanel(this, QStringLiteral("pDistRepr"), QRect(613, 501, 400, 200));
    MakeCaption(pDistRepr, QStringLiteral("Представитель"), 10, 6);
    lReprFio = MakeLabel(pDistRepr, QStringLiteral("lReprFio"), QString(), QRect(10, 28, 380, 48));
    lReprFio->setWordWrap(true);
    SetYellowBackground(lReprFio);
    MakeCaption(pDistRepr, QStringLiteral("Документ"), 10, 82);
    mReprDoc = MakeMemo(pDistRepr, QStringLiteral("mReprDoc"), QRect(10, 104, 380, 88), true, true);
    pDistRepr->hide(); // shown for an IPRA that has a representative

    pRespMO = MakePanel(this, QStringLiteral("pRespMO"), QRect(8, 361, 600, 200));
    MakeCaption(pRespMO, QStringLiteral("Направившая  медицинская организация"), 5, 6);
    lSendMo = MakeLabel(pRespMO, QStringLiteral("lSendMo"), QString(), QRect(5, 30, 590, 24));
    SetYellowBackground(lSendMo);
    MakeCaption(pRespMO, QStringLiteral("Выбрать ответственную медицинскую организацию"), 5, 62);
    cbRespMOlist = MakeDropDown(pRespMO, QStringLiteral("cbRespMOlist"), QRect(5, 86, 590, 30));
    bSetRespMo = MakeButton(pRespMO, QStringLiteral("bSetRespMo"), QStringLiteral("Назначить"),
                            QRect(5, 124, 200, 34));
    bSetRespMo->setEnabled(false);

    dbgDistrIpra->setItemDelegate(new DistrIpraCellPainter(this));
    // The row a press starts on tells the click whether the press moved it.
    InstallEventHook(
        dbgDistrIpra->viewport(),
        [this](QObject*, QEvent* event) {
            if (event->type() == QEvent::MouseButtonPress)
                m_rowAtPress = dm ? dm->adoqDistrIpra->recNo() : -1;
            return false;
        },
        this);
    ConnectHandler(dbgDistrIpra, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        // A press that moved the current row has loaded the panels already.
        if (index.row() == m_rowAtPress)
            dbgDistrIpraCellClick(index.column());
    });
    ConnectHandler(rgrpDistIpraItems, &QButtonGroup::idClicked, this, &TDistributePage::rgrpDistIpraClick);
    // Only a choice of the user runs the change rule, not a selection made by the program.
    ConnectHandler(cbRespMOlist, &QComboBox::activated, this, &TDistributePage::cbRespMOlistChange);
    ConnectHandler(bSetRespMo, &QPushButton::clicked, this, &TDistributePage::bSetRespMoClick);
    for (QPlainTextEdit* box : {mPersDoc, mPersAddr, mReprDoc})
        HookReprDocEnter(box);
    ConnectHandler(bDistrExport, &QPushButton::clicked, this, &TDistributePage::bDistrExportClick);
    // The card of the list's current row, the IPRA the panels show.
    AttachCardMenu(bDistrCard, []() -> std::optional<CardTarget> {
        const SqlQuery& list = *dm->adoqDistrIpra;
        if (!list.hasCurrentRow())
            return std::nullopt;
        return CardTarget{qint32(list.asInteger(QStringLiteral("id"))),
                          shown(list, "prgnum")};
    });
}

void TDistributePage::bDistrExportClick()
{
    ExportGridRows(this, *dm->dsDistrIpra, QStringLiteral("Распределение ИПРА"));
}

void TDistributePage::attachDataSources()
{
    dm->dsDistrIpra->setColumns(DistrIpraColumns());
    BindGrid(dbgDistrIpra, dm->dsDistrIpra);
    // The panels always show the list's current row, however it moved (click, keyboard,
    // wheel): the assignment acts on the current row, so it must be the row on display.
    m_sourceLinks.disconnectAll();
    m_sourceLinks << ConnectHandler(dm->adoqDistrIpra, &SqlQuery::currentRowChanged, this,
                                    &TDistributePage::distrIpraRowMoved);
    if (!DistrSearch) {
        ConnectHandler(dm->adoqDistrIpra, &SqlQuery::currentRowChanged, this,
                       [this] { bDistrCard->setEnabled(dm->adoqDistrIpra->hasCurrentRow()); });
        // The coordinating body sees the whole register: the server looks there, and the
        // filter item's rows narrow the answer.
        DistrSearch = new TListSearch(eDistrSearch, lDistrSearchState, dm->adoqDistrIpra,
                                      [] { return qint32(-1); }, this);
        // The panels show the current row: loaded again only when the search moved it to
        // another IPRA (or emptied the list, which hides them).
        ConnectHandler(DistrSearch, &TListSearch::aboutToNarrow, this, [this] { m_quietRowMoves = true; });
        ConnectHandler(DistrSearch, &TListSearch::narrowed, this, [this](bool sameRow) {
            m_quietRowMoves = false;
            if (!sameRow)
                dbgDistrIpraCellClick();
        });
    }
}

QString TDistributePage::DistrIpraStatement(int item)
{
    return ListDefs::DistrIpraStatement(item);
}

QList<GridColumn> TDistributePage::DistrIpraColumns()
{
    return ListDefs::DistrIpraColumns();
}

void TDistributePage::tsDistributeShow()
{
    {
        QScopedValueRollback quiet(m_quietRowMoves, true);
        dm->adoqDistrIpra->open(); // an open list is not re-run and keeps its current row
    }
    dbgDistrIpraCellClick();
    LoadRespMOList();
    cbRespMOlistChange();
}

void TDistributePage::rgrpDistIpraClick(int item)
{
    const QString text = DistrIpraStatement(item);
    if (!text.isEmpty())
        dm->adoqDistrIpra->setText(text);
    rerunDistrIpra();
    dbgDistrIpraCellClick();
}

void TDistributePage::rerunDistrIpra()
{
    QScopedValueRollback quiet(m_quietRowMoves, true);
    dm->adoqDistrIpra->close();
    dm->adoqDistrIpra->open();
}

void TDistributePage::distrIpraRowMoved()
{
    // An error loading the panels ends at this handler's edge: whoever moved the row
    // (a click, a key, the program re-running the list) goes on.
    if (!m_quietRowMoves)
        dbgDistrIpraCellClick();
}

void TDistributePage::dbgDistrIpraDrawColumnCell(QPainter* painter, QStyleOptionViewItem& cell,
                                                 const QModelIndex& index)
{
    std::optional<int> state;
    QString endText;
    if (dm) {
        const SqlQuery& list = *dm->adoqDistrIpra;
        const QVariant stateValue = list.valueAt(index.row(), list.columnIndex(QStringLiteral("state")));
        bool ok = false;
        const int code = stateValue.toInt(&ok);
        if (!stateValue.isNull() && ok)
            state = code;
        endText = list.valueAt(index.row(), list.columnIndex(QStringLiteral("strenddt"))).toString();
    }
    const bool selected = cell.state.testFlag(QStyle::State_Selected);
    const ListCellColours colours =
        DistrIpraCellColours(state, selected, endText, AlertPeriodMonths, QDate::currentDate());
    // The colours chosen here stand for the selection too, so the style must not paint it.
    cell.state &= ~QStyle::State_Selected;
    switch (colours.kind) {
    case ListCellColours::Kind::Normal:
        break;
    case ListCellColours::Kind::Highlight:
        cell.backgroundBrush = cell.palette.brush(QPalette::Active, QPalette::Highlight);
        cell.palette.setColor(QPalette::Text,
                              cell.palette.color(QPalette::Active, QPalette::HighlightedText));
        break;
    case ListCellColours::Kind::Colour:
        cell.backgroundBrush = QColor(colours.background.red, colours.background.green,
                                      colours.background.blue);
        cell.palette.setColor(QPalette::Text, Qt::black);
        break;
    }
    dbgDistrIpra->style()->drawControl(QStyle::CE_ItemViewItem, &cell, painter, dbgDistrIpra);
}

void TDistributePage::dbgDistrIpraCellClick(int /*column*/)
{
    const SqlQuery& list = *dm->adoqDistrIpra;
    if (!list.isOpen() || list.recordCount() == 0 || list.recNo() < 0) {
        hidePanels();
        return;
    }
    pDistrIpra->show();
    pRespMO->show();
    pDistrIpraInfo->show();

    lDistrIpraNum->setText(shown(list, "prgnum"));
    QString endText = shown(list, "strenddt");
    if (endText == QLatin1String("01.01.0001"))
        endText = QStringLiteral("бессрочно");
    lDistrIpraEndDt->setText(endText);
    lPersFio->resize(mPersDoc->width(), lPersFio->height());
    lPersFio->setText(fullName(list));
    lPersBDate->setText(shown(list, "bdate"));
    lPersSnils->setText(shown(list, "snils")); // as stored, blanks and all

    try {
        LoadDistrDocs(int32_t(list.asInteger(QStringLiteral("id"))));
        LoadDistrAddr(int32_t(list.asInteger(QStringLiteral("id"))));
    } catch (...) {
        // Half loaded, the panels would mix this IPRA with the one shown before, and the
        // assignment would still offer that one's organisation: none are shown until a
        // row loads.
        cbRespMOlist->setCurrentIndex(-1);
        bSetRespMo->setEnabled(false);
        hidePanels();
        throw;
    }

    // The directory name the sender was matched to reads better than the file's own text.
    lSendMo->setText(list.isNull(QStringLiteral("ch_send_mo")) ? shown(list, "send_mo").trimmed()
                                                               : shown(list, "ch_send_mo").trimmed());

    cbRespMOlist->setCurrentIndex(-1);
    bSetRespMo->setEnabled(false);
    // An unassigned IPRA whose sender is matched to an executing organisation offers it.
    if (numberOr0(list, "ch_send_mo_id") > 0 && list.isNull(QStringLiteral("resp_mo"))) {
        selectRespMO(shown(list, "ch_send_mo").trimmed());
        cbRespMOlistChange();
    }
    // An assigned IPRA shows its organisation; the button waits for the user's own choice.
    if (numberOr0(list, "resp_mo_id") > 0) {
        selectRespMO(shown(list, "resp_mo").trimmed());
        if (cbRespMOlist->currentIndex() < 0)
            bSetRespMo->setEnabled(false);
    }
}

void TDistributePage::hidePanels()
{
    pDistrIpra->hide();
    pRespMO->hide();
    pDistrIpraInfo->hide();
    pDistRepr->hide();
}

void TDistributePage::selectRespMO(const QString& name)
{
    for (int i = 0; i < cbRespMOlist->count(); ++i) {
        if (cbRespMOlist->itemText(i).compare(name, Qt::CaseInsensitive) == 0) {
            cbRespMOlist->setCurrentIndex(i);
            return;
        }
    }
    cbRespMOlist->setCurrentIndex(-1);
}

void TDistributePage::LoadDistrDocs(int32_t prgid)
{
    // The representative panel shows exactly when the IPRA has a representative's
    // document, whatever order the rows come in; without any document row the holder's
    // text is empty and there is no representative panel.
    mPersDoc->clear();
    mReprDoc->clear();
    lReprFio->clear();
    pDistRepr->hide();

    SqlQuery& docs = *dm->adoqDistrDoc;
    docs.close();
    docs.setInteger(QStringLiteral("prgid"), prgid);
    try {
        docs.open();
        for (docs.first(); !docs.eof(); docs.next()) {
            // Each document replaces the one before: a person shows the last one delivered.
            switch (numberOr0(docs, "ptype")) {
            case 0:
                mPersDoc->setPlainText(documentLines(docs).join(QLatin1Char('\n')));
                break;
            case 1:
                lReprFio->resize(mReprDoc->width(), lReprFio->height());
                pDistRepr->show();
                lReprFio->setText(fullName(docs));
                mReprDoc->setPlainText(documentLines(docs).join(QLatin1Char('\n')));
                break;
            default:
                break;
            }
        }
    } catch (...) {
        docs.close();
        throw;
    }
    docs.close();
}

void TDistributePage::LoadDistrAddr(int32_t prgid)
{
    mPersAddr->clear();
    SqlQuery& addresses = *dm->adoqDistrAddr;
    addresses.close();
    addresses.setInteger(QStringLiteral("prgid"), prgid);
    QStringList lines;
    try {
        addresses.open();
        for (addresses.first(); !addresses.eof(); addresses.next()) {
            lines << AddressTypeCaption(int(numberOr0(addresses, "atype")))
                  << shown(addresses, "afull")
                  << QStringLiteral("Телефон: ") + shown(addresses, "phone") << QString();
        }
    } catch (...) {
        addresses.close();
        throw;
    }
    addresses.close();
    if (!lines.isEmpty())
        lines.removeLast(); // the blank line after the last address
    mPersAddr->setPlainText(lines.join(QLatin1Char('\n')));

    int height = lines.isEmpty() ? 0 : 20 * displayedLines(mPersAddr);
    // A box taller than the panel would hide its last addresses out of reach of its own
    // scroll bar: it ends at the panel's bottom, and the scroll bar shows the rest.
    const int room = pDistrIpra->height() - mPersAddr->y() - 5;
    height = qMin(height, qMax(room, 0));
    mPersAddr->resize(mPersAddr->width(), height);
}

void TDistributePage::mReprDocEnter()
{
    ActivateKeyboardLayout(QStringLiteral("00000419"));
}

void TDistributePage::HookReprDocEnter(QWidget* box)
{
    InstallEventHook(box, [](QObject*, QEvent* event) {
        if (event->type() == QEvent::FocusIn)
            mReprDocEnter();
        return false;
    });
}

void TDistributePage::LoadRespMOList()
{
    SqlQuery& names = *dm->adoqTNames;
    // Only the executing organisations (numbered above 0) can be responsible ones.
    names.setFilter([](const QVector<QVariant>& row, const SqlQuery& query) {
        const int column = query.columnIndex(QStringLiteral("tid"));
        if (column < 0 || row.at(column).isNull())
            return false;
        bool ok = false;
        const qint64 tid = row.at(column).toLongLong(&ok);
        return ok && tid > 0;
    });
    // Emptied together, so the entries and their numbers never part.
    cbRespMOlist->clear();
    RespMOIds.clear();
    try {
        names.open(); // left open by the names page: its rows, filtered
        RespMOIds.reserve(names.recordCount());
        for (names.first(); !names.eof(); names.next()) {
            const auto id = int32_t(names.asInteger(QStringLiteral("tid")));
            const QString name = shown(names, "tname").trimmed();
            RespMOIds << id;
            cbRespMOlist->addItem(name);
        }
    } catch (...) {
        names.close();
        names.clearFilter();
        cbRespMOlist->setCurrentIndex(-1);
        throw;
    }
    names.close();
    names.clearFilter(); // the names page shows the directory unfiltered
    cbRespMOlist->setCurrentIndex(-1); // the first entry added became current by itself
}

void TDistributePage::cbRespMOlistChange()
{
    bSetRespMo->setEnabled(cbRespMOlist->currentIndex() >= 0 &&
                           !cbRespMOlist->currentText().isEmpty());
}

void TDistributePage::bSetRespMoClick()
{
    bSetRespMo->setEnabled(false);
    const int entry = cbRespMOlist->currentIndex();
    const SqlQuery& list = *dm->adoqDistrIpra;
    if (entry < 0 || entry >= RespMOIds.size() || !list.isOpen() || list.recNo() < 0) {
        cbRespMOlistChange();
        return;
    }
    const QString name = cbRespMOlist->currentText();
    const auto prgid = int32_t(list.asInteger(QStringLiteral("id")));
    const QString listed = QStringLiteral("resp_mo_id");
    const int32_t listedMoId = list.isNull(listed) ? 0 : int32_t(list.asInteger(listed));
    SaveRespMO(prgid, RespMOIds.at(entry), name, listedMoId);
    cbRespMOlistChange();
}

void TDistributePage::SaveRespMO(int32_t prgid, int32_t moId, const QString& name, int32_t listedMoId)
{
    if (Msg::question(this, QStringLiteral("Сохранить изменения?")) != Msg::Yes)
        return;
    SqlCommand& assign = *dm->adocDistrSetRespMo;
    assign.setInteger(QStringLiteral("prgid"), prgid);
    assign.setInteger(QStringLiteral("resp_mo_id"), moId);
    assign.setString(QStringLiteral("resp_mo"), name);
    assign.setInteger(QStringLiteral("listed_resp_mo_id"), listedMoId);
    assign.execute();
    // Assigned on another workstation since the list was read: not re-assigned unseen.
    // The list is read again below and shows the assignment as it now stands.
    if (assign.rowsAffected() == 0)
        Msg::error(this, QStringLiteral("ИПРА уже распределена на другом рабочем месте"));
    // Re-run under the current filter item: the list starts again from its first row.
    rerunDistrIpra();
    dbgDistrIpraCellClick();
    cbRespMOlist->setCurrentIndex(-1);
}
