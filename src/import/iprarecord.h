#pragma once

#include "platform/dates.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

// One IPRA in memory: the record with its holder and representative, their addresses and
// documents, the event groups and the recorded events. Filled from a file by IpraMapper
// (import/keymap.h) or read back from the database; plain data, every part owned once.

// Capacities of the text fields, in characters; a longer value is cut (import/fixedtext.h).
namespace IpraCap {
inline constexpr qsizetype Snils = 15;
inline constexpr qsizetype Name = 30;       // lname, fname, sname
inline constexpr qsizetype DocNum = 20;     // TPRG::docnum
inline constexpr qsizetype PrgNum = 20;     // TPRG::prgnum
inline constexpr qsizetype MseId = 36;      // a GUID as text
inline constexpr qsizetype Recover = 20;
inline constexpr qsizetype Compens = 20;
inline constexpr qsizetype Phone = 20;
inline constexpr qsizetype AddrFull = 150;  // TAddress::afull
inline constexpr qsizetype Place = 30;
inline constexpr qsizetype Street = 30;
inline constexpr qsizetype House = 10;
inline constexpr qsizetype Appart = 10;
inline constexpr qsizetype DocTitle = 30;   // TDoc::title
inline constexpr qsizetype DocSeries = 30;
inline constexpr qsizetype DocNumb = 30;
inline constexpr qsizetype DocIssuer = 150;
inline constexpr qsizetype Caption = 250;   // TEventGroup::caption
inline constexpr qsizetype Note = 64;       // TEventDetail::note, as the editor limits it
} // namespace IpraCap

// How many entries the lists hold at most; further entries are not added.
namespace IpraLimit {
inline constexpr std::size_t EventGroups = 255;
inline constexpr std::size_t Addresses = 255;
inline constexpr std::size_t Documents = 255;
inline constexpr std::size_t EventDetails = 255;
} // namespace IpraLimit

class TAddress
{
public:
    quint8 atype = 0;  // address type id of the file, its low 8 bits
    QString afull;     // at most 150
    QString place;     // at most 30
    QString street;    // at most 30
    QString house;     // at most 10
    QString appart;    // at most 10
    QString phone;     // at most 20; only read back, the import saves the person's phone
};

class TDoc
{
public:
    QString title;     // at most 30
    QString series;    // at most 30
    QString numb;      // at most 30
    QString issuer;    // at most 150
    DateValue issuedt = Dates::NoDate;
};

// The same address may stand twice in a person's list (a file closes one address with both
// "no living address" and "no registration address"), and a document can be closed into
// two lists; sharing keeps it one object, released once when the last list lets go.
using AddressRef = std::shared_ptr<TAddress>;
using DocRef = std::shared_ptr<TDoc>;

class TPerson
{
public:
    TPerson() = default;
    explicit TPerson(quint8 personType) : ptype(personType) {}
    TPerson(const TPerson&) = delete;
    TPerson& operator=(const TPerson&) = delete;

    // Appends, unless the list is full (IpraLimit); false when the entry was not added.
    bool AddAddress(AddressRef address);
    bool AddDoc(DocRef doc);

    qint32 id = 0;
    qint32 prgid = 0;
    QString snils;     // at most 15; stays empty for a representative
    QString lname;     // at most 30
    QString fname;     // at most 30
    QString sname;     // at most 30
    QString phone;     // at most 20; the holder's phone
    DateValue bdate = Dates::NoDate;
    quint8 ptype = 0;  // 0 holder, 1 representative
    // An empty list is an absent one: entries only ever come by appending.
    std::vector<AddressRef> addrs;
    std::vector<DocRef> docs;
};

// File group type ids and the codes the register stores and shows one tab each for.
namespace EventGroupType {
inline constexpr int StoredCodes[] = {2, 3, 4, 99};
// 34 -> 2, 35 -> 3, 36 -> 4, 37 -> 99; no value for any other id.
std::optional<int> storedCode(int fileTypeId);
// The execution page's tab caption of a stored code; empty for an unknown code.
QString tabCaption(int storedCode);
} // namespace EventGroupType

class TEventGroup
{
public:
    // "typeid" is a C++ keyword, hence the trailing underscore.
    qint32 typeid_ = 0; // the file's group type id; the stored code once read back
    qint32 prgid = 0;   // only when read back
    QString caption;    // at most 250; not saved
    bool need = false;
    DateValue pfrom = Dates::NoDate;
    DateValue pto = Dates::NoDate;
    QString execut;     // no fixed limit

    // True when the group's period end is within AlertPeriodMonths of today, unless
    // every recorded event of the group was returned (import/eventrecords.cpp).
    bool NeedsAlert() const;
};

// One recorded event, a row of k_evdt. The import never creates one.
class TEventDetail
{
public:
    qint32 id = 0;      // 0 while new
    qint32 prgid = 0;
    qint32 typeid_ = 0; // stored type code 2, 3, 4 or 99 ("typeid" is a C++ keyword)
    qint32 stypeid = 0; // 0 when no subtype applies
    qint32 dicid = 0;   // 0 when the name is typed
    QString name;
    qint32 exid = 0;    // 0 when the executor is typed
    QString exname;
    qint32 resid = 0;   // 0 when the result is typed
    QString resdesc;
    QString note;       // the editor allows 64 characters
    DateValue dt = Dates::NoDate;
    quint8 state = 0;   // 0 in progress, 1 returned, 2 sent, 3 accepted
    qint64 version = 0; // the row's version as read or last written; 0 while new

    // Inserts the record when it is new (id 0) and takes its key, otherwise updates its
    // row; either way takes the row's new version (import/eventrecords.cpp). False, with
    // nothing written, when the row is no longer as it was read: changed or deleted on
    // another workstation.
    bool Save();
    // Deletes the row; false, with nothing deleted, when it is no longer as it was read.
    bool Delete() const;
};

class TPRG
{
public:
    TPRG() = default;
    TPRG(const TPRG&) = delete;
    TPRG& operator=(const TPRG&) = delete;

    // Appends a new group, unless the list is full; nullptr then.
    TEventGroup* AddEventGroup(qint32 fileTypeId);

    // Reading a stored IPRA back for the execution page (import/loadipra.cpp): LoadIpra
    // fills a new record, LoadEventDetails replaces its recorded events.
    void LoadIpra(qint32 prgId);
    void LoadEventDetails();

    qint32 id = 0;
    DateValue dt = Dates::NoDate;      // DevelopDate, "Дата выдачи"
    QString snils;                     // at most 15
    QString lname;                     // at most 30
    QString fname;                     // at most 30
    QString sname;                     // at most 30
    DateValue bdate = Dates::NoDate;
    quint8 gndr = 0;                   // 1 male, 2 otherwise, 0 not given
    QString docnum;                    // at most 20
    DateValue docdt = Dates::NoDate;
    QString prgnum;                    // at most 20
    DateValue prgdt = Dates::NoDate;   // IssueDate, "Дата разраб."
    QString mseid;                     // at most 36
    QString send_mo;                   // no fixed limit
    std::vector<std::unique_ptr<TEventGroup>> events;
    std::unique_ptr<TPerson> holder;
    std::unique_ptr<TPerson> repr;
    QString recover;                   // at most 20; only read back
    QString compens;                   // at most 20; only read back
    std::vector<std::unique_ptr<TEventDetail>> details;
    DateValue enddt = Dates::NoDate;
};
