#pragma once

#include <QMainWindow>

class QLabel;
class TDistributePage;
class TExecutorsPage;
class TNamesPage;
class TOrgIpraPage;
class TPageControl;
class TToolsPage;

// The program's working window: the heading with the session organisation's name over
// the page control with the five pages. It keeps what belongs to the window as a whole:
// the page set of the role level, the show sequence, the size rules of the pages, the
// application-wide wheel translation and closing. The pages own their controls.
class TfMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit TfMain(QWidget* parent = nullptr);
    ~TfMain() override;

    QLabel* lDescOrg;
    TPageControl* pcMain;
    // The pages, in tab order.
    TToolsPage* tsTools;
    TNamesPage* tsNames;
    TDistributePage* tsDistribute;
    TOrgIpraPage* tsOrgIpra;
    TExecutorsPage* tsExecutors;
    // The application-wide event hook; it hands every event to aplctnvnts1Message.
    QObject* aplctnvnts1;

    // Chooses the receiver of the XML walk: true only while the sender names are refreshed.
    bool NamesMode = false;

    // The show sequence, run once when the window is first on screen with its real size:
    // the current page's handler, the connection line, the title, the alert setting, the
    // role level's pages, the heading, the lookup lists, the size rules. An error stops
    // it where it happened and is thrown on.
    void FormShow();
    // Offers the tabs of CurrentOrg's role level and selects its start page; a start page
    // other than the current one runs its on-show handler.
    void ApplyRolePageSet();
    // The size rules of the pages, read off the window's size as it is now.
    void ApplyLayout();
    // Turns a mouse-wheel event into one press of the Up (wheel turned away from the user)
    // or Down key, delivered to the same receiver; true when the event was replaced.
    bool aplctnvnts1Message(QObject* receiver, QEvent* event);
    // Releases the executor and event name lists.
    void FormClose();

    bool formShown() const { return m_formShown; }

signals:
    // A page's on-show handler has run.
    void pageShown(QWidget* page);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void runFormShow();
    void pcMainChange();
    void runShowHandler(QWidget* page);
    QList<QWidget*> pages() const;

    bool m_showStarted = false;
    bool m_formShown = false;
    bool m_handlersLive = false;   // pages' on-show handlers run from FormShow on
    bool m_switchingQuietly = false;
    bool m_pageSetApplied = false;
    QObject* m_exposeHook = nullptr; // waits for the first expose of the window
};

extern TfMain* fMain;
