#pragma once

#include "import/iprarecord.h"

#include <QString>
#include <functional>

// Writes one mapped IPRA into the register: the prg row (only when new), its event
// groups, its distribution row, and holder and representative with their addresses and
// documents. A file already imported (same mseid) updates the rows it wrote before.
//
// All of one file's writes run in one transaction: the IPRA lands whole or not at all.
// On a database error the transaction is rolled back and the error goes on to the caller.
// `newIpras` grows by one when the prg row was inserted (after the commit).
// `log` receives notes about parts of the file that were not stored.
using ImportLog = std::function<void(const QString& line)>;
void SaveIpra(TPRG& record, int& newIpras, const ImportLog& log = {});

// The sender name stored for one of the IPRAs whose files name their sender wrongly;
// empty (null) when the identifier is not one of them.
QString SenderNameOverride(const QString& mseid);

qint32 FindIpraId(const QString& mseid);
qint32 FindPersonId(qint32 prgid, quint8 ptype);
