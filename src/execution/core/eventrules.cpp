#include "execution/core/eventrules.h"

#include <cmath>

std::optional<Rgb> EventStateColour(int state)
{
    switch (state) {
    case EventState::InProgress: return Rgb{250, 234, 180};
    case EventState::Returned: return Rgb{255, 128, 64};
    case EventState::Sent: return Rgb{133, 205, 129};
    case EventState::Accepted: return Rgb{184, 238, 245};
    default: return std::nullopt;
    }
}

std::optional<Rgb> IpraStateColour(int state)
{
    if (state < IpraState::InProgress || state > IpraState::Accepted)
        return std::nullopt;
    return EventStateColour(state - 1);
}

int WholeMonthsApart(DateValue a, DateValue b)
{
    return int(std::trunc(std::fabs(a - b) / 30.4375));
}

bool IsAlertDate(DateValue date, DateValue today, int periodMonths)
{
    return WholeMonthsApart(date, today) <= periodMonths;
}

QString EventPeriodText(DateValue from, DateValue to)
{
    const QString period = Dates::format(from) + QLatin1Char('-') + Dates::format(to);
    return period == QLatin1String("30.12.1899-01.01.0001") ? QStringLiteral("Бессрочно") : period;
}

QString EventStateText(int state)
{
    switch (state) {
    case EventState::InProgress: return QStringLiteral("в работе");
    case EventState::Returned: return QStringLiteral("возвращено на доработку");
    case EventState::Sent: return QStringLiteral("закрыто и отправлено");
    case EventState::Accepted: return QStringLiteral("принято");
    default: return QString();
    }
}

QString IpraStateText(int state)
{
    switch (state) {
    case IpraState::NoRecords: return QStringLiteral("мероприятия не внесены");
    case IpraState::InProgress: return QStringLiteral("мероприятия в работе");
    case IpraState::Returned: return QStringLiteral("есть мероприятия, возвращённые на доработку");
    case IpraState::Sent: return QStringLiteral("мероприятия отправлены на проверку");
    case IpraState::Accepted: return QStringLiteral("все мероприятия приняты");
    default: return QString();
    }
}

uint8_t CloseTargetState(uint8_t lvl)
{
    switch (lvl) {
    case RoleLevel::Organisation: return EventState::Sent;
    case RoleLevel::Review: return EventState::Accepted;
    default: return EventState::InProgress;
    }
}

uint8_t SaveState(uint8_t lvl, uint8_t state)
{
    if (lvl == RoleLevel::Review && state == EventState::Sent)
        return EventState::Returned;
    return state;
}

bool EditorEnabledFor(uint8_t lvl, const QString& stateText)
{
    const QString state = stateText.left(3);
    switch (lvl) {
    case RoleLevel::Organisation:
        return state.isEmpty() || state == QLatin1String("0") || state == QLatin1String("1");
    case RoleLevel::Review:
        return state == QLatin1String("2");
    case RoleLevel::Admin:
        return true;
    default:
        return false; // view only
    }
}
