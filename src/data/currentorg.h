#pragma once

#include <QString>
#include <cstdint>

// The organisation the logged-in user works for, with the login's role level.
struct TOrg
{
    int32_t mo_id = 0;
    QString name;
    QString scode;
    QString inn;
    QString ogrn;
    uint8_t lvl = 0; // the low 8 bits of the stored level
};

// Set once by a successful login and never replaced during the run.
extern TOrg* CurrentOrg;
