#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>

// The program-wide lookup lists: event records keep directory ids, the execution page
// shows and picks names. Each pair is parallel: position i of the names belongs to
// position i of the ids. A drop-down over the names gives a position; the id list turns
// it into an id, and IndexOfId turns an id back into a position.

using IdList = QVector<int32_t>;

// Executors: trimmed `scode` and `id` of rhb_exc, in the order of adoqExecs' current text.
extern QStringList ExecutorNames;
extern IdList ExecutorIds;
// Event dictionary: trimmed `shname` and `id` of kv_rhb_dic by name; the whole dictionary
// or one type and subtype, whichever was loaded last.
extern QStringList EventDictNames;
extern IdList EventDictIds;
// Results: trimmed `shname` and `id` of rhb_res by id. The directory is meant to hold at
// most 11 rows, but the lists take every row there is.
extern QStringList ResultNames;
extern IdList ResultIds;

// Each loader opens its statement (an open statement is used as it is, not re-run), takes
// every row from the first to the last, and closes the statement, also after an error.
// A database or conversion error (a null short name or id) goes to the caller; the lists
// then hold the rows read before it, names and ids always of equal length.
void LoadExecutorList();
void LoadEventDictionary();
void LoadTypedEventDictionary(int32_t type, int32_t subtype);
void LoadResultList();

// The full name of a result, empty when rhb_res has no row with that id.
QString GetResultName(int32_t id);

// The position (from 0) of the last entry equal to id; -1 when there is none.
int IndexOfId(const IdList& ids, int32_t id);

// Releases the executor and event name lists (the main window does it when it closes).
void ReleaseLookupNames();
