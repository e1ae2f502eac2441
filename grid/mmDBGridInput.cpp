#include "grid/mmDBGrid.h"

#include "db/dataset/TDataSet.h"
#include "db/dataset/TField.h"

QString TmmDBGrid::CheckKeyText(const TCheckField *checkField) const
{
    return DataSet()->FieldByName(checkField->KeyFieldName)->AsString();
}

void TmmDBGrid::ToggleCheck(TCheckField *checkField, bool checked, int index)
{
    // Only the in-memory list changes; the dataset is not touched.
    if (checked)
        UncheckValue(checkField, index);
    else
        CheckValue(checkField, CheckKeyText(checkField));
    viewport()->update(visualRect(currentIndex()));
}

void TmmDBGrid::MouseDown(
    Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &pos)
{
    TCheckField *checkField = nullptr;
    bool checked = false;
    int index = -1;
    if (button == Qt::LeftButton && FShowCheckBoxes && DataLinkActive()) {
        const TGridCoord cell = MouseCoord(pos);
        const TColumn *column = ColumnOfCol(cell.X);
        const TField *field = column ? column->Field() : nullptr;
        const int record = RecordOfRow(cell.Y);
        if (field && cell.Y >= TitleOffset() && record >= 0)
            checkField = FindCheckField(field->FieldName());
        if (checkField) {
            {
                TActiveRecordGuard guard(DataSet(), record);
                checked = IsValueChecked(checkField, CheckKeyText(checkField), index);
            }
            // Only the glyph on the first text line toggles; its edges count as inside.
            const QRect cellRect = CellRect(cell.X, cell.Y);
            const int left = cellRect.left() + GetCellIndent(false, false, nullptr) + 2;
            const int right = left + (checked ? FGlyphChecked.width() : FGlyphUnChecked.width());
            const int top = cellRect.top();
            const int bottom = top + cellRect.height() / LinesPerRow();
            if (pos.x() < left || pos.x() > right || pos.y() < top || pos.y() > bottom)
                checkField = nullptr;
        }
    }
    // The base makes the clicked record current (right button too, so that the menu acts on
    // the record under the pointer), or starts a border drag.
    TDBGrid::MouseDown(button, modifiers, pos);
    if (FShowCheckBoxes && checkField) {
        HideEditor();
        ToggleCheck(checkField, checked, index);
    }
    if (button == Qt::RightButton) {
        // The column under the pointer's horizontal position, wherever the pointer is in height.
        FPopupColumn = ColumnOfCol(MouseCoord(QPoint(pos.x(), 0)).X);
        PrepareMenuForPress();
    }
    if (FSizingColumn >= 0 && FSizingColumn < ColCount())
        FSizingStartWidth = ColWidths(FSizingColumn);
}

void TmmDBGrid::DblClick()
{
    const QPoint pos = LastMousePos();
    UpdateSizingColumn(pos);
    if (FSizingColumn >= 0 && FSizingColumn < ColCount()) {
        // A border double-click fits the column and never sorts, even on the title row.
        AutoFitColumn(FSizingColumn);
    } else {
        const TGridCoord cell = MouseCoord(pos);
        // Without a title row, row 0 is a data row: it does not sort.
        if (TitleOffset() > 0 && cell.Y == 0 && cell.X >= IndicatorOffset())
            SortByTitle(cell.X);
    }
    TDBGrid::DblClick();
}

void TmmDBGrid::KeyPress(QChar key)
{
    TField *field = SelectedField();
    if (key != QLatin1Char(' ') || !FShowCheckBoxes || !field || EditorMode()) {
        TDBGrid::KeyPress(key);
        return;
    }
    // The space is the check box's key: in a column without one it does nothing at all.
    TCheckField *checkField = FindCheckField(field->FieldName());
    if (!checkField)
        return;
    int index = -1;
    const bool checked = IsValueChecked(checkField, CheckKeyText(checkField), index);
    ToggleCheck(checkField, checked, index);
}
