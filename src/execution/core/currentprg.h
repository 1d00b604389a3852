#pragma once

#include "import/iprarecord.h"

#include <memory>

// The IPRA of the execution page: the record of the list row clicked last, read back
// from the database with its recorded events. Null until the first click.
extern std::unique_ptr<TPRG> CurrentPrg;
