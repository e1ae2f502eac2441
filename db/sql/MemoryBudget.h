#pragma once

#include "db/paradox/EDatabaseError.h"

#include <QString>
#include <QtGlobal>

// The memory a query may take: its result as it grows, SQLite's own heap and SQLite's
// temporary files (its sorts and temporary tables, in memory or on disk), together. One budget for
// the process, as SQLite's heap is one. A query that would need more stops with a message naming
// the limit instead of exhausting the machine.
class TMemoryBudget
{
public:
    // A quarter of the physical memory, at most 4 GB.
    static qint64 DefaultLimit();
    static qint64 Limit();
    // A limit of 0 or less restores the default.
    static void SetLimit(qint64 bytes);

    // Whether a result of resultBytes fits beside what SQLite holds now.
    static bool Allows(qint64 resultBytes);
    // The failure of a query that did not fit.
    static EDatabaseError Exceeded(const QString &sql);
    // The SQLite file layer to open connections with: it holds temporary files (sort runs on
    // disk) to the budget, failing a write past it with SQLITE_FULL.
    static const char *VfsName();
    // The limit as the user reads it: "512 МБ", "4 ГБ".
    static QString LimitText();
};
