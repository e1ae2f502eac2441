#pragma once

#include <QString>
#include <QStringList>

// The text side of sorting by a title: the grid never sorts rows itself, it rewrites the
// ORDER BY clause of its query. All matching is done on the upper-case query text, and the
// rewritten text is built from it.
namespace SortText {

// The query's lines as one text, with a carriage return and line feed after every line.
QString JoinQueryLines(const QStringList &lines);
// A text split back into lines at every carriage return, line feed, or pair of them.
QStringList SplitQueryLines(const QString &text);

// From the first "ORDER BY" on, line breaks are removed; the line break before it is dropped
// too, leaving the carriage return that still separates the lines. A character other than a
// line feed before "ORDER BY" is kept, so that no word is joined to it.
QString JoinOrderByLines(const QString &text);
QString CollapseBlanks(const QString &text);
QString RemoveBlankBeforeComma(const QString &text);
// Trailing blanks, commas and semicolons go; the first character always stays.
QString TrimSortTail(const QString &text);
// The first word after leading blanks, up to a blank or a comma.
QString FirstWord(const QString &text);

// Whether sortText is a key of the ORDER BY clause of the query text, and its direction.
bool IsSortedBy(const QString &queryText, const QString &sortText, bool &ascending);

// The query text with sortText sorted in the requested direction: appended when absent,
// "DESC" inserted after it, or taken out of the clause when it goes back from descending.
// Raises Exception("Error!") when a descending key cannot be found.
QString SortBy(const QString &queryText, const QString &sortText, bool ascending);

} // namespace SortText
