#pragma once

#include <QAbstractTableModel>

class TDBGrid;

// The grid's rows and columns as a Qt model: one row per record of the bound dataset and one
// column per grid column. Values are read on demand through the dataset's active record, so
// nothing here grows with the number of records.
class DatasetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit DatasetModel(TDBGrid *grid);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Everything may have changed: rows, columns or both.
    void BeginReset() { beginResetModel(); }
    void EndReset() { endResetModel(); }
    // The titles changed; without columns there is no section to name.
    void HeaderChanged()
    {
        if (const int count = columnCount(); count > 0)
            emit headerDataChanged(Qt::Horizontal, 0, count - 1);
    }

private:
    TDBGrid *FGrid;
};
