#include "execution/core/currentprg.h"

std::unique_ptr<TPRG> CurrentPrg;
