#pragma once

#include <QWidget>

class QFrame;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;

// The page "Список исполнителей" (tsExecutors): the directory of executing organisations
// with its edit panel.
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

    // Binds the grid to its data source; the window calls it once the data module exists.
    void attachDataSources();

    // On-show handler: runs each time the page becomes the displayed page. It loads the
    // directory; its body comes with the executors directory work.
    void tsExecutorsShow();
};
