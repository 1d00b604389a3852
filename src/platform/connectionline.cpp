#include "platform/connectionline.h"

QString ConnectionLine(const QString& description)
{
    // 1-based positions, 0 when absent, as the cut is defined on them.
    const qsizetype d = description.indexOf(QLatin1String("DATABASE")) + 1;
    const qsizetype p = description.indexOf(QLatin1String("PORT")) + 1;
    const qsizetype length = p - d;
    if (length <= 0)
        return {};
    const qsizetype start = d == 0 ? 0 : d - 1;
    return description.mid(start, length);
}
