#include "import/ui/toolspage.h"

#include "data/tdm.h"
#include "import/importrun.h"
#include "platform/errors.h"
#include "platform/ui/application.h"
#include "platform/ui/folderpicker.h"
#include "platform/ui/messagebox.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTextCursor>
#include <QVBoxLayout>

TToolsPage::TToolsPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tsTools"));

    // No size rules of the window reach this page, so it lays itself out: the buttons on
    // the left, the log filling the rest, the status bar along the bottom edge.
    bLoadRealNames = new QPushButton(QStringLiteral("Обновить список организаций из ИПРА"), this);
    bLoadRealNames->setObjectName(QStringLiteral("bLoadRealNames"));
    bLoadXML = new QPushButton(QStringLiteral("Загрузить ИПРА в базу данных"), this);
    bLoadXML->setObjectName(QStringLiteral("bLoadXML"));
    for (QPushButton* button : {bLoadRealNames, bLoadXML})
        button->setMinimumHeight(40);

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo"));

    stbrTools = new QStatusBar(this);
    stbrTools->setObjectName(QStringLiteral("stbrTools"));
    stbrTools->setSizeGripEnabled(false);
    stpnLoadCount = new QLabel(stbrTools);
    stpnLoadCount->setObjectName(QStringLiteral("stpnLoadCount"));
    stpnLoadCount->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    stbrTools->addWidget(stpnLoadCount, 1);
    pbLoadProgress = new QProgressBar(stbrTools);
    pbLoadProgress->setObjectName(QStringLiteral("pbLoadProgress"));
    pbLoadProgress->setRange(0, 1);
    pbLoadProgress->setValue(0);
    pbLoadProgress->setFormat(QStringLiteral("%v из %m"));
    pbLoadProgress->setMinimumWidth(300);
    stbrTools->addPermanentWidget(pbLoadProgress);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(bLoadRealNames);
    buttons->addWidget(bLoadXML);
    buttons->addStretch(1);
    auto* body = new QHBoxLayout;
    body->addLayout(buttons);
    body->addWidget(Memo, 1);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(8, 8, 8, 0);
    page->addLayout(body, 1);
    page->addWidget(stbrTools);

    bindNamesMode(m_ownNamesMode);
    ConnectHandler(bLoadXML, &QPushButton::clicked, this, &TToolsPage::bLoadXMLClick);
    ConnectHandler(bLoadRealNames, &QPushButton::clicked, this, &TToolsPage::bLoadRealNamesClick);
}

TToolsPage::~TToolsPage() = default;

void TToolsPage::bindNamesMode(bool& namesMode)
{
    if (m_run && m_run->running())
        return;
    TImportRun::Hooks hooks;
    hooks.pickFolder = [this] {
        // The "c" of the caption is the Latin letter, as the users have always seen it.
        return FolderPicker::choose(this, QStringLiteral("Выберите папку c файлами xml"));
    };
    hooks.log = [this](const QString& line) { AppendLog(line); };
    hooks.message = [this](const QString& text) { Msg::information(this, text); };
    // The parser's reason as it comes; the log line before it names the file.
    hooks.rejected = [this](const QString&, const QString& reason) { Msg::information(this, reason); };
    hooks.count = [this](int number) { stpnLoadCount->setText(TImportRun::CountText(number)); };
    hooks.progress = [this](int done, int total) {
        // A range of 0 to 0 would turn the bar into a busy indicator.
        pbLoadProgress->setRange(0, qMax(total, 1));
        pbLoadProgress->setValue(done);
    };
    hooks.processEvents = [] { QCoreApplication::processEvents(); };
    m_run = std::make_unique<TImportRun>(namesMode, std::move(hooks));
}

void TToolsPage::AppendLog(const QString& line)
{
    // An empty document takes its first line into the block it already has, so an empty
    // first line would leave no trace and the next line would take its place: once a line
    // has been written, an empty document gets a line of its own first.
    if (m_logWritten && Memo->document()->isEmpty()) {
        QTextCursor end(Memo->document());
        end.movePosition(QTextCursor::End);
        end.insertBlock();
        end.insertText(line);
    } else {
        Memo->appendPlainText(line);
    }
    m_logWritten = true;
}

// Both buttons stay disabled while either run is under way, and come back however the run
// ends. An error that stopped the run is shown by the program's error display here rather
// than thrown through the button's click: the run has already written why into the log.
template <typename Body>
void TToolsPage::runLocked(Body body)
{
    if (m_run->running())
        return;
    bLoadXML->setEnabled(false);
    bLoadRealNames->setEnabled(false);
    QString error;
    try {
        body();
    } catch (const AppError& e) {
        error = e.message();
    } catch (const std::exception& e) {
        error = QString::fromLocal8Bit(e.what());
    }
    bLoadXML->setEnabled(true);
    bLoadRealNames->setEnabled(true);
    if (!error.isNull())
        ShowProgramError(error);
}

void TToolsPage::bLoadXMLClick()
{
    runLocked([this] {
        m_run->LoadXml();
        // The distribution page shows the IPRAs still to be assigned: the new ones among them.
        dm->adoqDistrIpra->reopen();
    });
}

void TToolsPage::bLoadRealNamesClick()
{
    // The names page reads k_mo_names when it is shown; nothing to refresh here.
    runLocked([this] { m_run->LoadRealNames(); });
}
