#include "data/currentorg.h"

TOrg* CurrentOrg = nullptr;
