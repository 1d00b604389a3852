#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableView;
class QTableWidget;
class QToolButton;

// The page "Исполнение ИПРА" (tsOrgIpra): the organisation's IPRAs, the clicked IPRA's
// information box and person panels, its event groups on four type pages, and the event
// record editor pEvnt that floats over the page while it is open. Everything but the list
// is hidden until a row of the list is clicked.
class TOrgIpraPage : public QWidget
{
    Q_OBJECT
public:
    explicit TOrgIpraPage(QWidget* parent = nullptr);

    QTableView* dbgOrgIpra;

    QFrame* pOrgIpraInfo;
    QLabel* lDescIpraNum;
    QLabel* lDescDtIpra;
    QLabel* lDescNumProt;
    QLabel* lDescDtProt;
    QLabel* lOrgSendMoDesc;
    QLabel* lOrgSendMO;

    QFrame* pOrgPers;
    QLabel* lOrgPersFio;
    QLabel* lOrgPersBDate;
    QLabel* lOrgPersSnils;
    QPlainTextEdit* mOrgPersDoc;
    QPlainTextEdit* mOrgPersAddr;

    QFrame* pOrgRepr;
    QLabel* lOrgReprFio;
    QPlainTextEdit* mOrgReprDoc;

    // The event types: page index = type code - 2, and 3 for code 99. The numbered
    // controls of a page are also found by name: lTerm, cbSubType, sgEvents + index + 1.
    QFrame* pOrgEvnts;
    QTabWidget* pcEvnts;
    QWidget* tsMedReab;
    QWidget* tsRecHir;
    QWidget* tsProtez;
    QWidget* tsSanCur;
    QLabel* lTerm1;
    QLabel* lTerm2;
    QLabel* lTerm3;
    QLabel* lTerm4;
    QComboBox* cbSubType1;
    QComboBox* cbSubType2;
    QComboBox* cbSubType3;
    QComboBox* cbSubType4;
    QTableWidget* sgEvents1;
    QTableWidget* sgEvents2;
    QTableWidget* sgEvents3;
    QTableWidget* sgEvents4;
    QTableWidget* eventGrid(int number) const; // sgEvents1 to sgEvents4, null otherwise

    // The event record editor, hidden while closed. Its date editor dtEvExDate (with
    // "Сегодня" and "Очистить" and an empty state) comes with the editor itself.
    QFrame* pEvnt;
    QLabel* lEvntDesc;
    QCheckBox* chbEvMan;
    QComboBox* cbEvName;
    QToolButton* spbEvName;
    QCheckBox* chbExMan;
    QComboBox* cbEvExecut;
    QComboBox* cbEvRes;
    QCheckBox* chbResVar;
    QPlainTextEdit* mEvRes;
    QPlainTextEdit* mEvNote;
    QPushButton* bEvCanc;
    QPushButton* bEvSave;
    QPushButton* bEvEnd;
    QPushButton* bEvDel;

    // Binds the list to its data source; the window calls it once the data module exists.
    void attachDataSources();

    // On-show handler: runs each time the page becomes the displayed page, and first of
    // all when the window opens. It loads the list and the results; its body comes with
    // the execution list work.
    void tsOrgIpraShow();

    // The rules of the editor's "Ввести вручную" boxes, run whenever a box's state is set,
    // by the user or by the program (and once when the window opens, both unchecked).
    // Unchecked, the input is a pick-only list of the loaded names; checked, an editable
    // box with the names typed by hand before as suggestions.
    void chbExManClick();
    void chbEvManClick();
    // The executor names typed by hand so far, alphabetically, as the items of cbEvExecut.
    void LoadUsedExecutorNames();
};
