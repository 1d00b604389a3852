#include "lists/iprasearch.h"

SqlQuery::KeySet FindIpraIds(SqlQuery& statement, const SearchTerms& terms)
{
    for (int i = 0; i < 3; ++i)
        statement.setString(QStringLiteral("w%1").arg(i + 1),
                            i < terms.words.size() ? terms.words.at(i) : QString());
    statement.setString(QStringLiteral("snils"), terms.snils);
    statement.setString(QStringLiteral("num"), terms.number);
    auto ids = std::make_shared<QSet<qint64>>();
    statement.close();
    try {
        statement.open();
        const SqlRows rows = statement.rows();
        const int column = rows.columnIndex(QStringLiteral("id"));
        ids->reserve(rows.count());
        for (int row = 0; row < rows.count(); ++row)
            ids->insert(rows.value(row, column).toLongLong());
    } catch (...) {
        statement.close();
        throw;
    }
    statement.close();
    return ids;
}
