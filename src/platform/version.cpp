#include "platform/version.h"

QString ProgramVersion;

QString ReadFileVersion(const QString& /*programPath*/)
{
    return QStringLiteral(IPRA_VERSION_STRING);
}
