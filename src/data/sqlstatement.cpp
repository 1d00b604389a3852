#include "data/sqlstatement.h"

#include "data/connection.h"
#include "data/odbcdiag.h"
#include "platform/errors.h"

#include <QDate>
#include <QDateTime>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <QSqlResult>
#include <QStringDecoder>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

namespace {

QString errorText(const QSqlError& error)
{
    QString text = error.driverText();
    const QString db = error.databaseText();
    if (!db.isEmpty() && db != text)
        text = text.isEmpty() ? db : text + QLatin1Char('\n') + db;
    return text.isEmpty() ? QStringLiteral("Ошибка базы данных") : text;
}

bool isNameStart(QChar c) { return c.isLetter() || c == QLatin1Char('_'); }
bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

// The ODBC statement handle behind a query (the Qt driver hands it out as a QVariant
// holding an SQLHANDLE), null when it has none.
SQLHSTMT statementHandleOrNull(const QSqlQuery& query)
{
    const QSqlResult* result = query.result();
    const QVariant handle = result ? result->handle() : QVariant();
    if (!handle.isValid() || handle.metaType().sizeOf() != int(sizeof(SQLHSTMT)))
        return nullptr;
    return *static_cast<SQLHSTMT const*>(handle.constData());
}

// Where a quoted text, a quoted identifier or a comment that starts at i ends (the index
// after it); i itself when none starts there.
int skipQuotedOrComment(const QString& text, int i)
{
    const int n = int(text.size());
    const QChar c = text.at(i);
    if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
        int j = i + 1;
        while (j < n && text.at(j) != c)
            ++j;
        return std::min(j + 1, n);
    }
    if (c == QLatin1Char('-') && i + 1 < n && text.at(i + 1) == QLatin1Char('-')) {
        int j = i;
        while (j < n && text.at(j) != QLatin1Char('\n'))
            ++j;
        return j;
    }
    return i;
}

// Turns ":name" placeholders into "?" and lists the names in order. Quoted texts,
// quoted identifiers, comments and PostgreSQL casts ("::") are left alone.
QString toPositional(const QString& text, QStringList& names)
{
    QString out;
    out.reserve(text.size());
    const int n = int(text.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (const int end = skipQuotedOrComment(text, i); end > i) {
            out += text.mid(i, end - i);
            i = end - 1;
        } else if (c == QLatin1Char(':') && i + 1 < n && text.at(i + 1) == QLatin1Char(':')) {
            out += QLatin1String("::");
            ++i;
        } else if (c == QLatin1Char(':') && i + 1 < n && isNameStart(text.at(i + 1))) {
            int j = i + 1;
            while (j < n && isNameChar(text.at(j)))
                ++j;
            names << text.mid(i + 1, j - i - 1);
            out += QLatin1Char('?');
            i = j - 1;
        } else {
            out += c;
        }
    }
    return out;
}

// Whether a statement only reads, so that it may be sent again after a broken connection:
// it starts with SELECT, VALUES, SHOW, TABLE or WITH and names no command that changes
// data (a WITH may hold an INSERT, SELECT … INTO makes a table, FOR UPDATE locks rows).
// Anything else counts as a write.
bool isReadOnly(const QString& text)
{
    static const QStringList reads = {"select", "values", "show", "table", "with"};
    static const QStringList changes = {"insert", "update", "delete", "merge", "truncate", "into",
                                        "copy", "call", "do", "create", "alter", "drop", "lock",
                                        "grant", "revoke"};
    bool first = true;
    const int n = int(text.size());
    for (int i = 0; i < n; ++i) {
        if (const int end = skipQuotedOrComment(text, i); end > i) {
            i = end - 1;
            continue;
        }
        if (!isNameStart(text.at(i)))
            continue;
        int j = i + 1;
        while (j < n && isNameChar(text.at(j)))
            ++j;
        const QString word = text.mid(i, j - i).toLower();
        if (first && !reads.contains(word))
            return false;
        if (changes.contains(word))
            return false;
        first = false;
        i = j - 1;
    }
    return !first;
}

} // namespace

SqlStatement::SqlStatement(TConnection& connection, const QString& name, const QStringList& lines,
                           QObject* parent)
    : QObject(parent), m_connection(connection), m_lines(lines)
{
    setObjectName(name);
}

SqlStatement::~SqlStatement() = default;

void SqlStatement::dropPrepared()
{
    m_query.reset();
    m_preparedGeneration = -1;
    m_read.reset();
}

bool SqlStatement::readsOnly() const
{
    if (!m_read)
        m_read = isReadOnly(text());
    return *m_read;
}

void SqlStatement::clearText()
{
    m_lines.clear();
    dropPrepared();
}

void SqlStatement::addLine(const QString& line)
{
    m_lines << line;
    dropPrepared();
}

void SqlStatement::setText(const QString& text)
{
    m_lines = text.split(QLatin1Char('\n'));
    dropPrepared();
}

void SqlStatement::declareParam(const QString& name, ParamType type)
{
    m_declared.insert(name, type);
}

void SqlStatement::setParam(const QString& name, const QVariant& value)
{
    m_params.insert(name, value);
}

void SqlStatement::setString(const QString& name, const QString& value)
{
    // A null QString would go to the database as NULL; texts are stored as written.
    m_params.insert(name, value.isNull() ? QStringLiteral("") : value);
}

void SqlStatement::setInteger(const QString& name, qint64 value)
{
    if (value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max())
        m_params.insert(name, int(value));
    else
        m_params.insert(name, value);
}

void SqlStatement::setBoolean(const QString& name, bool value)
{
    m_params.insert(name, value);
}

void SqlStatement::setDate(const QString& name, const QDate& value)
{
    m_params.insert(name, value.isValid() ? QVariant(value) : QVariant(QMetaType::fromType<QDate>()));
}

void SqlStatement::setNull(const QString& name, QMetaType type)
{
    m_params.insert(name, QVariant(type));
}

QStringList SqlStatement::paramNames() const
{
    QStringList names;
    toPositional(text(), names);
    names.removeDuplicates();
    return names;
}

QVariant SqlStatement::boundValue(const QString& name) const
{
    const auto it = m_params.constFind(name);
    if (it == m_params.constEnd())
        throw DbError(QStringLiteral("%1: параметру :%2 не задано значение").arg(objectName(), name));
    QVariant value = *it;
    switch (m_declared.value(name, ParamType::Auto)) {
    case ParamType::Text:
        if (value.isNull())
            return QVariant(QMetaType::fromType<QString>());
        return QVariant(value.toString());
    case ParamType::Boolean:
        if (value.isNull())
            return QVariant(QMetaType::fromType<bool>());
        return QVariant(value.toBool());
    case ParamType::Auto:
        break;
    }
    return value;
}

void SqlStatement::send(const std::function<void(QSqlQuery&)>& answer)
{
    const auto use = readsOnly() ? TConnection::Use::Read : TConnection::Use::Write;
    for (bool again = false;; again = true) {
        m_connection.ready(use);
        OdbcDiagnostics failure;
        QString message;
        if (sendOnce(answer, failure, message)) {
            m_connection.succeeded(use);
            return;
        }
        if (!m_connection.isLoss(failure))
            throw DbError(message, failure.firstState());
        // Throws unless this was a read outside a transaction: that goes once more.
        m_connection.lost(use, failure);
        if (again)
            throw ConnectionLostError(failure.text.isEmpty() ? message : failure.text, false,
                                      failure.firstState());
    }
}

bool SqlStatement::sendOnce(const std::function<void(QSqlQuery&)>& answer,
                            OdbcDiagnostics& failure, QString& message)
{
    if (!m_query || m_preparedGeneration != m_connection.generation()) {
        m_query.reset();
        m_placeholders.clear();
        const QString positional = toPositional(text(), m_placeholders);
        auto query = std::make_unique<QSqlQuery>(m_connection.database());
        query->setForwardOnly(true);
        // A statement without parameters goes to the server as it is, each run. Prepared,
        // psqlODBC sends it as parse, bind and execute and deallocates it afterwards, and
        // the server is markedly slower delivering a large result that way.
        m_direct.clear();
        if (m_placeholders.isEmpty()) {
            m_direct = positional;
        } else if (!query->prepare(positional)) {
            message = errorText(query->lastError());
            failure = ReadDiagnostics(SQL_HANDLE_STMT, statementHandleOrNull(*query));
            return false;
        }
        m_query = std::move(query);
        m_preparedGeneration = m_connection.generation();
    }
    for (int i = 0; i < m_placeholders.size(); ++i)
        m_query->bindValue(i, boundValue(m_placeholders.at(i)));
    if (!(m_placeholders.isEmpty() ? m_query->exec(m_direct) : m_query->exec())) {
        message = errorText(m_query->lastError());
        failure = ReadDiagnostics(SQL_HANDLE_STMT, statementHandleOrNull(*m_query));
        m_query->finish();
        return false;
    }
    try {
        answer(*m_query);
    } catch (const DbError& error) {
        m_query->finish();
        // Reading the answer failed: a broken connection is known to the driver then.
        if (!m_connection.isLoss({}))
            throw;
        message = error.message();
        failure.text = message;
        return false;
    } catch (...) {
        m_query->finish();
        throw;
    }
    m_query->finish();
    return true;
}

// ---------------------------------------------------------------------------

void SqlCommand::execute()
{
    send([this](QSqlQuery& query) { m_rowsAffected = query.numRowsAffected(); });
}

// ---------------------------------------------------------------------------
// The snapshot. Reading a large result through QSqlQuery::next/value costs several
// driver calls and a QVariant (often with a heap block) per cell, and the driver
// holds its own copy of the whole result meanwhile. So the rows are read straight
// from the statement handle, a block of rows per call into bound buffers, and kept
// per column as plain values and back-to-back texts; a cell's QVariant is made when
// the cell is read (a grid reads only the rows it paints).
//
// The values are those the Qt ODBC driver gives for the same columns, by the type
// it reports for each field: integers as int (uint for unsigned; its nulls as a null
// int, as the driver has it), 64-bit integers, doubles (numeric too: the default
// precision policy), QDate, QTime, QDateTime in local time, byte arrays, and texts;
// every other type (float4, for one) as its text. A null text is an invalid QVariant,
// an empty text a non-null empty QString, other nulls a null of their type.

namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC's 2-byte SQLWCHAR");

enum class CellKind : quint8 { Int, UInt, LongLong, ULongLong, Double, Date, Time, DateTime, Text, Bytes };

CellKind cellKind(QMetaType type)
{
    switch (type.id()) {
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
        return CellKind::Int;
    case QMetaType::UInt:
        return CellKind::UInt;
    case QMetaType::LongLong:
        return CellKind::LongLong;
    case QMetaType::ULongLong:
        return CellKind::ULongLong;
    case QMetaType::Double:
        return CellKind::Double;
    case QMetaType::QDate:
        return CellKind::Date;
    case QMetaType::QTime:
        return CellKind::Time;
    case QMetaType::QDateTime:
        return CellKind::DateTime;
    case QMetaType::QByteArray:
        return CellKind::Bytes;
    default:
        return CellKind::Text;
    }
}

// Texts up to this many characters come with the block; longer ones are read
// again on their own (SQLGetData on the positioned row).
constexpr int kTextChars = 255;
constexpr int kBytesBuffer = 1024;
// Rows per fetch call: enough to make the per-call cost small, few enough that the
// bound buffers stay in the cache.
constexpr SQLULEN kBlockBytes = 1 << 20;

// The driver's report on a failed call on a statement handle, as the error to throw.
DbError statementError(SQLHSTMT statement)
{
    const OdbcDiagnostics diagnostics = ReadDiagnostics(SQL_HANDLE_STMT, statement);
    return DbError(diagnostics.text.isEmpty() ? QStringLiteral("Ошибка базы данных") : diagnostics.text,
                   diagnostics.firstState());
}

} // namespace

struct SqlQuery::Snapshot
{
    struct Column
    {
        CellKind kind = CellKind::Text;
        // Per row: the number (a double's bits), the julian day of a date or of a
        // timestamp, a time's milliseconds (-1: invalid), or where the row's text ends.
        std::vector<qint64> values;
        std::vector<qint32> msecs; // the time of day of a timestamp (-1: invalid)
        std::vector<bool> nulls;
        std::vector<char16_t> text;
        std::vector<char> bytes;
    };
    std::vector<Column> columns;
    int rows = 0;

    QVariant cell(int row, int column) const;
    // An integer cell's value without making a QVariant; nothing for a null or a
    // value that is no whole number.
    std::optional<qint64> integerAt(int row, int column) const;
    // utf8Text: texts may be bound as SQL_C_CHAR (the driver hands over the server's
    // UTF-8 as it is), which psqlODBC converts markedly faster than SQL_C_WCHAR.
    static std::unique_ptr<Snapshot> read(const QSqlQuery& query, const QSqlRecord& record,
                                          bool utf8Text);
};

QVariant SqlQuery::Snapshot::cell(int row, int column) const
{
    const Column& c = columns[size_t(column)];
    const size_t r = size_t(row);
    const bool null = c.nulls[r];
    switch (c.kind) {
    case CellKind::Int:
        return null ? QVariant(QMetaType::fromType<int>()) : QVariant(int(c.values[r]));
    case CellKind::UInt:
        return null ? QVariant(QMetaType::fromType<int>()) : QVariant(uint(c.values[r]));
    case CellKind::LongLong:
        return null ? QVariant(QMetaType::fromType<qlonglong>()) : QVariant(qlonglong(c.values[r]));
    case CellKind::ULongLong:
        return null ? QVariant(QMetaType::fromType<qulonglong>()) : QVariant(qulonglong(c.values[r]));
    case CellKind::Double:
        return null ? QVariant(QMetaType::fromType<double>())
                    : QVariant(std::bit_cast<double>(c.values[r]));
    case CellKind::Date:
        return null ? QVariant(QMetaType::fromType<QDate>()) : QVariant(QDate::fromJulianDay(c.values[r]));
    case CellKind::Time:
        return null ? QVariant(QMetaType::fromType<QTime>())
                    : QVariant(QTime::fromMSecsSinceStartOfDay(int(c.values[r])));
    case CellKind::DateTime:
        return null ? QVariant(QMetaType::fromType<QDateTime>())
                    : QVariant(QDateTime(QDate::fromJulianDay(c.values[r]),
                                         QTime::fromMSecsSinceStartOfDay(c.msecs[r])));
    case CellKind::Text: {
        if (null)
            return QVariant();
        const qint64 begin = r ? c.values[r - 1] : 0;
        const qint64 length = c.values[r] - begin;
        if (length == 0)
            return QVariant(QStringLiteral(""));
        return QVariant(QString(reinterpret_cast<const QChar*>(c.text.data() + begin), length));
    }
    case CellKind::Bytes: {
        if (null)
            return QVariant(QMetaType::fromType<QByteArray>());
        const qint64 begin = r ? c.values[r - 1] : 0;
        return QVariant(QByteArray(c.bytes.data() + begin, c.values[r] - begin));
    }
    }
    return QVariant();
}

std::optional<qint64> SqlQuery::Snapshot::integerAt(int row, int column) const
{
    const Column& c = columns[size_t(column)];
    const size_t r = size_t(row);
    if (c.nulls[r])
        return std::nullopt;
    switch (c.kind) {
    case CellKind::Int:
    case CellKind::UInt:
    case CellKind::LongLong:
    case CellKind::ULongLong:
        return c.values[r];
    default: {
        bool ok = false;
        const qint64 n = cell(row, column).toLongLong(&ok);
        return ok ? std::optional<qint64>(n) : std::nullopt;
    }
    }
}

namespace {

template <typename T>
T load(const char* cell)
{
    T value;
    std::memcpy(&value, cell, sizeof value);
    return value;
}

// One column's bound buffer for a block of rows (left uninitialised: the driver fills it).
struct BoundColumn
{
    SQLSMALLINT cType = SQL_C_WCHAR;
    SQLLEN width = 0; // bytes per row
    std::unique_ptr<char[]> data;
    std::unique_ptr<SQLLEN[]> indicators;
};

// Puts the statement back the way the Qt driver expects it: no bound columns, one
// row per fetch.
struct BlockFetchReset
{
    SQLHSTMT statement;
    ~BlockFetchReset()
    {
        SQLFreeStmt(statement, SQL_UNBIND);
        SQLSetStmtAttr(statement, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(1)), 0);
        SQLSetStmtAttr(statement, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
        SQLSetStmtAttr(statement, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
    }
};

SQLHSTMT statementHandle(const QSqlQuery& query)
{
    SQLHSTMT statement = statementHandleOrNull(query);
    if (!statement)
        throw DbError(QStringLiteral("Нет дескриптора оператора ODBC"));
    return statement;
}

// Appends UTF-8 text to UTF-16 units (never more units than bytes). Stateless: every
// cell is whole, and a malformed byte, should one come, becomes U+FFFD in its own cell.
void appendUtf8(std::vector<char16_t>& out, const char* text, size_t length)
{
    static thread_local QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const size_t at = out.size();
    out.resize(at + length);
    auto* begin = reinterpret_cast<QChar*>(out.data() + at);
    const QChar* end = decoder.appendToBuffer(begin, QByteArrayView(text, qsizetype(length)));
    out.resize(at + size_t(end - begin));
}

// The whole of a long text or byte value of row `row` (1-based) of the block.
template <typename Unit>
void readLongValue(SQLHSTMT statement, SQLUSMALLINT column, SQLSETPOSIROW row, SQLLEN known,
                   std::vector<Unit>& out)
{
    constexpr bool wide = sizeof(Unit) == 2;
    SQLRETURN rc = SQLSetPos(statement, row, SQL_POSITION, SQL_LOCK_NO_CHANGE);
    if (!SQL_SUCCEEDED(rc))
        throw statementError(statement);
    // Room for the whole value when its length is known, and its terminator.
    std::vector<Unit> buffer(size_t(known > 0 ? known / SQLLEN(sizeof(Unit)) + 1 : 4096));
    for (;;) {
        SQLLEN indicator = 0;
        const SQLLEN bytes = SQLLEN(buffer.size() * sizeof(Unit));
        rc = SQLGetData(statement, column, wide ? SQL_C_WCHAR : SQL_C_BINARY, buffer.data(), bytes,
                        &indicator);
        if (rc == SQL_NO_DATA)
            return;
        if (!SQL_SUCCEEDED(rc))
            throw statementError(statement);
        // A part that did not fit fills the buffer (less a text's terminator).
        const SQLLEN room = wide ? bytes - SQLLEN(sizeof(Unit)) : bytes;
        const bool partial = indicator == SQL_NO_TOTAL || indicator > room;
        const SQLLEN got = partial ? room : indicator;
        out.insert(out.end(), buffer.data(), buffer.data() + got / SQLLEN(sizeof(Unit)));
        if (!partial)
            return;
    }
}

} // namespace

std::unique_ptr<SqlQuery::Snapshot> SqlQuery::Snapshot::read(const QSqlQuery& query,
                                                             const QSqlRecord& record, bool utf8Text)
{
    auto snapshot = std::make_unique<Snapshot>();
    const int count = record.count();
    snapshot->columns.resize(size_t(count));
    if (count == 0)
        return snapshot;
    SQLHSTMT statement = statementHandle(query);

    std::vector<BoundColumn> bound(static_cast<size_t>(count));
    SQLLEN rowBytes = 0;
    for (int i = 0; i < count; ++i) {
        Column& column = snapshot->columns[size_t(i)];
        column.kind = cellKind(record.field(i).metaType());
        BoundColumn& b = bound[size_t(i)];
        switch (column.kind) {
        case CellKind::Int: b.cType = SQL_C_SLONG; b.width = sizeof(SQLINTEGER); break;
        case CellKind::UInt: b.cType = SQL_C_ULONG; b.width = sizeof(SQLUINTEGER); break;
        case CellKind::LongLong: b.cType = SQL_C_SBIGINT; b.width = sizeof(SQLBIGINT); break;
        case CellKind::ULongLong: b.cType = SQL_C_UBIGINT; b.width = sizeof(SQLUBIGINT); break;
        case CellKind::Double: b.cType = SQL_C_DOUBLE; b.width = sizeof(SQLDOUBLE); break;
        case CellKind::Date: b.cType = SQL_C_TYPE_DATE; b.width = sizeof(SQL_DATE_STRUCT); break;
        case CellKind::Time: b.cType = SQL_C_TYPE_TIME; b.width = sizeof(SQL_TIME_STRUCT); break;
        case CellKind::DateTime: b.cType = SQL_C_TYPE_TIMESTAMP; b.width = sizeof(SQL_TIMESTAMP_STRUCT); break;
        case CellKind::Text:
            if (utf8Text) {
                b.cType = SQL_C_CHAR;
                b.width = kTextChars * 4 + 1; // up to four bytes a character, and the terminator
            } else {
                b.cType = SQL_C_WCHAR;
                b.width = (kTextChars + 1) * sizeof(SQLWCHAR);
            }
            break;
        case CellKind::Bytes: b.cType = SQL_C_BINARY; b.width = kBytesBuffer; break;
        }
        rowBytes += b.width + SQLLEN(sizeof(SQLLEN));
    }
    // psqlODBC has the whole result by now and tells its row count (with a cursor
    // fetching in parts it tells -1); a hint for the sizes only.
    SQLLEN expected = -1;
    if (!SQL_SUCCEEDED(SQLRowCount(statement, &expected)) || expected > (1 << 26))
        expected = -1;
    SQLULEN blockRows = std::clamp<SQLULEN>(kBlockBytes / SQLULEN(rowBytes), 16, 1024);
    if (expected >= 0)
        blockRows = std::min(blockRows, SQLULEN(std::max<SQLLEN>(expected, 1)));
    for (Column& column : snapshot->columns)
        if (expected > 0) {
            column.values.reserve(size_t(expected));
            column.nulls.reserve(size_t(expected));
            if (column.kind == CellKind::DateTime)
                column.msecs.reserve(size_t(expected));
        }

    BlockFetchReset reset{statement};
    SQLULEN fetched = 0;
    std::vector<SQLUSMALLINT> status(blockRows);
    auto attribute = [statement](SQLINTEGER name, SQLPOINTER value) {
        if (!SQL_SUCCEEDED(SQLSetStmtAttr(statement, name, value, 0)))
            throw statementError(statement);
    };
    attribute(SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQLULEN(SQL_BIND_BY_COLUMN)));
    attribute(SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(blockRows));
    attribute(SQL_ATTR_ROWS_FETCHED_PTR, &fetched);
    attribute(SQL_ATTR_ROW_STATUS_PTR, status.data());
    for (int i = 0; i < count; ++i) {
        BoundColumn& b = bound[size_t(i)];
        b.data.reset(new char[size_t(b.width) * blockRows]);
        b.indicators.reset(new SQLLEN[blockRows]);
        if (!SQL_SUCCEEDED(SQLBindCol(statement, SQLUSMALLINT(i + 1), b.cType, b.data.get(), b.width,
                                      b.indicators.get())))
            throw statementError(statement);
    }

    for (bool first = true;; first = false) {
        const SQLRETURN rc = SQLFetchScroll(statement, SQL_FETCH_NEXT, 0);
        if (rc == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(rc))
            throw statementError(statement);
        for (SQLULEN r = 0; r < fetched; ++r)
            if (status[r] == SQL_ROW_ERROR)
                throw statementError(statement);
        for (int i = 0; i < count; ++i) {
            Column& column = snapshot->columns[size_t(i)];
            const BoundColumn& b = bound[size_t(i)];
            for (SQLULEN r = 0; r < fetched; ++r) {
                const SQLLEN indicator = b.indicators[r];
                const char* cell = b.data.get() + r * SQLULEN(b.width);
                const bool null = indicator == SQL_NULL_DATA;
                column.nulls.push_back(null);
                qint64 value = 0;
                switch (column.kind) {
                case CellKind::Int:
                    value = null ? 0 : load<SQLINTEGER>(cell);
                    break;
                case CellKind::UInt:
                    value = null ? 0 : load<SQLUINTEGER>(cell);
                    break;
                case CellKind::LongLong:
                    value = null ? 0 : load<SQLBIGINT>(cell);
                    break;
                case CellKind::ULongLong:
                    value = null ? 0 : qint64(load<SQLUBIGINT>(cell));
                    break;
                case CellKind::Double:
                    value = null ? 0 : std::bit_cast<qint64>(load<SQLDOUBLE>(cell));
                    break;
                case CellKind::Date:
                    if (!null) {
                        const auto d = load<SQL_DATE_STRUCT>(cell);
                        value = QDate(d.year, d.month, d.day).toJulianDay();
                    }
                    break;
                case CellKind::Time:
                    if (!null) {
                        const auto t = load<SQL_TIME_STRUCT>(cell);
                        const QTime time(t.hour, t.minute, t.second);
                        value = time.isValid() ? time.msecsSinceStartOfDay() : -1;
                    }
                    break;
                case CellKind::DateTime: {
                    qint32 ms = -1;
                    if (!null) {
                        const auto t = load<SQL_TIMESTAMP_STRUCT>(cell);
                        value = QDate(t.year, t.month, t.day).toJulianDay();
                        const QTime time(t.hour, t.minute, t.second, int(t.fraction / 1000000));
                        ms = time.isValid() ? time.msecsSinceStartOfDay() : -1;
                    }
                    column.msecs.push_back(ms);
                    break;
                }
                case CellKind::Text:
                    if (!null) {
                        const bool narrow = b.cType == SQL_C_CHAR;
                        const SQLLEN room = b.width - (narrow ? 1 : SQLLEN(sizeof(SQLWCHAR)));
                        if (indicator == SQL_NO_TOTAL || indicator > room) {
                            // Read again whole, as UTF-16 (the length known is of the
                            // bytes bound, so it is no size hint then).
                            readLongValue(statement, SQLUSMALLINT(i + 1), SQLSETPOSIROW(r + 1),
                                          narrow ? SQL_NO_TOTAL : indicator, column.text);
                        } else if (narrow) {
                            appendUtf8(column.text, cell, size_t(indicator));
                        } else {
                            const auto* units = reinterpret_cast<const char16_t*>(cell);
                            column.text.insert(column.text.end(), units, units + indicator / 2);
                        }
                    }
                    value = qint64(column.text.size());
                    break;
                case CellKind::Bytes:
                    if (!null) {
                        if (indicator == SQL_NO_TOTAL || indicator > b.width)
                            readLongValue(statement, SQLUSMALLINT(i + 1), SQLSETPOSIROW(r + 1),
                                          indicator, column.bytes);
                        else
                            column.bytes.insert(column.bytes.end(), cell, cell + indicator);
                    }
                    value = qint64(column.bytes.size());
                    break;
                }
                column.values.push_back(value);
            }
            // Room for the texts of the whole result, judged by the first block.
            if (first && expected > SQLLEN(fetched) && fetched > 0) {
                const double perRow = double(column.kind == CellKind::Bytes ? column.bytes.size()
                                                                            : column.text.size()) /
                                      double(fetched);
                const size_t room = size_t(perRow * double(expected) * 1.1);
                if (column.kind == CellKind::Text)
                    column.text.reserve(room);
                else if (column.kind == CellKind::Bytes)
                    column.bytes.reserve(room);
            }
        }
        snapshot->rows += int(fetched);
    }
    return snapshot;
}

SqlQuery::SqlQuery(TConnection& connection, const QString& name, const QStringList& lines,
                   bool isStatic, QObject* parent)
    : SqlStatement(connection, name, lines, parent), m_static(isStatic)
{
}

SqlQuery::~SqlQuery() = default;

QVariant SqlQuery::cell(int row, int column) const
{
    return m_snapshot->cell(row, column);
}

void SqlQuery::open()
{
    if (m_open)
        return;
    send([this](QSqlQuery& query) {
        const QSqlRecord record = query.record();
        const int count = record.count();
        m_columns.clear();
        m_columnIndex.clear();
        for (int i = 0; i < count; ++i) {
            const QString field = record.fieldName(i);
            m_columns << field;
            m_columnIndex.insert(field.toLower(), i); // the last of equal names wins, as for "select *, x"
        }
        m_snapshot.reset();
        m_snapshot = Snapshot::read(query, record, m_connection.charTextIsUtf8());
    });
    m_open = true;
    rebuildVisible();
    m_bof = true;
    m_pastEnd = m_visible.isEmpty();
    m_current = m_visible.isEmpty() ? -1 : 0;
    notifyRowsChanged();
}

void SqlQuery::close()
{
    if (!m_open)
        return;
    m_open = false;
    m_snapshot.reset();
    m_visible.clear();
    m_current = -1;
    m_bof = true;
    m_pastEnd = true;
    notifyRowsChanged();
}

void SqlQuery::rebuildVisible()
{
    m_visible.clear();
    const int rows = m_snapshot ? m_snapshot->rows : 0;
    m_visible.reserve(rows);
    if (!m_filter && !m_keys) {
        for (int i = 0; i < rows; ++i)
            m_visible.append(i);
        return;
    }
    const int keyColumn = m_keys ? columnIndex(m_keyColumn) : -1;
    if (m_keys && keyColumn < 0)
        return; // no row carries a key
    QVector<QVariant> row(m_filter ? m_columns.size() : 0);
    for (int i = 0; i < rows; ++i) {
        if (m_keys) {
            const std::optional<qint64> key = m_snapshot->integerAt(i, keyColumn);
            if (!key || !m_keys->contains(*key))
                continue;
        }
        if (m_filter) {
            for (int c = 0; c < row.size(); ++c)
                row[c] = cell(i, c);
            if (!m_filter(row, *this))
                continue;
        }
        m_visible.append(i);
    }
}

void SqlQuery::setFilter(RowFilter filter)
{
    m_filter = std::move(filter);
    if (!m_open)
        return;
    rebuildVisible();
    m_bof = true;
    m_pastEnd = m_visible.isEmpty();
    m_current = m_visible.isEmpty() ? -1 : 0;
    notifyRowsChanged();
}

void SqlQuery::setKeyFilter(const QString& column, KeySet keys)
{
    m_keyColumn = column;
    m_keys = std::move(keys);
    if (!m_open)
        return;
    const int before = m_current >= 0 && m_current < m_visible.size() ? m_visible.at(m_current) : -1;
    rebuildVisible();
    // The visible rows keep the snapshot's order, so the row is found by halving.
    const auto found = std::lower_bound(m_visible.cbegin(), m_visible.cend(), before);
    const bool kept = before >= 0 && found != m_visible.cend() && *found == before;
    m_current = kept ? int(found - m_visible.cbegin()) : (m_visible.isEmpty() ? -1 : 0);
    m_bof = m_current <= 0;
    m_pastEnd = m_visible.isEmpty();
    notifyRowsChanged();
}

SqlRows SqlQuery::rows() const
{
    SqlRows rows;
    if (!m_open)
        return rows;
    rows.m_snapshot = m_snapshot;
    rows.m_visible = m_visible;
    rows.m_columns = m_columns;
    rows.m_columnIndex = m_columnIndex;
    return rows;
}

int SqlRows::columnIndex(const QString& column) const
{
    return m_columnIndex.value(column.toLower(), -1);
}

QVariant SqlRows::value(int row, int column) const
{
    if (!m_snapshot || row < 0 || row >= m_visible.size() || column < 0 || column >= m_columns.size())
        return {};
    return m_snapshot->cell(m_visible.at(row), column);
}

void SqlQuery::notifyRowsChanged()
{
    if (m_disabled > 0) {
        m_changedWhileDisabled = true;
        return;
    }
    emit rowsChanged();
    emit currentRowChanged(m_current);
}

void SqlQuery::disableControls()
{
    ++m_disabled;
}

void SqlQuery::enableControls()
{
    if (m_disabled == 0 || --m_disabled > 0)
        return;
    if (m_changedWhileDisabled) {
        m_changedWhileDisabled = false;
        emit rowsChanged();
    }
    emit currentRowChanged(m_current);
}

bool SqlQuery::eof() const
{
    return !m_open || m_visible.isEmpty() || m_pastEnd;
}

void SqlQuery::setCurrent(int row)
{
    if (row == m_current)
        return;
    m_current = row;
    if (m_disabled == 0)
        emit currentRowChanged(m_current);
}

void SqlQuery::first()
{
    m_bof = true;
    m_pastEnd = m_visible.isEmpty();
    setCurrent(m_visible.isEmpty() ? -1 : 0);
}

void SqlQuery::next()
{
    if (m_visible.isEmpty())
        return;
    m_bof = false;
    if (m_current + 1 < m_visible.size())
        setCurrent(m_current + 1);
    else
        m_pastEnd = true;
}

void SqlQuery::prior()
{
    if (m_visible.isEmpty())
        return;
    m_pastEnd = false;
    if (m_current > 0)
        setCurrent(m_current - 1);
    else
        m_bof = true;
}

void SqlQuery::last()
{
    m_bof = m_visible.size() <= 1;
    m_pastEnd = m_visible.isEmpty();
    setCurrent(int(m_visible.size()) - 1);
}

void SqlQuery::setRecNo(int row)
{
    if (m_visible.isEmpty())
        return;
    row = std::clamp(row, 0, int(m_visible.size()) - 1);
    m_bof = row == 0;
    m_pastEnd = false;
    setCurrent(row);
}

bool SqlQuery::locate(const QString& column, const QVariant& value)
{
    const int c = checkedColumn(column);
    for (int i = 0; i < m_visible.size(); ++i) {
        const QVariant v = cell(m_visible.at(i), c);
        if (!v.isNull() && v.toString() == value.toString()) {
            setRecNo(i);
            return true;
        }
    }
    return false;
}

int SqlQuery::columnIndex(const QString& column) const
{
    return m_columnIndex.value(column.toLower(), -1);
}

bool SqlQuery::hasField(const QString& column) const
{
    return columnIndex(column) >= 0;
}

int SqlQuery::checkedColumn(const QString& column) const
{
    if (!m_open)
        throw DbError(QStringLiteral("%1: запрос закрыт").arg(objectName()));
    const int c = columnIndex(column);
    if (c < 0)
        throw DbError(QStringLiteral("%1: поле '%2' не найдено").arg(objectName(), column));
    return c;
}

QVariant SqlQuery::valueAt(int row, int column) const
{
    if (row < 0 || row >= m_visible.size() || column < 0 || column >= m_columns.size())
        return {};
    return cell(m_visible.at(row), column);
}

QVariant SqlQuery::value(const QString& column) const
{
    const int c = checkedColumn(column);
    if (m_current < 0)
        throw DbError(QStringLiteral("%1: нет текущей строки").arg(objectName()));
    return cell(m_visible.at(m_current), c);
}

bool SqlQuery::isNull(const QString& column) const
{
    return value(column).isNull();
}

static ConversionError nullError(const QString& column, const QString& type)
{
    return ConversionError(
        QStringLiteral("Поле '%1' не содержит значения (NULL) и не может быть прочитано как %2")
            .arg(column, type));
}

QString SqlQuery::asString(const QString& column) const
{
    const QVariant v = value(column);
    if (v.isNull())
        throw nullError(column, QStringLiteral("текст"));
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().toString(QStringLiteral("dd.MM.yyyy"));
    return v.toString();
}

qint64 SqlQuery::asInteger(const QString& column) const
{
    const QVariant v = value(column);
    if (v.isNull())
        throw nullError(column, QStringLiteral("целое число"));
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (!ok) {
        const double d = v.toString().trimmed().toDouble(&ok);
        if (ok && d == double(qint64(d)))
            return qint64(d);
        throw ConversionError(QStringLiteral("'%1' не является целым числом").arg(v.toString()));
    }
    return n;
}

double SqlQuery::asFloat(const QString& column) const
{
    const QVariant v = value(column);
    if (v.isNull())
        throw nullError(column, QStringLiteral("число"));
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok)
        throw ConversionError(QStringLiteral("'%1' не является числом").arg(v.toString()));
    return d;
}

bool SqlQuery::asBoolean(const QString& column) const
{
    const QVariant v = value(column);
    if (v.isNull())
        throw nullError(column, QStringLiteral("логическое значение"));
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    // psqlODBC delivers booleans as the texts "1"/"0" unless told otherwise.
    const QString s = v.toString().trimmed().toLower();
    if (s == QLatin1String("1") || s == QLatin1String("t") || s == QLatin1String("true"))
        return true;
    if (s == QLatin1String("0") || s == QLatin1String("f") || s == QLatin1String("false"))
        return false;
    bool ok = false;
    const qint64 n = s.toLongLong(&ok);
    if (ok)
        return n != 0;
    throw ConversionError(QStringLiteral("'%1' не является логическим значением").arg(v.toString()));
}

QDate SqlQuery::asDate(const QString& column) const
{
    const QVariant v = value(column);
    if (v.isNull())
        throw nullError(column, QStringLiteral("дата"));
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    const QString s = v.toString().trimmed();
    QDate d = QDate::fromString(s, QStringLiteral("dd.MM.yyyy"));
    if (!d.isValid())
        d = QDate::fromString(s.left(10), Qt::ISODate);
    if (!d.isValid())
        throw ConversionError(QStringLiteral("'%1' is not a valid date").arg(s));
    return d;
}

