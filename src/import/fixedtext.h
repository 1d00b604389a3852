#pragma once

#include <QString>

// Record fields hold text of at most a stated number of characters; a longer value is cut
// without notice. Characters are counted as the user sees them (a letter outside the basic
// plane is one character, never split in half); there is no code-page conversion.
inline QString cutText(const QString& value, qsizetype capacity)
{
    // At most one UTF-16 unit per character, so a short text is always within capacity.
    if (value.size() <= capacity)
        return value;
    qsizetype units = 0;
    for (qsizetype chars = 0; chars < capacity && units < value.size(); ++chars)
        units += (value[units].isHighSurrogate() && units + 1 < value.size()
                  && value[units + 1].isLowSurrogate()) ? 2 : 1;
    return value.left(units);
}

inline void assignCut(QString& field, const QString& value, qsizetype capacity)
{
    field = cutText(value, capacity);
}
