#pragma once

#include <QString>

// The directory's queries are written for the Paradox engine's local SQL. SQLite understands
// nearly all of it; this puts the few differing words into SQLite's spelling.
namespace SqlDialect {

// "DESCENDING" and "ASCENDING" after ORDER BY become "DESC" and "ASC". Text inside quotes,
// brackets and comments is left alone.
QString ToSqlite(const QString &sql);

} // namespace SqlDialect
