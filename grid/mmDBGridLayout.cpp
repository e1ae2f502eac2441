#include "grid/mmDBGrid.h"

#include "db/dataset/TDataSet.h"
#include "db/dataset/TField.h"

#include <QFontMetrics>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

// Columns the application hides take no room: every pass below skips them, so a fit neither
// gives them width nor shows them again.

int TmmDBGrid::VisibleColumnCount() const
{
    int count = 0;
    for (int i = 0; i < Columns().Count(); ++i)
        if (Columns().Items(i)->Visible())
            ++count;
    return count;
}

int TmmDBGrid::NextVisibleCol(int aCol) const
{
    for (int col = std::max(aCol + 1, IndicatorOffset()); col < ColCount(); ++col)
        if (ColumnOfCol(col)->Visible())
            return col;
    return -1;
}

int TmmDBGrid::LastVisibleCol() const
{
    for (int col = ColCount() - 1; col >= IndicatorOffset(); --col)
        if (ColumnOfCol(col)->Visible())
            return col;
    return -1;
}

int TmmDBGrid::ColumnsWidth() const
{
    const int line = LineExtent();
    int width = 0;
    for (int col = NextVisibleCol(-1); col >= 0; col = NextVisibleCol(col))
        width += ColWidths(col) + line;
    return width;
}

int TmmDBGrid::AvailableWidth() const
{
    // The viewport's own geometry lags behind a resize that has not been delivered yet, so the
    // room is worked out from the grid's: the client area less a vertical scroll bar.
    int width = contentsRect().width();
    if (verticalScrollBar()->isVisibleTo(this))
        width -= verticalScrollBar()->sizeHint().width();
    if (HasOption(TDBGridOption::dgIndicator))
        width -= ColWidths(0) + LineExtent();
    return width;
}

void TmmDBGrid::FitColumns()
{
    // Width changes made here must reach the base uncorrected.
    const QScopedValueRollback pause(FScalingEnabled, false);
    const int total = ColumnsWidth();
    const int avail = AvailableWidth();
    const int count = VisibleColumnCount();
    if (total <= 0 || count == 0)
        return;
    for (int col = NextVisibleCol(-1); col >= 0; col = NextVisibleCol(col)) {
        // Halves go to the even neighbour (the default floating-point rounding).
        const double scaled = double(ColWidths(col)) * double(avail) / double(total);
        SetColWidths(col, std::max(FMinColWidth, int(std::nearbyint(scaled))));
    }
    int rest = avail - ColumnsWidth();
    // The cursor survives between fits, so the remainders of successive resizes in one
    // direction go to the columns in turn.
    for (int step = 0; step < count && rest != 0; ++step) {
        int next = NextVisibleCol(FScaleCursor < 0 ? -1 : FScaleCursor + IndicatorOffset());
        if (next < 0)
            next = NextVisibleCol(-1);
        FScaleCursor = next - IndicatorOffset();
        const int extent = ColWidths(next) + rest;
        if (extent > FMinColWidth) {
            SetColWidths(next, extent);
            rest = 0;
        } else {
            SetColWidths(next, FMinColWidth);
            rest = extent - FMinColWidth;
        }
    }
}

void TmmDBGrid::SetBounds(const QRect &bounds)
{
    const int current = BoundsWidth();
    if (bounds.width() > current && !FGrowing) {
        FGrowing = true;
        FScaleCursor = -1;
    } else if (bounds.width() < current && FGrowing) {
        FGrowing = false;
        FScaleCursor = -1;
    }
    TDBGrid::SetBounds(bounds);
    if (DataLinkActive() && FScaleColumns && parentWidget() && FScalingEnabled)
        FitColumns();
}

void TmmDBGrid::UpdateSizingColumn(const QPoint &pos)
{
    int index = -1;
    FSizingColumn = CalcSizingState(pos, index) == TGridState::gsColSizing ? index : -1;
}

void TmmDBGrid::ColWidthsChanged()
{
    if (DataLinkActive() && FScalingEnabled) {
        const int k = FSizingColumn;
        if (k < IndicatorOffset() || k >= ColCount()) {
            // Not a border the user dragged.
            TDBGrid::ColWidthsChanged();
            if (FScaleColumns)
                SetBounds(geometry());
            return;
        }
        if (FScaleColumns && k == LastVisibleCol()) {
            // With scaling the last column's right edge is the grid's: it cannot be dragged.
            {
                const QScopedValueRollback pause(FScalingEnabled, false);
                SetColWidths(k, FSizingStartWidth);
            }
            TDBGrid::ColWidthsChanged();
            return;
        }
        const int next = FScaleColumns ? NextVisibleCol(k) : -1;
        {
            const QScopedValueRollback pause(FScalingEnabled, false);
            int width = std::max(ColWidths(k), FMinColWidth);
            int neighbour = next >= 0 ? ColWidths(next) + FSizingStartWidth - width : 0;
            if (next >= 0 && neighbour < FMinColWidth) {
                width -= FMinColWidth - neighbour;
                neighbour = FMinColWidth;
            }
            SetColWidths(k, width);
            if (next >= 0)
                SetColWidths(next, neighbour);
            // The header reports a drag on every pointer move, not once at its end: each report
            // is corrected against the width the previous one left.
            FSizingStartWidth = width;
        }
    }
    TDBGrid::ColWidthsChanged();
    FLastColumnCount = VisibleColumnCount();
}

void TmmDBGrid::GridColumnMoved(TDBGrid *sender, int fromIndex, int toIndex)
{
    // A moved column starts a new sizing round from the first data column.
    FSizingColumn = IndicatorOffset();
    FSizingStartWidth = Columns().Count() > 0 ? ColWidths(FSizingColumn) : 0;
    if (FSavedOnColumnMoved)
        FSavedOnColumnMoved(sender, fromIndex, toIndex);
}

void TmmDBGrid::AutoFitColumn(int aCol)
{
    TColumn *column = ColumnOfCol(aCol);
    TField *field = column ? column->Field() : nullptr;
    if (!field)
        return;
    // Only the current record and the caption are measured, not the other rows.
    int width = 0;
    if (TCheckField *checkField = FindCheckField(field->FieldName())) {
        int index = -1;
        TField *keyField = DataSet()->FindField(checkField->KeyFieldName);
        const QString key = keyField ? keyField->DisplayText() : QString();
        width = IsValueChecked(checkField, key, index) ? FGlyphChecked.width()
                                                       : FGlyphUnChecked.width();
    }
    width += GetCellIndent(false, true, field);
    width += QFontMetrics(column->Font().ToQFont(), this).horizontalAdvance(field->DisplayText());
    const int caption = QFontMetrics(column->Title().Font().ToQFont(), this)
                            .horizontalAdvance(column->Title().Caption());
    SetColWidths(aCol, std::max(width, caption) + 4);
}
