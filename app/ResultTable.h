#pragma once

#include "core/TAlignment.h"

#include <QStringList>
#include <vector>

class TColumn;
class TmmDBGrid;

// The result as the grid shows it: the visible columns in the order the user sees them, with
// the captions the window gave them, and each record's cell texts in the result's current
// order (a sort reopens the result in its new order). The texts come from the grid's own model,
// which reads a record without moving the result's cursor.
class TResultTable
{
public:
    explicit TResultTable(const TmmDBGrid &grid);

    int ColumnCount() const { return int(FColumns.size()); }
    int RowCount() const;
    const QStringList &Captions() const { return FCaptions; }
    QString Text(int row, int column) const;
    QStringList Row(int row) const;

    // The record the cursor stands on; -1 when there is none.
    int CurrentRow() const;
    // The visible column of the grid's current cell; -1 when there is none.
    int CurrentColumn() const;

    // The column's cell alignment and its width on screen, in pixels.
    TAlignment Alignment(int column) const;
    int Width(int column) const;

private:
    const TmmDBGrid &FGrid;
    std::vector<const TColumn *> FColumns;
    std::vector<int> FGridIndexes; // of each visible column in the grid's columns
    QStringList FCaptions;
};
