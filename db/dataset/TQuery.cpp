#include "db/dataset/TQuery.h"

#include "db/dataset/TDatabase.h"
#include "db/paradox/EDatabaseError.h"
#include "db/sql/SqlEngine.h"

void TQuery::SetSQL(const QStringList &lines)
{
    Close();
    FSQL = lines;
    TextChanged();
}

void TQuery::AddSQL(const QString &line)
{
    Close();
    FSQL.append(line);
    TextChanged();
}

void TQuery::TextChanged()
{
    std::vector<TParam> params;
    for (const QString &name : ParseParamNames(Text())) {
        TParam param(name);
        if (TParam *old = FindParam(name))
            param.SetValue(old->Value());
        params.push_back(std::move(param));
    }
    FParams = std::move(params);
}

TParam &TQuery::Params(int index)
{
    if (index < 0 || index >= ParamCount())
        throw EListError::IndexOutOfBounds(index);
    return FParams[size_t(index)];
}

TParam *TQuery::FindParam(const QString &name)
{
    for (TParam &param : FParams)
        if (param.Name().compare(name, Qt::CaseInsensitive) == 0)
            return &param;
    return nullptr;
}

TParam &TQuery::ParamByName(const QString &name)
{
    if (TParam *param = FindParam(name))
        return *param;
    throw EDatabaseError(QStringLiteral("Query: Parameter '%1' not found").arg(name));
}

namespace {
bool IsNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}
} // namespace

QStringList TQuery::ParseParamNames(const QString &sql)
{
    QStringList names;
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            // Quoted text and quoted names hold no parameters; a doubled quote stays inside.
            for (++i; i < n; ++i) {
                if (sql.at(i) == c) {
                    if (i + 1 < n && sql.at(i + 1) == c)
                        ++i;
                    else
                        break;
                }
            }
            continue;
        }
        if (c == QLatin1Char('[')) { // a name in brackets, as in "AS [a:b]"
            const qsizetype end = sql.indexOf(QLatin1Char(']'), i + 1);
            i = end < 0 ? n : end;
            continue;
        }
        if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            while (i < n && sql.at(i) != QLatin1Char('\n'))
                ++i;
            continue;
        }
        // The engine sees no parameter in a block comment either; one found there could never
        // be given a value the query asks for.
        if (c == QLatin1Char('/') && i + 1 < n && sql.at(i + 1) == QLatin1Char('*')) {
            const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 1;
            continue;
        }
        if (c != QLatin1Char(':') || i + 1 >= n || !IsNameChar(sql.at(i + 1)))
            continue;
        if (i > 0 && sql.at(i - 1) == QLatin1Char(':'))
            continue;
        qsizetype end = i + 1;
        while (end < n && IsNameChar(sql.at(end)))
            ++end;
        const QString name = sql.mid(i + 1, end - i - 1);
        bool seen = false;
        for (const QString &existing : names)
            seen = seen || existing.compare(name, Qt::CaseInsensitive) == 0;
        if (!seen)
            names.append(name);
        i = end - 1;
    }
    return names;
}

std::shared_ptr<const TRecordSet> TQuery::OpenRows(TDatabase &database)
{
    if (Text().trimmed().isEmpty())
        throw EDatabaseError(QStringLiteral("Query: SQL statement is empty"));
    SqlEngine::Params params;
    for (const TParam &param : FParams) {
        if (!param.Bound())
            throw EDatabaseError(
                QStringLiteral("Query: No value for parameter '%1'").arg(param.Name()));
        params.emplace_back(param.Name(), param.Value());
    }
    return database.Engine().Run(Text(), params);
}
