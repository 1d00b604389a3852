#pragma once

#include <QString>

// The version string the build carries (the VERSION file of the source tree).
// The path is accepted for the sake of the callers; the running program's own
// version is compiled in, so there is no file to read.
QString ReadFileVersion(const QString& programPath = QString());

// The program's own version as shown and compared at login: at most 7 characters.
// Empty until the login dialog reads it, and empty when that fails.
extern QString ProgramVersion;
