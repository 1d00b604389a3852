#include "execution/core/eventdictionary.h"

#include "data/tdm.h"
#include "platform/errors.h"

void AddEventToDictionary(const QString& name, qint32 type, qint32 subtype)
{
    if (!dm)
        throw DbError(QStringLiteral("Модуль данных не создан"));
    Tdm& m = *dm;
    m.conPg.beginTransaction();
    try {
        // Other inserts into rhb_dic wait until this transaction ends, and an insert of
        // another workstation that is under way is waited for: MAX(id) is our entry.
        SqlCommand lock(m.conPg, QStringLiteral("adocEvDicLock"),
                        {QStringLiteral("LOCK TABLE rhb_dic IN SHARE ROW EXCLUSIVE MODE")});
        lock.execute();
        m.adocEvDicIns->setString(QStringLiteral("name"), name);
        m.adocEvDicIns->setString(QStringLiteral("shname"), name);
        m.adocEvDicIns->execute();
        m.adocEvDicRef->setInteger(QStringLiteral("type"), type);
        m.adocEvDicRef->setInteger(QStringLiteral("subtype"), subtype);
        m.adocEvDicRef->execute();
        m.conPg.commit();
    } catch (...) {
        m.conPg.rollback();
        throw;
    }
}
