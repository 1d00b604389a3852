#pragma once

#include <QString>

// The caption line of an address type (k_address.atype, the type code the import takes
// from the IPRA file), as the person panels show it above the address.
QString AddressTypeCaption(int atype);
