#include "import/iprarecord.h"

bool TPerson::AddAddress(AddressRef address)
{
    if (!address || addrs.size() >= IpraLimit::Addresses)
        return false;
    addrs.push_back(std::move(address));
    return true;
}

bool TPerson::AddDoc(DocRef doc)
{
    if (!doc || docs.size() >= IpraLimit::Documents)
        return false;
    docs.push_back(std::move(doc));
    return true;
}

TEventGroup* TPRG::AddEventGroup(qint32 fileTypeId)
{
    if (events.size() >= IpraLimit::EventGroups)
        return nullptr;
    auto group = std::make_unique<TEventGroup>();
    group->typeid_ = fileTypeId;
    events.push_back(std::move(group));
    return events.back().get();
}

namespace EventGroupType {

std::optional<int> storedCode(int fileTypeId)
{
    switch (fileTypeId) {
    case 34: return 2;
    case 35: return 3;
    case 36: return 4;
    case 37: return 99;
    default: return std::nullopt;
    }
}

QString tabCaption(int storedCode)
{
    switch (storedCode) {
    case 2: return QStringLiteral("Медицинская реабилитация");
    case 3: return QStringLiteral("Реконструктивная хирургия");
    case 4: return QStringLiteral("Протезирование, ортезирование");
    case 99: return QStringLiteral("Санаторно-курортное лечение");
    default: return QString();
    }
}

} // namespace EventGroupType
