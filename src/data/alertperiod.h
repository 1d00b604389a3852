#pragma once

#include <cstdint>

// Whole months before an end date at which the lists start to warn about it; read once
// when the main window opens, from the 'AlertPeriod' row of k_vars (its low 8 bits).
extern uint8_t AlertPeriodMonths;

// Reads 'AlertPeriod' through adoqTmp into AlertPeriodMonths. A missing row, a null or a
// value that is not a whole number is an error for the program-wide display; the
// setting then keeps its previous value.
void LoadAlertPeriod();
