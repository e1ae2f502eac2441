#include "grid/mmDBGridSortText.h"

#include "core/Exception.h"

namespace {

const QString OrderBy = QStringLiteral("ORDER BY");
const QString CrLf = QStringLiteral("\r\n");

bool IsKeyBoundaryBefore(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char(',') || c == QLatin1Char('.');
}

bool IsKeyBoundaryAfter(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char(',');
}

} // namespace

namespace SortText {

QString JoinQueryLines(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + CrLf;
    return text;
}

QStringList SplitQueryLines(const QString &text)
{
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines << line;
            line.clear();
            if (c == QLatin1Char('\r') && i + 1 < text.size()
                && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

QString JoinOrderByLines(const QString &text)
{
    const qsizetype at = text.indexOf(OrderBy);
    if (at < 0)
        return text;
    QString head = text.left(at);
    if (head.endsWith(QLatin1Char('\n')))
        head.chop(1);
    QString clause = text.mid(at);
    clause.remove(CrLf);
    return head + clause;
}

QString CollapseBlanks(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (!(c == QLatin1Char(' ') && out.endsWith(QLatin1Char(' '))))
            out += c;
    return out;
}

QString RemoveBlankBeforeComma(const QString &text)
{
    QString out = text;
    while (out.contains(QLatin1String(" ,")))
        out.replace(QLatin1String(" ,"), QLatin1String(","));
    return out;
}

QString TrimSortTail(const QString &text)
{
    qsizetype end = text.size();
    while (end > 1) {
        const QChar c = text.at(end - 1);
        if (c != QLatin1Char(' ') && c != QLatin1Char(',') && c != QLatin1Char(';'))
            break;
        --end;
    }
    return text.left(end);
}

QString FirstWord(const QString &text)
{
    qsizetype begin = 0;
    while (begin < text.size() && text.at(begin) == QLatin1Char(' '))
        ++begin;
    qsizetype end = begin;
    while (end < text.size() && !IsKeyBoundaryAfter(text.at(end)))
        ++end;
    return text.mid(begin, end - begin);
}

bool IsSortedBy(const QString &queryText, const QString &sortText, bool &ascending)
{
    ascending = true;
    const QString upper = queryText.toUpper();
    if (!upper.contains(OrderBy))
        return false;
    const QString joined = JoinOrderByLines(upper);
    const QString clause = joined.mid(joined.indexOf(OrderBy));
    const QString key = sortText.toUpper();
    if (key.isEmpty())
        return false;
    const qsizetype at = clause.indexOf(key);
    if (at < 0)
        return false;
    const qsizetype end = at + key.size();
    // Only the first occurrence is looked at; it must stand between separators.
    if (at == 0 || !IsKeyBoundaryBefore(clause.at(at - 1)))
        return false;
    if (end < clause.size() && !IsKeyBoundaryAfter(clause.at(end)))
        return false;
    const QString direction = FirstWord(clause.mid(end)).toUpper();
    ascending = direction != QLatin1String("DESC") && direction != QLatin1String("DESCENDING");
    return true;
}

QString SortBy(const QString &queryText, const QString &sortText, bool ascending)
{
    bool current = true;
    const bool sorted = IsSortedBy(queryText, sortText, current);
    const QString text = CollapseBlanks(JoinOrderByLines(queryText.toUpper()));
    const QString key = sortText.toUpper();
    const QString suffix = ascending ? QString() : QStringLiteral(" DESC");

    if (sorted && ascending != current) {
        const qsizetype at = text.indexOf(OrderBy);
        const QString head = text.left(at);
        QString clause = text.mid(at);
        if (!ascending) {
            clause.insert(clause.indexOf(key) + key.size(), QStringLiteral(" DESC"));
        } else {
            clause = RemoveBlankBeforeComma(clause);
            qsizetype found = clause.indexOf(key + QStringLiteral(" DESCENDING"));
            qsizetype length = key.size() + 11;
            if (found < 0) {
                found = clause.indexOf(key + QStringLiteral(" DESC"));
                length = key.size() + 5;
            }
            if (found < 0)
                throw Exception(QStringLiteral("Error!"));
            // The key, its direction and the comma that separated the next key.
            clause.remove(found, length + 1);
            clause = TrimSortTail(clause);
            if (clause == OrderBy)
                clause.clear();
        }
        return head + clause;
    }
    if (!text.contains(OrderBy))
        return TrimSortTail(text) + QLatin1Char(' ') + OrderBy + QLatin1Char(' ') + key + suffix;
    return TrimSortTail(text) + QStringLiteral(", ") + key + suffix;
}

} // namespace SortText
