#include "platform/ui/messagebox.h"

#include <QApplication>
#include <QMessageBox>
#include <QQueue>

namespace Msg {
namespace {

bool g_automatic = false;
QQueue<Answer> g_answers;
QStringList g_shown;

QString caption()
{
    const QString title = QGuiApplication::applicationDisplayName();
    return title.isEmpty() ? QStringLiteral("ИПРА") : title;
}

} // namespace

void error(QWidget* parent, const QString& text)
{
    if (g_automatic) {
        g_shown << QStringLiteral("error: ") + text;
        return;
    }
    QMessageBox::critical(parent, caption(), text, QMessageBox::Ok);
}

void information(QWidget* parent, const QString& text)
{
    if (g_automatic) {
        g_shown << QStringLiteral("info: ") + text;
        return;
    }
    QMessageBox::information(parent, caption(), text, QMessageBox::Ok);
}

Answer question(QWidget* parent, const QString& text)
{
    if (g_automatic) {
        g_shown << QStringLiteral("question: ") + text;
        return g_answers.isEmpty() ? No : g_answers.dequeue();
    }
    const auto button = QMessageBox::question(parent, caption(), text,
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return button == QMessageBox::Yes ? Yes : No;
}

void setAutomatic(bool on)
{
    g_automatic = on;
    g_answers.clear();
}

bool automatic() { return g_automatic; }
void setNextAnswer(Answer answer) { g_answers.enqueue(answer); }
QStringList shown() { return g_shown; }
void clearShown() { g_shown.clear(); }

} // namespace Msg
