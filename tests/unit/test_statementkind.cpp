#include "data/connection.h"
#include "data/sqlstatement.h"

#include <gtest/gtest.h>

// Which statements may be sent again after a broken connection: only those that read.
TEST(StatementKind, ReadsAreToldFromWrites)
{
    struct Case
    {
        const char* text;
        bool read;
    };
    const Case cases[] = {
        {"select * from prg where mseid=:mseid", true},
        {"  SELECT 1", true},
        {"(select distinct id from rhb_exc\nunion\nselect tid from k_mo_names)\norder by 1", true},
        {"-- a comment first\nselect 1", true},
        {"with x as (select 1) select * from x", true},
        {"select 'insert into prg' as text, \"update\" from t", true},
        {"select 1 -- delete later", true},
        {"values (1)", true},
        {"INSERT INTO k_mo_names(rname) VALUES (:rname);", false},
        {"UPDATE k_ipra_mo SET resp_mo=:resp_mo WHERE prgid=:prgid;", false},
        {"delete from k_evdt where id=:id", false},
        {"with x as (insert into t values (1) returning id) select * from x", false},
        {"select * into copy_of_prg from prg", false},
        {"select * from k_evdt where id=1 for update", false},
        {"LOCK TABLE rhb_dic IN SHARE ROW EXCLUSIVE MODE", false},
        {"truncate k_evdt", false},
        {"", false},
        {"-- only a comment", false},
    };
    TConnection connection(QStringLiteral("statement kinds"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SqlQuery query(connection, QStringLiteral("q"), {QString::fromUtf8(c.text)}, false);
        EXPECT_EQ(query.readsOnly(), c.read);
    }
    // A changed text is judged again.
    SqlQuery query(connection, QStringLiteral("q"), {QStringLiteral("select 1")}, false);
    ASSERT_TRUE(query.readsOnly());
    query.setText(QStringLiteral("insert into t values (1)"));
    EXPECT_FALSE(query.readsOnly());
}
