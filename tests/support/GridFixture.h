#pragma once

#include "db/dataset/TDatabase.h"
#include "tests/support/MemoryDataSet.h"

#include <QTemporaryDir>
#include <memory>

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

    // Subscriber-like rows for the grid, not the town table (see TSubscriberTable): FAM
    // (text), TELE (integer, so that numbers can be compared), ADR_D (text), ADR_K (integer).
    // Row i has TELE 20000 + i. The widths set the columns' default widths the tests measure.
    static std::shared_ptr<TRecordSet> Subscribers(int count);
    // Streets: K_Y (integer), NAME (text).
    static std::shared_ptr<TRecordSet> Streets(int count);

private:
    QTemporaryDir FFolder;
    std::unique_ptr<TDatabase> FDatabase;
};
