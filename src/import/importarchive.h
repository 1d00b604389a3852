#pragma once

#include <QDate>
#include <QString>

// The archive of a scheduled import: once the register has a file's outcome, the file
// leaves the drop folder, so that the next run reads only new deliveries.
//   ROOT/imported/YYYY-MM-DD/NAME              a file whose transaction committed
//   ROOT/rejected/YYYY-MM-DD/NAME              a file that was refused,
//   ROOT/rejected/YYYY-MM-DD/NAME.reason.txt   and why (UTF-8)
// The day is the day of the move. A name already taken there gets a number before its
// extension (a.xml, a.1.xml, a.2.xml ...); nothing in the archive is ever overwritten,
// and a rejected file and its reason always carry the same number.
//
// A move that fails leaves the file where it was and says why; the caller logs it and
// goes on (the import itself stands: a file imported again only updates its IPRA).
class ImportArchive
{
public:
    struct Result
    {
        QString target; // where the file now is; empty when it was not moved
        QString error;  // why it was not moved; empty on success
        bool ok() const { return error.isEmpty(); }
    };

    explicit ImportArchive(QString root);

    Result storeImported(const QString& path) const;
    Result storeRejected(const QString& path, const QString& reason) const;

    // The folder of one kind ("imported", "rejected") for a day.
    QString dayFolder(const QString& kind, const QDate& day) const;

private:
    Result store(const QString& path, const QString& kind, const QString* reason) const;

    QString m_root;
};
