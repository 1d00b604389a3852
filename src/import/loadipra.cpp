#include "import/loadipra.h"

#include "data/tdm.h"
#include "import/fixedtext.h"
#include "import/iprarecord.h"
#include "platform/errors.h"

namespace StoredValue {

QString text(const SqlQuery& query, const QString& column, qsizetype capacity)
{
    if (query.isNull(column))
        return QString();
    const QString value = query.asString(column);
    return capacity < 0 ? value : cutText(value, capacity);
}

qint32 integer(const SqlQuery& query, const QString& column)
{
    return query.isNull(column) ? 0 : qint32(query.asInteger(column));
}

DateValue date(const SqlQuery& query, const QString& column)
{
    return query.isNull(column) ? Dates::NoDate : Dates::fromDate(query.asDate(column));
}

} // namespace StoredValue

namespace {

using namespace StoredValue;

Tdm& module()
{
    if (!dm)
        throw DbError(QStringLiteral("Модуль данных не создан"));
    return *dm;
}

// Closes a query however the reading of its rows ends.
class Opened
{
public:
    explicit Opened(SqlQuery& query) : m_query(query)
    {
        m_query.close(); // an open query would not run again with the new parameters
        m_query.open();
        m_query.first();
    }
    ~Opened() { m_query.close(); }
    Opened(const Opened&) = delete;
    Opened& operator=(const Opened&) = delete;

private:
    SqlQuery& m_query;
};

void readAddresses(TPerson& person, bool copyPhone)
{
    SqlQuery& q = *module().adoqFindAddrExp;
    q.setInteger(QStringLiteral("pid"), person.id);
    Opened opened(q);
    for (; !q.eof(); q.next()) {
        auto address = std::make_shared<TAddress>();
        address->atype = quint8(integer(q, QStringLiteral("atype")) & 0xFF);
        address->afull = text(q, QStringLiteral("afull"), IpraCap::AddrFull);
        address->phone = text(q, QStringLiteral("phone"), IpraCap::Phone);
        // Each address overwrites it: the holder keeps the phone of the last row.
        if (copyPhone)
            person.phone = address->phone;
        person.AddAddress(std::move(address));
    }
}

void readDocuments(TPerson& person)
{
    SqlQuery& q = *module().adoqFindDoc;
    q.setInteger(QStringLiteral("pid"), person.id);
    Opened opened(q);
    for (; !q.eof(); q.next()) {
        auto doc = std::make_shared<TDoc>();
        doc->title = text(q, QStringLiteral("title"), IpraCap::DocTitle);
        doc->series = text(q, QStringLiteral("series"), IpraCap::DocSeries);
        doc->numb = text(q, QStringLiteral("numb"), IpraCap::DocNumb);
        doc->issuer = text(q, QStringLiteral("issuer"), IpraCap::DocIssuer);
        doc->issuedt = date(q, QStringLiteral("issuedt"));
        person.AddDoc(std::move(doc));
    }
}

// The person row of one type, or nothing when the IPRA has none.
std::unique_ptr<TPerson> readPerson(qint32 prgId, quint8 ptype)
{
    SqlQuery& q = *module().adoqFindPers;
    q.setInteger(QStringLiteral("prgid"), prgId);
    q.setInteger(QStringLiteral("ptype"), ptype);
    Opened opened(q);
    if (q.eof())
        return nullptr;
    auto person = std::make_unique<TPerson>(ptype);
    person->id = integer(q, QStringLiteral("id"));
    person->prgid = prgId;
    if (ptype == 1) {
        // The holder's names are the record's own fields; only the representative's are read.
        person->lname = text(q, QStringLiteral("lname"), IpraCap::Name);
        person->fname = text(q, QStringLiteral("fname"), IpraCap::Name);
        person->sname = text(q, QStringLiteral("sname"), IpraCap::Name);
    }
    return person;
}

} // namespace

void TPRG::LoadIpra(qint32 prgId)
{
    Tdm& m = module();
    {
        SqlQuery& q = *m.adoqFingProgId;
        q.setInteger(QStringLiteral("id"), prgId);
        Opened opened(q);
        if (q.eof())
            throw DbError(QStringLiteral("ИПРА с кодом %1 не найдена").arg(prgId));
        id = integer(q, QStringLiteral("id"));
        dt = date(q, QStringLiteral("dt"));
        snils = text(q, QStringLiteral("snils"), IpraCap::Snils);
        lname = text(q, QStringLiteral("lname"), IpraCap::Name);
        fname = text(q, QStringLiteral("fname"), IpraCap::Name);
        sname = text(q, QStringLiteral("sname"), IpraCap::Name);
        bdate = date(q, QStringLiteral("bdate"));
        gndr = quint8(integer(q, QStringLiteral("gndr")) & 0xFF);
        docnum = text(q, QStringLiteral("docnum"), IpraCap::DocNum);
        docdt = date(q, QStringLiteral("docdt"));
        prgnum = text(q, QStringLiteral("prgnum"), IpraCap::PrgNum);
        prgdt = date(q, QStringLiteral("prgdt"));
        mseid = text(q, QStringLiteral("mseid"), IpraCap::MseId);
    }
    SqlQuery& mo = *m.adoqFindMo;
    mo.setInteger(QStringLiteral("prgid"), prgId);
    {
        Opened opened(mo);
        if (!mo.eof()) {
            recover = text(mo, QStringLiteral("recover"), IpraCap::Recover);
            compens = text(mo, QStringLiteral("compens"), IpraCap::Compens);
        }
    }
    // At most one group per stored code, always in the order of the tabs.
    for (const int code : EventGroupType::StoredCodes) {
        SqlQuery& q = *m.adoqFindEvnt;
        q.setInteger(QStringLiteral("prgid"), prgId);
        q.setInteger(QStringLiteral("typeid"), code);
        Opened opened(q);
        if (q.eof())
            continue;
        auto group = std::make_unique<TEventGroup>();
        group->typeid_ = integer(q, QStringLiteral("typeid"));
        group->prgid = integer(q, QStringLiteral("prgid"));
        group->pfrom = date(q, QStringLiteral("pfrom"));
        // The text form keeps 01.01.0001, the "no end" date, exactly.
        group->pto = date(q, QStringLiteral("strpto"));
        events.push_back(std::move(group));
    }
    // An IPRA from a file without holder has no holder row: the holder stays absent.
    holder = readPerson(prgId, 0);
    if (holder) {
        readAddresses(*holder, true);
        readDocuments(*holder);
    }
    repr = readPerson(prgId, 1);
    if (repr) {
        readAddresses(*repr, false);
        readDocuments(*repr);
    }
    {
        Opened opened(mo);
        if (!mo.eof())
            send_mo = text(mo, QStringLiteral("send_mo"));
    }
}

void TPRG::LoadEventDetails()
{
    // Every record is read: a list cut at some count would hide stored work.
    std::vector<std::unique_ptr<TEventDetail>> loaded;
    SqlQuery& q = *module().adoqEvDetPrg;
    q.setInteger(QStringLiteral("prgid"), id);
    {
        Opened opened(q);
        for (; !q.eof(); q.next()) {
            auto detail = std::make_unique<TEventDetail>();
            detail->id = integer(q, QStringLiteral("id"));
            detail->prgid = integer(q, QStringLiteral("prgid"));
            detail->typeid_ = integer(q, QStringLiteral("typeid"));
            detail->stypeid = integer(q, QStringLiteral("stypeid"));
            detail->dicid = integer(q, QStringLiteral("dicid"));
            detail->name = text(q, QStringLiteral("name"));
            detail->exid = integer(q, QStringLiteral("exid"));
            detail->exname = text(q, QStringLiteral("exname"));
            detail->resid = integer(q, QStringLiteral("resid"));
            detail->resdesc = text(q, QStringLiteral("resdesc"));
            detail->note = text(q, QStringLiteral("note"));
            detail->dt = date(q, QStringLiteral("dt"));
            detail->state = quint8(integer(q, QStringLiteral("state")) & 0xFF);
            detail->version = q.asInteger(QStringLiteral("row_version"));
            loaded.push_back(std::move(detail));
        }
    }
    details = std::move(loaded);
}
