#pragma once

#include <QString>

class TResultTable;

// The texts the window's copy commands put on the clipboard. A row is its cells separated by
// tabs and the whole result is one such line per record under a line of captions, so that a
// spreadsheet pastes it as a table.
namespace ResultText {

// The current cell's text; empty without a current record.
QString Cell(const TResultTable &table);
// The current record's cells; empty without a current record.
QString Row(const TResultTable &table);
// The captions, then every record in the result's order.
QString All(const TResultTable &table);

} // namespace ResultText
