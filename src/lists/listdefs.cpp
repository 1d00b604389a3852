#include "lists/listdefs.h"

namespace ListDefs {

namespace {

GridColumn shown(const char* field, const char* title, int width)
{
    return GridColumn{QString::fromUtf8(field), QString::fromUtf8(title), width, true};
}

GridColumn hidden(const char* field)
{
    return GridColumn{QString::fromUtf8(field), QString(), 0, false};
}

} // namespace

QString DistrIpraStatement(int item)
{
    switch (item) {
    case 0:
        return QStringLiteral("select *, to_char(enddt,'DD.MM.YYYY') as strenddt from kv_ipra_mo "
                              "order by prgdt");
    case 1:
        return QStringLiteral("select *, to_char(enddt,'DD.MM.YYYY') as strenddt from kv_ipra_mo "
                              "where resp_mo_id is null order by prgdt");
    case 2:
        return QStringLiteral("select *, to_char(enddt,'DD.MM.YYYY') as strenddt from kv_ipra_mo "
                              "where not resp_mo_id is null order by prgdt");
    default:
        return QString();
    }
}

QString OrgIpraReviewStatement()
{
    return QStringLiteral("select *, to_char(enddt,'DD.MM.YYYY') as strenddt from "
                          "kv_ipra_mo where state in (2,3,4) order by prgdt desc");
}

QList<GridColumn> DistrIpraColumns()
{
    return {shown("prgnum", "№ ИПРА", 104),
            shown("prgdt", "Дата разраб.", 91),
            hidden("id"),
            hidden("okr_id"),
            hidden("nreg"),
            shown("lname", "Фамилия", 98),
            shown("fname", "Имя", 90),
            shown("sname", "Отчество", 96),
            shown("bdate", "Дата рожд.", 0),
            hidden("gndr"),
            shown("snils", "СНИЛС", 0),
            hidden("oivid"),
            shown("docnum", "№ прот", 0),
            shown("docdt", "Дата прот.", 0),
            hidden("prg"),
            hidden("ch_send_mo"),
            hidden("ch_send_mo_id"),
            hidden("resp_mo"),
            hidden("resp_mo_id"),
            shown("dt", "Дата выдачи", 0),
            shown("udt", "udt", 0)}; // no title of its own: the column's name
}

QList<GridColumn> OrgIpraColumns()
{
    return {shown("prgnum", "№ ИПРА", 108),
            shown("prgdt", "Дата разраб.", 91),
            hidden("id"),
            hidden("okr_id"),
            hidden("nreg"),
            shown("lname", "Фамилия", 98),
            shown("fname", "Имя", 90),
            shown("sname", "Отчество", 96),
            shown("bdate", "Дата рожд.", 0),
            hidden("gndr"),
            shown("snils", "СНИЛС", 0),
            hidden("oivid"),
            shown("docnum", "№ прот.", 75),
            shown("docdt", "Дата прот.", 0),
            hidden("prg"),
            shown("ch_send_mo", "Направившая организация", 93),
            hidden("ch_send_mo_id"),
            shown("resp_mo", "Ответств организац.", 0),
            hidden("resp_mo_id"),
            shown("dt", "Дата выдачи", 0),
            hidden("udt")};
}

QList<GridColumn> EmpTNamesColumns()
{
    return {shown("id", "№", 57),
            shown("rname", "Наименование из ИПРА", 330),
            shown("tid", "№(справочник)", 110),
            shown("tname", "Наименование (справочник)", 330)};
}

QList<GridColumn> TNamesColumns()
{
    return {shown("tid", "№", 55), shown("tname", "Наименование", 600)};
}

QList<GridColumn> ExecsColumns()
{
    return {shown("id", "№", 62),
            shown("name", "Наименование", 83),
            shown("scode", "Сокр. наименование", 116),
            shown("inn", "ИНН", 0),
            shown("ogrn", "ОГРН", 0),
            hidden("udt")};
}

} // namespace ListDefs
