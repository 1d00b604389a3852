#pragma once

#include <QString>
#include <QStringList>

class QPrinter;
class QWidget;

// The system's print dialog. Like the other dialogs of the program it can be answered in
// advance, so that no test ever blocks on it.
namespace PrintPicker {

// Shows the print dialog for printer (printer, copies, pages); true when the user chose
// to print.
bool choose(QWidget* parent, QPrinter& printer);

// Test support: while answering automatically no dialog is shown; each request is
// recorded in asked() as the printer's document name, and takes the queued answers in
// order (a cancel when none is queued). A "print" answer sends the printer's output to a
// PDF file instead of a printer.
void setAutomatic(bool on);
bool automatic();
void setNextPrintToFile(const QString& path);
void setNextCancel();
QStringList asked();
void clearAsked();

} // namespace PrintPicker
