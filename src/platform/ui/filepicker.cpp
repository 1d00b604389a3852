#include "platform/ui/filepicker.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QQueue>
#include <QRegularExpression>
#include <QStandardPaths>

namespace FilePicker {
namespace {

struct Answer
{
    QString path; // null: a cancel
    int filter = 0;
};

bool g_automatic = false;
QQueue<Answer> g_answers;
QStringList g_asked;
QString g_lastFolder;

// The suffixes a filter offers: "Книга Excel (*.xlsx)" gives "xlsx".
QStringList suffixes(const QString& filter)
{
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    QStringList found;
    for (auto it = pattern.globalMatch(filter); it.hasNext();)
        found << it.next().captured(1).toLower();
    return found;
}

QString withSuffix(const QString& path, const QStringList& filters, int chosen)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (const QString& filter : filters)
        if (suffixes(filter).contains(suffix))
            return path;
    const QStringList own = chosen >= 0 && chosen < filters.size() ? suffixes(filters.at(chosen))
                                                                   : QStringList();
    return own.isEmpty() ? path : path + QLatin1Char('.') + own.first();
}

QString startFolder()
{
    if (!g_lastFolder.isEmpty() && QFileInfo(g_lastFolder).isDir())
        return g_lastFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

} // namespace

QString saveFile(QWidget* parent, const QString& caption, const QString& suggestedName,
                 const QStringList& filters)
{
    QString path;
    int chosen = 0;
    if (g_automatic) {
        g_asked << caption + QStringLiteral(": ") + suggestedName;
        if (g_answers.isEmpty())
            return QString();
        const Answer answer = g_answers.dequeue();
        path = answer.path;
        chosen = answer.filter;
    } else {
        QString selected = filters.value(0);
        // The dialog asks itself before replacing an existing file.
        path = QFileDialog::getSaveFileName(parent, caption,
                                            QDir(startFolder()).filePath(suggestedName),
                                            filters.join(QStringLiteral(";;")), &selected);
        chosen = int(filters.indexOf(selected));
    }
    if (path.isEmpty())
        return QString();
    path = withSuffix(path, filters, chosen);
    g_lastFolder = QFileInfo(path).absolutePath();
    return path;
}

void setAutomatic(bool on)
{
    g_automatic = on;
    g_answers.clear();
}

bool automatic() { return g_automatic; }
void setNextFile(const QString& path, int filter) { g_answers.enqueue({path.isNull() ? QStringLiteral("") : path, filter}); }
void setNextCancel() { g_answers.enqueue({QString(), 0}); }
QStringList asked() { return g_asked; }
void clearAsked() { g_asked.clear(); }

} // namespace FilePicker
