#include "import/keymap.h"

#include "import/fixedtext.h"
#include "platform/errors.h"

#include <QHash>

namespace {

enum class Action : quint8 {
    DevelopDate,
    PersonSnils,
    PersonLastName,
    PersonFirstName,
    PersonSecondName,
    PersonBirthDate,
    PersonIsMale,
    ProtocolNum,
    ProtocolDate,
    Number,
    IssueDate,
    Id,
    GroupTypeId,
    GroupTypeValue,
    GroupNeed,
    GroupFrom,
    GroupTo,
    GroupExecutor,
    SenderName,
    EndDate,
    ReprLastName,
    ReprFirstName,
    ReprSecondName,
    AddressTypeId,
    AddressValue,
    AddressPlace,
    AddressStreet,
    AddressHouse,
    AddressAppart,
    Phone,
    AddressClose,
    DocTitle,
    DocSeries,
    DocNumber,
    DocIssuer,
    HolderDocIssueDate,
    ReprDocIssueDate,
};

// The key table. A key that stands in two rows of it (the holder's names, birth date and
// SNILS fill the record and the holder) has one action doing both, record first.
const QHash<QString, Action>& keyTable()
{
    static const QHash<QString, Action> table = {
        {QStringLiteral("DevelopDate"), Action::DevelopDate},
        {QStringLiteral("PersonSNILS"), Action::PersonSnils},
        {QStringLiteral("PersonFIOct:LastName"), Action::PersonLastName},
        {QStringLiteral("PersonFIOct:FirstName"), Action::PersonFirstName},
        {QStringLiteral("PersonFIOct:SecondName"), Action::PersonSecondName},
        {QStringLiteral("PersonBirthDate"), Action::PersonBirthDate},
        {QStringLiteral("PersonIsMale"), Action::PersonIsMale},
        {QStringLiteral("ProtocolNum"), Action::ProtocolNum},
        {QStringLiteral("ProtocolDate"), Action::ProtocolDate},
        {QStringLiteral("Number"), Action::Number},
        {QStringLiteral("IssueDate"), Action::IssueDate},
        {QStringLiteral("Id"), Action::Id},
        {QStringLiteral("MedSectionEventGroupsGroupGroupTypect:Id"), Action::GroupTypeId},
        {QStringLiteral("MedSectionEventGroupsGroupGroupTypect:Value"), Action::GroupTypeValue},
        {QStringLiteral("MedSectionEventGroupsGroupNeed"), Action::GroupNeed},
        {QStringLiteral("MedSectionEventGroupsGroupPeriodFrom"), Action::GroupFrom},
        {QStringLiteral("MedSectionEventGroupsGroupPeriodTo"), Action::GroupTo},
        {QStringLiteral("MedSectionEventGroupsGroupExecutor"), Action::GroupExecutor},
        {QStringLiteral("MedSectionSenderMedOrgName"), Action::SenderName},
        {QStringLiteral("EndDate"), Action::EndDate},
        {QStringLiteral("RepresentativeFIOct:LastName"), Action::ReprLastName},
        {QStringLiteral("RepresentativeFIOct:FirstName"), Action::ReprFirstName},
        {QStringLiteral("RepresentativeFIOct:SecondName"), Action::ReprSecondName},
        {QStringLiteral("PersonLivingAddressTypect:Id"), Action::AddressTypeId},
        {QStringLiteral("PersonRegAddressTypect:Id"), Action::AddressTypeId},
        {QStringLiteral("PersonLivingAddressValue"), Action::AddressValue},
        {QStringLiteral("PersonRegAddressValue"), Action::AddressValue},
        {QStringLiteral("PersonLivingAddressFieldsPlace"), Action::AddressPlace},
        {QStringLiteral("PersonRegAddressFieldsPlace"), Action::AddressPlace},
        {QStringLiteral("PersonLivingAddressFieldsStreet"), Action::AddressStreet},
        {QStringLiteral("PersonRegAddressFieldsStreet"), Action::AddressStreet},
        {QStringLiteral("PersonLivingAddressFieldsHouse"), Action::AddressHouse},
        {QStringLiteral("PersonRegAddressFieldsHouse"), Action::AddressHouse},
        {QStringLiteral("PersonLivingAddressFieldsAppartment"), Action::AddressAppart},
        {QStringLiteral("PersonRegAddressFieldsAppartment"), Action::AddressAppart},
        {QStringLiteral("PersonPhonesPhone"), Action::Phone},
        {QStringLiteral("PersonHasNoLivingAddress"), Action::AddressClose},
        {QStringLiteral("PersonHasNoRegAddress"), Action::AddressClose},
        {QStringLiteral("PersonIdentityDocct:Title"), Action::DocTitle},
        {QStringLiteral("PersonIdentityDocct:Series"), Action::DocSeries},
        {QStringLiteral("PersonIdentityDocct:Number"), Action::DocNumber},
        {QStringLiteral("PersonIdentityDocct:Issuer"), Action::DocIssuer},
        {QStringLiteral("PersonIdentityDocct:IssueDate"), Action::HolderDocIssueDate},
        {QStringLiteral("RepresentativeIdentityDocct:Title"), Action::DocTitle},
        {QStringLiteral("RepresentativeAuthorityDocct:Title"), Action::DocTitle},
        {QStringLiteral("RepresentativeIdentityDocct:Series"), Action::DocSeries},
        {QStringLiteral("RepresentativeAuthorityDocct:Series"), Action::DocSeries},
        {QStringLiteral("RepresentativeIdentityDocct:Number"), Action::DocNumber},
        {QStringLiteral("RepresentativeAuthorityDocct:Number"), Action::DocNumber},
        {QStringLiteral("RepresentativeIdentityDocct:Issuer"), Action::DocIssuer},
        {QStringLiteral("RepresentativeAuthorityDocct:Issuer"), Action::DocIssuer},
        {QStringLiteral("RepresentativeIdentityDocct:IssueDate"), Action::ReprDocIssueDate},
        {QStringLiteral("RepresentativeAuthorityDocct:IssueDate"), Action::ReprDocIssueDate},
    };
    return table;
}

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Optional sign, then decimal digits; false when anything else stands there.
bool readInteger(QStringView text, qint64& number)
{
    qsizetype pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-'))
        negative = text[pos++] == u'-';
    if (pos == text.size())
        return false;
    number = 0;
    for (; pos < text.size(); ++pos) {
        if (!isAsciiDigit(text[pos]))
            return false;
        number = number * 10 + (text[pos].unicode() - u'0');
        if (number > qint64(1) << 32) // far enough out of range; keeps the sum from overflowing
            return false;
    }
    if (negative)
        number = -number;
    return true;
}

// A decimal number ("1", "-0", "2.50"); nonZero tells whether it is anything but zero.
bool readNumber(QStringView text, bool& nonZero)
{
    qsizetype pos = 0;
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-'))
        ++pos;
    int digits = 0;
    bool point = false;
    nonZero = false;
    for (; pos < text.size(); ++pos) {
        const QChar c = text[pos];
        if (isAsciiDigit(c)) {
            ++digits;
            nonZero = nonZero || c != u'0';
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits > 0;
}

[[noreturn]] void conversionError(const char* form, const QString& value)
{
    throw ConversionError(QString::fromLatin1(form).arg(value));
}

} // namespace

DateValue IpraDateValue(const QString& value)
{
    const std::optional<DateValue> date = Dates::parseIso(value);
    if (!date)
        conversionError("'%1' is not a valid date", value);
    return *date;
}

qint32 IpraIntegerValue(const QString& value)
{
    qint64 number = 0;
    if (!readInteger(QStringView(value).trimmed(), number) || number < INT32_MIN || number > INT32_MAX)
        conversionError("'%1' is not a valid integer value", value);
    return qint32(number);
}

bool IpraBooleanValue(const QString& value)
{
    const QStringView text = QStringView(value).trimmed();
    if (text.compare(u"true", Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(u"false", Qt::CaseInsensitive) == 0)
        return false;
    bool nonZero = false;
    if (!readNumber(text, nonZero))
        conversionError("'%1' is not a valid boolean value", value);
    return nonZero;
}

TEventGroup* IpraMapper::currentGroup() const
{
    if (m_groupsFull || m_record.events.empty())
        return nullptr;
    return m_record.events.back().get();
}

// A document reaches a list when its issue date is met; without an owner it is kept nowhere.
void IpraMapper::closeDoc(TPerson* owner, const QString& value)
{
    if (!m_doc)
        return;
    m_doc->issuedt = IpraDateValue(value);
    if (owner != nullptr)
        owner->AddDoc(m_doc);
}

void IpraMapper::MapIpraValue(const QString& key, const QString& value)
{
    const auto found = keyTable().constFind(key);
    if (found == keyTable().constEnd())
        return;

    TPRG& r = m_record;
    TPerson* const holder = r.holder.get();
    TPerson* const repr = r.repr.get();

    switch (*found) {
    case Action::DevelopDate:
        r.dt = IpraDateValue(value);
        break;
    case Action::PersonSnils:
        assignCut(r.snils, value, IpraCap::Snils);
        if (holder)
            assignCut(holder->snils, value, IpraCap::Snils);
        break;
    case Action::PersonLastName:
        assignCut(r.lname, value, IpraCap::Name);
        // A second last name starts a new holder: nothing of the first one carries over.
        r.holder = std::make_unique<TPerson>(quint8(0));
        assignCut(r.holder->lname, value, IpraCap::Name);
        break;
    case Action::PersonFirstName:
        assignCut(r.fname, value, IpraCap::Name);
        if (holder)
            assignCut(holder->fname, value, IpraCap::Name);
        break;
    case Action::PersonSecondName:
        assignCut(r.sname, value, IpraCap::Name);
        if (holder)
            assignCut(holder->sname, value, IpraCap::Name);
        break;
    case Action::PersonBirthDate: {
        const DateValue date = IpraDateValue(value);
        r.bdate = date;
        if (holder)
            holder->bdate = date;
        break;
    }
    case Action::PersonIsMale:
        r.gndr = value == u"true" ? 1 : 2;
        break;
    case Action::ProtocolNum:
        assignCut(r.docnum, value, IpraCap::DocNum);
        break;
    case Action::ProtocolDate:
        r.docdt = IpraDateValue(value);
        break;
    case Action::Number:
        assignCut(r.prgnum, value, IpraCap::PrgNum);
        break;
    case Action::IssueDate:
        r.prgdt = IpraDateValue(value);
        break;
    case Action::Id:
        assignCut(r.mseid, value, IpraCap::MseId);
        break;
    case Action::GroupTypeId: {
        const qint32 typeId = IpraIntegerValue(value);
        if (!m_groupsFull && r.AddEventGroup(typeId) == nullptr)
            m_groupsFull = true;
        break;
    }
    case Action::GroupTypeValue:
        if (TEventGroup* group = currentGroup())
            assignCut(group->caption, value, IpraCap::Caption);
        break;
    case Action::GroupNeed:
        if (TEventGroup* group = currentGroup())
            group->need = IpraBooleanValue(value);
        break;
    case Action::GroupFrom:
        if (TEventGroup* group = currentGroup())
            group->pfrom = IpraDateValue(value);
        break;
    case Action::GroupTo:
        if (TEventGroup* group = currentGroup())
            group->pto = IpraDateValue(value);
        break;
    case Action::GroupExecutor:
        if (TEventGroup* group = currentGroup())
            group->execut = value;
        break;
    case Action::SenderName:
        r.send_mo = value;
        break;
    case Action::EndDate:
        r.enddt = IpraDateValue(value);
        break;
    case Action::ReprLastName:
        r.repr = std::make_unique<TPerson>(quint8(1));
        assignCut(r.repr->lname, value, IpraCap::Name);
        break;
    case Action::ReprFirstName:
        if (repr)
            assignCut(repr->fname, value, IpraCap::Name);
        break;
    case Action::ReprSecondName:
        if (repr)
            assignCut(repr->sname, value, IpraCap::Name);
        break;
    case Action::AddressTypeId: {
        const qint32 typeId = IpraIntegerValue(value);
        m_address = std::make_shared<TAddress>();
        m_address->atype = quint8(typeId & 0xFF);
        break;
    }
    case Action::AddressValue:
        if (m_address)
            assignCut(m_address->afull, value, IpraCap::AddrFull);
        break;
    case Action::AddressPlace:
        if (m_address)
            assignCut(m_address->place, value, IpraCap::Place);
        break;
    case Action::AddressStreet:
        if (m_address)
            assignCut(m_address->street, value, IpraCap::Street);
        break;
    case Action::AddressHouse:
        if (m_address)
            assignCut(m_address->house, value, IpraCap::House);
        break;
    case Action::AddressAppart:
        if (m_address)
            assignCut(m_address->appart, value, IpraCap::Appart);
        break;
    case Action::Phone:
        if (holder)
            assignCut(holder->phone, value, IpraCap::Phone);
        break;
    case Action::AddressClose:
        if (m_address && holder)
            holder->AddAddress(m_address);
        break;
    case Action::DocTitle:
        m_doc = std::make_shared<TDoc>();
        assignCut(m_doc->title, value, IpraCap::DocTitle);
        break;
    case Action::DocSeries:
        if (m_doc)
            assignCut(m_doc->series, value, IpraCap::DocSeries);
        break;
    case Action::DocNumber:
        if (m_doc)
            assignCut(m_doc->numb, value, IpraCap::DocNumb);
        break;
    case Action::DocIssuer:
        if (m_doc)
            assignCut(m_doc->issuer, value, IpraCap::DocIssuer);
        break;
    case Action::HolderDocIssueDate:
        closeDoc(holder, value);
        break;
    case Action::ReprDocIssueDate:
        closeDoc(repr, value);
        break;
    }
}
