#include "card/ui/cardactions.h"

#include "card/ipracard.h"
#include "platform/errors.h"
#include "platform/handlers.h"
#include "platform/ui/filepicker.h"
#include "platform/ui/printpicker.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPageSize>
#include <QPrinter>
#include <QPushButton>
#include <QTextDocument>

namespace {

struct BusyCursor
{
    BusyCursor() { QApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

void AttachCardMenu(QPushButton* button, std::function<std::optional<CardTarget>()> current)
{
    // Saving and printing are the two things done with a card; a menu on the one button
    // keeps the page's row short.
    auto* menu = new QMenu(button);
    QAction* pdf = menu->addAction(QStringLiteral("Сохранить в PDF…"));
    pdf->setObjectName(QStringLiteral("aCardPdf"));
    QAction* print = menu->addAction(QStringLiteral("Печать…"));
    print->setObjectName(QStringLiteral("aCardPrint"));
    button->setMenu(menu);
    ConnectHandler(pdf, &QAction::triggered, button, [button, current] {
        if (const auto ipra = current())
            SaveIpraCard(button->window(), *ipra);
    });
    ConnectHandler(print, &QAction::triggered, button, [button, current] {
        if (const auto ipra = current())
            PrintIpraCard(button->window(), *ipra);
    });
}

void SaveIpraCard(QWidget* parent, const CardTarget& ipra)
{
    const QString path = FilePicker::saveFile(parent, QStringLiteral("Сохранить карту ИПРА"),
                                              IpraCardFileName(ipra.prgnum, ipra.id),
                                              {QStringLiteral("Документ PDF (*.pdf)")});
    if (path.isNull())
        return;
    const BusyCursor cursor;
    const auto card = BuildIpraCard(ipra.id);
    WriteIpraCardPdf(*card, path);
}

void PrintIpraCard(QWidget* parent, const CardTarget& ipra)
{
    std::unique_ptr<QTextDocument> card;
    {
        const BusyCursor cursor;
        card = BuildIpraCard(ipra.id);
    }
    QPrinter printer(QPrinter::HighResolution);
    QString name = IpraCardFileName(ipra.prgnum, ipra.id);
    name.chop(4); // ".pdf": the print queue shows the card's name
    printer.setDocName(name);
    printer.setPageSize(QPageSize(QPageSize::A4));
    if (!PrintPicker::choose(parent, printer))
        return;
    const BusyCursor cursor;
    card->print(&printer);
    if (printer.printerState() == QPrinter::Error)
        throw AppError(QStringLiteral("Не удалось напечатать карту ИПРА"));
}
