#include "card/ipracard.h"

#include "data/addresstypes.h"
#include "data/tdm.h"
#include "execution/core/eventrules.h"
#include "import/iprarecord.h"
#include "import/loadipra.h"
#include "platform/dates.h"
#include "platform/errors.h"

#include <QDir>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextDocument>

#include <map>
#include <vector>

namespace {

struct Record
{
    int typeId = 0;
    int subtypeId = 0;
    QString subtype;
    QString name;
    QString executor;
    DateValue date = Dates::NoDate;
    QString result;
    QString note;
    int state = 0;
};

// The directory's name when the record points into a directory that still has it,
// otherwise the text stored with the record.
QString directoryOr(const SqlQuery& q, const char* id, const char* directoryName, const char* own)
{
    const QString name = QString::fromLatin1(directoryName);
    if (StoredValue::integer(q, QString::fromLatin1(id)) > 0 && !q.isNull(name))
        return q.asString(name).trimmed();
    return StoredValue::text(q, QString::fromLatin1(own)).trimmed();
}

std::vector<Record> loadRecords(qint32 prgId)
{
    SqlQuery& q = *dm->adoqCardEvents;
    q.close();
    q.setInteger(QStringLiteral("prgid"), prgId);
    std::vector<Record> records;
    try {
        q.open();
        for (q.first(); !q.eof(); q.next()) {
            Record r;
            r.typeId = StoredValue::integer(q, QStringLiteral("typeid"));
            r.subtypeId = StoredValue::integer(q, QStringLiteral("stypeid"));
            r.subtype = StoredValue::text(q, QStringLiteral("stype_name")).trimmed();
            r.name = directoryOr(q, "dicid", "dic_name", "name");
            r.executor = directoryOr(q, "exid", "ex_name", "exname");
            r.date = StoredValue::date(q, QStringLiteral("dt"));
            r.result = directoryOr(q, "resid", "res_name", "resdesc");
            r.note = StoredValue::text(q, QStringLiteral("note"));
            r.state = StoredValue::integer(q, QStringLiteral("state"));
            records.push_back(std::move(r));
        }
    } catch (...) {
        q.close();
        throw;
    }
    q.close();
    return records;
}

QString esc(const QString& text)
{
    return text.toHtmlEscaped();
}

QString dateText(DateValue value)
{
    return Dates::isNoDate(value) ? QString() : Dates::format(value);
}

// A caption and its value as one line of a two-column table.
QString field(const QString& caption, const QString& value)
{
    return QStringLiteral("<tr><td class=\"caption\" width=\"34%\">%1</td><td>%2</td></tr>")
        .arg(esc(caption), esc(value));
}

QString fullName(const QString& last, const QString& first, const QString& second)
{
    return QStringList{last.trimmed(), first.trimmed(), second.trimmed()}.join(QLatin1Char(' ')).trimmed();
}

QString personFields(const TPerson& person)
{
    QString html;
    for (const DocRef& doc : person.docs) {
        html += field(QStringLiteral("Документ"), doc->title);
        html += field(QStringLiteral("Серия, номер"), doc->series + QLatin1Char(' ') + doc->numb);
        html += field(QStringLiteral("Выдан"), doc->issuer);
        html += field(QStringLiteral("Дата выдачи"), dateText(doc->issuedt));
    }
    for (const AddressRef& address : person.addrs) {
        html += field(AddressTypeCaption(address->atype), address->afull);
        html += field(QStringLiteral("Телефон"), address->phone);
    }
    return html;
}

QString table(const QString& rows)
{
    return QStringLiteral("<table class=\"fields\" width=\"100%\" cellspacing=\"0\" cellpadding=\"2\">") + rows +
           QStringLiteral("</table>");
}

QString groupHtml(const QString& caption, const QString& period, const std::vector<const Record*>& records)
{
    QString html = QStringLiteral("<h3>%1</h3>").arg(esc(caption));
    if (!period.isEmpty())
        html += QStringLiteral("<p>Период исполнения: %1</p>").arg(esc(period));
    if (records.empty())
        return html + QStringLiteral("<p>Мероприятия не внесены.</p>");
    // Widths for the usual lengths of each column, so that no word is broken in two.
    html += QStringLiteral("<table class=\"records\" width=\"100%\" border=\"1\" cellspacing=\"0\" "
                           "cellpadding=\"3\"><tr><th width=\"25%\">Мероприятие</th>"
                           "<th width=\"18%\">Исполнитель</th><th width=\"15%\">Дата выполнения</th>"
                           "<th width=\"13%\">Результат</th><th width=\"15%\">Примечание</th>"
                           "<th width=\"14%\">Состояние</th></tr>");
    int subtype = -1;
    for (const Record* r : records) {
        if (r->subtypeId > 0 && r->subtypeId != subtype)
            html += QStringLiteral("<tr><td colspan=\"6\"><i>%1</i></td></tr>")
                        .arg(esc(r->subtype.isEmpty() ? QStringLiteral("Подтип %1").arg(r->subtypeId)
                                                      : r->subtype));
        subtype = r->subtypeId;
        html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td><td>%6</td></tr>")
                    .arg(esc(r->name), esc(r->executor), esc(dateText(r->date)), esc(r->result),
                         esc(r->note), esc(EventStateText(r->state)));
    }
    return html + QStringLiteral("</table>");
}

} // namespace

std::unique_ptr<QTextDocument> BuildIpraCard(qint32 prgId)
{
    if (!dm)
        throw DbError(QStringLiteral("Модуль данных не создан"));
    SqlQuery& row = *dm->adoqCardIpra;
    row.close();
    row.setInteger(QStringLiteral("id"), prgId);
    QString sender, responsible, endText;
    int state = 0;
    try {
        row.open();
        if (row.eof())
            throw DbError(QStringLiteral("ИПРА с кодом %1 не найдена").arg(prgId));
        // The directory name the sender was matched to, as the lists show it.
        sender = StoredValue::text(row, row.isNull(QStringLiteral("ch_send_mo")) ? QStringLiteral("send_mo")
                                                                                  : QStringLiteral("ch_send_mo"))
                     .trimmed();
        responsible = StoredValue::text(row, QStringLiteral("resp_mo")).trimmed();
        endText = StoredValue::text(row, QStringLiteral("strenddt"));
        state = StoredValue::integer(row, QStringLiteral("state"));
    } catch (...) {
        row.close();
        throw;
    }
    row.close();
    if (endText == QLatin1String("01.01.0001"))
        endText = QStringLiteral("бессрочно");

    TPRG prg;
    prg.LoadIpra(prgId);
    const std::vector<Record> records = loadRecords(prgId);

    QString html = QStringLiteral(
        "<html><head><style>"
        "h1 { font-size: 15pt; } h2 { font-size: 12pt; margin-top: 12px; }"
        "h3 { font-size: 11pt; margin-top: 8px; } td.caption { color: #444444; padding-right: 12px; }"
        "table.records { font-size: 8.5pt; } table.records th { background-color: #e8e8e8; }"
        "</style></head><body>");
    html += QStringLiteral("<h1>Карта ИПРА № %1</h1>").arg(esc(prg.prgnum));
    html += table(field(QStringLiteral("№ ИПРА"), prg.prgnum) +
                  field(QStringLiteral("Дата разработки"), dateText(prg.prgdt)) +
                  field(QStringLiteral("Дата выдачи"), dateText(prg.dt)) +
                  field(QStringLiteral("Срок до"), endText) +
                  field(QStringLiteral("№ протокола"), prg.docnum) +
                  field(QStringLiteral("Дата протокола"), dateText(prg.docdt)) +
                  field(QStringLiteral("Состояние"), IpraStateText(state)));

    html += QStringLiteral("<h2>Владелец ИПРА</h2>");
    QString holder = field(QStringLiteral("ФИО"), fullName(prg.lname, prg.fname, prg.sname)) +
                     field(QStringLiteral("Дата рождения"), dateText(prg.bdate)) +
                     field(QStringLiteral("СНИЛС"), prg.snils);
    if (prg.holder)
        holder += personFields(*prg.holder);
    html += table(holder);

    html += QStringLiteral("<h2>Представитель</h2>");
    if (prg.repr)
        html += table(field(QStringLiteral("ФИО"), fullName(prg.repr->lname, prg.repr->fname, prg.repr->sname)) +
                      personFields(*prg.repr));
    else
        html += QStringLiteral("<p>Нет</p>");

    html += QStringLiteral("<h2>Организации</h2>");
    html += table(field(QStringLiteral("Направившая организация"), sender) +
                  field(QStringLiteral("Ответственная организация"),
                        responsible.isEmpty() ? QStringLiteral("не назначена") : responsible));

    html += QStringLiteral("<h2>Мероприятия</h2>");
    // The groups in the order of the tabs; records of a type the IPRA has no group for
    // (written by hand into the register) are not left out.
    std::map<int, std::vector<const Record*>> byType;
    for (const Record& r : records)
        byType[r.typeId].push_back(&r);
    for (const auto& group : prg.events) {
        html += groupHtml(EventGroupType::tabCaption(group->typeid_),
                          EventPeriodText(group->pfrom, group->pto), byType[group->typeid_]);
        byType.erase(group->typeid_);
    }
    for (const auto& [type, typed] : byType) {
        const QString caption = EventGroupType::tabCaption(type);
        html += groupHtml(caption.isEmpty() ? QStringLiteral("Мероприятия типа %1").arg(type) : caption,
                          QString(), typed);
    }
    if (prg.events.empty() && records.empty())
        html += QStringLiteral("<p>Нет</p>");

    html += QStringLiteral("<p><small>Карта сформирована %1</small></p></body></html>")
                .arg(Dates::format(Dates::today()));

    auto card = std::make_unique<QTextDocument>();
    QFont font;
    // A font with Russian letters on every workstation; the PDF embeds the one it finds.
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Arial"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Noto Sans")});
    font.setPointSizeF(9.5);
    card->setDefaultFont(font);
    card->setMetaInformation(QTextDocument::DocumentTitle,
                             QStringLiteral("Карта ИПРА № %1").arg(prg.prgnum));
    card->setHtml(html);
    return card;
}

void WriteIpraCardPdf(QTextDocument& card, const QString& path)
{
    const auto failure = [&](const QString& reason) {
        return AppError(QStringLiteral("Не удалось записать файл «%1»: %2")
                            .arg(QDir::toNativeSeparators(path), reason));
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw failure(file.errorString());
    {
        QPdfWriter writer(&file);
        writer.setTitle(card.metaInformation(QTextDocument::DocumentTitle));
        writer.setCreator(QStringLiteral("ИПРА"));
        // No margins of the writer's own: the document keeps 2 cm on every side and puts
        // the page numbers into the bottom one.
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        writer.setResolution(300);
        card.print(&writer);
    }
    if (file.error() != QFileDevice::NoError || file.size() == 0 || !file.commit())
        throw failure(file.errorString());
}

QString IpraCardFileName(const QString& prgnum, qint32 prgId)
{
    QString number = prgnum.trimmed();
    if (number.isEmpty())
        number = QString::number(prgId);
    // What Windows and Linux file names cannot hold, and control characters.
    static const QRegularExpression forbidden(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]"));
    number.replace(forbidden, QStringLiteral("_"));
    return QStringLiteral("Карта ИПРА %1.pdf").arg(number);
}
