-- Demo directories, settings and logins for a fresh IPRA register.
--
-- Load after schema.sql into the same database:
--   psql -v ON_ERROR_STOP=1 -f db/demo.sql <db>
--
-- Demo logins (login / password, both in capitals as the login dialog types them):
--   MO     / MO      level 0   ОГБУЗ "Окружная больница Костромского округа №1"
--   MO2    / MO2     level 0   ОГБУЗ "Галичская окружная больница"
--   DISTR  / DISTR   level 5   ОГБУЗ "Медицинский информационно-аналитический центр Костромской области"
--   REVIEW / REVIEW  level 8   the same
--   ADMIN  / ADMIN   level 10  the same
--   NOORG  / NOORG   no organisation: refused with "Организация не авторизована в программе"
--
-- The IPRAs and the users' work on them come after, from scripts/lib/demo-register.

set client_encoding = 'UTF8';

-- Organisations. Row 8 carries "пункт" in lower case and so stays out of the
-- names directory; row 9 starts with "Пункт" and stays in it.
insert into rhb_exc (id, name, scode, inn, ogrn) values
 (1, 'ОГБУЗ "Медицинский информационно-аналитический центр Костромской области"', 'ОГБУЗ "МИАЦ"', '4401535473', '1024487244968'),
 (2, 'ОГБУЗ "Костромская областная клиническая больница имени Королёва Е.И."', 'ОГБУЗ "КОКБ"', '4401710372', '1024419571538'),
 (3, 'ОГБУЗ "Окружная больница Костромского округа №1"', 'ОГБУЗ "ОБ КО №1"', '4401231556', '1024463681087'),
 (4, 'ОГБУЗ "Городская больница г. Костромы"', 'ОГБУЗ "ГБ г. Костромы"', '4401295126', '1024448581464'),
 (5, 'ОГБУЗ "Галичская окружная больница"', 'ОГБУЗ "Галичская ОБ"', '4401038136', '1024437696139'),
 (6, 'ОГБУЗ "Шарьинская окружная больница имени Каверина В.Ф."', 'ОГБУЗ "Шарьинская ОБ"', '4401152897', '1024495410213'),
 (7, 'ОГБУЗ "Костромской областной госпиталь для ветеранов войн"', 'ОГБУЗ "КОГВВ"', '4401011543', '1024416807436'),
 (8, 'Фельдшерско-акушерский пункт д. Сущёво ОГБУЗ "Костромская центральная районная больница"', 'ФАП д. Сущёво', '4401205370', '1024486186779'),
 (9, 'Пункт медицинской реабилитации ОГБУЗ "Нерехтская центральная районная больница"', 'ПМР Нерехтская ЦРБ', '4401902846', '1024450832031');

-- Event subtypes: type 2 (medical rehabilitation) and type 4 (prosthetics)
-- have some; types 3 and 99 have none, so their records carry subtype 0.
-- Subtype 4 of type 2 takes names typed by hand only, hence no dictionary
-- entries for it below.
insert into rhb_evnt (id, typeid, name) values
 (1, 2, 'Медикаментозная терапия'),
 (2, 2, 'Физиотерапия'),
 (3, 2, 'Лечебная физкультура и массаж'),
 (4, 2, 'Иные мероприятия медицинской реабилитации'),
 (5, 2, 'Психотерапия и психологическая коррекция'),
 (6, 4, 'Протезирование верхних конечностей'),
 (7, 4, 'Протезирование нижних конечностей'),
 (8, 4, 'Ортезирование');

-- Results (the program holds at most 11).
insert into rhb_res (id, name, shname) values
 (1, 'Выполнено', 'Выполнено'),
 (2, 'Выполнено частично', 'Частично'),
 (3, 'Не выполнено', 'Не выполнено'),
 (4, 'Отказ от проведения мероприятия', 'Отказ'),
 (5, 'Неявка на мероприятие', 'Неявка'),
 (6, 'Не выполнено в связи со смертью', 'Смерть'),
 (7, 'Выбыл за пределы Костромской области', 'Выбыл');

-- Event dictionary and its links to type and subtype.
insert into rhb_dic (id, name, shname) values
 (1,  'Курс медикаментозной терапии в условиях стационара', 'Медикам. терапия (стационар)'),
 (2,  'Курс медикаментозной терапии в амбулаторных условиях', 'Медикам. терапия (амбулаторно)'),
 (3,  'Электротерапия', 'Электротерапия'),
 (4,  'Магнитотерапия', 'Магнитотерапия'),
 (5,  'Теплолечение (парафино-, озокеритолечение)', 'Теплолечение'),
 (6,  'Лечебная гимнастика', 'ЛФК'),
 (7,  'Механотерапия', 'Механотерапия'),
 (8,  'Классический лечебный массаж', 'Массаж'),
 (9,  'Индивидуальная психотерапия', 'Психотерапия'),
 (10, 'Психологическая коррекция', 'Психокоррекция'),
 (11, 'Эндопротезирование тазобедренного сустава', 'Эндопротез. ТБС'),
 (12, 'Эндопротезирование коленного сустава', 'Эндопротез. колена'),
 (13, 'Реконструктивная операция на кисти', 'Операция на кисти'),
 (14, 'Кохлеарная имплантация', 'Кохлеарная имплантация'),
 (15, 'Протез плеча', 'Протез плеча'),
 (16, 'Протез предплечья', 'Протез предплечья'),
 (17, 'Протез бедра', 'Протез бедра'),
 (18, 'Протез голени', 'Протез голени'),
 (19, 'Ортез на голеностопный сустав', 'Ортез голеностопа'),
 (20, 'Корсет ортопедический', 'Корсет'),
 (21, 'Ортопедическая обувь', 'Ортопед. обувь'),
 (22, 'Санаторно-курортное лечение по профилю основного заболевания', 'СКЛ по профилю'),
 (23, 'Санаторно-курортное лечение в детском специализированном санатории', 'СКЛ детское'),
 (24, 'Лечение в условиях реабилитационного центра', 'Реабилит. центр');

insert into k_ev_dic (type, subtype, evnt) values
 (2, 1, 1), (2, 1, 2),
 (2, 2, 3), (2, 2, 4), (2, 2, 5),
 (2, 3, 6), (2, 3, 7), (2, 3, 8),
 (2, 5, 9), (2, 5, 10),
 (3, 0, 11), (3, 0, 12), (3, 0, 13), (3, 0, 14),
 (4, 6, 15), (4, 6, 16),
 (4, 7, 17), (4, 7, 18),
 (4, 8, 19), (4, 8, 20), (4, 8, 21),
 (99, 0, 22), (99, 0, 23), (99, 0, 24);

-- The rows above were given their ids; move the identity sequences past them
-- so that the program's own inserts get fresh ids (new dictionary entries are
-- found again as the highest id).
do $$
begin
    perform setval(pg_get_serial_sequence('rhb_exc', 'id'), (select max(id) from rhb_exc));
    perform setval(pg_get_serial_sequence('rhb_evnt', 'id'), (select max(id) from rhb_evnt));
    perform setval(pg_get_serial_sequence('rhb_res', 'id'), (select max(id) from rhb_res));
    perform setval(pg_get_serial_sequence('rhb_dic', 'id'), (select max(id) from rhb_dic));
end
$$;

-- Settings. AppVer is the version a program must carry to log in: the build's
-- version from the VERSION file; the scripts may rewrite this row to follow it.
insert into k_vars (name, val) values
 ('AppVer', '1.0.0.1'),
 ('AlertPeriod', '3');

insert into k_login (login, passw, mo_id, lvl) values
 ('MO', 'MO', 3, 0),
 ('MO2', 'MO2', 5, 0),
 ('DISTR', 'DISTR', 1, 5),
 ('REVIEW', 'REVIEW', 1, 8),
 ('ADMIN', 'ADMIN', 1, 10),
 ('NOORG', 'NOORG', null, 0);
