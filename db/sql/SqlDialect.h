#pragma once

#include <QString>

// The directory's queries are written for the Paradox engine's local SQL. SQLite understands
// nearly all of it; this puts the few differing words into SQLite's spelling.
namespace SqlDialect {

// "DESCENDING" and "ASCENDING" after ORDER BY become "DESC" and "ASC". Text inside quotes,
// brackets and comments is left alone.
QString ToSqlite(const QString &sql);

// "SELECT DISTINCT a, b FROM ... ORDER BY b DESC, a": when the ORDER BY names exactly the
// selected columns, grouping by them in the ORDER BY's order gives the same rows in the same
// order, and lets a table that hands its rows over sorted have them grouped as they come instead
// of each row being checked against all the earlier ones. Any other text is returned as it is.
QString DistinctAsGrouping(const QString &sql);

// Every name in the text spelt like `name` ignoring letter case in any alphabet, bare or in
// quotes or brackets, spelt `spelling` instead. SQLite ignores the case of ASCII letters alone,
// so this lets "ФАМИЛИЯ" find the field "Фамилия". Texts in single quotes and comments are
// left alone.
QString RenameIdentifier(const QString &sql, const QString &name, const QString &spelling);

} // namespace SqlDialect
