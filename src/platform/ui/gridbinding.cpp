#include "platform/ui/gridbinding.h"

#include "data/sqlstatement.h"
#include "platform/handlers.h"

#include <QHeaderView>
#include <QScopedValueRollback>
#include <QTableView>

QTableView* CreateDataGrid(QWidget* parent, const QString& objectName)
{
    auto* view = new QTableView(parent);
    view->setObjectName(objectName);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSortingEnabled(false);
    view->setWordWrap(false);
    view->setShowGrid(true);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    view->horizontalHeader()->setHighlightSections(false);
    // Fixed, uniform rows: the header never measures rows, whatever their number.
    QHeaderView* rows = view->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(view->fontMetrics().height() + 6);
    rows->setHighlightSections(true);
    return view;
}

void ApplyGridColumns(QTableView* view, const QList<GridColumn>& columns)
{
    for (int i = 0; i < columns.size(); ++i) {
        const GridColumn& c = columns.at(i);
        view->setColumnHidden(i, !c.visible);
        if (c.visible && c.width > 0)
            view->setColumnWidth(i, c.width);
    }
}

GridBinding::GridBinding(QTableView* view, DataSource* source)
    : QObject(view), m_view(view), m_source(source)
{
    setObjectName(QStringLiteral("binding_") + source->objectName());
    view->setModel(source);
    // The view and its header connect to the model in setModel, before these: when a
    // reset arrives here the header already has its new sections.
    ConnectHandler(source, &QAbstractItemModel::modelAboutToBeReset, this,
                   &GridBinding::sourceAboutToReset);
    ConnectHandler(source, &QAbstractItemModel::modelReset, this, &GridBinding::sourceReset);
    ConnectHandler(source->query(), &SqlQuery::currentRowChanged, this, &GridBinding::queryRowChanged);
    ConnectHandler(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                   &GridBinding::viewRowChanged);
    ApplyGridColumns(view, source->columns());
    queryRowChanged(source->query()->recNo());
}

GridBinding* GridBinding::of(const QTableView* view)
{
    return view ? view->findChild<GridBinding*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

int GridBinding::currentColumn() const
{
    // Keep the column the user is in; otherwise the first column that is shown.
    const QModelIndex current = m_view->currentIndex();
    if (current.isValid() && !m_view->isColumnHidden(current.column()))
        return current.column();
    const int count = m_source->columnCount();
    for (int c = 0; c < count; ++c)
        if (!m_view->isColumnHidden(c))
            return c;
    return 0;
}

void GridBinding::queryRowChanged(int row)
{
    if (m_syncing || !m_view || !m_source)
        return;
    QScopedValueRollback guard(m_syncing, true);
    QItemSelectionModel* selection = m_view->selectionModel();
    if (row < 0 || row >= m_source->rowCount()) {
        selection->clear();
        return;
    }
    const QModelIndex index = m_source->index(row, currentColumn());
    if (selection->currentIndex() != index || !selection->isRowSelected(row, QModelIndex()))
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                              QItemSelectionModel::Rows);
    m_view->scrollTo(index);
}

void GridBinding::viewRowChanged(const QModelIndex& current)
{
    if (m_syncing || !m_source || !current.isValid())
        return;
    SqlQuery* query = m_source->query();
    if (query->controlsDisabled() || query->recNo() == current.row())
        return;
    QScopedValueRollback guard(m_syncing, true);
    query->setRecNo(current.row());
}

void GridBinding::sourceAboutToReset()
{
    m_syncing = true; // the view clears its selection while the rows are swapped
}

void GridBinding::sourceReset()
{
    m_syncing = false;
    if (!m_view || !m_source)
        return;
    // A reset gives the header fresh sections: widths and hidden columns again (per
    // column, never per row), then the row the query stands on.
    ApplyGridColumns(m_view, m_source->columns());
    queryRowChanged(m_source->query()->recNo());
}

GridBinding* BindGrid(QTableView* view, DataSource* source)
{
    if (GridBinding* existing = GridBinding::of(view)) {
        if (existing->source() == source)
            return existing;
        delete existing;
    }
    return new GridBinding(view, source);
}
