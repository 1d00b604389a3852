#pragma once

#include "data/datasource.h"

#include <QStyledItemDelegate>
#include <QObject>
#include <QPointer>
#include <QTableView>

class QModelIndex;
class QWidget;

// A read-only data grid as the pages use them: whole-row selection, one row at a time,
// fixed row heights (no per-row measuring, so lists of any length stay quick), titles.
QTableView* CreateDataGrid(QWidget* parent, const QString& objectName);

// Widths and hidden columns of a grid, from the data source's column list. A source
// without columns of its own shows every field at the view's default width.
void ApplyGridColumns(QTableView* view, const QList<GridColumn>& columns);

// Binds a grid to a data source, as a data-aware grid is bound to its data set: the
// grid's current row follows the query's current row and the query's follows the grid's,
// the column widths and hidden columns are applied, and all of it keeps working when the
// query is closed, re-opened or filtered. The binding belongs to the view.
class GridBinding : public QObject
{
    Q_OBJECT
public:
    GridBinding(QTableView* view, DataSource* source);

    QTableView* view() const { return m_view; }
    DataSource* source() const { return m_source; }

    // The binding of a view, null when it has none.
    static GridBinding* of(const QTableView* view);

private:
    void queryRowChanged(int row);
    void viewRowChanged(const QModelIndex& current);
    void sourceAboutToReset();
    void sourceReset();
    int currentColumn() const;

    QPointer<QTableView> m_view;
    QPointer<DataSource> m_source;
    bool m_syncing = false;
};

// Binds view to source unless it is bound to it already; returns the binding.
GridBinding* BindGrid(QTableView* view, DataSource* source);

// Draws a grid column's values centred (set with setItemDelegateForColumn).
class CentredColumnDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = Qt::AlignCenter;
    }
};
