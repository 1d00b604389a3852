#pragma once

#include "data/sqlstatement.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QThread;

// The search line above an IPRA list. As the user types, after a short pause, the text's
// terms (lists/searchterms.h) go to the server, which answers with the ids of the IPRAs
// that match; the list, loaded already, is narrowed to them on the client (a key filter
// of its query). Whatever the list holds (the filter item's rows, the role's rows) stays
// the limit, so a search never shows an IPRA the list would not.
//
// Re-running the list with the search in its statement would fetch every matching row
// again, tens of thousands for one letter; the ids alone come in a fraction of that time.
// They are asked for on a connection of the search's own, from a thread of its own, so
// that typing never waits for the server; an answer that a newer keystroke has made stale
// is dropped unseen.
//
// The status label says how many IPRAs were found, or "Ничего не найдено"; it is empty
// while the line is. Esc in the line empties it; Ctrl+F on the line's page puts the cursor
// into it.
class TListSearch : public QObject
{
    Q_OBJECT
public:
    // Where the server looks: the IPRAs of one responsible organisation (its id), or the
    // whole register (below 0).
    using Scope = std::function<qint32()>;
    TListSearch(QLineEdit* line, QLabel* status, SqlQuery* list, Scope scope, QObject* parent);
    ~TListSearch() override;

    static QString placeholder(); // "Поиск: ФИО, СНИЛС или № ИПРА"
    // From the last keystroke until the server is asked: long enough for the keys of a
    // word typed in one go to make one question, short enough to leave most of a tenth of
    // a second for the answer. (A question made stale by a later key costs only the server.)
    static constexpr int PauseMs = 30;

    // Ctrl+F.
    void focusLine();
    // Asks the server again for the text in the line (after a re-run of the list that may
    // have brought IPRAs the last answer did not know).
    void refresh();
    // An answer is still awaited: the pause is running or the server is asked.
    bool busy() const;

signals:
    // Around every change of the list's narrowing; sameRow: the current row is still on
    // the IPRA it was on.
    void aboutToNarrow();
    void narrowed(bool sameRow);

private:
    class Worker;
    // The line's own events: Esc empties it, the first focus opens the search's connection.
    bool lineEvent(QEvent* event);
    void textChanged();
    void ask();
    void answered(int generation, const SqlQuery::KeySet& ids, const QString& error);
    void startWorker();
    void apply(const SqlQuery::KeySet& ids);
    void showStatus();
    std::optional<qint64> currentId() const;

    QLineEdit* m_line;
    QLabel* m_status;
    SqlQuery* m_list;
    Scope m_scope;
    QTimer m_pause;
    int m_generation = 0; // grows with every change of the text
    int m_awaited = -1;   // the generation whose answer is out; -1 when none is
    QThread* m_thread = nullptr;
    Worker* m_worker = nullptr;
};
