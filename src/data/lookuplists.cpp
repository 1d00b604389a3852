#include "data/lookuplists.h"

#include "data/tdm.h"
#include "platform/errors.h"

QStringList ExecutorNames;
IdList ExecutorIds;
QStringList EventDictNames;
IdList EventDictIds;
QStringList ResultNames;
IdList ResultIds;

namespace {

SqlQuery& statement(SqlQuery* Tdm::*member)
{
    if (!dm)
        throw DbError(QStringLiteral("Модуль данных не создан"));
    return *(dm->*member);
}

// Reads the short names and ids of every row of a query into a pair of lists.
void loadPair(SqlQuery& query, const QString& nameField, QStringList& names, IdList& ids)
{
    try {
        query.open(); // a failed open leaves the previous lists as they were
        names = QStringList();
        ids = IdList();
        names.reserve(query.recordCount());
        ids.reserve(query.recordCount());
        for (query.first(); !query.eof(); query.next()) {
            // Both values are read before either is kept, so the two lists never part.
            const QString name = query.asString(nameField).trimmed();
            const auto id = int32_t(query.asInteger(QStringLiteral("id")));
            names << name;
            ids << id;
        }
    } catch (...) {
        query.close();
        throw;
    }
    query.close();
}

} // namespace

void LoadExecutorList()
{
    loadPair(statement(&Tdm::adoqExecs), QStringLiteral("scode"), ExecutorNames,
             ExecutorIds);
}

void LoadEventDictionary()
{
    loadPair(statement(&Tdm::adoqEvDic), QStringLiteral("shname"), EventDictNames,
             EventDictIds);
}

void LoadTypedEventDictionary(int32_t type, int32_t subtype)
{
    SqlQuery& query = statement(&Tdm::adoqEvDicTyped);
    query.setInteger(QStringLiteral("type"), type);
    query.setInteger(QStringLiteral("subtype"), subtype);
    loadPair(query, QStringLiteral("shname"), EventDictNames, EventDictIds);
}

void LoadResultList()
{
    // Built for 11 results; a longer directory is taken whole rather than cut or overrun.
    loadPair(statement(&Tdm::adoqRes), QStringLiteral("shname"), ResultNames,
             ResultIds);
}

QString GetResultName(int32_t id)
{
    SqlQuery& query = statement(&Tdm::adoqFindRes);
    // Closed first: an open query would not be re-run and could answer for another id.
    query.close();
    query.setInteger(QStringLiteral("id"), id);
    QString name;
    try {
        query.open();
        if (!query.eof() && !query.isNull(QStringLiteral("name")))
            name = query.asString(QStringLiteral("name"));
    } catch (...) {
        query.close();
        throw;
    }
    query.close();
    return name;
}

int IndexOfId(const IdList& ids, int32_t id)
{
    int found = -1;
    for (int i = 0; i < ids.size(); ++i)
        if (ids.at(i) == id)
            found = i;
    return found;
}

void ReleaseLookupNames()
{
    ExecutorNames = QStringList();
    EventDictNames = QStringList();
}
