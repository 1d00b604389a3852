-- A register for the distribution benchmark, made directly in SQL:
--   psql -v rows=100000 -f register.sql <db>     (after db/schema.sql)
-- Every IPRA has its distribution row, a holder with a document and one or two
-- addresses, every fifth a representative; senders come from 80 names, 50 of
-- them matched to the 60 organisations; nine IPRAs in ten are assigned, one in
-- fifty has no end date, end dates spread around today, a fifth carry an event
-- record so that every state comes up.
\set ON_ERROR_STOP on
set client_encoding = 'UTF8';

insert into k_vars (name, val) values ('AppVer', '0'), ('AlertPeriod', '3');

insert into rhb_exc (name, scode, inn, ogrn)
select 'ОГБУЗ "Больница №' || g || ' Костромской области"', 'ОГБУЗ "Б№' || g || '"',
       (4401000000 + g)::text, (1024400000000 + g)::text
from generate_series(1, 60) g;

insert into k_mo_names (rname, tid, tname)
select 'больница ' || g, e.id, e.name
from generate_series(1, 80) g
left join rhb_exc e on e.id = g and g <= 50;

insert into prg (okr_id, nreg, dt, snils, lname, fname, sname, bdate, gndr, oivid, docnum,
                 docdt, prg, prgnum, prgdt, mseid, udt)
select 1, 44, date '2019-01-01' + (g % 1900),
       substr(s, 1, 3) || '-' || substr(s, 4, 3) || '-' || substr(s, 7, 3) || ' ' || substr(s, 10, 2),
       'Фамилия' || (g % 5000), 'Имя' || (g % 300), 'Отчество' || (g % 200),
       date '1940-01-01' + (g * 37 % 25000), g % 2, 1, (g % 9000) || '.44/2024',
       date '2019-01-01' + (g % 1900), 1, g || '.44.44/2024', date '2019-01-01' + (g % 1900),
       md5(g::text), current_timestamp
from generate_series(1, :rows) g,
     lateral (select lpad((g::bigint * 7919 % 99999999999)::text, 11, '0') as s) n;

insert into k_ipra_mo (prgid, send_mo, enddt, resp_mo, resp_mo_id)
select p.id, 'больница ' || (1 + p.id % 80),
       case when p.id % 50 = 0 then date '0001-01-01' else current_date - 400 + (p.id % 1500) end,
       case when p.id % 10 <> 0 then e.name end,
       case when p.id % 10 <> 0 then e.id end
from prg p
join rhb_exc e on e.id = 1 + p.id % 60;

insert into k_person (prgid, snils, lname, fname, sname, bdate, ptype, docid, addrid)
select id, snils, lname, fname, sname, bdate, 0, 0, 0 from prg;
insert into k_person (prgid, snils, lname, fname, sname, bdate, ptype, docid, addrid)
select id, '', 'Представитель' || (id % 700), 'Имя' || (id % 90), 'Отчество' || (id % 80),
       date '1960-01-01' + (id % 9000), 1, 0, 0
from prg where id % 5 = 0;

insert into k_doc (pid, title, series, numb, issuer, issuedt)
select id, case ptype when 0 then 'Паспорт гражданина Российской Федерации' else 'Доверенность' end,
       (3400 + id % 20)::text, lpad((id % 1000000)::text, 6, '0'),
       'УМВД России по Костромской области', date '2005-01-01' + (id % 6000)
from k_person;

insert into k_address (pid, atype, afull, place, street, house, appart, phone)
select id, 1, 'Костромская обл., г. Кострома, ул. Советская, д. ' || (id % 200) || ', кв. ' || (id % 90),
       'г. Кострома', 'ул. Советская', (id % 200)::text, (id % 90)::text, '8-4942-' || lpad((id % 100000)::text, 5, '0')
from k_person where ptype = 0;
insert into k_address (pid, atype, afull, place, street, house, appart, phone)
select id, 3, 'Костромская обл., г. Галич, ул. Луговая, д. ' || (id % 50),
       'г. Галич', 'ул. Луговая', (id % 50)::text, '', ''
from k_person where ptype = 0 and id % 3 = 0;

insert into k_evdt (prgid, typeid, stypeid, name, exid, exname, resid, resdesc, note, dt, state, dicid)
select id, 2, 1, 'Медикаментозная терапия', 1 + id % 60, '', 1, '', '', current_date, id % 4, 0
from prg where id % 5 = 1;

-- A register in use has long been vacuumed by the server; one loaded in bulk has
-- not, and its first reads would set the rows' hint bits and visibility as they go.
vacuum analyze;
