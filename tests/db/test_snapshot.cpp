#include "dbtest.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QSqlRecord>

// The snapshot reads the rows straight from the ODBC statement; every cell must come
// out as QSqlQuery::value gives it for the same statement: same type, same null, same
// value. Several blocks of rows, texts and bytes around the block buffer's size,
// characters outside the BMP, '' and NULL, the dates the program treats specially.
TEST_F(DbTest, SnapshotCellsAreThoseOfTheQtDriver)
{
    const QString sql = QStringLiteral(
        "select g as id, nullif(g % 6, 0)::int2 as small, g::int8 * 3000000000 as big,"
        " (g / 7.0)::numeric(12,4) as num, nullif(g % 4, 0) / 3.0::float8 as f8,"
        " (g / 4.0)::float4 as f4, nullif(g % 8, 0)::oid as o, nullif(g % 3, 0) = 1 as flag,"
        " date '1899-12-30' + g as d,"
        " case g % 4 when 0 then null when 1 then date '0001-01-01' else date '2024-02-29' end as d2,"
        " case when g % 7 = 0 then null else timestamp '2024-03-01 10:20:30.456'"
        "   + g * interval '1 minute 1.5 seconds' end as ts,"
        " case when g % 5 = 0 then null else time '12:34:56' + g * interval '1 second' end as t,"
        " case g % 9 when 0 then null when 1 then '' when 2 then repeat('Ж', 1000) || 'ёЁ'"
        "   when 3 then repeat('я', 255) when 4 then repeat('ю', 256) || '\U0001F600'"
        "   when 5 then repeat('я', 510) when 6 then repeat('я', 510) || 'z'"
        "   when 7 then 'a€\U0001F600b' || g else 'Пётр ' || g end as txt,"
        " 'ab'::char(5) as ch,"
        " case when g % 3 = 0 then null else decode(repeat(to_hex(g % 16) || 'f', 1020 + g % 9), 'hex')"
        "   end as bin"
        " from generate_series(1, 2500) g order by g");

    QList<QVariantList> expected;
    {
        QSqlQuery q(dm->conPg.database());
        q.setForwardOnly(true);
        ASSERT_TRUE(q.exec(sql));
        const int n = q.record().count();
        while (q.next()) {
            QVariantList row;
            for (int c = 0; c < n; ++c)
                row << q.value(c);
            expected << row;
        }
    }
    ASSERT_EQ(expected.size(), 2500);

    // Texts as UTF-8 (what the driver gives on this platform) and as UTF-16 (what is
    // read where it does not).
    ASSERT_TRUE(dm->conPg.charTextIsUtf8());
    for (const bool utf8 : {true, false}) {
        SCOPED_TRACE(utf8 ? "texts read as UTF-8" : "texts read as UTF-16");
        dm->conPg.setCharTextIsUtf8(utf8);
        SqlQuery& tmp = *dm->adoqTmp;
        tmp.setText(sql);
        tmp.open();
        ASSERT_EQ(tmp.recordCount(), expected.size());
        ASSERT_EQ(tmp.columnCount(), expected.first().size());
        int longTexts = 0;
        for (int r = 0; r < expected.size(); ++r) {
            for (int c = 0; c < tmp.columnCount(); ++c) {
                const QVariant want = expected[r][c];
                const QVariant got = tmp.valueAt(r, c);
                SCOPED_TRACE(QString("row %1, %2").arg(r).arg(tmp.fieldNames().at(c)).toStdString());
                ASSERT_EQ(got.typeId(), want.typeId()) << got.typeName() << " for " << want.typeName();
                ASSERT_EQ(got.isNull(), want.isNull());
                ASSERT_TRUE(got == want) << got.toString().toStdString();
                if (want.typeId() == QMetaType::QString) {
                    ASSERT_EQ(got.toString().isNull(), want.toString().isNull());
                    longTexts += want.toString().size() > 255;
                }
                if (want.typeId() == QMetaType::QDateTime && !want.isNull()) {
                    ASSERT_EQ(got.toDateTime().timeSpec(), want.toDateTime().timeSpec());
                }
            }
        }
        EXPECT_GT(longTexts, 0);
        tmp.close();
    }
}

TEST_F(DbTest, ServerJitIsOffForTheSession)
{
    EXPECT_EQ(scalar("show jit").toString(), "off");
}
