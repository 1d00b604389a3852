// ipra-report, run as the built program against the register.

#include "cardipra.h"
#include "dbtest.h"
#include "reporttool.h"
#include "storedipra.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace StoredIpra;

namespace {

class IpraReportTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        ASSERT_TRUE(folder.isValid());
        const int a = addIpra({.prgnum = "A-1", .prgdt = "2024-01-01", .respMoId = 3, .lname = "Иванова"});
        addEvent(a, {.state = 2}); // sent: the review sees it
        addIpra({.prgnum = "B-2", .prgdt = "2024-02-01", .respMoId = 0, .lname = "Петров"});
        addIpra({.prgnum = "C-3", .prgdt = "2024-03-01", .respMoId = 0, .lname = "Семёнова",
                 .sname = "Ивановна"});
    }

    QString path(const QString& name) const { return folder.filePath(name); }

    // The IPRA numbers of a list file written as .csv, in its order.
    QStringList numbersIn(const QString& file) const
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return {QStringLiteral("(no file)")};
        QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        lines.removeFirst(); // the titles
        QStringList numbers;
        for (const QString& line : lines)
            numbers << line.section(QLatin1Char(';'), 0, 0);
        return numbers;
    }

    QTemporaryDir folder;
};

} // namespace

TEST_F(IpraReportTest, WrongUsageIsRefusedWithStatusTwo)
{
    const QString csv = path("out.csv");
    const QList<QStringList> cases = {
        {},
        {"frobnicate"},
        {"list"},
        {"list", "names", "-o", csv},
        {"list", "distribution"},
        {"list", "distribution", "-o", path("out.txt")},
        {"list", "distribution", "--filter", "some", "-o", csv},
        {"list", "distribution", "--org", "3", "-o", csv},
        {"list", "distribution", "-o", csv, "--search"},
        {"list", "execution", "-o", csv},
        {"list", "execution", "--org", "x3", "-o", csv},
        {"list", "execution", "--org", "3", "--filter", "all", "-o", csv},
        {"card", "-o", path("card.pdf")},
        {"card", "0", "-o", path("card.pdf")},
        {"card", "7", "-o", csv},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ReportTool::Outcome r = ReportTool::run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("ipra-report: "))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("usage: ipra-report")));
    }
    EXPECT_TRUE(QDir(folder.path()).isEmpty());

    const ReportTool::Outcome help = ReportTool::run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("usage: ipra-report list distribution")));
}

TEST_F(IpraReportTest, ListsAsThePagesShowThem)
{
    const struct
    {
        QStringList args;
        QStringList numbers;
    } cases[] = {
        {{"list", "distribution"}, {"B-2", "C-3"}}, // the page's first filter item
        {{"list", "distribution", "--filter", "all"}, {"A-1", "B-2", "C-3"}},
        {{"list", "distribution", "--filter", "assigned"}, {"A-1"}},
        {{"list", "distribution", "--filter", "all", "--search", "иван"}, {"A-1", "C-3"}},
        {{"list", "distribution", "--search", "ПЕТРОВ"}, {"B-2"}},
        {{"list", "distribution", "--filter", "assigned", "--search", "семенова"}, {}},
        {{"list", "execution", "--org", "3"}, {"A-1"}},
        {{"list", "execution", "--org", "5"}, {}},
        {{"list", "execution", "--org", "3", "--search", "семенова"}, {}},
        {{"list", "execution", "--org", "9", "--review"}, {"A-1"}},
        {{"list", "execution", "--org", "9", "--review", "--search", "иванова"}, {"A-1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const QString file = path("list.csv");
        QFile::remove(file);
        const ReportTool::Outcome r = ReportTool::run(c.args + QStringList{"-o", file});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(r.err, QString());
        EXPECT_EQ(numbersIn(file), c.numbers);
    }

    QFile csv(path("list.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(csv.readAll().startsWith("\xEF\xBB\xBF№ ИПРА;Дата разраб.;Фамилия;Имя;Отчество;Дата рожд.;"
                                         "СНИЛС;№ прот.;Дата прот.;Направившая организация;"
                                         "Ответств организац.;Дата выдачи\r\n"));

    const ReportTool::Outcome xlsx =
        ReportTool::run({"list", "distribution", "--filter", "all", "-o", path("list.xlsx")});
    EXPECT_EQ(xlsx.status, 0) << xlsx.err.toStdString();
    QFile book(path("list.xlsx"));
    ASSERT_TRUE(book.open(QIODevice::ReadOnly));
    EXPECT_TRUE(book.readAll().startsWith("PK"));
}

TEST_F(IpraReportTest, TheCardAndTheErrors)
{
    loadDemoData();
    const int id = CardIpra::add();
    const ReportTool::Outcome card = ReportTool::run({"card", QString::number(id), "-o", path("card.pdf")});
    EXPECT_EQ(card.status, 0) << card.err.toStdString();
    const QString text = CardIpra::pdfText(path("card.pdf"));
    for (const QString& part : CardIpra::expectedTexts())
        EXPECT_TRUE(text.contains(part)) << part.toStdString();

    const ReportTool::Outcome missing = ReportTool::run({"card", "4242", "-o", path("none.pdf")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, QStringLiteral("ipra-report: ИПРА с кодом 4242 не найдена\n"));
    const ReportTool::Outcome unwritable =
        ReportTool::run({"list", "distribution", "-o", path("missing/list.csv")});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_TRUE(unwritable.err.startsWith(QStringLiteral("ipra-report: Не удалось записать файл «")))
        << unwritable.err.toStdString();
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList{"card.pdf"});
}
