#pragma once

#include "data/datasource.h"
#include "data/lookuplists.h"
#include "platform/handlers.h"

#include <QStyleOptionViewItem>
#include <QWidget>

#include <cstdint>

class QButtonGroup;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPainter;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class TListSearch;

// The directory numbers of the entries of cbRespMOlist: position i of the drop-down has
// the number at position i. Rebuilt together with the drop-down each time the page is shown.
extern IdList RespMOIds;

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

    // The row above the list: its search line with the status of the search, the export
    // of the list and the card of the IPRA shown.
    QLineEdit* eDistrSearch;
    QLabel* lDistrSearchState;
    QPushButton* bDistrExport;
    QPushButton* bDistrCard;
    TListSearch* DistrSearch = nullptr; // made with the data sources

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

    // The statement text of a filter item (0 to 2); empty for any other index.
    static QString DistrIpraStatement(int item);
    // The columns of the list, hidden ones included, in the grid's order.
    static QList<GridColumn> DistrIpraColumns();

    // Binds the grid to its data source and lets the panels follow the list's current
    // row; the window calls it once the data module exists.
    void attachDataSources();

    // On-show handler: opens the list unless it is open (an open list keeps its rows and
    // current row), loads the panels, rebuilds the organisations and resets the button.
    void tsDistributeShow();
    // A filter item was chosen: its statement replaces the list's text (kept for the
    // run), the list is re-run from its first row and the panels are loaded for it.
    void rgrpDistIpraClick(int item);
    // Paints a data cell of the list in the colours of its row.
    void dbgDistrIpraDrawColumnCell(QPainter* painter, QStyleOptionViewItem& cell,
                                    const QModelIndex& index);

    // Loads the panels for the list's current row. The column is not used; -1 when the
    // loading does not come from a click.
    void dbgDistrIpraCellClick(int column = -1);
    // The holder's document text and the representative panel of an IPRA.
    void LoadDistrDocs(int32_t prgid);
    // The holder's address text of an IPRA, with the box sized to its lines.
    void LoadDistrAddr(int32_t prgid);

    // Entering one of the read-only person texts switches the keyboard to Russian.
    static void mReprDocEnter();
    // Runs mReprDocEnter whenever box takes the focus; used for the person texts of this
    // page and of the execution page.
    static void HookReprDocEnter(QWidget* box);

    // Rebuilds cbRespMOlist and RespMOIds from the directory entries numbered above 0.
    void LoadRespMOList();
    // The change rule: "Назначить" is enabled exactly when an organisation is chosen.
    void cbRespMOlistChange();
    void bSetRespMoClick();
    // Asks, writes the responsible organisation of the IPRA, re-runs the list and loads
    // the panels for its first row, with no organisation chosen. listedMoId is the IPRA's
    // responsible organisation as the list read it (0: none); an IPRA assigned otherwise by
    // now is refused with a message, and the list re-run shows it as it stands.
    void SaveRespMO(int32_t prgid, int32_t moId, const QString& name, int32_t listedMoId);

    // "Выгрузить…": the list as the grid shows it, to .xlsx or .csv.
    void bDistrExportClick();


private:
    void distrIpraRowMoved();
    void rerunDistrIpra();
    void selectRespMO(const QString& name);
    // The holder, representative, information and assignment panels, all hidden.
    void hidePanels();

    bool m_quietRowMoves = false; // the page re-runs the list and loads the panels itself
    int m_rowAtPress = -1;
    HandlerLinks m_sourceLinks;
};
