#include "app/ResultTable.h"

#include "db/dataset/TDataSet.h"
#include "grid/mmDBGrid.h"

#include <QAbstractItemModel>

TResultTable::TResultTable(const TmmDBGrid &grid)
    : FGrid(grid)
{
    const TDBGridColumns &columns = grid.Columns();
    for (int i = 0; i < columns.Count(); ++i) {
        const TColumn *column = columns.Items(i);
        if (!column->Visible())
            continue;
        FColumns.push_back(column);
        FGridIndexes.push_back(i);
        FCaptions << column->Title().Caption();
    }
}

int TResultTable::RowCount() const
{
    return FGrid.DataLinkActive() ? FGrid.DataSet()->RecordCount() : 0;
}

QString TResultTable::Text(int row, int column) const
{
    const QAbstractItemModel *model = FGrid.model();
    return model->data(model->index(row, FGridIndexes.at(size_t(column)))).toString();
}

QStringList TResultTable::Row(int row) const
{
    QStringList texts;
    texts.reserve(ColumnCount());
    for (int column = 0; column < ColumnCount(); ++column)
        texts << Text(row, column);
    return texts;
}

int TResultTable::CurrentRow() const
{
    return RowCount() > 0 ? FGrid.DataSet()->CurrentRow() : -1;
}

int TResultTable::CurrentColumn() const
{
    const int selected = FGrid.SelectedIndex();
    for (int column = 0; column < ColumnCount(); ++column)
        if (FGridIndexes[size_t(column)] == selected)
            return column;
    return -1;
}

TAlignment TResultTable::Alignment(int column) const
{
    return FColumns.at(size_t(column))->Alignment();
}

int TResultTable::Width(int column) const
{
    return FColumns.at(size_t(column))->Width();
}
