#pragma once

struct sqlite3;

// Where SQLite spills what does not fit in memory while it sorts or groups: a folder of the
// process's own under the system's temporary folder, never the data folder or the current one.
// Sorting in runs on disk is faster for large results than one list in memory, and keeps the
// process small.
namespace SqlTemporaryFolder {

// Points SQLite at the private folder, made on first use; when no such folder can be made,
// keeps db's temporary storage in memory instead.
void Use(sqlite3 *db);

} // namespace SqlTemporaryFolder
