#pragma once

// Reading a stored IPRA back: TPRG::LoadIpra and TPRG::LoadEventDetails (declared with the
// record in import/iprarecord.h). The helpers here read one column of the current row of
// an open query; a null column reads as nothing (0, empty, no date), since rows put into
// the register by hand may carry nulls the import never writes.

#include "platform/dates.h"

#include <QString>

class SqlQuery;

namespace StoredValue {
QString text(const SqlQuery& query, const QString& column, qsizetype capacity = -1);
qint32 integer(const SqlQuery& query, const QString& column);
DateValue date(const SqlQuery& query, const QString& column);
} // namespace StoredValue
