#pragma once

#include <QWidget>

class QButtonGroup;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableView;

// The page "Распределение ИПРА " (tsDistribute): the IPRAs by distribution state, the
// holder and representative of the selected one, and the assignment of the responsible
// organisation.
class TDistributePage : public QWidget
{
    Q_OBJECT
public:
    explicit TDistributePage(QWidget* parent = nullptr);

    // The filter: three radio items in one row; the group's ids are the item indexes 0 to 2.
    QGroupBox* rgrpDistIpra;
    QButtonGroup* rgrpDistIpraItems;
    QTableView* dbgDistrIpra;

    QFrame* pDistrIpraInfo;
    QLabel* lDistrIpraNum;
    QLabel* lDistrIpraEndDt;

    QFrame* pDistrIpra;
    QLabel* lPersFio;
    QLabel* lPersBDate;
    QLabel* lPersSnils;
    QPlainTextEdit* mPersDoc;
    QPlainTextEdit* mPersAddr;

    QFrame* pDistRepr;
    QLabel* lReprFio;
    QPlainTextEdit* mReprDoc;

    QFrame* pRespMO;
    QLabel* lSendMo;
    QComboBox* cbRespMOlist;
    QPushButton* bSetRespMo;

    // Binds the grid to its data source; the window calls it once the data module exists.
    void attachDataSources();

    // On-show handler: runs each time the page becomes the displayed page. It loads the
    // list; its body comes with the distribution work.
    void tsDistributeShow();
};
