#pragma once

#include "db/dataset/TDataSet.h"
#include "db/dataset/TDatabase.h"
#include "db/paradox/TRecordSet.h"

#include <QTemporaryDir>
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

// A connection to an empty temporary folder, under a name of its own, for in-memory datasets.
class TGridFixture
{
public:
    TGridFixture();
    ~TGridFixture();

    TDatabase &Database() { return *FDatabase; }
    // A closed dataset over the rows, bound to this fixture's connection.
    std::unique_ptr<TMemoryDataSet> NewDataSet(std::shared_ptr<TRecordSet> rows);
    // An opened one.
    std::unique_ptr<TMemoryDataSet> OpenDataSet(std::shared_ptr<TRecordSet> rows);

    // Subscribers as the town table has them: FAM (text), TELE (integer), ADR_D (text),
    // ADR_K (integer). Row i has TELE 20000 + i.
    static std::shared_ptr<TRecordSet> Subscribers(int count);
    // Streets: K_Y (integer), NAME (text).
    static std::shared_ptr<TRecordSet> Streets(int count);

private:
    QTemporaryDir FFolder;
    std::unique_ptr<TDatabase> FDatabase;
};
