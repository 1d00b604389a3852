#include "distribution/core/listcolours.h"

#include "platform/dates.h"

#include <cstdlib>

std::optional<Rgb> IpraStateColour(int state)
{
    switch (state) {
    case 1: return Rgb{250, 234, 180};
    case 2: return Rgb{255, 128, 64};
    case 3: return Rgb{133, 205, 129};
    case 4: return Rgb{184, 238, 245};
    default: return std::nullopt;
    }
}

int WholeMonthsBetween(const QDate& from, const QDate& to)
{
    const qint64 days = std::llabs(from.daysTo(to));
    return int(double(days) / 30.4375);
}

bool EndDateAlerts(QStringView endDateText, uint8_t alertMonths, const QDate& today)
{
    const std::optional<DateValue> end = Dates::parse(endDateText);
    if (!end || !today.isValid())
        return false;
    return WholeMonthsBetween(today, Dates::toDate(*end)) <= int(alertMonths);
}

ListCellColours DistrIpraCellColours(std::optional<int> state, bool selected,
                                     QStringView endDateText, uint8_t alertMonths,
                                     const QDate& today)
{
    ListCellColours colours;
    if (state) {
        if (const std::optional<Rgb> c = IpraStateColour(*state))
            colours = {ListCellColours::Kind::Colour, *c};
    }
    if (selected)
        colours = {ListCellColours::Kind::Highlight, {}};
    if (state != 2 && EndDateAlerts(endDateText, alertMonths, today))
        colours = {ListCellColours::Kind::Colour, AlertColour};
    return colours;
}
