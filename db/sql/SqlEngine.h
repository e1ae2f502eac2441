#pragma once

#include "db/paradox/TRecordSet.h"

#include <QString>
#include <QVariant>
#include <memory>
#include <utility>
#include <vector>

struct sqlite3;

// Runs read-only SELECT queries over the Paradox tables of one folder with SQLite.
// Tables named in the query ("KVTEL_1.DB", kvtel_1, ...) are loaded from the folder when first
// used, their file names matched ignoring case. Text compares and sorts with the PXW_CYRL
// collation. Anything but a read-only statement is refused with EDatabaseError.
class SqlEngine
{
public:
    SqlEngine(const QString &folder, int defaultCodePage);
    ~SqlEngine();
    SqlEngine(const SqlEngine &) = delete;
    SqlEngine &operator=(const SqlEngine &) = delete;

    using Params = std::vector<std::pair<QString, QVariant>>; // name without ':' -> value

    std::unique_ptr<TRecordSet> Run(const QString &sql, const Params &params);

    const QString &Folder() const { return FFolder; }

private:
    struct Impl;
    std::unique_ptr<Impl> FImpl;
    QString FFolder;
};
