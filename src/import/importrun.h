#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The two long runs of the import page, free of widgets so that the page and the headless
// importer (tools/ipra-import) run the very same steps:
//   LoadXml        every IPRA file of a folder is read, mapped and saved, one after another;
//   LoadRealNames  the sender organisation names of a folder's files are collected into
//                  k_mo_names.
// What the user sees (the log, the running count, the boxes, the folder picker) comes
// through the hooks; a hook left empty is skipped.
//
// Failures: a file the parser refuses, and a file without an IPRA identifier, are reported
// through `rejected` and the log, and the run goes on. A conversion or database error stops
// the run: the log gets a line saying so and why, the run's state is reset (FileList
// released, NamesMode false) and the error goes on to the caller.
//
// Two cases get the file tried once more (read and saved anew) before they stop the run:
// - the connection broke: the file's transaction is gone with it; the log says so, the
//   run waits for the server (reconnectWait(), events processed meanwhile) and goes on
//   with the same file; a server that stays away stops the run, the log line naming the
//   file;
// - another run (another workstation's import or names refresh) stored the same IPRA or
//   name at the same moment, and the unique key refused ours (or the two deadlocked): the
//   file's transaction is rolled back, and the next attempt finds the other run's rows.
class TImportRun
{
public:
    struct Hooks
    {
        // Asks for the folder to read; a null text when the user cancelled.
        std::function<QString()> pickFolder;
        // One line appended to the run log.
        std::function<void(const QString& line)> log;
        // A plain message for the user ("no XML files found").
        std::function<void(const QString& text)> message;
        // A file that was not loaded, and why (the parser's reason as it comes).
        std::function<void(const QString& path, const QString& reason)> rejected;
        // A file of the import whose transaction has committed.
        std::function<void(const QString& path)> imported;
        // The running count of the status pane: files done (import) or the number of the
        // file about to be read (names refresh).
        std::function<void(int number)> count;
        // Files finished out of files listed, after each file (and 0 of N before the first).
        std::function<void(int done, int total)> progress;
        // Lets the user interface breathe between directory entries and between files;
        // never called while a file is being read or saved.
        std::function<void()> processEvents;
    };

    // `namesMode` is the flag that chooses the receiver of the walk (the main window's
    // NamesMode); the run sets it for the refresh and clears it again however it ends.
    TImportRun(bool& namesMode, Hooks hooks);
    TImportRun(const TImportRun&) = delete;
    TImportRun& operator=(const TImportRun&) = delete;

    // The import run: "Загрузка данных в БД...", the folder, its files, each loaded and
    // saved, and the summary of new IPRAs. A second call while a run is under way (from an
    // event processed between files) does nothing and returns false.
    bool LoadXml();
    // The names refresh: "Обновление списка наименований...", the folder, its files, each
    // walked for the sender name, and the summary of new names. Same re-entry rule.
    bool LoadRealNames();

    // Asks for a folder and lists its XML files into FileList (absent when cancelled);
    // tells the user when the folder holds none.
    void ChooseXmlFolder();
    // Appends the regular files of folder whose names end in ".xml" (that case exactly;
    // ".XML" does not match) to FileList and each path to the log, in the order the file
    // system gives them. Sub-folders are neither listed nor searched.
    void ListXmlFiles(const QString& folder);

    // The walk's receiver in the names refresh: a sender name not yet in k_mo_names is
    // inserted and counted in NewNamesCount.
    void CollectSenderName(const QString& key, const QString& value);

    bool running() const { return m_running; }

    // How long a run waits for the server after a broken connection, in milliseconds.
    int reconnectWait() const { return m_reconnectWait; }
    void setReconnectWait(int milliseconds) { m_reconnectWait = milliseconds; }

    // The files of the current run; absent between runs.
    std::optional<QStringList> FileList;
    int NewIpraCount = 0;
    int NewNamesCount = 0;

    static QString ImportStartLine();        // "Загрузка данных в БД..."
    static QString NamesStartLine();         // "Обновление списка наименований..."
    static QString NoFilesMessage();         // "Не найдены файлы *.xml! Выберите другую папку."
    static QString CountText(int number);    // "Обработано записей - N"

private:
    void importFile(const QString& path);
    void collectFile(const QString& path);
    template <typename Body>
    void tryFile(const QString& path, Body body);
    void waitForConnection();
    void reject(const QString& path, const QString& reason);
    template <typename Body>
    bool runGuarded(bool names, Body body);

    void log(const QString& line) const;
    void processEvents() const;

    bool& m_namesMode;
    Hooks m_hooks;
    bool m_running = false;
    // Long enough for a server restart, crash recovery of a small register included.
    int m_reconnectWait = 30000;
    QString m_currentFile; // the file being read, for the line that says where a run stopped
};
