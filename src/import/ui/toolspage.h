#pragma once

#include <QWidget>

#include <memory>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class TImportRun;

// The page "Импорт данных в БД" (tsTools): the import of IPRA files and the refresh of
// the sender organisation names, with the run log. It has no on-show handler.
class TToolsPage : public QWidget
{
    Q_OBJECT
public:
    explicit TToolsPage(QWidget* parent = nullptr);
    ~TToolsPage() override;

    QPushButton* bLoadRealNames;
    QPushButton* bLoadXML;
    // The run log: lines are only ever appended; the user may type in it too.
    QPlainTextEdit* Memo;
    QStatusBar* stbrTools;
    QLabel* stpnLoadCount;
    // Beside the pane: files finished out of files listed in the current run.
    QProgressBar* pbLoadProgress;

    // The window's flag that chooses the receiver of the XML walk (TfMain::NamesMode).
    // Until it is given the page keeps a flag of its own.
    void bindNamesMode(bool& namesMode);

    // The import run: folder, files, each loaded and saved, summary; then the
    // distribution list is read again.
    void bLoadXMLClick();
    // The refresh of the sender organisation names from a folder of IPRA files.
    void bLoadRealNamesClick();

    // Appends one line to the run log, also an empty one (the main window writes its
    // connection line this way too).
    void AppendLog(const QString& line);

    // The run behind both buttons; its FileList is absent between runs.
    const TImportRun& importRun() const { return *m_run; }

private:
    template <typename Body>
    void runLocked(Body body);

    bool m_ownNamesMode = false;
    bool m_logWritten = false;
    std::unique_ptr<TImportRun> m_run;
};
