#pragma once

#include "db/paradox/FileSetWriter.h"
#include "db/paradox/ParadoxFile.h"

#include <QString>
#include <vector>

// Writing tables in the Paradox format (versions 3.5, 4, 5 and 7), for the import tool and test
// fixtures.
namespace Paradox {

// A field to create, in the tool's notation: A alpha, S short, I long, N number, C currency,
// D date, T time, @ timestamp, L logical, + autoincrement, M memo; and for the other Paradox
// types: F formatted memo, B BLOb, G graphic, O OLE, # BCD, Y bytes.
struct NewField
{
    QString Name;
    QChar Kind;
    int Length = 0; // alpha length (1..255), the in-record part of a memo (1..240, 10 when 0)
                    // or of another BLOb (0..240; 0 keeps only the pointer to the .MB), decimals
                    // of a BCD (0..32), bytes of a bytes field (1..255)
};

// Writes rows as a new table (and its .MB when it has memos). Values come from the record set
// whose columns correspond one to one to fields. A null auto-increment value is given the next
// number. Text that does not fit its field or has no form in the code page, and numbers out of
// a field's range, raise EDatabaseError; nothing is left behind then. fileVersion is 35, 40, 50
// or 70; a version before 4.0 records no code page, and each version takes only the field types
// it had. The table and its .MB replace old ones as a pair, or not at all; beforeEachMove lets
// a test interrupt that (see FileSetWriter).
void WriteTable(const QString &path, const std::vector<NewField> &fields, const TRecordSet &rows,
    int codePage = 1251, int fileVersion = 70, const FileSetWriter::StepHook &beforeEachMove = {});

} // namespace Paradox
