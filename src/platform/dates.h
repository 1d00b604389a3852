#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringView>

#include <optional>

// A date-time value as the register keeps it: days counted from 30.12.1899, the fraction
// being the time of day. Before 30.12.1899 the whole part counts back and the fraction
// still runs forward from midnight (-1.25 is 29.12.1899 06:00), as the register's other
// clients read these numbers.
using DateValue = double;

namespace Dates {

// 30.12.1899: no date was given. Stored as that date, shown as an empty cell.
inline constexpr DateValue NoDate = 0.0;
// 01.01.0001: a programme without end ("бессрочно"); 693593 days before 30.12.1899.
inline constexpr DateValue NoEnd = -693593.0;

QDate epoch(); // 30.12.1899

bool isNoDate(DateValue value);
bool isNoEnd(DateValue value);

// An invalid QDate/QDateTime gives NoDate.
DateValue fromDate(const QDate& date);
DateValue fromDateTime(const QDateTime& dateTime);
// The calendar day of a value (the time of day dropped); invalid for NaN or out of range.
QDate toDate(DateValue value);
QDateTime toDateTime(DateValue value);
DateValue today(); // the current date, without time of day

// "DD.MM.YYYY", the form every page shows; empty for a value that is no calendar day.
QString format(DateValue value);
// Reads "DD.MM.YYYY" (day and month may have one digit, the year has four); surrounding
// blanks are allowed. No value when the text is not a real calendar date.
std::optional<DateValue> parse(QStringView text);
// Reads "YYYY-MM-DD", the form of the IPRA files, with the same rules.
std::optional<DateValue> parseIso(QStringView text);

} // namespace Dates
