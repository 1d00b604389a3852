#pragma once

#include "data/lookuplists.h"
#include "import/iprarecord.h"

#include <QStyle>
#include <QVector>
#include <QWidget>

#include <memory>
#include <optional>

class QCheckBox;
class QModelIndex;
class QPainter;
class QStyleOptionViewItem;
class TColourTabBar;
class TDateEdit;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableView;
class QTableWidget;
class QToolButton;
class TListSearch;

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

    // The row above the list: its search line with the status of the search, the export
    // of the list and the card of the IPRA shown.
    QLineEdit* eOrgSearch;
    QLabel* lOrgSearchState;
    QPushButton* bOrgExport;
    QPushButton* bOrgCard;
    TListSearch* OrgSearch = nullptr; // made with the data sources

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
    QLabel* termLabel(int number) const;       // lTerm1 to lTerm4
    QComboBox* subtypeBox(int number) const;   // cbSubType1 to cbSubType4
    TColourTabBar* eventTabBar() const;

    // The event record editor, hidden while closed.
    QFrame* pEvnt;
    QLabel* lEvntDesc;
    QCheckBox* chbEvMan;
    QComboBox* cbEvName;
    QToolButton* spbEvName;
    TDateEdit* dtEvExDate;
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
    // all when the window opens: the list again for the role level, the grids' header
    // row, the result lists.
    void tsOrgIpraShow();

    // The IPRA list.
    // A click on a row of the list: loads CurrentPrg for the list's current row and shows
    // it in the information box, the person panels and the event types. Nothing happens
    // while the list is empty or the editor is open.
    void dbgOrgIpraCellClick();
    // Paints a data cell of the list in the colours of its row's state, end date and
    // selection (the delegate of dbgOrgIpra calls it for every cell).
    void dbgOrgIpraDrawColumnCell(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index);
    // Entering a memo of the person panels switches the keyboard to Russian.
    void mReprDocEnter();

    // The event types of CurrentPrg.
    // Page index of a type code (2, 3, 4 -> 0, 1, 2; 99 -> 3), -1 for another code; and back.
    static int PageIndexOfType(int typeCode);
    static int TypeOfPageIndex(int pageIndex);
    void SetUpEventTabs();
    void LoadEventSubtypes(int typeCode);
    void FillEventGrid(qint32 prgId, int typeCode);
    void FillEventGridBySubtype(qint32 prgId, int typeCode, qint32 subtypeId);
    // A subtype chosen in the drop-down of a page (shared by cbSubType1 to cbSubType4).
    void cbSubType1Change(QComboBox* box);
    // Paints one cell of an event grid (shared by sgEvents1 to sgEvents4); rows grow to
    // the height of their wrapped text.
    void sgEvents1DrawCell(QTableWidget* grid, int column, int row, const QRect& rect,
                           QStyle::State state, QPainter* painter);
    // A cell of an event grid was selected (shared by the four grids).
    void sgEvents1SelectCell(QTableWidget* grid, int column, int row);

    // Per page, the subtype ids in the order of the page's drop-down. Any number of
    // subtypes, with ids of any size.
    QVector<qint32> SubtypeIds[4];
    // The group being set up, later the group of the record being edited; it belongs
    // to CurrentPrg.
    TEventGroup* CurrentEventGroup = nullptr;

    // The rules of the editor's "Ввести вручную" boxes, run whenever a box's state is set,
    // by the user or by the program (and once when the window opens, both unchecked).
    // Unchecked, the input is a pick-only list of the loaded names; checked, an editable
    // box with the names typed by hand before as suggestions.
    void chbExManClick();
    void chbEvManClick();
    // The executor names typed by hand so far, alphabetically, as the items of cbEvExecut.
    void LoadUsedExecutorNames();

    // The event record editor.
    bool EditorOpen() const;
    // Opens the editor on a record of CurrentPrg (record key 0: a new record of the type
    // and subtype).
    void OpenEventEditor(qint32 recordKey, qint32 prgId, int typeCode, qint32 subtypeId);
    // The names typed by hand so far for the open record's type and subtype, as the
    // items of cbEvName.
    void LoadUsedEventNames();
    // "Другой вариант": the result typed as free text instead of picked.
    void chbResVarClick();
    // The user picks a result (before the change rule); the chosen result changes.
    void cbEvResClick();
    void cbEvResChange();
    // Adds the typed event name to the dictionary.
    void spbEvNameClick();
    // The checks of the execution date against the group's period and the IPRA's date.
    void dtEvExDateChange();
    void SetEventEditorEnabled(bool enabled);
    // Whether the fields that closing needs are filled.
    bool EventFieldsComplete() const;
    void bEvSaveClick();
    void bEvEndClick();
    void bEvCancClick();
    void bEvDelClick();

    // "Выгрузить…": the list as the grid shows it, to .xlsx or .csv.
    void bOrgExportClick();

    // The record being edited: a copy of a stored record, or a new one not yet stored.
    std::unique_ptr<TEventDetail> CurrentEventDetail;

private:
    void OpenEditorFromGrid(QTableWidget* grid, int row);
    void CopyEditorIntoRecord(TEventDetail& record) const;
    // Asks and saves the edited record, in closeState when given ("Закрыть/отправить",
    // "Принять"), then closes the editor.
    void SaveEditedRecord(std::optional<uint8_t> closeState);
    void ChooseExecutor(qint32 id);
    void SetSubtypeBoxesEnabled(bool enabled);

    // The ids behind the items of cbEvName, cbEvExecut and cbEvRes, taken when the items
    // were filled, so that a position always turns into the id it was shown for.
    IdList m_nameIds;
    IdList m_executorIds;
    IdList m_resultIds;
    bool m_checkingDate = false;
};
