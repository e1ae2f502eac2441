#include "db/sql/SqlDialect.h"

namespace SqlDialect {

namespace {

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

// The index just past a quoted run that starts at i with the given closing character; a doubled
// closing character stands for itself. An unclosed run reaches the end of the text.
qsizetype SkipQuoted(const QString &sql, qsizetype i, QChar close)
{
    for (++i; i < sql.size(); ++i) {
        if (sql.at(i) != close)
            continue;
        if (i + 1 < sql.size() && sql.at(i + 1) == close && close != QLatin1Char(']')) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return sql.size();
}

qsizetype SkipComment(const QString &sql, qsizetype i)
{
    if (sql.at(i) == QLatin1Char('-')) {
        const qsizetype end = sql.indexOf(QLatin1Char('\n'), i);
        return end < 0 ? sql.size() : end + 1;
    }
    const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
    return end < 0 ? sql.size() : end + 2;
}

bool StartsComment(const QString &sql, qsizetype i)
{
    const QChar c = sql.at(i);
    return (c == QLatin1Char('-') || c == QLatin1Char('/')) && i + 1 < sql.size()
        && sql.at(i + 1) == (c == QLatin1Char('-') ? QLatin1Char('-') : QLatin1Char('*'));
}

} // namespace

QString RenameIdentifier(const QString &sql, const QString &name, const QString &spelling)
{
    QString out;
    out.reserve(sql.size());
    const auto matches
        = [&](QStringView word) { return word.compare(name, Qt::CaseInsensitive) == 0; };
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql.at(i);
        qsizetype end = i + 1;
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            end = SkipQuoted(sql, i, close);
            const bool closed = end - i >= 2 && sql.at(end - 1) == close;
            if (closed && matches(QStringView(sql).mid(i + 1, end - i - 2))) {
                out += c + spelling + sql.at(end - 1);
                i = end;
                continue;
            }
        } else if (c == QLatin1Char('\'')) {
            end = SkipQuoted(sql, i, c);
        } else if (StartsComment(sql, i)) {
            end = SkipComment(sql, i);
        } else if (IsWordChar(c)) {
            while (end < sql.size() && IsWordChar(sql.at(end)))
                ++end;
            if (matches(QStringView(sql).mid(i, end - i))) {
                out += spelling;
                i = end;
                continue;
            }
        }
        out += QStringView(sql).mid(i, end - i);
        i = end;
    }
    return out;
}

QString ToSqlite(const QString &sql)
{
    QString out;
    out.reserve(sql.size());
    bool afterOrder = false; // the previous word was ORDER
    int depth = 0; // of parentheses
    int orderDepth = -1; // where the ORDER BY being read stands; -1 outside one
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql.at(i);
        qsizetype end = i + 1;
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`'))
            end = SkipQuoted(sql, i, c);
        else if (c == QLatin1Char('['))
            end = SkipQuoted(sql, i, QLatin1Char(']'));
        else if (StartsComment(sql, i))
            end = SkipComment(sql, i);
        else if (IsWordChar(c)) {
            while (end < sql.size() && IsWordChar(sql.at(end)))
                ++end;
            const QString word = sql.mid(i, end - i);
            const bool inOrderBy = orderDepth == depth;
            if (inOrderBy && word.compare(QLatin1String("DESCENDING"), Qt::CaseInsensitive) == 0)
                out += QLatin1String("DESC");
            else if (inOrderBy
                && word.compare(QLatin1String("ASCENDING"), Qt::CaseInsensitive) == 0)
                out += QLatin1String("ASC");
            else
                out += word;
            if (afterOrder && word.compare(QLatin1String("BY"), Qt::CaseInsensitive) == 0)
                orderDepth = depth;
            afterOrder = word.compare(QLatin1String("ORDER"), Qt::CaseInsensitive) == 0;
            i = end;
            continue;
        } else if (c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char(')')) {
            if (orderDepth == depth) // the ORDER BY of a sub-query ends with it
                orderDepth = -1;
            --depth;
        } else if (c == QLatin1Char(';'))
            orderDepth = -1;
        if (!IsWordChar(c))
            afterOrder = afterOrder && c.isSpace();
        out += QStringView(sql).mid(i, end - i);
        i = end;
    }
    return out;
}

} // namespace SqlDialect
