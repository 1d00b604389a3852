#include "data/odbcdiag.h"

#include <sqlext.h>

#include <algorithm>
#include <iterator>

OdbcDiagnostics ReadDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle)
{
    OdbcDiagnostics diagnostics;
    if (!handle)
        return diagnostics;
    QStringList texts;
    for (SQLSMALLINT i = 1; i <= 8; ++i) {
        SQLWCHAR state[6] = {};
        SQLINTEGER nativeError = 0;
        SQLWCHAR message[1024] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN rc = SQLGetDiagRecW(handleType, handle, i, state, &nativeError, message,
                                            SQLSMALLINT(std::size(message)), &length);
        if (!SQL_SUCCEEDED(rc))
            break;
        diagnostics.states << QString::fromUtf16(reinterpret_cast<const char16_t*>(state), 5);
        const int n = std::clamp(int(length), 0, int(std::size(message)) - 1);
        // psqlODBC ends its messages with a blank and sometimes with an empty line.
        QStringList lines = QString::fromUtf16(reinterpret_cast<const char16_t*>(message), n)
                                .split(QLatin1Char('\n'));
        for (QString& line : lines)
            line = line.trimmed();
        lines.removeAll(QString());
        lines.removeAll(QStringLiteral(";")); // psqlODBC's separator of joined messages
        texts << lines;
    }
    diagnostics.text = texts.join(QLatin1Char('\n'));
    return diagnostics;
}

bool OdbcDiagnostics::connectionLost() const
{
    return std::any_of(states.cbegin(), states.cend(), IsConnectionLossState);
}

bool IsConnectionLossState(const QString& state)
{
    if (state.startsWith(QLatin1String("08")))
        return true;
    static const QStringList sessionEnds = {"57P01", "57P02", "57P03", "57P04", "57P05", "25P03"};
    return sessionEnds.contains(state);
}

bool DriverSaysConnectionDead(SQLHDBC connection)
{
    if (!connection)
        return false;
    SQLUINTEGER dead = SQL_CD_FALSE;
    const SQLRETURN rc = SQLGetConnectAttr(connection, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
    return SQL_SUCCEEDED(rc) && dead == SQL_CD_TRUE;
}
