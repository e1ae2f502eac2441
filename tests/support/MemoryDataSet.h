#pragma once

#include "db/dataset/TDataSet.h"
#include "db/paradox/TRecordSet.h"

#include <memory>

// A dataset over rows the test makes, opened through a real connection; it can pose as a
// query for the behaviour that depends on that.
class TMemoryDataSet : public TDataSet
{
public:
    using TDataSet::TDataSet;
    std::shared_ptr<TRecordSet> Rows = std::make_shared<TRecordSet>();
    bool PoseAsQuery = false;
    bool IsQuery() const override { return PoseAsQuery; }

protected:
    std::shared_ptr<const TRecordSet> OpenRows(TDatabase &) override { return Rows; }
    QString DescribeForErrors() const override { return QStringLiteral("memory"); }
};
