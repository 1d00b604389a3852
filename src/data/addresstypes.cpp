#include "addresstypes.h"

QString AddressTypeCaption(int atype)
{
    switch (atype) {
    case 1:
        return QStringLiteral("Адрес места жительства");
    case 2:
        return QStringLiteral("Адрес места пребывания (при отсутствии места жительства)");
    case 3:
        return QStringLiteral("Адрес фактического проживания (при отсутствии места жительства)");
    case 5:
        return QStringLiteral("Адрес места постоянной регистрации");
    default:
        // A type the register has no caption for is still named, so that the lines below
        // it are not taken for another address.
        return QStringLiteral("Адрес (тип %1)").arg(atype);
    }
}
