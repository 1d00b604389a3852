#include "session/mainwindow.h"

#include "data/alertperiod.h"
#include "data/currentorg.h"
#include "data/lookuplists.h"
#include "data/tdm.h"
#include "directories/executorspage.h"
#include "directories/namespage.h"
#include "distribution/distributepage.h"
#include "execution/orgiprapage.h"
#include "import/ui/toolspage.h"
#include "platform/connectionline.h"
#include "platform/errors.h"
#include "platform/ui/application.h"
#include "session/pagecontrol.h"
#include "session/uifont.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QScopedValueRollback>
#include <QTableWidget>
#include <QWheelEvent>
#include <QWindow>

#include <cmath>

TfMain* fMain = nullptr;

namespace {

// Halves go to the even neighbour, whatever rounding mode the floating-point unit is in.
int RoundHalfEven(double value)
{
    const double lower = std::floor(value);
    const double fraction = value - lower;
    double result = lower;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(lower, 2.0) != 0.0))
        result = lower + 1.0;
    return int(result);
}

int W(const QWidget* w) { return w->width(); }
int H(const QWidget* w) { return w->height(); }
int L(const QWidget* w) { return w->x(); }
int T(const QWidget* w) { return w->y(); }
// A rule that comes out negative leaves the control empty rather than inside out.
void setWidth(QWidget* w, int value) { w->resize(qMax(value, 0), w->height()); }
void setHeight(QWidget* w, int value) { w->resize(w->width(), qMax(value, 0)); }
void setLeft(QWidget* w, int value) { w->move(value, w->y()); }
void setTop(QWidget* w, int value) { w->move(w->x(), value); }

} // namespace

TfMain::TfMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("fMain"));
    setWindowTitle(QStringLiteral("Программное обеспечение ИПРА"));
    setFont(ProgramFont(16));

    // Controls sit at fixed places and are sized once, when the window opens; the window
    // has no scroll bars of its own.
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("fMainClient"));
    setCentralWidget(client);

    lDescOrg = new QLabel(client);
    lDescOrg->setObjectName(QStringLiteral("lDescOrg"));
    lDescOrg->setFont(ProgramFont(21, true, true));
    lDescOrg->move(56, 16);

    pcMain = new TPageControl(client);
    pcMain->setObjectName(QStringLiteral("pcMain"));
    pcMain->setGeometry(8, 72, 1000, 600);
    // Built inside the page control, the pages have the window's font from the start.
    tsTools = new TToolsPage(pcMain);
    tsTools->bindNamesMode(NamesMode); // the import page's runs switch the window's flag
    tsNames = new TNamesPage(pcMain);
    tsDistribute = new TDistributePage(pcMain);
    tsOrgIpra = new TOrgIpraPage(pcMain);
    tsExecutors = new TExecutorsPage(pcMain);
    pcMain->addTab(tsTools, QStringLiteral("Импорт данных в БД"));
    pcMain->addTab(tsNames, QStringLiteral("Названия организаций"));
    pcMain->addTab(tsDistribute, QStringLiteral("Распределение ИПРА "));
    pcMain->addTab(tsOrgIpra, QStringLiteral("Исполнение ИПРА"));
    pcMain->addTab(tsExecutors, QStringLiteral("Список исполнителей"));
    pcMain->setCurrentWidget(tsOrgIpra); // the current page until the window is first shown
    ConnectHandler(pcMain, &QTabWidget::currentChanged, this, &TfMain::pcMainChange);
    // The person texts of the execution page share the distribution page's entering handler.
    for (QWidget* box : {tsOrgIpra->mOrgPersDoc, tsOrgIpra->mOrgPersAddr, tsOrgIpra->mOrgReprDoc})
        TDistributePage::HookReprDocEnter(box);

    // Every event of the program passes the window's hook before it is delivered, from the
    // moment the window exists, so the login dialog gets it too.
    aplctnvnts1 = InstallEventHook(
        qApp, [this](QObject* receiver, QEvent* event) { return aplctnvnts1Message(receiver, event); },
        this);
    aplctnvnts1->setObjectName(QStringLiteral("aplctnvnts1"));

    // Without a window manager (a bare X server, xvfb-run) nobody maximises the window:
    // its normal size is the whole screen already, so it looks the same either way.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    setWindowState(Qt::WindowMaximized);
}

TfMain::~TfMain()
{
    qApp->removeEventFilter(aplctnvnts1);
}

QList<QWidget*> TfMain::pages() const
{
    return {tsTools, tsNames, tsDistribute, tsOrgIpra, tsExecutors};
}

bool TfMain::aplctnvnts1Message(QObject* receiver, QEvent* event)
{
    if (event->type() != QEvent::Wheel)
        return false;
    const auto* wheel = static_cast<QWheelEvent*>(event);
    const QPoint delta = wheel->angleDelta();
    // A sideways tilt is a message of its own kind, not the wheel; it passes unchanged.
    if (delta.y() == 0 && delta.x() != 0)
        return false;
    const int key = delta.y() > 0 ? Qt::Key_Up : Qt::Key_Down;
    // A Qt event cannot change its kind in place, so the key is delivered to the very
    // receiver of the wheel event and the wheel event itself goes no further: the same
    // as a wheel message turned into a key message and then delivered unhandled. For a
    // real wheel the first receiver is the window, which passes keys to its focus widget
    // as the system passes a key message; a key that a viewport ignores goes on to its
    // grid. The release keeps the key state of the receiver balanced.
    QKeyEvent press(QEvent::KeyPress, key, wheel->modifiers());
    QCoreApplication::sendEvent(receiver, &press);
    QKeyEvent release(QEvent::KeyRelease, key, wheel->modifiers());
    QCoreApplication::sendEvent(receiver, &release);
    return true;
}

void TfMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_showStarted)
        return;
    m_showStarted = true;
    // The show event comes before the window system has placed and maximised the window;
    // the size rules need its real size. The first expose of the window comes after its
    // geometry, so the show sequence waits for it.
    QWindow* window = windowHandle();
    if (!window) {
        runFormShow();
        return;
    }
    m_exposeHook = InstallEventHook(
        window,
        [this, window](QObject*, QEvent* event) {
            if (event->type() == QEvent::Expose && window->isExposed() && !m_formShown) {
                window->removeEventFilter(m_exposeHook);
                runFormShow();
            }
            return false;
        },
        this);
}

void TfMain::runFormShow()
{
    m_formShown = true;
    // A window must never offer the pages of a level it was not given: when the sequence
    // stops before the page set, the set is applied all the same, after the error is shown.
    if (!Guarded([this] { FormShow(); }) && !m_pageSetApplied)
        Guarded([this] { ApplyRolePageSet(); });
}

void TfMain::pcMainChange()
{
    if (!m_handlersLive || m_switchingQuietly)
        return;
    // A handler's error ends here (the connection's guard); the page stays displayed.
    runShowHandler(pcMain->currentWidget());
}

void TfMain::runShowHandler(QWidget* page)
{
    if (page == tsNames)
        tsNames->tsNamesShow();
    else if (page == tsDistribute)
        tsDistribute->tsDistributeShow();
    else if (page == tsOrgIpra)
        tsOrgIpra->tsOrgIpraShow();
    else if (page == tsExecutors)
        tsExecutors->tsExecutorsShow();
    else
        return; // tsTools has no on-show handler
    emit pageShown(page);
}

void TfMain::FormShow()
{
    if (!dm)
        throw AppError(QStringLiteral("Модуль данных не создан"));
    if (!CurrentOrg)
        throw AppError(QStringLiteral("Организация сеанса не установлена"));
    tsNames->attachDataSources();
    tsDistribute->attachDataSources();
    tsOrgIpra->attachDataSources();
    tsExecutors->attachDataSources();

    // The current page is displayed and its handler runs before everything else.
    {
        QScopedValueRollback quiet(m_switchingQuietly, true);
        pcMain->setCurrentWidget(tsOrgIpra);
    }
    m_handlersLive = true;
    runShowHandler(tsOrgIpra);

    // 1. The connection line, appended also when it is empty.
    tsTools->AppendLog(ConnectionLine(dm->conPg.connectionDescription()));
    // 2. The title with the role level.
    QGuiApplication::setApplicationDisplayName(QGuiApplication::applicationDisplayName() +
                                               QLatin1Char('-') + QString::number(CurrentOrg->lvl));
    // 3. The alert setting.
    LoadAlertPeriod();
    // 4. The pages of the role level.
    ApplyRolePageSet();
    // 5. The heading.
    lDescOrg->setText(CurrentOrg->name);
    lDescOrg->adjustSize();
    // 6. The lookup lists, and the editor's inputs as pick-only lists of them.
    LoadExecutorList();
    tsOrgIpra->chbExManClick();
    LoadEventDictionary();
    tsOrgIpra->chbEvManClick();
    // 7.
    NamesMode = false;
    // 8.
    ApplyLayout();
}

void TfMain::ApplyRolePageSet()
{
    if (!CurrentOrg)
        throw AppError(QStringLiteral("Организация сеанса не установлена"));
    QList<QWidget*> offered;
    QWidget* start = tsOrgIpra;
    switch (CurrentOrg->lvl) {
    case 0:
        offered = {tsOrgIpra, tsExecutors};
        break;
    case 5:
        offered = {tsDistribute, tsExecutors};
        start = tsDistribute;
        break;
    case 8:
    case 10:
        offered = pages();
        start = tsDistribute;
        break;
    default:
        offered = pages();
        break;
    }
    QWidget* before = pcMain->currentWidget();
    {
        // Hiding the current tab makes the tab widget pick another one by itself; no
        // handler runs for that passing choice, only for the start page below.
        QScopedValueRollback quiet(m_switchingQuietly, true);
        for (QWidget* page : pages()) {
            const int index = pcMain->indexOf(page);
            const bool on = offered.contains(page);
            // Hidden and disabled: neither a click nor the keyboard reaches the page.
            pcMain->setTabVisible(index, on);
            pcMain->setTabEnabled(index, on);
        }
        pcMain->setCurrentWidget(start);
    }
    m_pageSetApplied = true;
    if (start != before && m_handlersLive)
        runShowHandler(start);
}

void TfMain::ApplyLayout()
{
    // The window's own size is its outer size, frame included, as the rules were made for.
    const QSize window = frameGeometry().size();

    setWidth(pcMain, window.width() - 35);   // 1
    setHeight(pcMain, window.height() - 120); // 2
    // The pages take their size from the page control now, not at the next turn of the
    // event loop; and all of them, not only the displayed one, as the rules read them all.
    pcMain->updatePageArea();
    const QRect pageArea = pcMain->currentWidget()->geometry();
    for (QWidget* page : pages())
        page->setGeometry(pageArea);

    TNamesPage* n = tsNames;
    setWidth(n->dbgEmpTNames, RoundHalfEven(2.0 * W(n) / 3.0) - 50);        // 3
    setLeft(n->dbmRName, L(n->dbgEmpTNames) + W(n->dbgEmpTNames) + 5);       // 4
    setWidth(n->dbmRName, W(n) - L(n->dbmRName) - 5);                        // 5
    setLeft(n->bSetEvalName, L(n->dbmRName));                                // 6
    setWidth(n->bSetEvalName, W(n->dbmRName));
    setWidth(n->dbgRnames, W(n->dbgEmpTNames));                              // 7
    setHeight(n->dbgRnames, H(n) - T(n->dbgRnames) - 5);                     // 8
    setLeft(n->dbmTName, L(n->dbmRName));                                    // 9
    setWidth(n->dbmTName, W(n->dbmRName));
    setLeft(n->bSetTName, L(n->dbmTName));                                   // 10
    setWidth(n->bSetTName, W(n->dbmTName));

    TDistributePage* d = tsDistribute;
    setWidth(d->dbgDistrIpra, RoundHalfEven(2.0 * W(pcMain) / 3.0) - 50);    // 11
    setHeight(d->dbgDistrIpra, RoundHalfEven(H(d) / 2.0));                   // 12
    setLeft(d->pDistrIpra, L(d->dbgDistrIpra) + W(d->dbgDistrIpra) + 5);     // 13
    setWidth(d->pDistrIpra, W(pcMain) - L(d->pDistrIpra) - 15);              // 14
    setLeft(d->pDistrIpraInfo, L(d->pDistrIpra));                            // 15
    setWidth(d->mPersDoc, W(d->pDistrIpra) - 20);                            // 16
    setWidth(d->mPersAddr, W(d->mPersDoc));                                  // 17
    setWidth(d->lPersFio, W(d->mPersDoc));
    setTop(d->pDistRepr, T(d->pDistrIpra) + H(d->pDistrIpra) + 5);           // 18
    setLeft(d->pDistRepr, L(d->pDistrIpra));                                 // 19
    setHeight(d->pDistRepr, H(d) - T(d->pDistRepr) - 5);                     // 20
    setWidth(d->pDistRepr, W(d->pDistrIpra));                                // 21
    setWidth(d->mReprDoc, W(d->mPersDoc));                                   // 22
    setTop(d->pRespMO, T(d->dbgDistrIpra) + H(d->dbgDistrIpra) + 5);         // 23
    setLeft(d->pRespMO, L(d->dbgDistrIpra));                                 // 24
    setWidth(d->pRespMO, W(d->dbgDistrIpra));
    setHeight(d->pRespMO, H(d) - T(d->pRespMO) - 5);                         // 25
    setWidth(d->cbRespMOlist, W(d->pRespMO) - 10);                           // 26

    TExecutorsPage* e = tsExecutors;
    setWidth(e->dbgExecs, RoundHalfEven(2.0 * W(e) / 3.0) - 50);             // 27
    setHeight(e->dbgExecs, H(e) - 70);                                       // 28
    setLeft(e->pExec, L(e->dbgExecs) + W(e->dbgExecs) + 5);                  // 29
    setWidth(e->pExec, W(e) - L(e->pExec) - 5);                              // 30
    setWidth(e->mExFName, W(e->pExec) - 15);                                 // 31
    setWidth(e->mExShName, W(e->mExFName));                                  // 32
    setLeft(e->bExDel, L(e->pExec));                                         // 33

    TOrgIpraPage* o = tsOrgIpra;
    setWidth(o->dbgOrgIpra, W(d->dbgDistrIpra));                             // 34
    setHeight(o->dbgOrgIpra, RoundHalfEven(H(o) / 3.0));                     // 35
    setTop(o->pOrgPers, T(o->pOrgIpraInfo) + H(o->pOrgIpraInfo) + 5);        // 36
    setLeft(o->pOrgPers, L(d->pDistrIpra));                                  // 37
    setWidth(o->pOrgPers, W(d->pDistrIpra));
    setWidth(o->lOrgPersFio, W(d->lPersFio));                                // 38
    setWidth(o->mOrgPersDoc, W(o->pOrgPers) - 20);                           // 39
    setWidth(o->mOrgPersAddr, W(o->mOrgPersDoc));                            // 40
    setTop(o->pOrgRepr, T(o->pOrgPers) + H(o->pOrgPers) + 5);                // 41
    setLeft(o->pOrgRepr, L(d->pDistRepr));                                   // 42
    setWidth(o->pOrgRepr, W(d->pDistRepr));
    setHeight(o->pOrgRepr, H(o) - T(o->pOrgRepr) - 5);                       // 43
    setWidth(o->mOrgReprDoc, W(o->mOrgPersDoc));                             // 44
    setTop(o->pOrgEvnts, T(o->dbgOrgIpra) + H(o->dbgOrgIpra) + 5);           // 45
    setWidth(o->pOrgEvnts, W(o->dbgOrgIpra));                                // 46
    setHeight(o->pOrgEvnts, H(o) - T(o->pOrgEvnts) - 5);                     // 47
    setWidth(o->pcEvnts, W(o->pOrgEvnts) - 2 * L(o->pcEvnts));               // 48
    setHeight(o->pcEvnts, H(o->pOrgEvnts) - T(o->pcEvnts) - 5);              // 49
    for (int number = 1; number <= 4; ++number) {                            // 50 to 52
        QTableWidget* grid = o->pcEvnts->findChild<QTableWidget*>(
            QStringLiteral("sgEvents") + QString::number(number));
        if (!grid)
            continue;
        setWidth(grid, W(o->pcEvnts) - 20);
        setHeight(grid, H(o->pcEvnts) - T(grid) - 50);
        grid->setColumnHidden(0, true);
        grid->setColumnWidth(1, 200);
        grid->setColumnWidth(2, 250);
        grid->setColumnWidth(3, 150);
        grid->setColumnWidth(4, 130);
        grid->setColumnHidden(5, true);
    }
    setLeft(o->pOrgIpraInfo, L(o->pOrgPers));                                // 53
    setWidth(o->pOrgIpraInfo, W(o->pOrgPers));

    // Left open by the rules: the filter above the distribution list is as wide as the list.
    setWidth(d->rgrpDistIpra, W(d->dbgDistrIpra));
}

void TfMain::FormClose()
{
    ReleaseLookupNames();
}

void TfMain::closeEvent(QCloseEvent* event)
{
    Guarded([this] { FormClose(); });
    event->accept(); // the last window closes: the event loop, and the program, end
}
