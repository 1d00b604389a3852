// The event types of the execution page: one tab per type with the group's period, the
// type's subtypes and the grid of the recorded events.

#include "execution/orgiprapage.h"

#include "data/lookuplists.h"
#include "data/tdm.h"
#include "execution/core/currentprg.h"
#include "execution/core/eventrules.h"
#include "execution/eventtabs.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QTabWidget>
#include <QTableWidget>

namespace {

constexpr int EventRowHeight = 18;
const QString AddRowText = QStringLiteral("Добавить мероприятие...");

QColor toColour(const Rgb& rgb)
{
    return QColor(rgb.red, rgb.green, rgb.blue);
}

// A name of a lookup list by id; the record's own text when the id is not (or no longer)
// in the list, empty when it has none.
QString lookedUp(qint32 id, const IdList& ids, const QStringList& names, const QString& own)
{
    if (id > 0) {
        const int position = IndexOfId(ids, id);
        if (position >= 0 && position < names.size())
            return names.at(position);
    }
    return own;
}

void setCell(QTableWidget* grid, int row, int column, const QString& text)
{
    if (QTableWidgetItem* item = grid->item(row, column))
        item->setText(text);
    else
        grid->setItem(row, column, new QTableWidgetItem(text));
}

void writeRecord(QTableWidget* grid, int row, const TEventDetail& d)
{
    setCell(grid, row, 0, QString::number(d.id));
    setCell(grid, row, 1, lookedUp(d.dicid, EventDictIds, EventDictNames, d.name));
    setCell(grid, row, 2, lookedUp(d.exid, ExecutorIds, ExecutorNames, d.exname));
    setCell(grid, row, 3, Dates::isNoDate(d.dt) ? QString() : Dates::format(d.dt));
    setCell(grid, row, 4, lookedUp(d.resid, ResultIds, ResultNames, d.resdesc));
    setCell(grid, row, 5, QString::number(d.state));
}

QString cellText(const QTableWidget* grid, int row, int column)
{
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
}

} // namespace

int TOrgIpraPage::PageIndexOfType(int typeCode)
{
    switch (typeCode) {
    case 2: return 0;
    case 3: return 1;
    case 4: return 2;
    case 99: return 3;
    default: return -1;
    }
}

int TOrgIpraPage::TypeOfPageIndex(int pageIndex)
{
    static const int codes[4] = {2, 3, 4, 99};
    return pageIndex >= 0 && pageIndex < 4 ? codes[pageIndex] : 0;
}

void TOrgIpraPage::SetUpEventTabs()
{
    for (int i = 0; i < pcEvnts->count(); ++i)
        pcEvnts->setTabVisible(i, false);
    pcEvnts->setCurrentIndex(0);
    if (!CurrentPrg)
        return;
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    int firstShown = -1;
    for (const auto& group : CurrentPrg->events) {
        CurrentEventGroup = group.get();
        const int index = PageIndexOfType(group->typeid_);
        if (index < 0)
            continue; // a code without a page of its own
        const QString period = EventPeriodText(group->pfrom, group->pto);
        pcEvnts->setTabVisible(index, true);
        if (firstShown < 0)
            firstShown = index;
        const QColor colour =
            group->NeedsAlert() ? toColour(AlertColour) : buttonFace;
        QWidget* page = pcEvnts->widget(index);
        QPalette palette = page->palette();
        palette.setColor(QPalette::Window, colour);
        page->setPalette(palette);
        eventTabBar()->setTabColour(index, colour);
        termLabel(index + 1)->setText(period);
        LoadEventSubtypes(group->typeid_);
        FillEventGrid(CurrentPrg->id, group->typeid_);
    }
    // The first page when its type is there, else the first type the IPRA has: a page
    // without its tab would show a type the IPRA does not prescribe.
    if (firstShown >= 0 && !pcEvnts->isTabVisible(pcEvnts->currentIndex()))
        pcEvnts->setCurrentIndex(firstShown);
}

void TOrgIpraPage::LoadEventSubtypes(int typeCode)
{
    const int index = PageIndexOfType(typeCode);
    if (index < 0)
        return;
    QComboBox* box = subtypeBox(index + 1);
    SqlQuery& q = *dm->adoqEvSubType;
    QStringList names;
    QVector<qint32> ids;
    q.close();
    q.setInteger(QStringLiteral("typeid"), typeCode);
    try {
        q.open();
        for (q.first(); !q.eof(); q.next()) {
            const QString name = q.isNull(QStringLiteral("name"))
                                     ? QString()
                                     : q.asString(QStringLiteral("name")).trimmed();
            const auto id = qint32(q.asInteger(QStringLiteral("id")));
            names << name;
            ids << id;
        }
    } catch (...) {
        q.close();
        throw;
    }
    q.close();
    box->clear();
    box->addItems(names);
    box->setCurrentIndex(-1);
    SubtypeIds[index] = ids;
}

namespace {

// The records of one type (of one subtype when given) into its grid, then the last row.
void fill(TOrgIpraPage& page, int typeCode, std::optional<qint32> subtype)
{
    const int index = TOrgIpraPage::PageIndexOfType(typeCode);
    if (index < 0)
        return;
    QTableWidget* grid = page.eventGrid(index + 1);
    LoadEventDictionary(); // the whole dictionary: names of every subtype resolve
    // Rows removed and added again come back at the default height.
    grid->setRowCount(0);
    grid->verticalHeader()->setDefaultSectionSize(EventRowHeight);
    grid->setRowCount(1);
    for (int column = 0; column < grid->columnCount(); ++column)
        setCell(grid, 0, column, QString());
    if (!CurrentPrg)
        return;
    CurrentPrg->LoadEventDetails();
    for (const auto& detail : CurrentPrg->details) {
        if (detail->typeid_ != typeCode || (subtype && detail->stypeid != *subtype))
            continue;
        const int last = grid->rowCount() - 1;
        writeRecord(grid, last, *detail);
        grid->setRowCount(last + 2);
        for (int column = 0; column < grid->columnCount(); ++column)
            setCell(grid, last + 1, column, QString());
    }
    // With subtypes, records are added once a subtype is chosen.
    if (subtype || page.subtypeBox(index + 1)->count() == 0)
        setCell(grid, grid->rowCount() - 1, 1, AddRowText);
}

} // namespace

void TOrgIpraPage::FillEventGrid(qint32 /*prgId*/, int typeCode)
{
    // The records are those of CurrentPrg, whose key the callers pass.
    fill(*this, typeCode, std::nullopt);
}

void TOrgIpraPage::FillEventGridBySubtype(qint32 /*prgId*/, int typeCode, qint32 subtypeId)
{
    fill(*this, typeCode, subtypeId);
}

void TOrgIpraPage::cbSubType1Change(QComboBox* box)
{
    // While the editor is open the grids stay as they were when it opened.
    if (!CurrentPrg || EditorOpen())
        return;
    // The drop-down's own page: only the active page's drop-down can be changed.
    const int page = box->objectName().right(1).toInt() - 1;
    if (page < 0 || page > 3)
        return;
    qint32 subtype = 0;
    const int position = box->currentIndex();
    if (!box->currentText().isEmpty() && position >= 0 && position < SubtypeIds[page].size())
        subtype = SubtypeIds[page].at(position);
    FillEventGridBySubtype(CurrentPrg->id, TypeOfPageIndex(page), subtype);
}

void TOrgIpraPage::sgEvents1DrawCell(QTableWidget* grid, int column, int row, const QRect& rect,
                                     QStyle::State state, QPainter* painter)
{
    const QPalette palette = grid->palette();
    QColor background = palette.color(QPalette::Base);
    QColor text = palette.color(QPalette::Text);
    if (state & QStyle::State_Selected) {
        background = palette.color(QPalette::Active, QPalette::Highlight);
        text = Qt::white;
    } else {
        bool known = false;
        const int code = cellText(grid, row, 5).toInt(&known);
        if (const auto colour = known ? EventStateColour(code) : std::nullopt)
            background = toColour(*colour);
        // The add row and the empty rows stay plain.
        if (cellText(grid, row, 0).isEmpty())
            background = palette.color(QPalette::Base);
    }
    painter->save();
    painter->fillRect(rect, background);
    painter->setPen(text);
    painter->setFont(grid->font());
    const QRect area = rect.adjusted(3, 0, -3, 0);
    const int align = (column == 3 || column == 4) ? Qt::AlignHCenter : Qt::AlignLeft;
    const int flags = align | Qt::AlignTop | Qt::TextWordWrap;
    const QString value = cellText(grid, row, column);
    painter->drawText(area, flags, value);
    painter->restore();
    // Rows grow to their text and never shrink while painting; a refill resets them.
    const QRect tall(area.left(), area.top(), area.width(), 100000);
    const int needed = QFontMetrics(grid->font()).boundingRect(tall, flags, value).height();
    if (!value.isEmpty() && needed > grid->rowHeight(row))
        grid->setRowHeight(row, needed);
}

void TOrgIpraPage::sgEvents1SelectCell(QTableWidget* grid, int /*column*/, int row)
{
    if (EditorOpen() || row < 0 || row >= grid->rowCount())
        return;
    if (cellText(grid, row, 0).isEmpty() && cellText(grid, row, 1).isEmpty())
        return; // an empty row
    OpenEditorFromGrid(grid, row);
}
