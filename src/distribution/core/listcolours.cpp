#include "distribution/core/listcolours.h"

#include "platform/dates.h"


int WholeMonthsBetween(const QDate& from, const QDate& to)
{
    return WholeMonthsApart(Dates::fromDate(from), Dates::fromDate(to));
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
