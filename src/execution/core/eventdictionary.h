#pragma once

#include <QString>

// Adds a typed event name to the event dictionary and links the new entry to a type and
// subtype. The link statement takes the dictionary's highest id, so both run in one
// transaction that keeps other workstations from adding an entry in between; on an
// error nothing of it stays.
void AddEventToDictionary(const QString& name, qint32 type, qint32 subtype);
