#include "data/datasource.h"

#include "data/sqlstatement.h"
#include "platform/handlers.h"

#include <QDate>
#include <QDateTime>

DataSource::DataSource(const QString& name, SqlQuery* query, QObject* parent)
    : QAbstractTableModel(parent), m_query(query)
{
    setObjectName(name);
    ConnectHandler(m_query, &SqlQuery::rowsChanged, this, &DataSource::reset);
}

void DataSource::setColumns(const QList<GridColumn>& columns)
{
    beginResetModel();
    m_columns = columns;
    m_queryColumns.clear();
    endResetModel();
    reset();
}

void DataSource::reset()
{
    beginResetModel();
    m_queryColumns.clear();
    if (m_columns.isEmpty()) {
        for (int i = 0; i < m_query->columnCount(); ++i)
            m_queryColumns << i;
    } else {
        for (const GridColumn& c : m_columns)
            m_queryColumns << m_query->columnIndex(c.field);
    }
    endResetModel();
}

int DataSource::fieldColumn(const QString& field) const
{
    if (m_columns.isEmpty())
        return m_query->columnIndex(field);
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns.at(i).field.compare(field, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int DataSource::queryColumn(int modelColumn) const
{
    return modelColumn >= 0 && modelColumn < m_queryColumns.size() ? m_queryColumns.at(modelColumn)
                                                                   : -1;
}

int DataSource::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_query->isOpen() ? 0 : m_query->recordCount();
}

int DataSource::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return m_columns.isEmpty() ? int(m_queryColumns.size()) : int(m_columns.size());
}

QString DataSource::displayText(const QVariant& value)
{
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("dd.MM.yyyy"));
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
    default: {
        QString s = value.toString();
        while (s.endsWith(QLatin1Char(' ')))
            s.chop(1);
        return s;
    }
    }
}

QVariant DataSource::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const QVariant v = m_query->valueAt(index.row(), queryColumn(index.column()));
    return role == Qt::EditRole ? v : QVariant(displayText(v));
}

QVariant DataSource::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (!m_columns.isEmpty())
        return section < m_columns.size() ? QVariant(m_columns.at(section).title) : QVariant();
    const QStringList names = m_query->fieldNames();
    return section < names.size() ? QVariant(names.at(section)) : QVariant();
}
