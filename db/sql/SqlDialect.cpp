#include "db/sql/SqlDialect.h"

#include <QStringList>
#include <vector>

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

// A piece of a statement: a word, a quoted name, a text in single quotes or one other character;
// blanks and comments are left out. Depth counts the parentheses around it.
struct Token
{
    enum Kind { Word, Name, Text, Symbol } What;
    qsizetype Begin;
    qsizetype End;
    int Depth;
};

std::vector<Token> Tokens(const QString &sql)
{
    std::vector<Token> tokens;
    int depth = 0;
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql.at(i);
        qsizetype end = i + 1;
        Token::Kind kind = Token::Symbol;
        if (c.isSpace()) {
            i = end;
            continue;
        }
        if (StartsComment(sql, i)) {
            i = SkipComment(sql, i);
            continue;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('[')) {
            end = SkipQuoted(sql, i, c == QLatin1Char('[') ? QLatin1Char(']') : c);
            kind = Token::Name;
        } else if (c == QLatin1Char('\'')) {
            end = SkipQuoted(sql, i, c);
            kind = Token::Text;
        } else if (IsWordChar(c)) {
            while (end < sql.size() && IsWordChar(sql.at(end)))
                ++end;
            kind = Token::Word;
        } else if (c == QLatin1Char(')')) {
            --depth;
        }
        tokens.push_back({kind, i, end, depth});
        if (c == QLatin1Char('('))
            ++depth;
        i = end;
    }
    return tokens;
}

// Reads "name" or "table.name" at tokens[at], moving past it; the name as SQLite compares it
// (quotes taken off, letter case ignored), or empty when there is none.
QString ReadColumn(const QString &sql, const std::vector<Token> &tokens, size_t &at)
{
    QString column;
    for (;;) {
        if (at >= tokens.size() || tokens[at].Depth != 0)
            return {};
        const Token &part = tokens[at];
        if (part.What == Token::Word && sql.at(part.Begin).isDigit())
            return {}; // a number, not a name
        if (part.What == Token::Word)
            column += sql.mid(part.Begin, part.End - part.Begin).toUpper();
        else if (part.What == Token::Name && part.End - part.Begin >= 2)
            column += sql.mid(part.Begin + 1, part.End - part.Begin - 2).toUpper();
        else
            return {};
        ++at;
        if (at + 1 < tokens.size() && tokens[at].What == Token::Symbol
            && sql.at(tokens[at].Begin) == QLatin1Char('.')) {
            column += QLatin1Char('.');
            ++at;
            continue;
        }
        return column;
    }
}

bool IsWord(const QString &sql, const Token &token, QLatin1String word)
{
    return token.What == Token::Word
        && QStringView(sql)
               .mid(token.Begin, token.End - token.Begin)
               .compare(word, Qt::CaseInsensitive)
        == 0;
}

bool IsSymbol(const QString &sql, const Token &token, char symbol)
{
    return token.What == Token::Symbol && sql.at(token.Begin) == QLatin1Char(symbol);
}

} // namespace

QString DistinctAsGrouping(const QString &sql)
{
    const std::vector<Token> tokens = Tokens(sql);
    if (tokens.size() < 2 || !IsWord(sql, tokens[0], QLatin1String("SELECT"))
        || !IsWord(sql, tokens[1], QLatin1String("DISTINCT")))
        return sql;
    // The selected columns: plain names only, up to FROM.
    QStringList selected;
    size_t at = 2;
    for (;;) {
        const QString column = ReadColumn(sql, tokens, at);
        if (column.isEmpty() || selected.contains(column) || at >= tokens.size())
            return sql;
        selected << column;
        if (IsWord(sql, tokens[at], QLatin1String("FROM")))
            break;
        if (!IsSymbol(sql, tokens[at], ','))
            return sql;
        ++at;
    }
    // The one ORDER BY of the statement, with nothing that groups, limits or combines before it.
    static const QLatin1String unsafe[] = {QLatin1String("GROUP"), QLatin1String("HAVING"),
        QLatin1String("UNION"), QLatin1String("INTERSECT"), QLatin1String("EXCEPT"),
        QLatin1String("LIMIT"), QLatin1String("WINDOW"), QLatin1String("SELECT")};
    while (at < tokens.size()
        && !(tokens[at].Depth == 0 && IsWord(sql, tokens[at], QLatin1String("ORDER")))) {
        if (tokens[at].Depth == 0)
            for (const QLatin1String &word : unsafe)
                if (IsWord(sql, tokens[at], word))
                    return sql;
        ++at;
    }
    if (at + 1 >= tokens.size() || !IsWord(sql, tokens[at + 1], QLatin1String("BY")))
        return sql;
    const qsizetype orderAt = tokens[at].Begin;
    at += 2;
    // Its keys: the selected columns, each once, in any order and direction; then the end.
    QStringList keys;
    QStringList spelt;
    for (;;) {
        const qsizetype keyBegin = at < tokens.size() ? tokens[at].Begin : 0;
        const QString column = ReadColumn(sql, tokens, at);
        if (column.isEmpty() || !selected.contains(column) || keys.contains(column))
            return sql;
        keys << column;
        spelt << sql.mid(keyBegin, tokens[at - 1].End - keyBegin);
        if (at < tokens.size()
            && (IsWord(sql, tokens[at], QLatin1String("ASC"))
                || IsWord(sql, tokens[at], QLatin1String("DESC"))))
            ++at;
        if (at < tokens.size() && IsSymbol(sql, tokens[at], ',')) {
            ++at;
            continue;
        }
        break;
    }
    while (at < tokens.size() && IsSymbol(sql, tokens[at], ';'))
        ++at;
    if (at != tokens.size() || keys.size() != selected.size())
        return sql;
    return sql.left(orderAt) + QStringLiteral("GROUP BY ") + spelt.join(QStringLiteral(", "))
        + QLatin1Char(' ') + sql.mid(orderAt);
}

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
