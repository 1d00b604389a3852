#include "import/importrun.h"

#include "data/tdm.h"
#include "import/iprarecord.h"
#include "import/keymap.h"
#include "import/saveipra.h"
#include "import/xmlflatten.h"
#include "platform/errors.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <utility>

namespace {

const QString SenderNameKey = QStringLiteral("MedSectionSenderMedOrgName");

// The error's message on one line: a driver's message often runs over several, and the
// headless importer's log is read line by line.
QString errorText(const std::exception& error)
{
    const auto* app = dynamic_cast<const AppError*>(&error);
    const QString message = app ? app->message() : QString::fromLocal8Bit(error.what());
    QStringList parts = message.split(QLatin1Char('\n'));
    for (QString& part : parts)
        part = part.trimmed();
    parts.removeAll(QString());
    return parts.join(QLatin1Char(' '));
}

// Refusals that come of another workstation writing the same rows at the same time: a
// unique key that took the other run's row first (23505), a deadlock (40P01), a
// serialization failure (40001). The file's transaction is rolled back by then, and the
// next attempt finds the other run's rows.
bool isRaceWithAnotherRun(const DbError& error)
{
    static const QStringList states = {"23505", "40P01", "40001"};
    return states.contains(error.sqlState());
}

} // namespace

TImportRun::TImportRun(bool& namesMode, Hooks hooks)
    : m_namesMode(namesMode), m_hooks(std::move(hooks))
{
}

QString TImportRun::ImportStartLine() { return QStringLiteral("Загрузка данных в БД..."); }
QString TImportRun::NamesStartLine() { return QStringLiteral("Обновление списка наименований..."); }
QString TImportRun::NoFilesMessage()
{
    return QStringLiteral("Не найдены файлы *.xml! Выберите другую папку.");
}
QString TImportRun::CountText(int number)
{
    return QStringLiteral("Обработано записей - ") + QString::number(number);
}

void TImportRun::log(const QString& line) const
{
    if (m_hooks.log)
        m_hooks.log(line);
}

void TImportRun::processEvents() const
{
    if (m_hooks.processEvents)
        m_hooks.processEvents();
}

template <typename Body>
bool TImportRun::runGuarded(bool names, Body body)
{
    // The events processed between files may start a run again (a handler called twice, the
    // other button): the running one keeps its list, counters and receiver.
    if (m_running)
        return false;
    m_running = true;
    try {
        body();
    } catch (const std::exception& error) {
        const QString what = names ? QStringLiteral("Обновление списка наименований прервано")
                                   : QStringLiteral("Загрузка прервана");
        const QString why = errorText(error);
        log(m_currentFile.isEmpty()
                ? QStringLiteral("%1 из-за ошибки: %2").arg(what, why)
                : QStringLiteral("%1 из-за ошибки в файле %2: %3").arg(what, m_currentFile, why));
        // However the run ended, the next one starts from idle and maps its files.
        FileList.reset();
        m_namesMode = false;
        m_currentFile.clear();
        m_running = false;
        throw;
    }
    m_currentFile.clear();
    m_running = false;
    return true;
}

bool TImportRun::LoadXml()
{
    return runGuarded(false, [this] {
        log(ImportStartLine());
        NewIpraCount = 0;
        ChooseXmlFolder();
        if (FileList) {
            const int total = int(FileList->size());
            if (m_hooks.progress)
                m_hooks.progress(0, total);
            for (int number = 1; number <= total; ++number) {
                importFile(FileList->at(number - 1));
                if (m_hooks.count)
                    m_hooks.count(number);
                if (m_hooks.progress)
                    m_hooks.progress(number, total);
                processEvents();
            }
        }
        log(QStringLiteral("Загружено новых записей - ") + QString::number(NewIpraCount));
        FileList.reset();
    });
}

bool TImportRun::LoadRealNames()
{
    return runGuarded(true, [this] {
        NewNamesCount = 0;
        log(NamesStartLine());
        ChooseXmlFolder();
        m_namesMode = true;
        if (FileList) {
            const int total = int(FileList->size());
            if (m_hooks.progress)
                m_hooks.progress(0, total);
            for (int number = 1; number <= total; ++number) {
                // The pane names the file about to be read, not the one just finished.
                if (m_hooks.count)
                    m_hooks.count(number);
                processEvents();
                collectFile(FileList->at(number - 1));
                if (m_hooks.progress)
                    m_hooks.progress(number, total);
            }
        }
        m_namesMode = false;
        log(QStringLiteral("Загружено новых наименований - ") + QString::number(NewNamesCount));
        FileList.reset();
    });
}

void TImportRun::ChooseXmlFolder()
{
    const QString folder = m_hooks.pickFolder ? m_hooks.pickFolder() : QString();
    if (folder.isEmpty())
        return; // cancelled: FileList stays absent
    FileList = QStringList();
    ListXmlFiles(folder);
    if (FileList->isEmpty() && m_hooks.message)
        m_hooks.message(NoFilesMessage());
}

void TImportRun::ListXmlFiles(const QString& folder)
{
    if (!FileList)
        FileList = QStringList();
    // Regular files only, hidden ones included, in the order the file system gives them.
    // Folders are not searched: a folder named "x.xml" is not a file to read, and
    // sub-folders of an exchange folder are where old deliveries are put away.
    QDirIterator entries(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    const QDir dir(folder);
    while (entries.hasNext()) {
        entries.next();
        const QString name = entries.fileName();
        if (name.endsWith(QLatin1String(".xml"), Qt::CaseSensitive) && entries.fileInfo().isFile()) {
            const QString path = QDir::toNativeSeparators(dir.filePath(name));
            FileList->append(path);
            log(path);
        }
        processEvents();
    }
}

void TImportRun::reject(const QString& path, const QString& reason)
{
    log(QStringLiteral("Файл не загружен: %1 - %2").arg(path, reason));
    if (m_hooks.rejected)
        m_hooks.rejected(path, reason);
}

// The receiver of the walk is chosen by the names flag, once per file: nothing processes
// events inside a walk, so nothing could switch it halfway anyway.
static IpraLoadResult loadFile(const QString& path, TPRG& record, bool names, TImportRun& run)
{
    IpraMapper mapper(record);
    return LoadIpraFile(path, [&](const QString& key, const QString& value) {
        if (names)
            run.CollectSenderName(key, value);
        else
            mapper.MapIpraValue(key, value);
    });
}

template <typename Body>
void TImportRun::tryFile(const QString& path, Body body)
{
    m_currentFile = path;
    for (bool again = false;; again = true) {
        try {
            body();
            break;
        } catch (const ConnectionLostError& lost) {
            if (again)
                throw;
            // The file's transaction is gone with the connection; the file is read and
            // saved anew once the server answers again.
            log(QStringLiteral("%1 Файл %2 будет обработан повторно, когда связь восстановится.")
                    .arg(errorText(lost), path));
            waitForConnection();
        } catch (const DbError& error) {
            if (again || !isRaceWithAnotherRun(error))
                throw;
        }
    }
    m_currentFile.clear();
}

void TImportRun::waitForConnection()
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        try {
            dm->conPg.reopen();
            log(QStringLiteral("Связь с базой данных восстановлена"));
            return;
        } catch (const ConnectionLostError&) {
            if (waited.elapsed() >= m_reconnectWait)
                throw;
        }
        // A pause between attempts; the window stays alive meanwhile.
        for (int i = 0; i < 20; ++i) {
            processEvents();
            QThread::msleep(50);
        }
    }
}

void TImportRun::importFile(const QString& path)
{
    tryFile(path, [&] {
        TPRG record;
        const IpraLoadResult result = loadFile(path, record, m_namesMode, *this);
        if (!result.ok) {
            reject(path, result.reason);
        } else if (record.mseid.trimmed().isEmpty()) {
            // Saved under an empty (or blank) identifier, every such file would land on the
            // same IPRA and overwrite another person's rows.
            reject(path, QStringLiteral("В файле нет идентификатора ИПРА (элемент Id), файл не сохранён"));
        } else {
            // The notes go to the log once the file is stored: an attempt that fails and is
            // tried again would repeat them.
            QStringList notes;
            SaveIpra(record, NewIpraCount, [&](const QString& line) {
                notes << QStringLiteral("%1: %2").arg(path, line.trimmed());
            });
            for (const QString& note : std::as_const(notes))
                log(note);
            if (m_hooks.imported)
                m_hooks.imported(path);
        }
    });
}

void TImportRun::collectFile(const QString& path)
{
    tryFile(path, [&] {
        TPRG record;
        const IpraLoadResult result = loadFile(path, record, m_namesMode, *this);
        if (!result.ok)
            reject(path, result.reason);
    });
}

void TImportRun::CollectSenderName(const QString& key, const QString& value)
{
    if (key != SenderNameKey)
        return;
    SqlQuery* find = dm->adoqFindRName;
    find->close();
    find->setString(QStringLiteral("rname"), value);
    bool known = false;
    try {
        find->open();
        known = !find->eof();
    } catch (...) {
        find->close();
        throw;
    }
    find->close();
    if (known)
        return;
    dm->adocRNameIns->setString(QStringLiteral("rname"), value);
    dm->adocRNameIns->execute();
    // Counted once stored: a file tried again after a refused insert finds the name then.
    ++NewNamesCount;
}
