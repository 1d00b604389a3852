#pragma once

#include <QString>

class DataSource;
class QWidget;

// "Выгрузить…" of a list: asks where to save, .xlsx or .csv (the dialog's filter or the
// name's suffix decides), and writes what the grid shows: its visible columns with their
// titles and its rows in its order, narrowing included. A progress bar with a cancel
// button shows on a long export; a cancelled or failed export leaves no file, and a failure
// is told in an error box. baseName names the file offered, with today's date after it.
void ExportGridRows(QWidget* parent, const DataSource& source, const QString& baseName);
