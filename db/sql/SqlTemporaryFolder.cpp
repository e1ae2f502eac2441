#include "db/sql/SqlTemporaryFolder.h"

#include <QDir>
#include <QTemporaryDir>
#include <mutex>
#include <sqlite3.h>

namespace SqlTemporaryFolder {
namespace {

// The folder's path, or empty when none could be made. SQLite reads the setting from a
// process-wide variable, so it is set once, before any temporary file is opened.
QString PrivateFolder()
{
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/phonebook-sql-XXXXXX"));
    static std::once_flag once;
    std::call_once(once, [] {
        if (folder.isValid())
            sqlite3_temp_directory = sqlite3_mprintf(
                "%s", QDir::toNativeSeparators(folder.path()).toUtf8().constData());
    });
    return folder.isValid() ? folder.path() : QString();
}

} // namespace

void Use(sqlite3 *db)
{
    if (PrivateFolder().isEmpty())
        sqlite3_exec(db, "PRAGMA temp_store = MEMORY", nullptr, nullptr, nullptr);
}

} // namespace SqlTemporaryFolder
