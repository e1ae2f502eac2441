#pragma once

#include "db/paradox/TRecordSet.h"

#include <QString>
#include <vector>

// What a Paradox table declares in its header: its fields and their types, shared by the
// reader and the writer.
namespace Paradox {

// One field of a table as declared in its header.
struct FieldDef
{
    QString Name;
    char PxType = 0; // the Paradox type letter/code as pxlib names it (pxfAlpha ...)
    int Size = 0; // bytes in the record
    TFieldType Type = TFieldType::ftUnknown;
    int Decimals = 0; // digits after the point of a BCD field
};

struct TableInfo
{
    QString Path;
    int CodePage = 0; // from the header; 0 when the header has none
    int RecordCount = 0;
    int RecordSize = 0;
    int FileVersion = 0; // 30, 35, 40, 45, 50, 70
    std::vector<FieldDef> Fields;
};

} // namespace Paradox
