#pragma once

#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <optional>

class QFrame;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;

// The page "Список исполнителей" (tsExecutors): the directory of executing organisations
// with its edit panel. Only role levels 8 and above may change the directory.
class TExecutorsPage : public QWidget
{
    Q_OBJECT
public:
    explicit TExecutorsPage(QWidget* parent = nullptr);

    QTableView* dbgExecs;
    QFrame* pExec;
    QPlainTextEdit* mExFName;
    QPlainTextEdit* mExShName;
    QLineEdit* eExInn;
    QLineEdit* eExOgrn;
    QPushButton* bExSave;
    QPushButton* bExCancel;
    QPushButton* bExDel;
    QPushButton* bExecsExport; // "Выгрузить…": the directory, as the grid shows it

    // The organisation loaded into the panel; 0 while the panel holds a new one.
    int32_t EditedExecutorId = 0;

    // Binds the grid to its data source; the window calls it once the data module exists.
    void attachDataSources();

    // On-show handler: opens the list if needed, applies the level rule through a load of
    // the current row, then empties the panel.
    void tsExecutorsShow();
    // A click on a column title: "№" sorts by id, "Наименование" by name, others nothing.
    void dbgExecsTitleClick(int column);
    // Loads the list's current row into the panel and applies the level rule.
    void dbgExecsDblClick();
    // The field rule: save needs all four boxes filled; its caption tells add from update.
    void mExFNameChange();
    // Back to a new, empty organisation.
    void ResetExecutorPanel();
    void bExSaveClick();
    void bExCancelClick();
    // Deletes the list's current row (not the one in the panel), unless it is in use.
    void bExDelClick();
    void bExecsExportClick();

private:
    bool mayChange() const;
    void applyLevelRule();
    // Re-runs the list and the executor lookup list, staying on the row that was current.
    void refreshKeepingPlace();
    // What holds an organisation in the register, as the refusal of its deletion names it;
    // empty when nothing does.
    static QStringList usesOf(int32_t id);
    // The version of an organisation's row as the list read it; none when not listed.
    std::optional<qint64> listedVersion(int32_t id) const;

    // The version of the organisation loaded into the panel, as the list read it.
    qint64 m_editedVersion = 0;
};
