#pragma once

#include "import/iprarecord.h"

#include <QString>

// Fills one TPRG from the pairs of an IPRA file (import/xmlflatten.h), through the fixed
// table of element keys. Keys outside the table are ignored, and so are keys whose target
// does not exist yet (a holder's first name before the holder's last name, a group's need
// before the first group type id, a document's series before its title). One mapper per
// file: the current address and document it keeps never carry over to the next file.
//
//     TPRG record;
//     IpraMapper mapper(record);
//     const IpraLoadResult result = LoadIpraFile(path, [&](const QString& key, const QString& value) {
//         mapper.MapIpraValue(key, value);
//     });
class IpraMapper
{
public:
    explicit IpraMapper(TPRG& record) : m_record(record) {}
    IpraMapper(const IpraMapper&) = delete;
    IpraMapper& operator=(const IpraMapper&) = delete;

    // Throws ConversionError (platform/errors.h) when a date, integer or boolean does not read.
    void MapIpraValue(const QString& key, const QString& value);

    TPRG& record() const { return m_record; }
    // The address opened by the last address type id, and the document opened by the last
    // title; absent until then. They reach a person's list only when closed (see the table).
    const AddressRef& currentAddress() const { return m_address; }
    const DocRef& currentDoc() const { return m_doc; }

private:
    TEventGroup* currentGroup() const;
    void closeDoc(TPerson* owner, const QString& value);

    TPRG& m_record;
    AddressRef m_address;
    DocRef m_doc;
    bool m_groupsFull = false; // a group past the limit was met: its keys fill no other group
};

// The value conversions of the IPRA files; each throws ConversionError with the message the
// user sees: "'<value>' is not a valid date" / "... integer value" / "... boolean value".
// A date is year-month-day with "-" ("1975-04-03"); an integer is decimal, 32-bit; a boolean
// is "true" or "false" in any letter case, or a number (0 false, any other true). Blanks
// around the value are allowed.
DateValue IpraDateValue(const QString& value);
qint32 IpraIntegerValue(const QString& value);
bool IpraBooleanValue(const QString& value);
