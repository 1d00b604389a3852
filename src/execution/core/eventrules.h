#pragma once

#include "platform/dates.h"

#include <QString>

#include <cstdint>
#include <optional>

// The rules of the execution work that need no window: the state codes of event records
// and IPRAs, their colours, the end-date alert, and what each role level may do with a
// record in each state.

// States of an event record (k_evdt.state).
namespace EventState {
inline constexpr uint8_t InProgress = 0; // stored by the organisation, not yet sent
inline constexpr uint8_t Returned = 1;   // sent back to the organisation by the review
inline constexpr uint8_t Sent = 2;       // closed and sent by the organisation
inline constexpr uint8_t Accepted = 3;   // accepted by the review
} // namespace EventState

// States of an IPRA as the view kv_ipra_mo computes them from its records.
namespace IpraState {
inline constexpr int NoRecords = 0;
inline constexpr int InProgress = 1; // some record in progress, none returned or sent
inline constexpr int Returned = 2;   // some record returned
inline constexpr int Sent = 3;       // some record sent, none returned
inline constexpr int Accepted = 4;   // every record accepted
} // namespace IpraState

// Role levels that change what the execution page allows.
namespace RoleLevel {
inline constexpr uint8_t Organisation = 0;
inline constexpr uint8_t Distribution = 5;
inline constexpr uint8_t Review = 8;
inline constexpr uint8_t Admin = 10;
} // namespace RoleLevel

struct Rgb
{
    int red;
    int green;
    int blue;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The background of an event record in its state 0 to 3; none for any other code.
std::optional<Rgb> EventStateColour(int state);
// The background of an IPRA in its state 1 to 4 (the colours of record states 0 to 3).
std::optional<Rgb> IpraStateColour(int state);
// A date that is due soon or passed not long ago.
inline constexpr Rgb AlertColour{255, 174, 201};

// Whole months of 30.4375 days between two dates, counted either way.
int WholeMonthsApart(DateValue a, DateValue b);
// True when the date lies at most periodMonths whole months from today, before or after.
// An end of 01.01.0001 (no end) is thousands of years away and so never flagged.
bool IsAlertDate(DateValue date, DateValue today, int periodMonths);

// An event group's period as the execution page shows it: "DD.MM.YYYY-DD.MM.YYYY", or
// "Бессрочно" for a group with neither start nor end.
QString EventPeriodText(DateValue from, DateValue to);
// An event record's state and an IPRA's state in words; empty for an unknown code.
QString EventStateText(int state);
QString IpraStateText(int state);

// The state "Закрыть/отправить" gives a complete record: 2 (sent) for an organisation,
// 3 (accepted) for the review, 0 (in progress) for any other level.
uint8_t CloseTargetState(uint8_t lvl);
// The state a record is saved with: the review's "Отклонить" sends a sent record back.
uint8_t SaveState(uint8_t lvl, uint8_t state);
// Whether a role level may edit a record whose state, as the grid shows it, is
// stateText (empty for a new record). Only its first three characters count.
bool EditorEnabledFor(uint8_t lvl, const QString& stateText);
