// The operations of the event records and groups that the execution page uses.

#include "data/alertperiod.h"
#include "data/tdm.h"
#include "execution/core/eventrules.h"
#include "import/iprarecord.h"
#include "platform/errors.h"

#include <QScopeGuard>

namespace {

Tdm& module()
{
    if (!dm)
        throw DbError(QStringLiteral("Модуль данных не создан"));
    return *dm;
}

// A count through the free query; the text holds nothing but fixed words and numbers.
qint64 count(const QString& sql)
{
    SqlQuery& tmp = *module().adoqTmp;
    tmp.close();
    tmp.clearText();
    tmp.addLine(sql);
    qint64 result = 0;
    try {
        tmp.open();
        result = tmp.asInteger(QStringLiteral("cnt"));
    } catch (...) {
        tmp.close();
        throw;
    }
    tmp.close();
    return result;
}

// The execution date as the register stores it: no date is 30.12.1899, never NULL.
QDate storedDate(DateValue value)
{
    const QDate date = Dates::toDate(value);
    return date.isValid() ? date : Dates::epoch();
}

// The columns both statements set.
void bindValues(SqlStatement& s, const TEventDetail& d)
{
    s.setString(QStringLiteral("name"), d.name);
    s.setInteger(QStringLiteral("exid"), d.exid);
    s.setString(QStringLiteral("exname"), d.exname);
    s.setInteger(QStringLiteral("resid"), d.resid);
    s.setString(QStringLiteral("resdesc"), d.resdesc);
    s.setString(QStringLiteral("note"), d.note);
    s.setDate(QStringLiteral("dt"), storedDate(d.dt));
    s.setInteger(QStringLiteral("state"), d.state);
    s.setInteger(QStringLiteral("dicid"), d.dicid);
}

} // namespace

bool TEventDetail::Save()
{
    Tdm& m = module();
    SqlQuery& q = id == 0 ? *m.adocEvDetIns : *m.adocEvDetUpd;
    if (id == 0) {
        q.setInteger(QStringLiteral("prgid"), prgid);
        q.setInteger(QStringLiteral("typeid"), typeid_);
        q.setInteger(QStringLiteral("stypeid"), stypeid);
    } else {
        // The IPRA, type and subtype of a stored record never change.
        q.setInteger(QStringLiteral("id"), id);
        q.setInteger(QStringLiteral("row_version"), version);
    }
    bindValues(q, *this);
    q.close(); // an open query would not run again
    const auto closed = qScopeGuard([&q] { q.close(); });
    q.open();
    if (q.recordCount() == 0)
        return false; // the update found the row changed or gone
    if (id == 0)
        id = qint32(q.asInteger(QStringLiteral("id")));
    version = q.asInteger(QStringLiteral("row_version"));
    return true;
}

bool TEventDetail::Delete() const
{
    SqlCommand& c = *module().adocEvDetDel;
    c.setInteger(QStringLiteral("id"), id);
    c.setInteger(QStringLiteral("row_version"), version);
    c.execute();
    return c.rowsAffected() > 0;
}

bool TEventGroup::NeedsAlert() const
{
    const QString where =
        QStringLiteral("prgid=%1 and typeid=%2").arg(QString::number(prgid), QString::number(typeid_));
    const qint64 total = count(QStringLiteral("select count(*) as cnt from k_evdt where ") + where);
    const qint64 returned =
        count(QStringLiteral("select count(*) as cnt from k_evdt where state=1 and ") + where);
    // Whole counts: a group of 256 records is no different from one of 1.
    if (total != 0 && total == returned)
        return false; // every record is back with the organisation
    return IsAlertDate(pto, Dates::today(), AlertPeriodMonths);
}
