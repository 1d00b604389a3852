// ipra-report: the pages' lists and the IPRA card without a window, for scripts and
// scheduled reports.
//   ipra-report list distribution [--filter all|unassigned|assigned] [--search TEXT] -o FILE
//   ipra-report list execution --org ID [--search TEXT] [--review] -o FILE
//   ipra-report card IPRA_ID -o FILE.pdf
// A list file is what the page's "Выгрузить…" writes for the same rows, byte for byte in
// the .csv form. Exit status: 0 done, 1 an error (its message on standard error), 2 wrong
// usage.

#include "card/ipracard.h"
#include "data/tdm.h"
#include "lists/iprasearch.h"
#include "lists/listdefs.h"
#include "lists/tableexport.h"
#include "platform/errors.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>
#include <QTextDocument>

#include <cstdio>
#include <optional>

namespace {

const char* const Usage =
    "usage: ipra-report list distribution [--filter all|unassigned|assigned] [--search TEXT] -o FILE\n"
    "       ipra-report list execution --org ID [--review] [--search TEXT] -o FILE\n"
    "       ipra-report card IPRA_ID -o FILE.pdf\n"
    "\n"
    "list distribution  the distribution page's list under a filter item (unassigned when\n"
    "                   none is given: the page's first item)\n"
    "list execution     the execution page's list of organisation ID as its users of level 0\n"
    "                   see it; with --review the IPRAs the review (level 8) sees\n"
    "--search TEXT      narrows the list as the page's search line: words of the holder's\n"
    "                   name, a SNILS, the beginning of an IPRA number\n"
    "card               the IPRA's card as PDF\n"
    "-o FILE            FILE ending in .xlsx or .csv picks the format of a list; the columns\n"
    "                   are the grid's visible ones, with their titles, in its order\n"
    "\n"
    "The register is reached through the ODBC data source ViraVIR. Exit status: 0 done,\n"
    "1 an error (its message on standard error), 2 wrong usage.\n";

void writeLine(std::FILE* stream, const QString& line)
{
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fputc('\n', stream);
}

struct UsageError
{
    QString problem;
};

struct Request
{
    QString command; // "list" or "card"
    QString list;    // "distribution" or "execution"
    int filterItem = 1;
    QString search;
    std::optional<qint32> organisation;
    bool review = false;
    qint32 ipra = 0;
    QString output;
};

qint32 positiveNumber(const QString& text, const QString& what)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n <= 0)
        throw UsageError{QStringLiteral("%1 must be a positive number, not '%2'").arg(what, text)};
    return n;
}

Request parse(QStringList args)
{
    Request r;
    if (args.isEmpty())
        throw UsageError{QStringLiteral("no command given")};
    r.command = args.takeFirst();
    if (r.command == QLatin1String("list")) {
        if (args.isEmpty())
            throw UsageError{QStringLiteral("which list: distribution or execution")};
        r.list = args.takeFirst();
        if (r.list != QLatin1String("distribution") && r.list != QLatin1String("execution"))
            throw UsageError{QStringLiteral("unknown list '%1'").arg(r.list)};
    } else if (r.command == QLatin1String("card")) {
        if (args.isEmpty() || args.first().startsWith(QLatin1Char('-')))
            throw UsageError{QStringLiteral("no IPRA_ID given")};
        r.ipra = positiveNumber(args.takeFirst(), QStringLiteral("IPRA_ID"));
    } else {
        throw UsageError{QStringLiteral("unknown command '%1'").arg(r.command)};
    }

    const bool distribution = r.list == QLatin1String("distribution");
    const bool execution = r.list == QLatin1String("execution");
    while (!args.isEmpty()) {
        const QString option = args.takeFirst();
        const auto value = [&]() {
            if (args.isEmpty())
                throw UsageError{QStringLiteral("%1 needs a value").arg(option)};
            return args.takeFirst();
        };
        if (option == QLatin1String("-o") || option == QLatin1String("--output")) {
            r.output = value();
        } else if (option == QLatin1String("--filter") && distribution) {
            const QString item = value();
            const QStringList items = {QStringLiteral("all"), QStringLiteral("unassigned"),
                                       QStringLiteral("assigned")};
            r.filterItem = int(items.indexOf(item));
            if (r.filterItem < 0)
                throw UsageError{QStringLiteral("--filter takes all, unassigned or assigned, not '%1'").arg(item)};
        } else if (option == QLatin1String("--search") && !r.list.isEmpty()) {
            r.search = value();
        } else if (option == QLatin1String("--org") && execution) {
            r.organisation = positiveNumber(value(), QStringLiteral("--org"));
        } else if (option == QLatin1String("--review") && execution) {
            r.review = true;
        } else {
            throw UsageError{QStringLiteral("unknown option or argument '%1'").arg(option)};
        }
    }
    if (execution && !r.organisation)
        throw UsageError{QStringLiteral("list execution needs --org ID")};
    if (r.output.isEmpty())
        throw UsageError{QStringLiteral("no output file given (-o FILE)")};
    if (r.command == QLatin1String("card")) {
        if (QFileInfo(r.output).suffix().toLower() != QLatin1String("pdf"))
            throw UsageError{QStringLiteral("the card is written as PDF: FILE must end in .pdf")};
    } else if (!TableExport::FormatOfFile(r.output)) {
        throw UsageError{QStringLiteral("FILE must end in .xlsx or .csv")};
    }
    return r;
}

void writeList(const Request& r)
{
    const bool distribution = r.list == QLatin1String("distribution");
    SqlQuery& list = distribution ? *dm->adoqDistrIpra : *dm->adoqOrgIpra;
    if (distribution)
        list.setText(ListDefs::DistrIpraStatement(r.filterItem));
    else if (r.review)
        list.setText(ListDefs::OrgIpraReviewStatement());
    else
        list.setInteger(QStringLiteral("resp_mo_id"), *r.organisation);

    // The search as the page runs it: the server finds the ids, the list's rows narrow them.
    const SearchTerms terms = ParseSearch(r.search);
    if (!terms.isEmpty()) {
        const bool ofOrganisation = !distribution && !r.review;
        SqlQuery& search = ofOrganisation ? *dm->adoqOrgIpraSearch : *dm->adoqIpraSearch;
        if (ofOrganisation)
            search.setInteger(QStringLiteral("resp_mo_id"), *r.organisation);
        list.setKeyFilter(QStringLiteral("id"), FindIpraIds(search, terms));
    }
    list.open();
    TableExport::Write(list.rows(),
                       distribution ? ListDefs::DistrIpraColumns() : ListDefs::OrgIpraColumns(),
                       r.output, *TableExport::FormatOfFile(r.output));
    list.close();
}

} // namespace

int main(int argc, char** argv)
{
    // The card is laid out and written by QtGui (fonts, PDF): an application without a
    // screen, whatever the environment has.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        std::fputs(Usage, stdout);
        return 0;
    }
    Request request;
    try {
        request = parse(args);
    } catch (const UsageError& e) {
        writeLine(stderr, QStringLiteral("ipra-report: ") + e.problem);
        std::fputs(Usage, stderr);
        return 2;
    }

    int status = 0;
    dm = new Tdm;
    try {
        dm->conPg.open();
        if (request.command == QLatin1String("card")) {
            const auto card = BuildIpraCard(request.ipra);
            WriteIpraCardPdf(*card, request.output);
        } else {
            writeList(request);
        }
    } catch (const AppError& e) {
        status = 1;
        writeLine(stderr, QStringLiteral("ipra-report: ") + e.message());
    } catch (const std::exception& e) {
        status = 1;
        writeLine(stderr, QStringLiteral("ipra-report: ") + QString::fromLocal8Bit(e.what()));
    }
    delete dm;
    dm = nullptr;
    return status;
}
