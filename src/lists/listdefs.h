#pragma once

#include "data/datasource.h"

#include <QList>
#include <QString>

// What the lists of the pages show, defined once for the pages and for ipra-report: the
// statement texts they are run with and their grid columns (hidden ones included, in the
// grid's order, with titles and widths; width 0 is the grid's default width).
namespace ListDefs {

// The distribution list's text for a filter item: 0 every IPRA, 1 those without a
// responsible organisation, 2 those with one; empty for any other item.
QString DistrIpraStatement(int item);
// The execution list's text for the review (role level 8): what was sent, of every
// organisation. The other levels keep adoqOrgIpra's own text.
QString OrgIpraReviewStatement();

QList<GridColumn> DistrIpraColumns();
QList<GridColumn> OrgIpraColumns();
QList<GridColumn> EmpTNamesColumns();
QList<GridColumn> TNamesColumns();
QList<GridColumn> ExecsColumns();

} // namespace ListDefs
