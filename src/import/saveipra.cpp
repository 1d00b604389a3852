#include "import/saveipra.h"

#include "data/tdm.h"
#include "platform/errors.h"

namespace {

struct Override
{
    const char* mseid;
    const char* name;
};

// The files of these IPRAs name their sender wrongly; the register stores these names
// instead, leading blanks included, whatever the file says.
constexpr Override SenderNameOverrides[] = {
    {"00e98fb0-360a-4819-bdd7-34707d738a7e", "ОГБУЗ \"ГОРОДСКАЯ БОЛЬНИЦА Г. КОСТРОМЫ\" ДЕТСКАЯ ПОЛИКЛИНИКА № 6"},
    {"01eddbb0-0082-4602-9121-221af6549c4a", " ОГБУЗ \"КОСТРОМСКОЙ ОНКОЛОГИЧЕСКИЙ ДИСПАНСЕР\""},
    {"0bddfa20-a6cc-49d1-b2ae-0e7d0d8a98d5", " ОГБУЗ \"МАКАРЬЕВСКАЯ РАЙОННАЯ БОЛЬНИЦА\""},
    {"11b7162c-a626-427f-94af-df4427f2a003", "ОГБУЗ \"ГОРОДСКАЯ БОЛЬНИЦА Г. КОСТРОМЫ\" ДЕТСКАЯ ПОЛИКЛИНИКА № 1"},
    {"22b1f579-9032-4fd4-bdde-3e111533eb53", " ОГБУЗ \"ОСТРОВСКАЯ РАЙОННАЯ БОЛЬНИЦА\""},
    {"41382229-776d-4086-9bd0-2a2e5af69f21", " ОГБУЗ \"ГАЛИЧСКАЯ ОКРУЖНАЯ БОЛЬНИЦА\""},
    {"51497381-0fe9-47c0-bd3f-35c9beaab102", "ОГБУЗ \"МАНТУРОВСКАЯ ОКРУЖНАЯ БОЛЬНИЦА\""},
    {"1c17cfc7-cfd6-4d58-99f5-41e621d53d2c", "ОГБУЗ \"КОСТРОМСКАЯ ОБЛАСТНАЯ ПСИХИАТРИЧЕСКАЯ БОЛЬНИЦА\""},
    {"7b9a9dff-1827-4959-94e0-a4202b0e22f5", " ОГБУЗ «ОКРУЖНАЯ БОЛЬНИЦА КОСТРОМСКОГО ОКРУГА №1» ДЕТСКАЯ ПОЛИКЛИНИКА №3"},
    {"7e3ccfdd-9633-4056-988a-f14dcc57d770", " ОГБУЗ «ОКРУЖНАЯ БОЛЬНИЦА КОСТРОМСКОГО ОКРУГА №1» ДЕТСКАЯ ПОЛИКЛИНИКА №3"},
    {"510127ba-36e9-49e2-b9b3-bbe72f0ff293", "ОГБУЗ \"ДОМ РЕБЕНКА\""},
    {"553c3f44-15b8-4e49-bd82-5f6c09c13083", " ОГБУЗ \"НЕЙСКАЯ РАЙОННАЯ БОЛЬНИЦА\""},
    {"5721ca55-9505-4cf8-93d5-2b1ead71bb63", "ОГБУЗ \"КОСТРОМСКАЯ ОБЛАСТНАЯ ПСИХИАТРИЧЕСКАЯ БОЛЬНИЦА\""},
    {"ebaa3f81-ecd0-4615-b828-bd0748c5b349", " ОГБУЗ \"КОСТРОМСКОЙ ОНКОЛОГИЧЕСКИЙ ДИСПАНСЕР\""},
    {"f554dbb4-9da7-4b5d-85b4-9bfa4c638c10", "ОГБУЗ \"ГОРОДСКАЯ ПОЛИКЛИНИКА ВЗРОСЛЫХ № 4\""},
};

// A date the file did not give (0) goes to the database as 30.12.1899, never as NULL.
QDate dateParam(DateValue value)
{
    const QDate d = Dates::toDate(value);
    return d.isValid() ? d : Dates::epoch();
}

void bindText(SqlStatement* s, const char* name, const QString& value)
{
    s->setString(QString::fromLatin1(name), value);
}

void bindDate(SqlStatement* s, const char* name, DateValue value)
{
    s->setDate(QString::fromLatin1(name), dateParam(value));
}

void bindInt(SqlStatement* s, const char* name, qint64 value)
{
    s->setInteger(QString::fromLatin1(name), value);
}

// Opens a lookup query, hands it to `use`, and closes it again whatever happens.
template <typename Use>
void withQuery(SqlQuery* q, Use use)
{
    q->close();
    q->open();
    try {
        use(*q);
    } catch (...) {
        q->close();
        throw;
    }
    q->close();
}

void InsertIpra(TPRG& r)
{
    SqlCommand* c = dm->adocPrgIns;
    bindDate(c, "dt", r.dt);
    bindText(c, "snils", r.snils);
    bindText(c, "lname", r.lname);
    bindText(c, "fname", r.fname);
    bindText(c, "sname", r.sname);
    bindDate(c, "bdate", r.bdate);
    bindInt(c, "gndr", r.gndr);
    bindText(c, "docnum", r.docnum);
    bindDate(c, "docdt", r.docdt);
    bindText(c, "prgnum", r.prgnum);
    bindDate(c, "prgdt", r.prgdt);
    bindText(c, "mseid", r.mseid);
    c->execute();
    r.id = FindIpraId(r.mseid);
}

void SaveEventGroups(const TPRG& r, const ImportLog& log)
{
    for (const auto& group : r.events) {
        const std::optional<int> code = EventGroupType::storedCode(group->typeid_);
        if (!code) {
            // No tab shows such a group and no rule says where it belongs: not stored.
            if (log)
                log(QStringLiteral("  группа мероприятий с неизвестным типом %1 не сохранена")
                        .arg(group->typeid_));
            continue;
        }
        bool exists = false;
        SqlQuery* find = dm->adoqFindEvnt;
        bindInt(find, "prgid", r.id);
        bindInt(find, "typeid", *code);
        withQuery(find, [&](SqlQuery& q) { exists = !q.eof(); });
        SqlCommand* c = exists ? dm->adocEvntUpd : dm->adocEvntIns;
        bindInt(c, "prgid", r.id);
        bindInt(c, "typeid", *code);
        c->setBoolean(QStringLiteral("need"), group->need);
        bindDate(c, "pfrom", group->pfrom);
        bindDate(c, "pto", group->pto);
        bindText(c, "execut", group->execut);
        c->execute();
    }
}

void SaveIpraMo(const TPRG& r)
{
    qint64 moId = 0;
    SqlQuery* find = dm->adoqFindMo;
    bindInt(find, "prgid", r.id);
    withQuery(find, [&](SqlQuery& q) {
        if (!q.eof()) {
            q.first();
            moId = q.asInteger(QStringLiteral("id"));
        }
    });
    // An update leaves the other columns, such as the assigned responsible organisation, alone.
    SqlCommand* c = moId ? dm->adocMoUpd : dm->adocMOins;
    if (moId)
        bindInt(c, "id", moId);
    bindInt(c, "prgid", r.id);
    bindText(c, "send_mo", r.send_mo);
    bindDate(c, "enddt", r.enddt);
    c->execute();
}

void SaveAddresses(const TPerson& p)
{
    for (const AddressRef& a : p.addrs) {
        qint64 addrId = 0;
        SqlQuery* find = dm->adoqFindAddr;
        bindInt(find, "pid", p.id);
        bindInt(find, "atype", a->atype);
        withQuery(find, [&](SqlQuery& q) {
            if (!q.eof()) {
                q.first();
                addrId = q.asInteger(QStringLiteral("id"));
            }
        });
        SqlCommand* c = addrId ? dm->adocAddrUpd : dm->adocAddrIns;
        if (addrId) {
            bindInt(c, "id", addrId);
        } else {
            bindInt(c, "pid", p.id);
            bindInt(c, "atype", a->atype);
        }
        bindText(c, "afull", a->afull);
        bindText(c, "place", a->place);
        bindText(c, "street", a->street);
        bindText(c, "appart", a->appart);
        bindText(c, "house", a->house);
        bindText(c, "phone", p.phone); // the person's phone goes into each of its addresses
        c->execute();
    }
}

// Each document keeps a row of its own: the stored document of the person with the same
// title is updated, any other is inserted. (Matching on the person alone would let the
// representative's authority document overwrite the identity document.)
void SaveDocuments(const TPerson& p)
{
    for (const DocRef& d : p.docs) {
        qint64 docId = 0;
        SqlQuery* find = dm->adoqFindDoc;
        bindInt(find, "pid", p.id);
        withQuery(find, [&](SqlQuery& q) {
            for (q.first(); !q.eof(); q.next()) {
                if (!q.isNull(QStringLiteral("title"))
                    && q.asString(QStringLiteral("title")) == d->title) {
                    docId = q.asInteger(QStringLiteral("id"));
                    break;
                }
            }
        });
        SqlCommand* c = docId ? dm->adocDocUpd : dm->adocDocIns;
        bindInt(c, docId ? "id" : "pid", docId ? docId : p.id);
        bindText(c, "title", d->title);
        bindText(c, "series", d->series);
        bindText(c, "numb", d->numb);
        bindText(c, "issuer", d->issuer);
        bindDate(c, "issuedt", d->issuedt);
        c->execute();
    }
}

void SavePerson(TPerson& p)
{
    p.id = FindPersonId(p.prgid, p.ptype);
    SqlCommand* c = p.id ? dm->adocPersUpd : dm->adocPersIns;
    if (p.id)
        bindInt(c, "id", p.id);
    else
        bindInt(c, "prgid", p.prgid);
    bindText(c, "snils", p.snils);
    bindText(c, "lname", p.lname);
    bindText(c, "fname", p.fname);
    bindText(c, "sname", p.sname);
    bindDate(c, "bdate", p.bdate);
    bindInt(c, "ptype", p.ptype);
    bindInt(c, "docid", 0);
    bindInt(c, "addrid", 0);
    c->execute();
    if (!p.id)
        p.id = FindPersonId(p.prgid, p.ptype);
    SaveAddresses(p);
    SaveDocuments(p);
}

} // namespace

QString SenderNameOverride(const QString& mseid)
{
    for (const Override& o : SenderNameOverrides)
        if (mseid == QLatin1String(o.mseid))
            return QString::fromUtf8(o.name);
    return {};
}

qint32 FindIpraId(const QString& mseid)
{
    qint32 id = 0;
    SqlQuery* find = dm->adoqFindProg;
    bindText(find, "mseid", mseid);
    withQuery(find, [&](SqlQuery& q) {
        if (!q.eof()) {
            q.first();
            id = qint32(q.asInteger(QStringLiteral("id")));
        }
    });
    return id;
}

qint32 FindPersonId(qint32 prgid, quint8 ptype)
{
    qint32 id = 0;
    SqlQuery* find = dm->adoqFindPers;
    bindInt(find, "prgid", prgid);
    bindInt(find, "ptype", ptype);
    withQuery(find, [&](SqlQuery& q) {
        if (!q.eof()) {
            q.first();
            id = qint32(q.asInteger(QStringLiteral("id")));
        }
    });
    return id;
}

void SaveIpra(TPRG& record, int& newIpras, const ImportLog& log)
{
    // Without an identifier every such file would land on the same IPRA and overwrite
    // another person's rows; the import refuses those files before they get here.
    if (record.mseid.isEmpty())
        throw AppError(QStringLiteral("В файле нет идентификатора ИПРА (элемент Id)"));
    const QString overridden = SenderNameOverride(record.mseid);
    if (!overridden.isNull())
        record.send_mo = overridden;

    TConnection& con = dm->conPg;
    con.open();
    con.beginTransaction();
    bool inserted = false;
    try {
        record.id = FindIpraId(record.mseid);
        if (record.id == 0) {
            InsertIpra(record);
            inserted = true;
        }
        SaveEventGroups(record, log);
        SaveIpraMo(record);
        for (TPerson* person : {record.holder.get(), record.repr.get()}) {
            if (!person)
                continue;
            person->prgid = record.id;
            SavePerson(*person);
        }
        con.commit();
    } catch (...) {
        con.rollback();
        throw;
    }
    if (inserted)
        ++newIpras;
}
