#include "lists/ui/listsearch.h"

#include "data/connection.h"
#include "data/tdm.h"
#include "lists/iprasearch.h"
#include "platform/errors.h"
#include "platform/handlers.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QThread>

#include <atomic>

// Runs the searches in the search's own thread, on its own connection, one at a time.
class TListSearch::Worker : public QObject
{
public:
    Worker(QStringList registerText, QStringList organisationText)
        : m_registerText(std::move(registerText)), m_organisationText(std::move(organisationText))
    {
    }

    // The newest generation asked for; older questions still queued are skipped.
    std::atomic<int> latest{0};

    // In the worker's thread. Calls back on the owner's thread through the owner's queue.
    void search(TListSearch* owner, int generation, const QString& text, qint32 organisation)
    {
        if (generation < latest.load())
            return;
        SqlQuery::KeySet ids;
        QString error;
        const SearchTerms terms = ParseSearch(text);
        // Once again on a new connection when the first try fails: the server may have
        // dropped this one while it stood idle.
        for (int attempt = 0; attempt < 2 && !ids; ++attempt) {
            try {
                ensureConnection();
                SqlQuery& statement = organisation >= 0 ? *m_organisation : *m_register;
                if (organisation >= 0)
                    statement.setInteger(QStringLiteral("resp_mo_id"), organisation);
                ids = FindIpraIds(statement, terms);
                error.clear();
            } catch (const AppError& e) {
                error = e.message();
                m_connection->close();
            } catch (const std::exception& e) {
                error = QString::fromLocal8Bit(e.what());
                m_connection->close();
            }
        }
        PostHandler(owner, [owner, generation, ids, error] { owner->answered(generation, ids, error); });
    }

    // In the worker's thread: the connection opened ahead of the first question.
    void warmUp()
    {
        try {
            ensureConnection();
            m_connection->open();
        } catch (...) {
            // The first question tries again and reports what goes wrong.
        }
    }

    // In the worker's thread, before it ends: the connection goes with the thread it
    // was made in.
    void shutdown()
    {
        m_register.reset();
        m_organisation.reset();
        m_connection.reset();
    }

private:
    void ensureConnection()
    {
        if (m_connection)
            return;
        static std::atomic<int> serial{0};
        m_connection = std::make_unique<TConnection>(QStringLiteral("conSearch%1").arg(++serial));
        m_connection->setConnectionString(Tdm::ConnectionString);
        m_register = std::make_unique<SqlQuery>(*m_connection, QStringLiteral("adoqIpraSearch"),
                                                m_registerText, false);
        m_organisation = std::make_unique<SqlQuery>(*m_connection, QStringLiteral("adoqOrgIpraSearch"),
                                                    m_organisationText, false);
        for (SqlQuery* q : {m_register.get(), m_organisation.get()})
            for (const char* p : {"w1", "w2", "w3", "snils", "num"})
                q->declareParam(QString::fromLatin1(p), ParamType::Text);
    }

    QStringList m_registerText;
    QStringList m_organisationText;
    std::unique_ptr<TConnection> m_connection;
    std::unique_ptr<SqlQuery> m_register;
    std::unique_ptr<SqlQuery> m_organisation;
};

QString TListSearch::placeholder()
{
    return QStringLiteral("Поиск: ФИО, СНИЛС или № ИПРА");
}

TListSearch::TListSearch(QLineEdit* line, QLabel* status, SqlQuery* list, Scope scope, QObject* parent)
    : QObject(parent), m_line(line), m_status(status), m_list(list), m_scope(std::move(scope))
{
    m_line->setPlaceholderText(placeholder());
    m_line->setMaxLength(100);
    m_line->setClearButtonEnabled(true);
    InstallEventHook(
        m_line, [this](QObject*, QEvent* event) { return lineEvent(event); }, this);
    m_list->clearKeyFilter(); // the line starts empty: the whole list
    m_pause.setSingleShot(true);
    m_pause.setInterval(PauseMs);
    ConnectHandler(&m_pause, &QTimer::timeout, this, &TListSearch::ask);
    ConnectHandler(m_line, &QLineEdit::textChanged, this, [this] { textChanged(); });
    ConnectHandler(m_list, &SqlQuery::rowsChanged, this, &TListSearch::showStatus);
    // The page the line stands on: a hidden page's shortcut does not answer, so Ctrl+F
    // goes to the search of the page shown.
    auto* find = new QShortcut(QKeySequence::Find, m_line->parentWidget());
    ConnectHandler(find, &QShortcut::activated, this, &TListSearch::focusLine);
}

TListSearch::~TListSearch()
{
    if (m_thread) {
        Worker* worker = m_worker;
        PostHandler(worker, [worker] { worker->shutdown(); }, Qt::BlockingQueuedConnection);
        m_thread->quit();
        m_thread->wait();
        delete m_worker;
        delete m_thread;
    }
}

void TListSearch::focusLine()
{
    m_line->setFocus(Qt::ShortcutFocusReason);
    m_line->selectAll();
}

bool TListSearch::lineEvent(QEvent* event)
{
    // The user is about to search: the search's connection opens meanwhile, so that the
    // first answer does not wait for it.
    if (event->type() == QEvent::FocusIn && !m_thread) {
        startWorker();
        Worker* worker = m_worker;
        PostHandler(worker, [worker] { worker->warmUp(); });
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        !m_line->text().isEmpty()) {
        m_line->clear();
        return true;
    }
    return false;
}

bool TListSearch::busy() const
{
    return m_pause.isActive() || m_awaited >= 0;
}

void TListSearch::textChanged()
{
    ++m_generation; // an answer for the text before is stale from now on
    if (m_line->text().trimmed().isEmpty()) {
        // Nothing to ask the server: the whole list again, at once.
        m_pause.stop();
        m_awaited = -1;
        apply(nullptr);
        return;
    }
    m_pause.start();
}

void TListSearch::refresh()
{
    if (m_line->text().trimmed().isEmpty())
        return;
    ++m_generation;
    m_pause.stop();
    ask();
}

void TListSearch::startWorker()
{
    if (m_thread)
        return;
    m_worker = new Worker(dm->adoqIpraSearch->lines(), dm->adoqOrgIpraSearch->lines());
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("search"));
    m_worker->moveToThread(m_thread);
    m_thread->start();
}

void TListSearch::ask()
{
    startWorker();
    const int generation = m_generation;
    m_awaited = generation;
    m_worker->latest = generation;
    Worker* worker = m_worker;
    const QString text = m_line->text();
    const qint32 organisation = m_scope ? m_scope() : -1;
    PostHandler(worker, [worker, owner = this, generation, text, organisation] {
        worker->search(owner, generation, text, organisation);
    });
}

void TListSearch::answered(int generation, const SqlQuery::KeySet& ids, const QString& error)
{
    if (generation != m_generation)
        return; // the text has changed since: its own answer is coming
    m_awaited = -1;
    if (!ids)
        throw DbError(QStringLiteral("Поиск не выполнен: ") + error);
    apply(ids);
}

std::optional<qint64> TListSearch::currentId() const
{
    if (!m_list->hasCurrentRow() || !m_list->hasField(QStringLiteral("id")))
        return std::nullopt;
    bool ok = false;
    const qint64 id = m_list->value(QStringLiteral("id")).toLongLong(&ok);
    return ok ? std::optional<qint64>(id) : std::nullopt;
}

void TListSearch::apply(const SqlQuery::KeySet& ids)
{
    if (!ids && !m_list->keyFiltered())
        return; // the whole list is shown already
    const std::optional<qint64> before = currentId();
    emit aboutToNarrow();
    if (ids)
        m_list->setKeyFilter(QStringLiteral("id"), ids);
    else
        m_list->clearKeyFilter();
    const std::optional<qint64> after = currentId();
    emit narrowed(before && after && *before == *after);
    showStatus();
}

void TListSearch::showStatus()
{
    if (!m_list->keyFiltered())
        m_status->clear();
    else if (m_list->recordCount() == 0)
        m_status->setText(QStringLiteral("Ничего не найдено"));
    else
        m_status->setText(QStringLiteral("Найдено: %1").arg(m_list->recordCount()));
}
