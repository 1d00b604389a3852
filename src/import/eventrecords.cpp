// The operations of the event records and groups that the execution page uses.

#include "data/alertperiod.h"
#include "data/tdm.h"
#include "execution/core/eventrules.h"
#include "import/iprarecord.h"
#include "platform/errors.h"

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
void bindValues(SqlCommand& c, const TEventDetail& d)
{
    c.setString(QStringLiteral("name"), d.name);
    c.setInteger(QStringLiteral("exid"), d.exid);
    c.setString(QStringLiteral("exname"), d.exname);
    c.setInteger(QStringLiteral("resid"), d.resid);
    c.setString(QStringLiteral("resdesc"), d.resdesc);
    c.setString(QStringLiteral("note"), d.note);
    c.setDate(QStringLiteral("dt"), storedDate(d.dt));
    c.setInteger(QStringLiteral("state"), d.state);
    c.setInteger(QStringLiteral("dicid"), d.dicid);
}

} // namespace

void TEventDetail::Save() const
{
    Tdm& m = module();
    if (id == 0) {
        SqlCommand& c = *m.adocEvDetIns;
        c.setInteger(QStringLiteral("prgid"), prgid);
        c.setInteger(QStringLiteral("typeid"), typeid_);
        c.setInteger(QStringLiteral("stypeid"), stypeid);
        bindValues(c, *this);
        c.execute();
    } else {
        // The IPRA, type and subtype of a stored record never change.
        SqlCommand& c = *m.adocEvDetUpd;
        bindValues(c, *this);
        c.setInteger(QStringLiteral("id"), id);
        c.execute();
    }
}

void TEventDetail::Delete() const
{
    SqlCommand& c = *module().adocEvDetDel;
    c.setInteger(QStringLiteral("id"), id);
    c.execute();
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
