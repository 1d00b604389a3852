#pragma once

#include "platform/handlers.h"

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableView;

// The page "Названия организаций" (tsNames): the sender names not yet matched, and the
// directory of organisations they are matched to.
class TNamesPage : public QWidget
{
    Q_OBJECT
public:
    explicit TNamesPage(QWidget* parent = nullptr);

    QLabel* lEmpTNames;
    QLabel* lEmpTnamesCount;
    QTableView* dbgEmpTNames;
    QPlainTextEdit* dbmRName;
    QPushButton* bSetEvalName;
    QLabel* lDescDictNames;
    QTableView* dbgRnames;
    QPlainTextEdit* dbmTName;
    QPushButton* bSetTName;
    QPushButton* bNamesExport; // "Выгрузить…": the unmatched sender names, as the grid shows them

    // Binds the grids and the two text boxes to their data sources; the window calls it
    // once the data module exists.
    void attachDataSources();

    // On-show handler: re-runs the directory and the unmatched names and shows their count.
    void tsNamesShow();
    // Accepts the selected unmatched name into the directory unchanged (number 0).
    void bSetEvalNameClick();
    // Matches the selected unmatched name to the selected directory entry.
    void bSetTNameClick();
    void bNamesExportClick();

private:
    void showCurrentRName();
    void showCurrentTName();
    void showUnmatchedCount();

    HandlerLinks m_sourceLinks;
};
