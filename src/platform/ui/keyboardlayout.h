#pragma once

#include <QString>

// Makes the keyboard layout with the given Windows layout identifier the active one:
// "00000419" Russian, "00000409" US English. On X11 it locks the XKB group of that
// layout when the user has it configured; anywhere else, or when the layout is not
// configured, it does nothing. It never fails and never blocks.
void ActivateKeyboardLayout(const QString& layoutId);

// The XKB group (0-based) of a layout in an XKB symbols name such as
// "pc+us+ru:2+inet(evdev)", or -1 when the layout is not there.
int XkbGroupOfLayout(const QString& symbols, const QString& layout);
