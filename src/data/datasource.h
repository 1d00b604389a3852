#pragma once

#include <QAbstractTableModel>
#include <QList>

class SqlQuery;

// One column of a grid bound to a data source.
struct GridColumn
{
    QString field;
    QString title;
    int width = 64;
    bool visible = true;
};

// A data source: a table model over a query's snapshot. The grid's current row and
// the query's current row follow each other (see BindGrid in the ui library); the
// page handlers read the query's current row.
class DataSource : public QAbstractTableModel
{
    Q_OBJECT
public:
    DataSource(const QString& name, SqlQuery* query, QObject* parent = nullptr);

    SqlQuery* query() const { return m_query; }

    // Without columns of its own the source shows every field of the query.
    void setColumns(const QList<GridColumn>& columns);
    QList<GridColumn> columns() const { return m_columns; }
    int fieldColumn(const QString& field) const; // the model column showing a field, -1 if none

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The text a cell shows: dates as DD.MM.YYYY, blank padding trimmed.
    static QString displayText(const QVariant& value);

private:
    int queryColumn(int modelColumn) const;
    void reset();

    SqlQuery* m_query;
    QList<GridColumn> m_columns;
    QVector<int> m_queryColumns; // model column -> query column (or -1)
};
