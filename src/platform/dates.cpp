#include "platform/dates.h"

#include <cmath>

namespace Dates {
namespace {

// Julian day number of 30.12.1899.
constexpr qint64 EpochJulianDay = 2415019;
constexpr qint64 MsecsPerDay = 86400000;

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Reads up to maxDigits (at least minDigits) decimal digits at pos.
bool readNumber(QStringView text, qsizetype& pos, int minDigits, int maxDigits, int& number)
{
    number = 0;
    int digits = 0;
    while (pos < text.size() && digits < maxDigits && isDigit(text[pos])) {
        number = number * 10 + (text[pos].unicode() - u'0');
        ++pos;
        ++digits;
    }
    return digits >= minDigits;
}

enum class Order { DayMonthYear, YearMonthDay };

std::optional<DateValue> parseWith(QStringView text, Order order, QChar separator)
{
    text = text.trimmed();
    qsizetype pos = 0;
    int first = 0, month = 0, last = 0;
    const int firstDigits = order == Order::YearMonthDay ? 4 : 2;
    const int firstMin = order == Order::YearMonthDay ? 4 : 1;
    const int lastDigits = order == Order::YearMonthDay ? 2 : 4;
    const int lastMin = order == Order::YearMonthDay ? 1 : 4;
    if (!readNumber(text, pos, firstMin, firstDigits, first))
        return std::nullopt;
    if (pos >= text.size() || text[pos] != separator)
        return std::nullopt;
    ++pos;
    if (!readNumber(text, pos, 1, 2, month))
        return std::nullopt;
    if (pos >= text.size() || text[pos] != separator)
        return std::nullopt;
    ++pos;
    if (!readNumber(text, pos, lastMin, lastDigits, last) || pos != text.size())
        return std::nullopt;
    const int year = order == Order::YearMonthDay ? first : last;
    const int day = order == Order::YearMonthDay ? last : first;
    // Year 0 does not exist in the calendar the register uses.
    if (year < 1 || !QDate::isValid(year, month, day))
        return std::nullopt;
    return fromDate(QDate(year, month, day));
}

} // namespace

QDate epoch() { return QDate(1899, 12, 30); }

bool isNoDate(DateValue value) { return value == NoDate; }
bool isNoEnd(DateValue value) { return std::trunc(value) == NoEnd; }

DateValue fromDate(const QDate& date)
{
    if (!date.isValid())
        return NoDate;
    return DateValue(date.toJulianDay() - EpochJulianDay);
}

DateValue fromDateTime(const QDateTime& dateTime)
{
    if (!dateTime.isValid())
        return NoDate;
    const DateValue days = fromDate(dateTime.date());
    const DateValue fraction = DateValue(dateTime.time().msecsSinceStartOfDay()) / MsecsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

QDate toDate(DateValue value)
{
    if (!std::isfinite(value) || std::fabs(value) > 1e8)
        return QDate();
    return QDate::fromJulianDay(EpochJulianDay + qint64(std::trunc(value)));
}

QDateTime toDateTime(DateValue value)
{
    const QDate date = toDate(value);
    if (!date.isValid())
        return QDateTime();
    const double fraction = std::fabs(value - std::trunc(value));
    qint64 msecs = qint64(std::llround(fraction * MsecsPerDay));
    if (msecs >= MsecsPerDay) // a fraction a hair below 1 rounds to the next midnight
        msecs = MsecsPerDay - 1;
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(msecs)));
}

DateValue today() { return fromDate(QDate::currentDate()); }

QString format(DateValue value)
{
    const QDate date = toDate(value);
    if (!date.isValid() || date.year() < 1)
        return QString();
    return QString::asprintf("%02d.%02d.%04d", date.day(), date.month(), date.year());
}

std::optional<DateValue> parse(QStringView text)
{
    return parseWith(text, Order::DayMonthYear, u'.');
}

std::optional<DateValue> parseIso(QStringView text)
{
    return parseWith(text, Order::YearMonthDay, u'-');
}

} // namespace Dates
