#pragma once

#include <QString>

// The piece of a connection description that the main window writes into the import
// log when it opens: from the first "DATABASE" up to, not including, the first "PORT"
// (both case-sensitive). Without "DATABASE" the piece starts at the first character;
// without "PORT", or with "PORT" before "DATABASE", it is empty. Everything from "PORT"
// on stays out of the log: the driver's description carries the password after it.
QString ConnectionLine(const QString& description);
