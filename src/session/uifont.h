#pragma once

#include <QFont>

// Bold Tahoma of the given pixel size where the machine has Tahoma, the system's
// sans-serif font otherwise.
QFont ProgramFont(int pixelSize, bool bold = true, bool italic = false);
