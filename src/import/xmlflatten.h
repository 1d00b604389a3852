#pragma once

#include <QString>

#include <functional>

// An IPRA file is read as a flat stream of (key, value) pairs: the key is the names of the
// elements above a text, run together below the document element tIPRA ("PersonFIOct:LastName"),
// the value is the text. Pairs are handed over one at a time, in document order.
using IpraReceiver = std::function<void(const QString& key, const QString& value)>;

// Keys are cut to their first 50 characters, values to their first 254.
inline constexpr qsizetype IpraKeyCapacity = 50;
inline constexpr qsizetype IpraValueCapacity = 254;

// An IPRA file is some tens of kilobytes. Anything above this is not an IPRA and is refused
// before it is read, so a huge file named .xml costs nothing.
inline constexpr qint64 IpraMaxFileSize = 16 * 1024 * 1024;

struct IpraLoadResult
{
    bool ok = false;
    QString reason; // why the file was refused, in Russian, to show as it stands; empty when ok
};

// Loads the file at path and walks it, handing every pair to receiver (the import's mapping,
// or the sender-name collection: the caller chooses). A file that is missing, a folder, too
// big, binary, not well-formed XML or not an IPRA (another document element) is refused with
// a reason and delivers no pair. Whatever the receiver throws ends the walk and goes on out
// of this call; nothing of the document outlives the call. Safe on hostile files: no
// network, no external entity or DTD is ever read, entity expansion is bounded. Each call
// has its own parser and error collection, so calls on several threads do not mix.
IpraLoadResult LoadIpraFile(const QString& path, const IpraReceiver& receiver);
