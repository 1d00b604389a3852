#pragma once

#include <QString>

#include <functional>
#include <optional>

class QPushButton;
class QWidget;

// The IPRA a card is made for: its id and its number (for the file's name).
struct CardTarget
{
    qint32 id = 0;
    QString prgnum;
};

// Turns button into "Карта ИПРА…" with a small menu: "Сохранить в PDF…" (objectName
// aCardPdf) and "Печать…" (aCardPrint), both for the IPRA that current() names when they
// are chosen. The page keeps the button disabled while no IPRA is shown.
void AttachCardMenu(QPushButton* button, std::function<std::optional<CardTarget>()> current);

// Asks where to save (the file named after the IPRA number) and writes the card as PDF.
void SaveIpraCard(QWidget* parent, const CardTarget& ipra);
// Shows the system's print dialog and prints the card on the printer chosen.
void PrintIpraCard(QWidget* parent, const CardTarget& ipra);
