#include "platform/ui/printpicker.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QQueue>

namespace PrintPicker {
namespace {

bool g_automatic = false;
QQueue<QString> g_answers; // a null text stands for a cancel
QStringList g_asked;

} // namespace

bool choose(QWidget* parent, QPrinter& printer)
{
    if (g_automatic) {
        g_asked << printer.docName();
        const QString file = g_answers.isEmpty() ? QString() : g_answers.dequeue();
        if (file.isNull())
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        return true;
    }
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Печать"));
    return dialog.exec() == QDialog::Accepted;
}

void setAutomatic(bool on)
{
    g_automatic = on;
    g_answers.clear();
}

bool automatic() { return g_automatic; }
void setNextPrintToFile(const QString& path) { g_answers.enqueue(path.isNull() ? QStringLiteral("") : path); }
void setNextCancel() { g_answers.enqueue(QString()); }
QStringList asked() { return g_asked; }
void clearAsked() { g_asked.clear(); }

} // namespace PrintPicker
