#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>

class TConnection;
struct OdbcDiagnostics;
class SqlRows;

// How a parameter is sent. Most parameters take the type of the value bound to them;
// a few statements declare text or boolean parameters explicitly.
enum class ParamType { Auto, Text, Boolean };

// A named statement of the data module: its text (a list of lines), its parameters
// bound by name, and a query object prepared once per text on the connection.
class SqlStatement : public QObject
{
    Q_OBJECT
public:
    SqlStatement(TConnection& connection, const QString& name, const QStringList& lines,
                 QObject* parent = nullptr);
    ~SqlStatement() override;

    QString name() const { return objectName(); }

    // The statement text. Changing it drops the prepared query.
    QString text() const { return m_lines.join('\n'); }
    QStringList lines() const { return m_lines; }
    void clearText();
    void addLine(const QString& line);
    void setText(const QString& text);

    void declareParam(const QString& name, ParamType type);

    // Binding. setParam keeps the value as given, so a null QString or an invalid
    // QVariant is sent as NULL. setString never sends NULL: an empty text stays ''.
    void setParam(const QString& name, const QVariant& value);
    void setString(const QString& name, const QString& value);
    void setInteger(const QString& name, qint64 value);
    void setBoolean(const QString& name, bool value);
    void setDate(const QString& name, const QDate& value); // a null QDate is sent as NULL
    void setNull(const QString& name, QMetaType type);
    QVariant param(const QString& name) const { return m_params.value(name); }
    QStringList paramNames() const;

    // Whether the text only reads (SELECT and the like, nothing that changes data). A read
    // that meets a broken connection outside a transaction is sent once more on a fresh
    // connection; a write is not: ConnectionLostError tells it may have been carried out.
    bool readsOnly() const;

protected:
    // Prepares (once per text and connection), binds every parameter, executes and hands
    // the answer to `answer`, under the connection's rules for a broken connection (see
    // TConnection::ready and TConnection::lost).
    void send(const std::function<void(QSqlQuery&)>& answer);
    TConnection& m_connection;

private:
    bool sendOnce(const std::function<void(QSqlQuery&)>& answer, OdbcDiagnostics& failure,
                  QString& message);
    void dropPrepared();
    QVariant boundValue(const QString& name) const;

    QStringList m_lines;
    QHash<QString, QVariant> m_params;
    QHash<QString, ParamType> m_declared;
    std::unique_ptr<QSqlQuery> m_query;
    QStringList m_placeholders; // parameter names in the order the driver expects them
    QString m_direct;           // the text of a statement without parameters, run as it is
    int m_preparedGeneration = -1;
    mutable std::optional<bool> m_read;
};

// A statement that returns no rows; executed once per use.
class SqlCommand : public SqlStatement
{
    Q_OBJECT
public:
    using SqlStatement::SqlStatement;
    void execute();
    int rowsAffected() const { return m_rowsAffected; }

private:
    int m_rowsAffected = 0;
};

// A statement that returns rows. Opening it reads all its rows into a snapshot
// (ODBC gives no row counts), so the pages get counts, a current row that can be
// remembered and restored, and a client-side row filter. The snapshot keeps the
// rows column by column and makes a cell's QVariant when the cell is read; the
// values are those QSqlQuery::value gives for the same result.
class SqlQuery : public SqlStatement
{
    Q_OBJECT
public:
    SqlQuery(TConnection& connection, const QString& name, const QStringList& lines,
             bool isStatic, QObject* parent = nullptr);
    ~SqlQuery() override;

    bool isStatic() const { return m_static; }

    void open();   // an open query is left as it is
    void close();
    void reopen() { close(); open(); }
    bool isOpen() const { return m_open; }

    // Navigation over the visible (filtered) rows; row numbers count from 0.
    bool eof() const;
    bool bof() const { return m_bof; }
    void first();
    void next();
    void prior();
    void last();
    int recordCount() const { return int(m_visible.size()); }
    int recNo() const { return m_current; } // -1 when there is no row
    bool hasCurrentRow() const { return m_open && m_current >= 0; }
    void setRecNo(int row);

    // Moves to the first visible row whose column equals value; false (and no move) when none.
    bool locate(const QString& column, const QVariant& value);

    // Columns of the current row, by name (case does not matter). Reading a column the
    // result does not have, or reading with no current row, is an error.
    QStringList fieldNames() const { return m_columns; }
    bool hasField(const QString& column) const;
    QVariant value(const QString& column) const;
    bool isNull(const QString& column) const;
    QString asString(const QString& column) const;  // a null is an error
    qint64 asInteger(const QString& column) const; // a null or a non-number is an error
    double asFloat(const QString& column) const;
    bool asBoolean(const QString& column) const;    // "1"/"0", "true"/"false" and numbers
    QDate asDate(const QString& column) const;      // a date, or a DD.MM.YYYY text

    // Raw access for grids: visible row, column index.
    int columnCount() const { return int(m_columns.size()); }
    int columnIndex(const QString& column) const; // -1 when absent
    QVariant valueAt(int row, int column) const;

    // Client-side filter: only the rows the predicate accepts are visible.
    using RowFilter = std::function<bool(const QVector<QVariant>& row, const SqlQuery& query)>;
    void setFilter(RowFilter filter);
    void clearFilter() { setFilter(nullptr); }
    bool filtered() const { return bool(m_filter); }

    // Narrowing to the rows whose integer column holds one of the keys (a search's
    // matches), on top of the row filter and quick on any number of rows. It stays in
    // force across re-runs until cleared. The current row stays on the same row when
    // that row is still visible, else it goes to the first one.
    using KeySet = std::shared_ptr<const QSet<qint64>>;
    void setKeyFilter(const QString& column, KeySet keys);
    void clearKeyFilter() { setKeyFilter(QString(), nullptr); }
    bool keyFiltered() const { return bool(m_keys); }

    // The visible rows as they are now; they stay readable whatever the query does
    // afterwards (an export reads them while the event loop runs).
    SqlRows rows() const;

    // Grids bound to the query do not follow it while it is suspended.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disabled > 0; }

signals:
    void rowsChanged();            // opened, closed or filtered: the snapshot is another one
    void currentRowChanged(int row);

private:
    friend class SqlRows;
    struct Snapshot;
    QVariant cell(int row, int column) const; // row of the snapshot, not a visible row
    int checkedColumn(const QString& column) const;
    void setCurrent(int row);
    void rebuildVisible();
    void notifyRowsChanged();

    bool m_static;
    bool m_open = false;
    bool m_bof = true;
    bool m_pastEnd = false;
    int m_current = -1;
    QStringList m_columns;
    QHash<QString, int> m_columnIndex;
    std::shared_ptr<const Snapshot> m_snapshot; // set while open
    QVector<int> m_visible;
    RowFilter m_filter;
    QString m_keyColumn;
    KeySet m_keys;
    int m_disabled = 0;
    bool m_changedWhileDisabled = false;
};

// The rows a query showed when they were taken, in its order, with its columns.
class SqlRows
{
public:
    SqlRows() = default;
    int count() const { return int(m_visible.size()); }
    QStringList fieldNames() const { return m_columns; }
    int columnIndex(const QString& column) const; // -1 when absent
    QVariant value(int row, int column) const;    // invalid outside the rows or columns

private:
    friend class SqlQuery;
    std::shared_ptr<const SqlQuery::Snapshot> m_snapshot;
    QVector<int> m_visible;
    QStringList m_columns;
    QHash<QString, int> m_columnIndex;
};
