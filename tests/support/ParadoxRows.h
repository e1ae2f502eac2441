#pragma once

#include "db/paradox/ParadoxWriter.h"
#include "db/paradox/TRecordSet.h"

#include <QList>
#include <QVariant>
#include <vector>

// The rows of a table to write, from Qt values in the record set's own encodings: a QVariantList
// a row, a null QVariant an empty field. The column types follow the fields' kinds.
TRecordSet RowsFromValues(
    const std::vector<Paradox::NewField> &fields, const QList<QVariantList> &rows);
