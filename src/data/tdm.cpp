#include "data/tdm.h"

Tdm* dm = nullptr;

// The row version is PostgreSQL's xmin, the transaction that last wrote the row: every
// update by anyone (an older workstation, a script) changes it, and it needs no column, so
// the schema and the rows stored so far stay as they are. Freezing by VACUUM keeps the raw
// value. As text then bigint, since the driver has no unsigned 32-bit type for it.
const QString Tdm::ExecsByName =
    QStringLiteral("select *, xmin::text::bigint as row_version from RHB_EXC order by name;");
const QString Tdm::ExecsById =
    QStringLiteral("select *, xmin::text::bigint as row_version from RHB_EXC order by id;");

const QString Tdm::ConnectionString = QStringLiteral(
    "Provider=MSDASQL.1;Password=vemp;Persist Security Info=True;User ID=postgres;Data Source=ViraVIR");

SqlQuery* Tdm::query(const char* name, const QStringList& lines, bool isStatic)
{
    return new SqlQuery(conPg, QString::fromLatin1(name), lines, isStatic, this);
}

SqlCommand* Tdm::command(const char* name, const QStringList& lines)
{
    return new SqlCommand(conPg, QString::fromLatin1(name), lines, this);
}

Tdm::Tdm(QObject* parent) : QObject(parent), conPg(QStringLiteral("conPg"))
{
    setObjectName(QStringLiteral("dm"));
    conPg.setConnectionString(ConnectionString);

    adoqLogin = query("adoqLogin",
                      {"select * from k_login",
                       "left join rhb_exc on k_login.mo_id=rhb_exc.id",
                       "where  k_login.login=:login and  k_login.passw=:passw"},
                      true);
    adoqLogin->declareParam("login", ParamType::Text);
    adoqLogin->declareParam("passw", ParamType::Text);
    adoqTmp = query("adoqTmp", {});

    adoqFindProg = query("adoqFindProg", {"select id from prg where mseid=:mseid"});
    adocPrgIns = command(
        "adocPrgIns",
        {"INSERT INTO prg(okr_id, nreg, dt, snils, lname, fname, sname, bdate, gndr, oivid, docnum, "
         "docdt, prg, prgnum, prgdt, mseid, udt)",
         "VALUES (1, 44, :dt, :snils, :lname, :fname, :sname, :bdate, :gndr,",
         "1, :docnum, :docdt, 1, :prgnum, :prgdt, :mseid, current_timestamp);"});
    adoqFingProgId = query("adoqFingProgId", {"select * from prg where id=:id"});
    adocEvntIns = command("adocEvntIns", {"INSERT INTO k_ipra_evnt(",
                                          "prgid, typeid, need, pfrom, pto, execut)",
                                          "VALUES (:prgid, :typeid, :need, :pfrom, :pto, :execut);"});
    adocEvntIns->declareParam("need", ParamType::Boolean);
    adoqFindEvnt = query("adoqFindEvnt",
                         {"SELECT *, to_char(pto,'DD.MM.YYYY') as strpto from k_ipra_evnt WHERE "
                          "prgid=:prgid AND typeid=:typeid;"});
    adocEvntUpd = command("adocEvntUpd", {"UPDATE k_ipra_evnt",
                                          "SET need=:need, pfrom=:pfrom, pto=:pto, execut=:execut,",
                                          "udt=current_timestamp",
                                          "WHERE prgid=:prgid AND typeid=:typeid;"});
    adocEvntUpd->declareParam("need", ParamType::Boolean);
    adocMOins = command("adocMOins", {"INSERT INTO k_ipra_mo(prgid, send_mo, enddt)",
                                      "VALUES (:prgid, :send_mo, :enddt);"});
    adoqFindMo = query("adoqFindMo", {"SELECT * from k_ipra_mo WHERE prgid=:prgid;"});
    adocMoUpd = command("adocMoUpd", {"UPDATE k_ipra_mo", "SET  prgid=:prgid, send_mo=:send_mo,",
                                      "enddt=:enddt,", "udt=current_timestamp", "WHERE id=:id;"});
    adoqFindPers = query("adoqFindPers",
                         {"select * from k_person", "where prgid=:prgid and ptype=:ptype"}, true);
    adocPersIns = command(
        "adocPersIns",
        {"INSERT INTO k_person (prgid, snils, lname, fname, sname, bdate, ptype, docid, addrid)",
         "VALUES (:prgid, :snils, :lname, :fname, :sname, :bdate, :ptype, :docid, :addrid)"});
    adocPersUpd = command("adocPersUpd",
                          {"UPDATE k_person",
                           "SET snils=:snils, lname=:lname, fname=:fname, sname=:sname,    "
                           "bdate=:bdate, ptype=:ptype,  docid=:docid, addrid=:addrid",
                           "WHERE id=:id"});
    adoqFindAddr = query("adoqFindAddr",
                         {"select * from k_address", "where pid=:pid and atype=:atype"}, true);
    adocAddrIns = command(
        "adocAddrIns",
        {"INSERT INTO k_address(pid, afull, atype, place, street, appart, phone, house)",
         "VALUES (:pid, :afull, :atype, :place, :street, :appart, :phone, :house)"});
    adocAddrUpd = command("adocAddrUpd",
                          {"UPDATE k_address",
                           "SET afull=:afull,  place=:place, street=:street, appart=:appart, "
                           "phone=:phone,",
                           "house=:house", "WHERE id=:id"});
    adoqFindAddrExp = query("adoqFindAddrExp", {"select * from k_address", "where pid=:pid"}, true);
    adoqFindDoc = query("adoqFindDoc", {"select * from k_doc", "where pid=:pid"}, true);
    adocDocIns = command("adocDocIns", {"INSERT INTO k_doc(pid, title, series, numb, issuer, issuedt)",
                                        "VALUES (:pid, :title, :series, :numb, :issuer, :issuedt)"});
    adocDocUpd = command("adocDocUpd",
                         {"UPDATE k_doc",
                          "SET title=:title, series=:series, numb=:numb, issuer=:issuer, "
                          "issuedt=:issuedt",
                          "WHERE id=:id"});

    adoqFindRName = query("adoqFindRName", {"SELECT rname from k_mo_names WHERE rname=:rname;"});
    adocRNameIns = command("adocRNameIns", {"INSERT INTO k_mo_names(rname)", "VALUES (:rname);"});
    adoqEmpTNames = query("adoqEmpTNames", {"SELECT * from k_mo_names WHERE tname is NULL;"}, true);
    adoqTNames = query("adoqTNames",
                       {"(select distinct id as tid, CAST(name as character(350)) as tname from rhb_exc",
                        "where name not LIKE '%пункт%'",
                        "union",
                        "select distinct tid, CAST(tname as character(350)) from k_mo_names",
                        "where tid=0)",
                        "order by tname"},
                       true);
    adocSetTname = command("adocSetTname",
                           {"UPDATE k_mo_names", "SET tid=:tid, tname=:tname  WHERE id=:id;"});

    adoqDistrIpra = query("adoqDistrIpra",
                          {"select *, to_char(enddt,'DD.MM.YYYY') as strenddt from kv_ipra_mo where "
                           "resp_mo_id is null",
                           "order by prgdt"});
    adoqDistrDoc = query("adoqDistrDoc",
                         {"SELECT", "k_doc.*,",
                          "k_person.ptype,k_person.lname,k_person.fname,k_person.sname",
                          "FROM public.k_doc",
                          "INNER JOIN public.k_person ON k_person.id = k_doc.pid",
                          "INNER JOIN public.prg ON k_person.prgid=prg.id",
                          "WHERE k_person.prgid=:prgid"});
    adoqDistrAddr = query("adoqDistrAddr", {"SELECT atype,afull,phone FROM k_address",
                                            "INNER JOIN k_person ON k_person.id = k_address.pid",
                                            "INNER JOIN prg ON prg.id = k_person.prgid",
                                            "WHERE k_person.prgid=:prgid"});
    // Only an IPRA still assigned as the list showed it (0: unassigned) is assigned: one that
    // another workstation assigned meanwhile updates no row. The import's updates of the
    // same row do not count, so the assignment itself is compared, not a row version.
    adocDistrSetRespMo = command("adocDistrSetRespMo",
                                 {"UPDATE k_ipra_mo", "SET  resp_mo=:resp_mo, resp_mo_id=:resp_mo_id",
                                  "WHERE prgid=:prgid AND coalesce(resp_mo_id, 0)=:listed_resp_mo_id;"});

    adoqExecs = query("adoqExecs", {ExecsByName}, true);
    adocExIns = command("adocExIns", {"insert into rhb_exc (name, scode, inn, ogrn)",
                                      "values  (:name, :shname, :inn, :ogrn)"});
    for (const char* p : {"name", "shname", "inn", "ogrn"})
        adocExIns->declareParam(QString::fromLatin1(p), ParamType::Text);
    // Both change the row only while it has the version the list read, row_version.
    adocExUpd = command("adocExUpd", {"UPDATE rhb_exc",
                                      "SET name=:name, scode=:shname, inn=:inn, ogrn=:ogrn",
                                      "WHERE id=:id AND xmin::text::bigint=:row_version;"});
    adocExDel = command("adocExDel",
                        {"DELETE FROM rhb_exc", "WHERE id=:id AND xmin::text::bigint=:row_version;"});

    adoqOrgIpra = query("adoqOrgIpra",
                        {"select *, to_char(enddt,'DD.MM.YYYY') as strenddt from kv_ipra_mo where "
                         "resp_mo_id=:resp_mo_id",
                         "order by prgdt desc"},
                        true);
    adoqRes = query("adoqRes", {"select * from rhb_res order by id"});
    adoqEvSubType = query("adoqEvSubType", {"select * from rhb_evnt where typeid=:typeid", "order by id"});
    adoqFindRes = query("adoqFindRes", {"select * from rhb_res where id=:id"});
    adoqEvExec = query("adoqEvExec",
                       {"select distinct exname from k_evdt", "where exname<>''", "order by exname"}, true);
    adoqEvDic = query("adoqEvDic", {"select * from kv_rhb_dic order by name"}, true);
    adoqEvDicTyped = query("adoqEvDicTyped", {"select * from kv_rhb_dic",
                                              "where type=:type and subtype=:subtype", "order by name"},
                           true);
    adoqEvNmUsed = query("adoqEvNmUsed", {"select distinct name from k_evdt",
                                          "where name<>'' and typeid=:typeid and stypeid=:stypeid"});
    adocEvDicIns = command("adocEvDicIns", {"INSERT INTO rhb_dic(name, shname)", "VALUES (:name, :shname);"});
    adocEvDicRef = command("adocEvDicRef", {"INSERT INTO k_ev_dic(type, subtype, evnt)",
                                            "VALUES (:type, :subtype, (SElect MAX(id) from rhb_dic));"});
    adoqEvDetPrg = query("adoqEvDetPrg", {"select *, xmin::text::bigint as row_version from k_evdt "
                                          "where prgid=:prgid",
                                          "order by id"});
    // The insert and the update return the row's key and new version, so that a record
    // saved once is updated, not inserted again, by a second save; the update and the
    // delete change the row only while it has the version the record was read with.
    adocEvDetIns = query(
        "adocEvDetIns",
        {"INSERT INTO k_evdt( prgid, typeid, stypeid, name, exid, exname, resid, resdesc,  note, dt, "
         "state,dicid)",
         "VALUES (:prgid, :typeid, :stypeid, :name, :exid, :exname, :resid, :resdesc, :note, :dt, "
         ":state,:dicid)",
         "RETURNING id, xmin::text::bigint as row_version;"});
    adocEvDetUpd = query("adocEvDetUpd",
                         {"UPDATE k_evdt", "SET name=:name, exid=:exid, exname=:exname,",
                          "resid=:resid, resdesc=:resdesc, note=:note, dt=:dt, state=:state, dicid=:dicid",
                          "WHERE id=:id AND xmin::text::bigint=:row_version",
                          "RETURNING xmin::text::bigint as row_version"});
    adocEvDetDel = command("adocEvDetDel",
                           {"DELETE FROM k_evdt", "WHERE id=:id AND xmin::text::bigint=:row_version"});

    // The IPRAs of the register whose holder's name, SNILS or number begins as searched
    // (lists/iprasearch.h binds the words, longest first, the SNILS digits and the
    // number). A branch whose text is empty is dropped when the statement is planned.
    // One word reads the ids from the three name indexes alone, duplicates and all (the
    // program keeps each id once): twice as quick as making them unique on the server.
    // More words check the others in the rows the first one finds.
    const QStringList search = {
        "select id from prg where :w1 <> '' and :w2 = '' and lname_key ^@ :w1",
        "union all select id from prg where :w1 <> '' and :w2 = '' and fname_key ^@ :w1",
        "union all select id from prg where :w1 <> '' and :w2 = '' and sname_key ^@ :w1",
        "union all select p.id from (",
        "select id from prg where lname_key ^@ :w1",
        "union select id from prg where fname_key ^@ :w1",
        "union select id from prg where sname_key ^@ :w1) n join prg p on p.id = n.id",
        "where :w1 <> '' and :w2 <> ''",
        "and (p.lname_key ^@ :w2 or p.fname_key ^@ :w2 or p.sname_key ^@ :w2)",
        "and (:w3 = '' or p.lname_key ^@ :w3 or p.fname_key ^@ :w3 or p.sname_key ^@ :w3)",
        "union all select id from prg where :snils <> '' and snils_key ^@ :snils",
        "union all select id from prg where :num <> '' and prgnum_key ^@ :num"};
    adoqIpraSearch = query("adoqIpraSearch", search);
    // The same among the IPRAs of one responsible organisation, for its execution list.
    adoqOrgIpraSearch = query("adoqOrgIpraSearch",
                              QStringList{"select s.id from ("} + search +
                                  QStringList{") s join k_ipra_mo m on m.prgid = s.id",
                                              "where m.resp_mo_id = :resp_mo_id"});
    for (SqlQuery* q : {adoqIpraSearch, adoqOrgIpraSearch})
        for (const char* p : {"w1", "w2", "w3", "snils", "num"})
            q->declareParam(QString::fromLatin1(p), ParamType::Text);
    // An IPRA's row of the lists, for its card: the sender as matched, the responsible
    // organisation, the state and the end date.
    adoqCardIpra = query("adoqCardIpra", {"select *, to_char(enddt,'DD.MM.YYYY') as strenddt "
                                          "from kv_ipra_mo where id=:id"});
    // An IPRA's event records with the full directory names of their event, executor,
    // result and subtype, for its card.
    adoqCardEvents = query(
        "adoqCardEvents",
        {"select e.*, d.name as dic_name, x.name as ex_name, r.name as res_name,",
         "t.name as stype_name",
         "from k_evdt e",
         "left join rhb_dic d on e.dicid > 0 and d.id = e.dicid",
         "left join rhb_exc x on e.exid > 0 and x.id = e.exid",
         "left join rhb_res r on e.resid > 0 and r.id = e.resid",
         "left join rhb_evnt t on e.stypeid > 0 and t.id = e.stypeid",
         "where e.prgid=:prgid",
         "order by e.typeid, e.stypeid, e.id"});

    dsEmpNames = new DataSource(QStringLiteral("dsEmpNames"), adoqEmpTNames, this);
    dsTNames = new DataSource(QStringLiteral("dsTNames"), adoqTNames, this);
    dsDistrIpra = new DataSource(QStringLiteral("dsDistrIpra"), adoqDistrIpra, this);
    dsExecs = new DataSource(QStringLiteral("dsExecs"), adoqExecs, this);
    dsOrgIpra = new DataSource(QStringLiteral("dsOrgIpra"), adoqOrgIpra, this);
}

Tdm::~Tdm()
{
    // Grids' models and statements go before the connection they were prepared on.
    for (DataSource* source : findChildren<DataSource*>(QString(), Qt::FindDirectChildrenOnly))
        delete source;
    for (SqlStatement* s : statements())
        delete s;
    conPg.close();
}

QList<SqlStatement*> Tdm::statements() const
{
    return findChildren<SqlStatement*>(QString(), Qt::FindDirectChildrenOnly);
}

SqlStatement* Tdm::statement(const QString& name) const
{
    return findChild<SqlStatement*>(name, Qt::FindDirectChildrenOnly);
}
