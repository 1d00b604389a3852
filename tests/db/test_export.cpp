// Lists written to spreadsheet files: what the grid shows, read back from the real files.

#include "dbtest.h"

#include "lists/tableexport.h"
#include "platform/errors.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

using TableExport::Format;

// Rows with the kinds of cells the lists hold: numbers, texts that need quoting, dates
// Excel can and cannot hold, a timestamp, nulls; and a hidden column.
class ExportTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        ASSERT_TRUE(folder.isValid());
        SqlQuery& q = *dm->adoqTmp;
        q.setText(QStringLiteral(
            "select * from (values"
            " (1, 'Иванова; Анна', date '2024-03-01', timestamp '2024-03-01 10:20:30', 'x'),"
            " (2, 'Кавычки \"внутри\"', date '1899-12-30', null, 'y'),"
            " (3, E'две\\nстроки', date '0001-01-01', timestamp '2023-12-31 23:59:59', 'z'),"
            " (40, 'без пробела в конце   ', null, null, 'w')"
            ") v(id, name, d, ts, hidden) order by id"));
        q.open();
        rows = q.rows();
        q.close();
    }

    static QList<GridColumn> columns()
    {
        return {{QStringLiteral("id"), QStringLiteral("№"), 40, true},
                {QStringLiteral("hidden"), QString(), 0, false},
                {QStringLiteral("name"), QStringLiteral("Имя"), 100, true},
                {QStringLiteral("d"), QStringLiteral("Дата"), 0, true},
                {QStringLiteral("ts"), QString(), 0, true}}; // no title: the field's name
    }

    QString path(const QString& name) const { return folder.filePath(name); }

    static QByteArray read(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static QString unzipped(const QString& file, const QString& member)
    {
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), file, member});
        unzip.waitForFinished(30000);
        return QString::fromUtf8(unzip.readAllStandardOutput());
    }

    QStringList filesInFolder() const { return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir folder;
    SqlRows rows;
};

} // namespace

TEST_F(ExportTest, CsvIsUtf8WithAMarkSemicolonsQuotesAndCrLf)
{
    ASSERT_EQ(TableExport::Write(rows, columns(), path("list.csv"), Format::Csv), TableExport::Result::Done);
    const QByteArray expected = QByteArray("\xEF\xBB\xBF") +
        QStringLiteral("№;Имя;Дата;ts\r\n"
                       "1;\"Иванова; Анна\";01.03.2024;01.03.2024 10:20:30\r\n"
                       "2;\"Кавычки \"\"внутри\"\"\";30.12.1899;\r\n"
                       "3;\"две\nстроки\";01.01.0001;31.12.2023 23:59:59\r\n"
                       "40;без пробела в конце;;\r\n").toUtf8();
    EXPECT_EQ(read(path("list.csv")), expected);
    EXPECT_EQ(filesInFolder(), QStringList{"list.csv"});
}

TEST_F(ExportTest, XlsxHasRealDatesABoldFrozenTitleRowAndAnAutofilter)
{
    const QString file = path("list.xlsx");
    ASSERT_EQ(TableExport::Write(rows, columns(), file, Format::Xlsx), TableExport::Result::Done);
    EXPECT_EQ(filesInFolder(), QStringList{"list.xlsx"});
    const QString sheet = unzipped(file, QStringLiteral("xl/worksheets/sheet1.xml"));
    const QString styles = unzipped(file, QStringLiteral("xl/styles.xml"));
    ASSERT_FALSE(sheet.isEmpty());

    const QStringList expected = {
        // the title row, bold (style 1), frozen, under an autofilter over every row
        "<c r=\"A1\" s=\"1\" t=\"inlineStr\"><is><t>№</t></is></c>",
        "<c r=\"D1\" s=\"1\" t=\"inlineStr\"><is><t>ts</t></is></c>",
        "state=\"frozen\"",
        "<autoFilter ref=\"A1:D5\"/>",
        // numbers as numbers, dates and times as numbers in date styles
        "<c r=\"A5\"><v>40</v></c>",
        "<c r=\"C2\" s=\"2\"><v>45352</v></c>",
        "<c r=\"D2\" s=\"3\"><v>45352.43090277778</v></c>",
        // dates Excel cannot hold, as the grid shows them
        "<c r=\"C3\" t=\"inlineStr\"><is><t>30.12.1899</t></is></c>",
        "<c r=\"C4\" t=\"inlineStr\"><is><t>01.01.0001</t></is></c>",
        "<t>без пробела в конце</t>",
        "<t>две\nстроки</t>",
    };
    for (const QString& part : expected)
        EXPECT_TRUE(sheet.contains(part)) << part.toStdString() << "\n" << sheet.toStdString();
    EXPECT_FALSE(sheet.contains(QStringLiteral(">x<"))) << "the hidden column stays out";
    EXPECT_FALSE(sheet.contains(QStringLiteral("C5"))) << "a null is an empty cell";
    EXPECT_TRUE(styles.contains(QStringLiteral("formatCode=\"DD.MM.YYYY\""))) << styles.toStdString();
    EXPECT_TRUE(styles.contains(QStringLiteral("formatCode=\"DD.MM.YYYY hh:mm:ss\"")));
    EXPECT_TRUE(styles.contains(QStringLiteral("<b/>")));
    EXPECT_TRUE(sheet.contains(QStringLiteral("<col min=\"2\" max=\"2\" width=\"")));
}

TEST_F(ExportTest, ACancelledOrFailedExportLeavesNoFile)
{
    for (const Format format : {Format::Csv, Format::Xlsx}) {
        SCOPED_TRACE(format == Format::Csv ? "csv" : "xlsx");
        const QString name = format == Format::Csv ? QStringLiteral("list.csv") : QStringLiteral("list.xlsx");
        int calls = 0;
        EXPECT_EQ(TableExport::Write(rows, columns(), path(name), format,
                                     [&](int, int) { return ++calls < 1; }),
                  TableExport::Result::Cancelled);
        EXPECT_GT(calls, 0);
        EXPECT_EQ(filesInFolder(), QStringList()) << "no file, no temporary file";

        // A folder that does not exist, and a "folder" that is a file (refused to root too).
        QFile plain(path("plain"));
        ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
        plain.close();
        for (const QString& target : {path("missing/") + name, path("plain/") + name}) {
            try {
                TableExport::Write(rows, columns(), target, format);
                ADD_FAILURE() << "no error for " << target.toStdString();
            } catch (const AppError& e) {
                EXPECT_TRUE(e.message().startsWith(QStringLiteral("Не удалось записать файл «")))
                    << e.message().toStdString();
            }
        }
        EXPECT_EQ(filesInFolder(), QStringList{"plain"});
        QFile::remove(path("plain"));
    }
}

TEST_F(ExportTest, AnExistingFileIsReplacedWhole)
{
    for (const QString& name : {QStringLiteral("list.csv"), QStringLiteral("list.xlsx")}) {
        QFile old(path(name));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(200000, 'x')); // longer than the new file
        old.close();
        ASSERT_EQ(TableExport::Write(rows, columns(), path(name), *TableExport::FormatOfFile(name)),
                  TableExport::Result::Done);
        const QByteArray written = read(path(name));
        EXPECT_FALSE(written.contains("xxxx"));
        EXPECT_TRUE(written.startsWith(name.endsWith(".csv") ? QByteArray("\xEF\xBB\xBF") : QByteArray("PK")));
    }
    EXPECT_EQ(filesInFolder(), (QStringList{"list.csv", "list.xlsx"}));
}
