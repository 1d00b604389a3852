#include "data/sqlstatement.h"

#include "data/connection.h"
#include "platform/errors.h"

#include <QDate>
#include <QSqlError>
#include <QSqlRecord>

#include <algorithm>
#include <limits>

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

// Turns ":name" placeholders into "?" and lists the names in order. Quoted texts,
// quoted identifiers, comments and PostgreSQL casts ("::") are left alone.
QString toPositional(const QString& text, QStringList& names)
{
    QString out;
    out.reserve(text.size());
    const int n = int(text.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            int j = i + 1;
            while (j < n && text.at(j) != c)
                ++j;
            out += text.mid(i, j - i + 1);
            i = j;
        } else if (c == QLatin1Char('-') && i + 1 < n && text.at(i + 1) == QLatin1Char('-')) {
            int j = i;
            while (j < n && text.at(j) != QLatin1Char('\n'))
                ++j;
            out += text.mid(i, j - i);
            i = j - 1;
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

QSqlQuery& SqlStatement::run()
{
    if (!m_connection.isOpen())
        m_connection.open();
    if (!m_query || m_preparedGeneration != m_connection.generation()) {
        m_placeholders.clear();
        const QString positional = toPositional(text(), m_placeholders);
        auto query = std::make_unique<QSqlQuery>(m_connection.database());
        query->setForwardOnly(true);
        if (!query->prepare(positional))
            throw DbError(errorText(query->lastError()));
        m_query = std::move(query);
        m_preparedGeneration = m_connection.generation();
    }
    for (int i = 0; i < m_placeholders.size(); ++i)
        m_query->bindValue(i, boundValue(m_placeholders.at(i)));
    if (!m_query->exec()) {
        const QString message = errorText(m_query->lastError());
        m_query->finish();
        throw DbError(message);
    }
    return *m_query;
}

// ---------------------------------------------------------------------------

void SqlCommand::execute()
{
    QSqlQuery& query = run();
    m_rowsAffected = query.numRowsAffected();
    query.finish();
}

// ---------------------------------------------------------------------------

SqlQuery::SqlQuery(TConnection& connection, const QString& name, const QStringList& lines,
                   bool isStatic, QObject* parent)
    : SqlStatement(connection, name, lines, parent), m_static(isStatic)
{
}

void SqlQuery::open()
{
    if (m_open)
        return;
    QSqlQuery& query = run();
    const QSqlRecord record = query.record();
    const int count = record.count();
    m_columns.clear();
    m_columnIndex.clear();
    for (int i = 0; i < count; ++i) {
        const QString field = record.fieldName(i);
        m_columns << field;
        m_columnIndex.insert(field.toLower(), i); // the last of equal names wins, as for "select *, x"
    }
    m_rows.clear();
    while (query.next()) {
        QVector<QVariant> row;
        row.reserve(count);
        for (int i = 0; i < count; ++i)
            row.append(query.value(i));
        m_rows.append(std::move(row));
    }
    const QSqlError fetchError = query.lastError();
    query.finish();
    if (fetchError.isValid()) {
        m_rows.clear();
        throw DbError(errorText(fetchError));
    }
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
    m_rows.clear();
    m_visible.clear();
    m_current = -1;
    m_bof = true;
    m_pastEnd = true;
    notifyRowsChanged();
}

void SqlQuery::rebuildVisible()
{
    m_visible.clear();
    m_visible.reserve(m_rows.size());
    for (int i = 0; i < m_rows.size(); ++i)
        if (!m_filter || m_filter(m_rows.at(i), *this))
            m_visible.append(i);
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
        const QVariant& v = m_rows.at(m_visible.at(i)).at(c);
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
    return m_rows.at(m_visible.at(row)).at(column);
}

QVariant SqlQuery::value(const QString& column) const
{
    const int c = checkedColumn(column);
    if (m_current < 0)
        throw DbError(QStringLiteral("%1: нет текущей строки").arg(objectName()));
    return m_rows.at(m_visible.at(m_current)).at(c);
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

