#pragma once

#include "db/paradox/TRecordSet.h"

#include <QString>
#include <memory>

// Tables read from disk, shared between every dataset and query that uses them, and reused
// while the file at the path is the same file, unchanged: same size, modification time,
// identity on its device and status-change time.
namespace TableCache {

std::shared_ptr<const TRecordSet> Load(const QString &path, int defaultCodePage);
void Clear();

} // namespace TableCache

// Finds a file in a folder by name, ignoring letter case; appends ".db" when the name has no
// extension. An empty string when there is none.
QString FindTableFile(const QString &folder, const QString &tableName);
