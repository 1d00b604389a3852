#include "platform/ui/folderpicker.h"

#include <QFileDialog>
#include <QQueue>

namespace FolderPicker {
namespace {

bool g_automatic = false;
QQueue<QString> g_answers; // a null text stands for a cancel
QStringList g_asked;

} // namespace

QString choose(QWidget* parent, const QString& caption)
{
    if (g_automatic) {
        g_asked << caption;
        return g_answers.isEmpty() ? QString() : g_answers.dequeue();
    }
    // Only folders of the file system can be chosen; no initial folder is given.
    const QString folder = QFileDialog::getExistingDirectory(
        parent, caption, QString(), QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    return folder.isEmpty() ? QString() : folder;
}

void setAutomatic(bool on)
{
    g_automatic = on;
    g_answers.clear();
}

bool automatic() { return g_automatic; }
void setNextFolder(const QString& folder) { g_answers.enqueue(folder.isNull() ? QStringLiteral("") : folder); }
void setNextCancel() { g_answers.enqueue(QString()); }
QStringList asked() { return g_asked; }
void clearAsked() { g_asked.clear(); }

} // namespace FolderPicker
