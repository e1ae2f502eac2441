#include "db/sql/SqlEngine.h"
#include "db/sql/SqlCollation.h"
#include "db/sql/SqlDialect.h"

#include "core/OperationProgress.h"
#include "db/paradox/EDatabaseError.h"
#include "db/sql/MemoryBudget.h"
#include "db/sql/SqlResult.h"
#include "db/sql/SqlTemporaryFolder.h"
#include "db/sql/SqlVirtualTable.h"
#include "db/sql/TableCache.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTime>
#include <map>
#include <new>
#include <optional>
#include <set>
#include <sqlite3.h>

namespace {

using SqlVirtualTable::Source;

// A statement that runs longer than this is stopped: a query over a few local tables that takes
// so long is a runaway join or recursion, not a lookup.
constexpr qint64 QueryTimeLimitMSecs = 120'000;
// SQLite looks at the clock and the user's cancel every so many steps: often enough to stop
// within a few milliseconds.
constexpr int ProgressSteps = 20'000;
// Result rows gathered between two looks at the memory budget.
constexpr int BudgetCheckRows = 1024;
// Each retry of a prepare loads one more table or refreshes a changed one; a text naming more
// tables than this is refused rather than looped over.
constexpr int MaxPrepareAttempts = 256;

const char NoSuchTable[] = "no such table: ";
const char NoSuchColumn[] = "no such column: ";

struct StatementDeleter
{
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

int CollateCyrillic(void *, int lengthA, const void *a, int lengthB, const void *b)
{
    return CompareCyrillic(std::string_view(static_cast<const char *>(a), size_t(lengthA)),
        std::string_view(static_cast<const char *>(b), size_t(lengthB)));
}

// UPPER and LOWER for every alphabet, not only ASCII as SQLite's own.
void ChangeCase(sqlite3_context *context, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    const QString value = QString::fromUtf8(text, sqlite3_value_bytes(argv[0]));
    const bool upper = sqlite3_user_data(context) != nullptr;
    const QByteArray changed = (upper ? value.toUpper() : value.toLower()).toUtf8();
    sqlite3_result_text(context, changed.constData(), int(changed.size()), SQLITE_TRANSIENT);
}

// LIKE ignoring the case of every letter, not only of ASCII ones as SQLite's own:
// like(pattern, text[, escape]).
void LikeAnyCase(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    const auto textOf = [&](int i) {
        return std::string_view(reinterpret_cast<const char *>(sqlite3_value_text(argv[i])),
            size_t(sqlite3_value_bytes(argv[i])));
    };
    std::optional<char32_t> escape;
    if (argc == 3) {
        if (sqlite3_value_type(argv[2]) == SQLITE_NULL)
            return sqlite3_result_null(context);
        size_t count = 0;
        const char32_t first = FirstCharacter(textOf(2), count);
        if (count != 1)
            return sqlite3_result_error(
                context, "ESCAPE expression must be a single character", -1);
        escape = first;
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(context);
    const std::string_view pattern = textOf(0);
    const std::string_view text = textOf(1);
    const int limit
        = sqlite3_limit(sqlite3_context_db_handle(context), SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1);
    if (pattern.size() > size_t(limit))
        return sqlite3_result_error(context, "LIKE or GLOB pattern too complex", -1);
    sqlite3_result_int(context, LikeMatches(text, pattern, escape) ? 1 : 0);
}

// Table names as SQLite matches them: ASCII letters ignore case, all others must agree.
QString TableKey(const QString &name)
{
    QString key = name;
    for (QChar &c : key)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    return key;
}

QString FromUtf8(const char *text)
{
    return QString::fromUtf8(text ? text : "");
}

// Pragmas that only report; every other pragma may change the connection and is refused.
bool IsReportingPragma(const char *name)
{
    static const char *const reporting[] = {"table_info", "table_xinfo", "collation_list",
        "function_list", "module_list", "pragma_list", "compile_options"};
    for (const char *allowed : reporting)
        if (name && sqlite3_stricmp(name, allowed) == 0)
            return true;
    return false;
}

bool IsSchemaTable(const char *name)
{
    return name
        && (sqlite3_stricmp(name, "sqlite_master") == 0
            || sqlite3_stricmp(name, "sqlite_schema") == 0);
}

// The tables a query asks the columns of with table_info, table_xinfo or their table-valued
// forms; SQLite reports nothing of a table it has not been shown yet.
QStringList TablesAskedAbout(const QString &sql)
{
    static const QRegularExpression asked(
        QStringLiteral(
            "table_x?info\\s*\\(\\s*(?:'([^']*)'|\"([^\"]*)\"|\\[([^\\]]*)\\]|([\\w.$]+))"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    QStringList names;
    for (auto it = asked.globalMatch(sql); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        for (int group = 1; group <= 4; ++group)
            if (match.hasCaptured(group))
                names.append(match.captured(group));
    }
    return names;
}

// The first keyword of a statement, past blanks, comments and opening parentheses.
QString FirstKeyword(const QString &sql)
{
    qsizetype i = 0;
    const qsizetype n = sql.size();
    while (i < n) {
        const QChar c = sql.at(i);
        if (c.isSpace() || c == QLatin1Char('(')) {
            ++i;
        } else if (sql.mid(i, 2) == QLatin1String("--")) {
            while (i < n && sql.at(i) != QLatin1Char('\n'))
                ++i;
        } else if (sql.mid(i, 2) == QLatin1String("/*")) {
            const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 2;
        } else {
            break;
        }
    }
    qsizetype end = i;
    while (end < n && (sql.at(end).isLetter() || sql.at(end) == QLatin1Char('_')))
        ++end;
    return sql.mid(i, end - i).toUpper();
}

// Whether anything but blanks, semicolons and comments follows the first statement.
bool HasMoreStatements(const char *tail)
{
    const std::string_view rest(tail ? tail : "");
    size_t i = 0;
    while (i < rest.size()) {
        const char c = rest[i];
        if (c == ';' || c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f') {
            ++i;
        } else if (rest.substr(i, 2) == "--") {
            const size_t end = rest.find('\n', i);
            i = end == std::string_view::npos ? rest.size() : end + 1;
        } else if (rest.substr(i, 2) == "/*") {
            const size_t end = rest.find("*/", i + 2);
            i = end == std::string_view::npos ? rest.size() : end + 2;
        } else {
            return true;
        }
    }
    return false;
}

QString DescribeAction(int action, const char *first, const char *second)
{
    switch (action) {
    case SQLITE_INSERT:
        return QStringLiteral("INSERT");
    case SQLITE_UPDATE:
        return QStringLiteral("UPDATE");
    case SQLITE_DELETE:
        return QStringLiteral("DELETE");
    case SQLITE_CREATE_INDEX:
    case SQLITE_CREATE_TABLE:
    case SQLITE_CREATE_TEMP_INDEX:
    case SQLITE_CREATE_TEMP_TABLE:
    case SQLITE_CREATE_TEMP_TRIGGER:
    case SQLITE_CREATE_TEMP_VIEW:
    case SQLITE_CREATE_TRIGGER:
    case SQLITE_CREATE_VIEW:
    case SQLITE_CREATE_VTABLE:
        return QStringLiteral("CREATE");
    case SQLITE_DROP_INDEX:
    case SQLITE_DROP_TABLE:
    case SQLITE_DROP_TEMP_INDEX:
    case SQLITE_DROP_TEMP_TABLE:
    case SQLITE_DROP_TEMP_TRIGGER:
    case SQLITE_DROP_TEMP_VIEW:
    case SQLITE_DROP_TRIGGER:
    case SQLITE_DROP_VIEW:
    case SQLITE_DROP_VTABLE:
        return QStringLiteral("DROP");
    case SQLITE_ATTACH:
        return QStringLiteral("ATTACH");
    case SQLITE_DETACH:
        return QStringLiteral("DETACH");
    case SQLITE_ALTER_TABLE:
        return QStringLiteral("ALTER TABLE");
    case SQLITE_REINDEX:
        return QStringLiteral("REINDEX");
    case SQLITE_ANALYZE:
        return QStringLiteral("ANALYZE");
    case SQLITE_TRANSACTION:
        return QStringLiteral("a transaction");
    case SQLITE_SAVEPOINT:
        return QStringLiteral("SAVEPOINT");
    case SQLITE_PRAGMA:
        return QStringLiteral("PRAGMA %1").arg(FromUtf8(first));
    case SQLITE_FUNCTION:
        return QStringLiteral("the function %1").arg(FromUtf8(second));
    default:
        return QStringLiteral("this statement");
    }
}

} // namespace

struct SqlEngine::Impl
{
    sqlite3 *Db = nullptr;
    QString Folder;
    int CodePage = 0;
    // The tables known to SQLite, by the name a query used (see TableKey).
    std::map<QString, std::shared_ptr<Source>> Tables;
    std::vector<Source *> Planned;
    QString Refusal;
    QElapsedTimer Clock;
    bool TimedOut = false;
    // The operation the running statement belongs to, and whether the user stopped it.
    TOperationProgress *Operation = nullptr;
    bool Cancelled = false;

    ~Impl()
    {
        if (Db)
            sqlite3_close_v2(Db);
    }

    QString Describe(const QString &sql) const { return QStringLiteral("\nQuery: %1").arg(sql); }

    std::shared_ptr<Source> MakeSource(const QString &path)
    {
        auto source = std::make_shared<Source>();
        source->Path = path;
        source->Rows = TableCache::Load(path, CodePage);
        source->Planned = [this](Source &planned) { Planned.push_back(&planned); };
        return source;
    }

    void Register(const QString &name, std::shared_ptr<Source> source)
    {
        SqlVirtualTable::Register(Db, name.toStdString(), source);
        Tables[TableKey(name)] = std::move(source);
    }

    // Finds a table the query names in the folder and shows it to SQLite; false when the name is
    // already known (the error was about something else).
    bool LoadTable(const QString &name)
    {
        if (Tables.count(TableKey(name)))
            return false;
        QString file = FindTableFile(Folder, name);
        QString registered = name;
        if (file.isEmpty() && name.startsWith(QLatin1String("main."), Qt::CaseInsensitive)) {
            registered = name.mid(5);
            file = FindTableFile(Folder, registered);
        }
        if (file.isEmpty()) {
            if (!QDir(Folder).exists())
                throw EDatabaseError::MissingFolder(Folder);
            throw EDatabaseError::MissingTable(QDir(Folder).filePath(name));
        }
        Register(registered, MakeSource(file));
        return true;
    }

    // Replaces every planned table whose file changed since it was loaded; true when one did.
    bool RefreshPlanned()
    {
        bool changed = false;
        std::set<Source *> seen;
        for (Source *source : Planned) {
            if (!seen.insert(source).second)
                continue;
            if (TableCache::Load(source->Path, CodePage) == source->Rows)
                continue;
            std::shared_ptr<Source> fresh = MakeSource(source->Path);
            std::vector<QString> names;
            for (const auto &[name, known] : Tables)
                if (known.get() == source)
                    names.push_back(name);
            for (const QString &name : names)
                Register(name, fresh);
            changed = true;
        }
        return changed;
    }

    // The spelling of a field of a known table whose name equals `name` ignoring letter case in
    // every alphabet, as the Paradox engine matches names; empty when there is none.
    QString FieldSpelling(const QString &name) const
    {
        for (const auto &[key, source] : Tables) {
            const TRecordSet &rows = *source->Rows;
            for (int c = 0; c < rows.ColumnCount(); ++c)
                if (rows.Info(c).Name.compare(name, Qt::CaseInsensitive) == 0)
                    return rows.Info(c).Name;
        }
        return {};
    }

    // Puts a field name SQLite did not find into the field's own spelling, when it differs from
    // it only in the case of letters SQLite does not fold; false when there is nothing to do.
    bool RespellField(const QString &message, QString &sql, std::set<QString> &respelt) const
    {
        if (!message.startsWith(QLatin1String(NoSuchColumn)))
            return false;
        const QString name
            = message.mid(int(sizeof NoSuchColumn) - 1).section(QLatin1Char('.'), -1);
        const QString spelling = FieldSpelling(name);
        if (spelling.isEmpty() || spelling == name || !respelt.insert(name.toCaseFolded()).second)
            return false;
        sql = SqlDialect::RenameIdentifier(sql, name, spelling);
        return true;
    }

    Statement Prepare(const QString &sql)
    {
        QString current = sql;
        QByteArray text = current.toUtf8();
        std::set<QString> respelt;
        for (int attempt = 0; attempt < MaxPrepareAttempts; ++attempt) {
            Planned.clear();
            Refusal.clear();
            sqlite3_stmt *raw = nullptr;
            const char *tail = nullptr;
            const int rc
                = sqlite3_prepare_v3(Db, text.constData(), int(text.size()), 0, &raw, &tail);
            Statement statement(raw);
            if (rc != SQLITE_OK) {
                if (!Refusal.isEmpty())
                    throw Refused(Refusal, sql);
                const QString message = FromUtf8(sqlite3_errmsg(Db));
                const QLatin1String readOnly(" may not be modified"); // "table X may not ..."
                if (message.endsWith(readOnly))
                    throw Refused(
                        QStringLiteral("changing %1").arg(message.chopped(readOnly.size())), sql);
                if (message.startsWith(QLatin1String(NoSuchTable))
                    && LoadTable(message.mid(int(sizeof NoSuchTable) - 1)))
                    continue;
                if (RespellField(message, current, respelt)) {
                    text = current.toUtf8();
                    continue;
                }
                throw EDatabaseError::InvalidQuery(
                    QStringLiteral("Invalid query: %1.%2").arg(message, Describe(sql)));
            }
            if (!statement)
                throw EDatabaseError(QStringLiteral("Query: SQL statement is empty"));
            if (HasMoreStatements(tail))
                throw Refused(QStringLiteral("more than one statement"), sql);
            if (RefreshPlanned())
                continue;
            return statement;
        }
        throw EDatabaseError(QStringLiteral("Query names too many tables.%1").arg(Describe(sql)));
    }

    EDatabaseError Refused(const QString &what, const QString &sql) const
    {
        return EDatabaseError::RejectedQuery(
            QStringLiteral("Query refused: %1 is not allowed; the data can only be read.%2")
                .arg(what, Describe(sql)));
    }

    void Bind(sqlite3_stmt *statement, const Params &params, const QString &sql)
    {
        const int count = sqlite3_bind_parameter_count(statement);
        for (int i = 1; i <= count; ++i) {
            const char *raw = sqlite3_bind_parameter_name(statement, i);
            if (!raw)
                throw EDatabaseError(QStringLiteral("Query: parameters must have names (:name)%1")
                                         .arg(Describe(sql)));
            const QString name = QString::fromUtf8(raw + 1);
            auto found = std::find_if(params.begin(), params.end(), [&](const auto &param) {
                return param.first.compare(name, Qt::CaseInsensitive) == 0;
            });
            if (found == params.end())
                throw EDatabaseError(
                    QStringLiteral("Query: No value for parameter '%1'").arg(name));
            BindValue(statement, i, found->second);
        }
    }

    static void BindText(sqlite3_stmt *statement, int index, const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }

    static void BindValue(sqlite3_stmt *statement, int index, const QVariant &value)
    {
        if (!value.isValid() || value.isNull()) {
            sqlite3_bind_null(statement, index);
            return;
        }
        switch (value.typeId()) {
        case QMetaType::Bool:
            sqlite3_bind_int64(statement, index, value.toBool() ? 1 : 0);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
            sqlite3_bind_int64(statement, index, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            sqlite3_bind_double(statement, index, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            sqlite3_bind_blob(
                statement, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QDate:
            BindText(statement, index, value.toDate().toString(Qt::ISODate));
            break;
        case QMetaType::QTime:
            BindText(statement, index, SqlTimeText(value.toTime()));
            break;
        case QMetaType::QDateTime: {
            const QDateTime dateTime = value.toDateTime();
            BindText(statement, index,
                dateTime.date().toString(Qt::ISODate) + QLatin1Char(' ')
                    + SqlTimeText(dateTime.time()));
            break;
        }
        default:
            BindText(statement, index, value.toString());
        }
    }

    static int Authorize(
        void *data, int action, const char *first, const char *second, const char *, const char *)
    {
        auto *impl = static_cast<Impl *>(data);
        // SQLite checks the parse of our own table declarations as well.
        if (SqlVirtualTable::Declaring())
            return SQLITE_OK;
        switch (action) {
        case SQLITE_SELECT:
        case SQLITE_READ:
        case SQLITE_RECURSIVE:
            return SQLITE_OK;
        case SQLITE_FUNCTION:
            if (second && sqlite3_stricmp(second, "load_extension") != 0)
                return SQLITE_OK;
            break;
        case SQLITE_PRAGMA:
            if (IsReportingPragma(first))
                return SQLITE_OK;
            break;
        case SQLITE_UPDATE:
            // Checked while a table-valued pragma (pragma_table_info(...)) declares itself; those
            // only report. A statement that writes the schema is still refused as not read-only.
            if (IsSchemaTable(first))
                return SQLITE_OK;
            break;
        default:
            break;
        }
        if (impl->Refusal.isEmpty())
            impl->Refusal = DescribeAction(action, first, second);
        return SQLITE_DENY;
    }

    // Steps through the statement and gathers its rows, within the time limit, the memory
    // budget and the user's patience.
    std::unique_ptr<TRecordSet> Collect(sqlite3_stmt *statement, const QString &sql)
    {
        Operation = TOperationProgress::Current();
        Cancelled = TimedOut = false;
        Clock.start();
        const auto stopped = qScopeGuard([this] {
            Clock.invalidate();
            Operation = nullptr;
        });
        SqlResultBuilder result(statement, [this](const char *table) -> Source * {
            const auto found = Tables.find(TableKey(QString::fromUtf8(table)));
            return found == Tables.end() ? nullptr : found->second.get();
        });
        for (;;) {
            const int rc = sqlite3_step(statement);
            if (rc == SQLITE_DONE)
                break;
            if (rc != SQLITE_ROW)
                ThrowStepFailure(rc, sql);
            switch (result.AddRow()) {
            case SqlResultBuilder::Added::Row:
                break;
            case SqlResultBuilder::Added::TooLarge:
                throw EDatabaseError(
                    QStringLiteral("Query result is too large.%1").arg(Describe(sql)));
            case SqlResultBuilder::Added::Again:
                sqlite3_reset(statement);
                continue;
            }
            if (result.RowCount() % BudgetCheckRows == 0) {
                if (Operation)
                    Operation->AddRows(BudgetCheckRows);
                if (!TMemoryBudget::Allows(result.BuildPeakBytes()))
                    throw TMemoryBudget::Exceeded(sql);
            }
        }
        if (!TMemoryBudget::Allows(result.BuildPeakBytes()))
            throw TMemoryBudget::Exceeded(sql);
        return result.Build(Operation);
    }

    [[noreturn]] void ThrowStepFailure(int rc, const QString &sql) const
    {
        if (Cancelled)
            throw EOperationCancelled();
        if (TimedOut)
            throw EDatabaseError(
                QStringLiteral("Запрос остановлен: он выполнялся дольше %1 секунд.")
                    .arg(QueryTimeLimitMSecs / 1000),
                QStringLiteral("Query stopped: it ran longer than %1 seconds.%2")
                    .arg(QueryTimeLimitMSecs / 1000)
                    .arg(Describe(sql)));
        // SQLite's heap is held to the budget; a sort spilled to a temporary file that grows
        // past its bound reports a full disk.
        if (rc == SQLITE_NOMEM || rc == SQLITE_FULL)
            throw TMemoryBudget::Exceeded(sql);
        throw EDatabaseError::InvalidQuery(
            QStringLiteral("Query failed: %1.%2").arg(FromUtf8(sqlite3_errmsg(Db)), Describe(sql)));
    }

    static int Progress(void *data)
    {
        auto *impl = static_cast<Impl *>(data);
        if (impl->Operation && impl->Operation->Cancelled()) {
            impl->Cancelled = true;
            return 1;
        }
        if (impl->Clock.isValid() && impl->Clock.elapsed() > QueryTimeLimitMSecs) {
            impl->TimedOut = true;
            return 1;
        }
        return 0;
    }

    static QString SqlTimeText(const QTime &time)
    {
        return time.toString(
            time.msec() ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
    }
};

SqlEngine::SqlEngine(const QString &folder, int defaultCodePage)
    : FImpl(std::make_unique<Impl>())
    , FFolder(folder)
{
    FImpl->Folder = folder;
    FImpl->CodePage = defaultCodePage;
    // The engine's own database lives in memory and holds no tables: nothing is ever written
    // to disk, and the tables of the folder are shown to it as read-only virtual tables.
    const int rc = sqlite3_open_v2(":memory:", &FImpl->Db,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY | SQLITE_OPEN_NOMUTEX, TMemoryBudget::VfsName());
    if (rc != SQLITE_OK)
        throw EDatabaseError(
            QStringLiteral("Cannot start the SQL engine for %1: %2")
                .arg(QDir::toNativeSeparators(folder),
                    FromUtf8(FImpl->Db ? sqlite3_errmsg(FImpl->Db) : sqlite3_errstr(rc))));
    sqlite3 *db = FImpl->Db;
    TMemoryBudget::Limit(); // puts SQLite's heap under the budget
    SqlTemporaryFolder::Use(db);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_create_collation_v2(db, "PXW_CYRL", SQLITE_UTF8, nullptr, CollateCyrillic, nullptr);
    static int upper = 1;
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    sqlite3_create_function_v2(
        db, "UPPER", 1, flags, &upper, ChangeCase, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(
        db, "LOWER", 1, flags, nullptr, ChangeCase, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(
        db, "LIKE", 2, flags, nullptr, LikeAnyCase, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(
        db, "LIKE", 3, flags, nullptr, LikeAnyCase, nullptr, nullptr, nullptr);
    sqlite3_set_authorizer(db, Impl::Authorize, FImpl.get());
    sqlite3_progress_handler(db, ProgressSteps, Impl::Progress, FImpl.get());
}

SqlEngine::~SqlEngine() = default;

std::unique_ptr<TRecordSet> SqlEngine::Run(const QString &sql, const Params &params)
{
    if (sql.trimmed().isEmpty())
        throw EDatabaseError(QStringLiteral("Query: SQL statement is empty"));
    // Statements that change something are refused before SQLite sees them, so that the
    // refusal, not a missing table, is what the user reads; a misspelt word is left to SQLite's
    // syntax error.
    const QString keyword = FirstKeyword(sql);
    static const QStringList changing
        = {QStringLiteral("INSERT"), QStringLiteral("REPLACE"), QStringLiteral("UPDATE"),
            QStringLiteral("DELETE"), QStringLiteral("CREATE"), QStringLiteral("DROP"),
            QStringLiteral("ALTER"), QStringLiteral("ATTACH"), QStringLiteral("DETACH"),
            QStringLiteral("VACUUM"), QStringLiteral("REINDEX"), QStringLiteral("ANALYZE"),
            QStringLiteral("BEGIN"), QStringLiteral("COMMIT"), QStringLiteral("END"),
            QStringLiteral("ROLLBACK"), QStringLiteral("SAVEPOINT"), QStringLiteral("RELEASE")};
    if (changing.contains(keyword))
        throw FImpl->Refused(keyword, sql);

    for (const QString &name : TablesAskedAbout(sql))
        if (!FindTableFile(FImpl->Folder, name).isEmpty())
            FImpl->LoadTable(name);
    Statement statement = FImpl->Prepare(SqlDialect::DistinctAsGrouping(SqlDialect::ToSqlite(sql)));
    const bool reading = keyword == QLatin1String("SELECT") || keyword == QLatin1String("WITH")
        || keyword == QLatin1String("VALUES") || keyword == QLatin1String("PRAGMA");
    if (!reading || !sqlite3_stmt_readonly(statement.get()))
        throw FImpl->Refused(keyword.isEmpty() ? QStringLiteral("this statement") : keyword, sql);
    FImpl->Bind(statement.get(), params, sql);

    // Every table the statement reads stays alive until its rows are copied out.
    std::vector<std::shared_ptr<Source>> inUse;
    for (Source *source : FImpl->Planned)
        for (const auto &[name, known] : FImpl->Tables)
            if (known.get() == source)
                inUse.push_back(known);

    try {
        return FImpl->Collect(statement.get(), sql);
    } catch (const std::bad_alloc &) {
        // The machine ran short before the budget did: the same stop, the rows freed.
        throw TMemoryBudget::Exceeded(sql);
    }
}
