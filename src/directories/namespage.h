#pragma once

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

    // Binds the grids to their data sources; the window calls it once the data module exists.
    void attachDataSources();

    // On-show handler: runs each time the page becomes the displayed page. It loads the
    // page's lists; its body comes with the names matching work.
    void tsNamesShow();
};
