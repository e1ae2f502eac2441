#pragma once

#include "db/TRecordSet.h"

#include <QString>
#include <QStringList>
#include <memory>

// Reading and writing tables in the Paradox format.
//
// Reading is done from a read-only, shared memory map of the .DB file (and its .MB file for
// memos and BLObs); text is decoded from the table's code page, or from defaultCodePage when the
// header names none, to UTF-8. Every header value is checked against the file size before it is
// trusted: a corrupt or truncated file raises EDatabaseError naming the file and the cause.
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

// The header and fields of a table, without reading its records.
TableInfo ReadInfo(const QString &path);

// The whole table. Empty dates, times and numbers are nulls.
std::unique_ptr<TRecordSet> ReadTable(const QString &path, int defaultCodePage = 1251);

// A field to create, in the tool's notation: A alpha, S short, I long, N number, C currency,
// D date, T time, @ timestamp, L logical, + autoincrement, M memo; and for the other Paradox
// types: F formatted memo, B BLOb, G graphic, O OLE, # BCD, Y bytes.
struct NewField
{
    QString Name;
    QChar Kind;
    int Length = 0; // alpha length (1..255), the in-record part of a memo or BLOb (1..240,
                    // 10 when 0), decimals of a BCD (0..32), bytes of a bytes field (1..255)
};

// Writes rows as a new table (and its .MB when it has memos). Values come from the record set
// whose columns correspond one to one to fields. A null auto-increment value is given the next
// number. Text that does not fit its field or has no form in the code page, and numbers out of
// a field's range, raise EDatabaseError; nothing is left behind then.
void WriteTable(const QString &path, const std::vector<NewField> &fields, const TRecordSet &rows,
    int codePage = 1251);

} // namespace Paradox
