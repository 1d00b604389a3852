#pragma once

#include "data/datasource.h"
#include "data/sqlstatement.h"

#include <QString>

#include <functional>
#include <optional>

// A list written to a spreadsheet file as its grid shows it: the visible columns with
// their titles, every row in the grid's order, each cell's text as the grid shows it.
namespace TableExport {

enum class Format { Xlsx, Csv };

// The format a file name's suffix asks for (letter case does not count).
std::optional<Format> FormatOfFile(const QString& path);

// Called now and then with the rows written so far; false stops the export.
using Progress = std::function<bool(int done, int total)>;

enum class Result { Done, Cancelled };

// Writes the rows to path. The file appears whole or not at all: it is written beside its
// place under a temporary name and renamed at the end, replacing a file of that name, and
// a cancelled or failed export leaves nothing behind. Throws AppError with a Russian text
// when the file cannot be written.
//   .xlsx: a bold title row, frozen, with an autofilter; dates and times as real dates
//     (DD.MM.YYYY), numbers as numbers, texts as texts; columns as wide as their texts.
//     Written in the library's constant-memory mode, a row at a time.
//   .csv: UTF-8 with a byte order mark, ";" between the cells, a cell holding ";", '"'
//     or a line break in double quotes (its quotes doubled), lines ended by CR LF.
Result Write(const SqlRows& rows, const QList<GridColumn>& columns, const QString& path,
             Format format, const Progress& progress = {});

} // namespace TableExport
