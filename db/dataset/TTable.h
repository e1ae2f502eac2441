#pragma once

#include "db/dataset/TDataSet.h"

// A whole Paradox table opened read-only through a connection. The table name is a file name
// in the connection's folder, matched ignoring letter case; ".db" is assumed without extension.
class TTable : public TDataSet
{
    Q_OBJECT
public:
    using TDataSet::TDataSet;

    bool IsQuery() const override { return false; }
    const QString &TableName() const { return FTableName; }
    void SetTableName(const QString &name);
    bool ReadOnly() const { return true; }

protected:
    std::shared_ptr<const TRecordSet> OpenRows(TDatabase &database) override;
    QString DescribeForErrors() const override;
    QString DescribeOperation() const override;

private:
    QString FTableName;
};
