#pragma once

#include "execution/core/eventrules.h"

#include <QDate>
#include <QStringView>

#include <cstdint>
#include <optional>

// Rgb, AlertColour and IpraStateColour are the execution page's rules too: one definition.
// Whole months of 30.4375 days between two days, whichever of them comes first.
int WholeMonthsBetween(const QDate& from, const QDate& to);

// True when an end date given as DD.MM.YYYY lies at most alertMonths whole months from
// today, before or after it. A text that does not read as a date never alerts.
bool EndDateAlerts(QStringView endDateText, uint8_t alertMonths, const QDate& today);

// How a data cell of the distribution list is painted. All cells of a row get the same.
struct ListCellColours
{
    enum class Kind {
        Normal,    // the grid's own colours
        Highlight, // the system highlight and highlight text
        Colour,    // `background`, with black text
    };
    Kind kind = Kind::Normal;
    Rgb background;
    friend bool operator==(const ListCellColours&, const ListCellColours&) = default;
};

// The colouring of a distribution list row, rules in this order: the state colour, the
// selection over it, then the end-date alert over both (so a selected row that alerts is
// pink), except in state 2, which never alerts. A null state has no colour of its own.
ListCellColours DistrIpraCellColours(std::optional<int> state, bool selected,
                                     QStringView endDateText, uint8_t alertMonths,
                                     const QDate& today);
