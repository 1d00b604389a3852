#pragma once

// Stored IPRAs for the execution tests, written straight into the tables the import
// fills (prg, k_ipra_mo, k_person, k_address, k_doc, k_ipra_evnt) and the event
// records of k_evdt. Dates are given as ISO texts, or relative to today.

#include "data/tdm.h"
#include "platform/errors.h"

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

namespace StoredIpra {

inline QVariant sql(const QString& text)
{
    QSqlQuery q(dm->conPg.database());
    if (!q.exec(text))
        throw DbError(text + QStringLiteral(": ") + q.lastError().text());
    return q.next() ? q.value(0) : QVariant();
}

// A quoted SQL text literal.
inline QString lit(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

inline QString daysFromToday(int days)
{
    return QDate::currentDate().addDays(days).toString(Qt::ISODate);
}

struct Ipra
{
    QString prgnum = QStringLiteral("1234.5.67/2024");
    QString prgdt = QStringLiteral("2024-02-10");
    QString enddt = QStringLiteral("2026-03-01");
    int respMoId = 3; // null when 0
    QString respMo = QStringLiteral("ОГБУЗ \"ОБ КО №1\"");
    QString lname = QStringLiteral("Смирнова");
    QString fname = QStringLiteral("Анна");
    QString sname = QStringLiteral("Петровна");
    QString snils = QStringLiteral("123-456-789 01");
    QString bdate = QStringLiteral("1961-05-04");
    QString docnum = QStringLiteral("77.1/2024");
    QString docdt = QStringLiteral("2024-02-01");
    QString dt = QStringLiteral("2024-02-12");
    QString sendMo = QStringLiteral("ОГБУЗ Окружная больница №1");
    QString mseid = {}; // a fresh one when empty
};

inline int addIpra(const Ipra& p = {})
{
    static int serial = 0;
    const QString mseid = p.mseid.isEmpty()
                              ? QStringLiteral("00000000-0000-0000-0000-%1").arg(++serial, 12, 10, QLatin1Char('0'))
                              : p.mseid;
    const int id = sql(QStringLiteral("insert into prg (dt, snils, lname, fname, sname, bdate, gndr, "
                                      "docnum, docdt, prgnum, prgdt, mseid) values (%1, %2, %3, %4, %5, "
                                      "%6, 2, %7, %8, %9, %10, %11) returning id")
                           .arg(lit(p.dt), lit(p.snils), lit(p.lname), lit(p.fname), lit(p.sname),
                                lit(p.bdate), lit(p.docnum), lit(p.docdt), lit(p.prgnum))
                           .arg(lit(p.prgdt), lit(mseid)))
                       .toInt();
    sql(QStringLiteral("insert into k_ipra_mo (prgid, send_mo, enddt, resp_mo, resp_mo_id) "
                       "values (%1, %2, %3, %4, %5)")
            .arg(QString::number(id), lit(p.sendMo), lit(p.enddt),
                 p.respMoId ? lit(p.respMo) : QStringLiteral("null"),
                 p.respMoId ? QString::number(p.respMoId) : QStringLiteral("null")));
    return id;
}

inline int addPerson(int prgid, int ptype, const QString& lname = QString(),
                     const QString& fname = QString(), const QString& sname = QString())
{
    return sql(QStringLiteral("insert into k_person (prgid, snils, lname, fname, sname, bdate, ptype) "
                              "values (%1, '', %2, %3, %4, '1899-12-30', %5) returning id")
                   .arg(QString::number(prgid), lit(lname), lit(fname), lit(sname),
                        QString::number(ptype)))
        .toInt();
}

inline void addAddress(int pid, int atype, const QString& afull, const QString& phone)
{
    sql(QStringLiteral("insert into k_address (pid, atype, afull, place, street, house, appart, phone) "
                       "values (%1, %2, %3, '', '', '', '', %4)")
            .arg(QString::number(pid), QString::number(atype), lit(afull), lit(phone)));
}

inline void addDoc(int pid, const QString& title, const QString& series, const QString& numb,
                   const QString& issuer, const QString& issuedt)
{
    sql(QStringLiteral("insert into k_doc (pid, title, series, numb, issuer, issuedt) "
                       "values (%1, %2, %3, %4, %5, %6)")
            .arg(QString::number(pid), lit(title), lit(series), lit(numb), lit(issuer), lit(issuedt)));
}

inline void addGroup(int prgid, int typeId, const QString& pfrom, const QString& pto, bool need = true)
{
    sql(QStringLiteral("insert into k_ipra_evnt (prgid, typeid, need, pfrom, pto, execut) "
                       "values (%1, %2, %3, %4, %5, '')")
            .arg(QString::number(prgid), QString::number(typeId),
                 need ? QStringLiteral("true") : QStringLiteral("false"), lit(pfrom), lit(pto)));
}

struct Event
{
    int typeId = 3;
    int stypeId = 0;
    int state = 0;
    int dicid = 0;
    QString name = {};
    int exid = 0;
    QString exname = {};
    int resid = 0;
    QString resdesc = {};
    QString note = {};
    QString dt = QStringLiteral("1899-12-30");
};

inline int addEvent(int prgid, const Event& e)
{
    return sql(QStringLiteral("insert into k_evdt (prgid, typeid, stypeid, name, exid, exname, resid, "
                              "resdesc, note, dt, state, dicid) values (%1, %2, %3, %4, %5, %6, %7, "
                              "%8, %9, %10, %11, %12) returning id")
                   .arg(QString::number(prgid), QString::number(e.typeId), QString::number(e.stypeId),
                        lit(e.name), QString::number(e.exid), lit(e.exname), QString::number(e.resid),
                        lit(e.resdesc), lit(e.note))
                   .arg(lit(e.dt), QString::number(e.state), QString::number(e.dicid)))
        .toInt();
}

} // namespace StoredIpra
