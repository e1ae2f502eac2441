#include "grid/DatasetModel.h"

#include "db/dataset/TDataSet.h"
#include "db/dataset/TField.h"
#include "grid/TDBGrid.h"

DatasetModel::DatasetModel(TDBGrid *grid)
    : QAbstractTableModel(grid)
    , FGrid(grid)
{ }

int DatasetModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !FGrid->DataLinkActive())
        return 0;
    return FGrid->DataSet()->RecordCount();
}

int DatasetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : FGrid->Columns().Count();
}

QVariant DatasetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !FGrid->DataLinkActive() || index.column() >= FGrid->Columns().Count())
        return {};
    TDataSet *dataSet = FGrid->DataSet();
    // The view may still ask for rows of a result that shrank while its observers were muted.
    if (index.row() >= dataSet->RecordCount())
        return {};
    TColumn *column = FGrid->Columns().Items(index.column());
    switch (role) {
    case Qt::DisplayRole: {
        TField *field = column->Field();
        if (!field)
            return QString();
        TActiveRecordGuard guard(dataSet, index.row());
        return field->DisplayText();
    }
    case Qt::EditRole: {
        TField *field = column->Field();
        if (!field)
            return {};
        TActiveRecordGuard guard(dataSet, index.row());
        return field->AsVariant();
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(ToQtAlignment(column->Alignment()) | Qt::AlignVCenter);
    case Qt::FontRole:
        return column->Font().ToQFont();
    default:
        return {};
    }
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= FGrid->Columns().Count())
        return {};
    const TColumn *column = FGrid->Columns().Items(section);
    switch (role) {
    case Qt::DisplayRole:
        return column->Title().Caption();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(ToQtAlignment(column->Title().Alignment()) | Qt::AlignVCenter);
    case Qt::FontRole:
        return column->Title().Font().ToQFont();
    default:
        return {};
    }
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
