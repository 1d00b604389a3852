// ipra-screenshots: logs in to the program's real windows as one demo user, on a real X
// server, and saves what the user sees as PNG files. scripts/screenshots runs it once per
// demo login under xvfb-run.
//   ipra-screenshots LOGIN PASSWORD FOLDER
// Saves FOLDER/fLogin.png (the login dialog filled in), then for every page the login's
// role offers, in tab order, FOLDER/<page>.png; a page whose file exists already (shot for
// an earlier login) is left out. On the execution page it clicks an IPRA and opens the
// event editor on its first record (pEvnt.png); on the distribution page it also shows
// every IPRA (tsDistribute-all.png). Exit status 0, or 1 with the reason on stderr.

#include "data/tdm.h"
#include "distribution/distributepage.h"
#include "execution/core/eventrules.h"
#include "execution/orgiprapage.h"
#include "platform/handlers.h"
#include "platform/ui/application.h"
#include "platform/ui/messagebox.h"
#include "session/login.h"
#include "session/mainwindow.h"
#include "session/pagecontrol.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include <cstdio>
#include <stdexcept>

namespace {

QStringList g_errors;

void RecordError(const QString& message)
{
    g_errors << message;
}

struct Failure : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

void Fail(const QString& what)
{
    throw Failure(what.toStdString());
}

// Waits until the program has nothing left to do and has painted it.
void Settle(int ms = 400)
{
    QTest::qWait(ms);
    if (!g_errors.isEmpty())
        Fail(QStringLiteral("the program showed an error: ") + g_errors.join(QStringLiteral("; ")));
    if (!Msg::shown().isEmpty())
        Fail(QStringLiteral("the program showed a message: ") + Msg::shown().join(QStringLiteral("; ")));
}

// What the X server shows of the window: its own pixels, not a rendering made for us.
void Save(QWidget* window, const QString& folder, const QString& name)
{
    const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
    const QPixmap shot = window->screen()->grabWindow(window->winId());
    if (shot.isNull() || !shot.save(path, "PNG"))
        Fail(QStringLiteral("cannot save ") + path);
    std::printf("%s\n", qPrintable(path));
}

bool Shot(const QString& folder, const QString& name)
{
    return QFileInfo::exists(QDir(folder).filePath(name + QStringLiteral(".png")));
}

void Click(QWidget* widget, const QPoint& at)
{
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
    Settle();
}

// The execution page with an IPRA clicked: one whose records were sent back if the list
// has one (its grid shows more than one record state), else the first with records.
void ShowExecution(TOrgIpraPage* page, const QString& folder)
{
    const SqlQuery& list = *dm->adoqOrgIpra;
    const int stateColumn = list.columnIndex(QStringLiteral("state"));
    int row = -1;
    for (int r = 0; r < list.recordCount() && row < 0; ++r)
        if (list.valueAt(r, stateColumn).toInt() == IpraState::Returned)
            row = r;
    for (int r = 0; r < list.recordCount() && row < 0; ++r)
        if (list.valueAt(r, stateColumn).toInt() != IpraState::NoRecords)
            row = r;
    if (row < 0)
        return; // nothing to open: the list alone
    QTableView* grid = page->dbgOrgIpra;
    const QModelIndex index = grid->model()->index(row, 1);
    grid->scrollTo(index);
    Click(grid->viewport(), grid->visualRect(index).center());
    Save(page->window(), folder, page->objectName());

    // The first record of the page that opens first.
    auto* events = page->pcEvnts->currentWidget()->findChild<QTableWidget*>();
    if (!events || events->rowCount() < 2 || Shot(folder, page->pEvnt->objectName()))
        return;
    Click(events->viewport(), events->visualRect(events->model()->index(0, 1)).center());
    if (!page->pEvnt->isVisible())
        Fail(QStringLiteral("the event editor did not open"));
    Save(page->window(), folder, page->pEvnt->objectName());
    Click(page->bEvCanc, page->bEvCanc->rect().center());
}

void Run(const QString& login, const QString& password, const QString& folder)
{
    fLogin->show();
    if (!QTest::qWaitForWindowExposed(fLogin))
        Fail(QStringLiteral("the login dialog did not appear"));
    Settle();
    QTest::keyClicks(fLogin->eLogin, login);
    QTest::keyClicks(fLogin->ePassw, password);
    Settle();
    if (!Shot(folder, fLogin->objectName()))
        Save(fLogin, folder, fLogin->objectName());
    Click(fLogin->bbOk, fLogin->bbOk->rect().center());
    if (fLogin->isVisible() || fLogin->result() != QDialog::Accepted)
        Fail(QStringLiteral("the login %1 was refused").arg(login));

    fMain->show();
    if (!QTest::qWaitForWindowExposed(fMain) || !QTest::qWaitFor([] { return fMain->formShown(); }, 20000))
        Fail(QStringLiteral("the main window did not come up"));
    Settle(800);

    TPageControl* pages = fMain->pcMain;
    for (int i = 0; i < pages->count(); ++i) {
        QWidget* page = pages->widget(i);
        if (!pages->isTabVisible(i) || Shot(folder, page->objectName()))
            continue;
        Click(pages->wrappingTabBar(), pages->wrappingTabBar()->wrappedTabRect(i).center());
        if (pages->currentWidget() != page)
            Fail(QStringLiteral("the tab of %1 did not open it").arg(page->objectName()));
        if (page == fMain->tsOrgIpra)
            ShowExecution(fMain->tsOrgIpra, folder);
        if (!Shot(folder, page->objectName()))
            Save(fMain, folder, page->objectName());
        if (page == fMain->tsDistribute) {
            // The start filter lists the unassigned IPRAs only; every state shows with all.
            QAbstractButton* all = fMain->tsDistribute->rgrpDistIpraItems->button(0);
            Click(all, QPoint(8, all->height() / 2));
            Save(fMain, folder, page->objectName() + QStringLiteral("-all"));
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    IpraApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fputs("usage: ipra-screenshots LOGIN PASSWORD FOLDER\n", stderr);
        return 2;
    }
    app.installRussianTranslation();
    IpraApplication::setApplicationDisplayName(QStringLiteral("ИПРА"));
    // No box may wait for a click nobody makes: errors and messages end the run instead.
    SetErrorDisplay(RecordError);
    Msg::setAutomatic(true);

    int status = 0;
    fMain = new TfMain;
    dm = new Tdm;
    try {
        dm->conPg.open();
        fLogin = new TfLogin;
        Run(args[1], args[2], args[3]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ipra-screenshots: %s\n", e.what());
        status = 1;
    }
    delete fLogin;
    delete fMain;
    delete dm;
    dm = nullptr;
    return status;
}
