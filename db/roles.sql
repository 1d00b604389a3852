-- The login the program connects with, as an ordinary role that holds only
-- the rights its statements need.
--
-- Run as the cluster's administrator (a superuser other than "postgres", for
-- example the bootstrap user of `initdb -U ipra_admin`), in the register
-- database, after schema.sql:
--   psql -U ipra_admin -v ON_ERROR_STOP=1 -d ipra -f db/roles.sql
-- It may be run again at any time (after an upgrade of schema.sql, say): the
-- role ends with exactly these rights whatever it held before.
--
-- The program's login is built in: user "postgres", password 'vemp'. So that
-- the password alone gives away as little as possible, the role is no
-- superuser, cannot create databases or roles, is a member of no role, owns
-- nothing and reaches only this database. The tables stay the
-- administrator's.

do $$
declare
    membership record;
begin
    if exists (select 1 from pg_roles where rolname = 'postgres' and oid = 10) then
        raise exception 'the role "postgres" is the bootstrap superuser of this cluster and cannot become the program''s ordinary login'
            using hint = 'Make a new cluster whose bootstrap superuser has another name (initdb -U ipra_admin) and move the register there with pg_dump and pg_restore --no-owner.';
    end if;
    if not exists (select 1 from pg_roles where rolname = 'postgres') then
        create role postgres;
    end if;
    alter role postgres with login nosuperuser nocreatedb nocreaterole noreplication nobypassrls
        inherit connection limit -1 password 'vemp';
    -- pg_read_server_files, pg_execute_server_program and the like would give
    -- back what the attributes above take away.
    for membership in
        select g.rolname from pg_auth_members m join pg_roles g on g.oid = m.roleid
        where m.member = 'postgres'::regrole
    loop
        execute format('revoke %I from postgres', membership.rolname);
    end loop;
    -- This database only: no connection to the cluster's other databases, no
    -- temporary tables.
    execute format('revoke all on database %I from public', current_database());
    execute format('grant connect on database %I to postgres', current_database());
end
$$;

-- Whatever a restore left owned by the program's login becomes the
-- administrator's (this database only).
reassign owned by postgres to current_user;

-- No new objects. PostgreSQL 15 denies CREATE on a new database's public
-- schema already; a database restored from an older server's dump may not.
revoke create on schema public from public, postgres;

-- Start from nothing, so that a right dropped from this file is taken away on
-- the next run.
revoke all on all tables in schema public from postgres;
revoke all on all sequences in schema public from postgres;
revoke all on all functions in schema public from public, postgres;

-- Read only: logins and settings are kept by the administrator; the
-- directories of event subtypes and results are fixed.
grant select on k_login, k_vars, rhb_evnt, rhb_res to postgres;

-- The import writes an IPRA once and updates the rows it wrote before; the
-- distribution page assigns k_ipra_mo.
grant select, insert on prg to postgres;
grant select, insert, update on k_person, k_address, k_doc, k_ipra_evnt, k_ipra_mo to postgres;

-- Sender names: collected by the import, matched on the names page.
grant select, insert, update on k_mo_names to postgres;

-- The executors page adds, edits and deletes organisations.
grant select, insert, update, delete on rhb_exc to postgres;

-- Event records: added, edited and deleted on the execution page.
grant select, insert, update, delete on k_evdt to postgres;

-- The event name dictionary: new entries and their links. UPDATE only because
-- the insert takes LOCK TABLE rhb_dic IN SHARE ROW EXCLUSIVE MODE (so that
-- MAX(id) is its own entry), which PostgreSQL allows only with UPDATE, DELETE
-- or TRUNCATE rights; the program never updates the table.
grant select, insert, update on rhb_dic to postgres;
grant insert on k_ev_dic to postgres;

-- The lists read the views, which read their tables with the administrator's
-- rights.
grant select on kv_ipra_mo, kv_rhb_dic to postgres;

-- The triggers on k_evdt keep k_ipra_state as the writer of the records: the
-- functions run with the caller's rights, and each IPRA's state row is
-- inserted, locked (FOR UPDATE) and updated. A TRUNCATE of k_evdt empties it,
-- but the program never truncates.
grant select, insert, update on k_ipra_state to postgres;
grant execute on function k_ipra_state_refresh(integer[]), k_ipra_state_of(integer) to postgres;

-- Identity columns take their values without rights on their sequences, so
-- the role is granted none.
