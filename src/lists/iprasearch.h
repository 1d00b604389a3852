#pragma once

#include "data/sqlstatement.h"
#include "lists/searchterms.h"

// Runs one of the data module's search statements (adoqIpraSearch, adoqOrgIpraSearch, or a
// copy of one on another connection) for the terms and returns the ids of the IPRAs it
// finds. Parameters other than the terms' (the organisation) are set by the caller.
SqlQuery::KeySet FindIpraIds(SqlQuery& statement, const SearchTerms& terms);
