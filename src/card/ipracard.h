#pragma once

#include <QString>

#include <memory>

class QTextDocument;

// The card of one IPRA, for the file and for paper: its number, dates and protocol, the
// holder and the representative with their documents and addresses, the sending and the
// responsible organisation, and every event group with its period and its event records.
// Read from the register through the data module; needs a QGuiApplication (fonts).

// Builds the card as a document; a database error, or an IPRA the register does not
// hold, is thrown.
std::unique_ptr<QTextDocument> BuildIpraCard(qint32 prgId);

// Writes the card to a PDF file (A4, its fonts embedded). The file appears whole or not at
// all; an existing file of that name is replaced. Throws AppError with a Russian text when
// it cannot be written.
void WriteIpraCardPdf(QTextDocument& card, const QString& path);

// The card's file name for an IPRA number: "Карта ИПРА <number>.pdf", with the characters
// file names cannot hold replaced by "_"; the IPRA's id stands in for an empty number.
QString IpraCardFileName(const QString& prgnum, qint32 prgId);
