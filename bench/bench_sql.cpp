// The directory's queries over a large town: 1,000,000 subscribers on 2,000 streets, and an
// organisation directory of 50,000 telephones. The goal is a warm city query (table loaded,
// street chosen) under 20 ms.
#include "bench/BenchRows.h"
#include "db/paradox/ParadoxWriter.h"
#include "db/sql/SqlCollation.h"
#include "db/sql/SqlEngine.h"
#include "db/sql/TableCache.h"
#include "tests/support/SubscriberTable.h"

#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int Subscribers = 1'000'000;
constexpr int Streets = 2'000;
constexpr int Organisations = 5'000;
constexpr int OrganisationPhones = 50'000;
constexpr int Positions = 200;
constexpr int Departments = 300;

const char *const Syllables[] = {"Ива", "Пет", "Сид", "Ёл", "Куз", "Нец", "Смир", "Ов", "Ев", "Бор",
    "Ша", "Щу", "Жу", "Ки", "Ле", "Мо", "Ан", "Ря", "Юр", "Эр", "Фе", "Хо", "Це", "Ча"};
const char *const Initials = "АБВГДЕЖЗИКЛМНОПРСТУФЭЮЯ";

QString Surname(Sequence &random)
{
    QString name;
    const int parts = 2 + int(random.Next(2));
    for (int i = 0; i < parts; ++i)
        name += QString::fromUtf8(Syllables[random.Next(std::size(Syllables))]);
    name = name.left(1).toUpper() + name.mid(1).toLower() + QStringLiteral("ов ");
    const QString initials = QString::fromUtf8(Initials);
    name += initials.at(int(random.Next(uint32_t(initials.size())))) + QStringLiteral(".");
    return name;
}

QString Phone(Sequence &random)
{
    return QStringLiteral("%1-%2-%3")
        .arg(random.Next(90) + 10)
        .arg(random.Next(100), 2, 10, QLatin1Char('0'))
        .arg(random.Next(100), 2, 10, QLatin1Char('0'));
}

void WriteTown(const QString &folder)
{
    Sequence random;
    TSubscriberTable town(Subscribers);
    for (int i = 0; i < Subscribers; ++i) {
        const std::string name = Surname(random).toStdString();
        const std::string phone = Phone(random).toStdString();
        const int street = int(random.Next(Streets)) + 1;
        const std::string house = std::to_string(random.Next(120) + 1);
        town.Add(name, phone, street, house, std::to_string(random.Next(200) + 1));
    }
    town.WriteTo(folder);

    TRecordSet phones;
    phones.AddColumn(QStringLiteral("TELE"), TFieldType::ftString, 10);
    phones.AddColumn(QStringLiteral("DOLJNOST"), TFieldType::ftInteger);
    phones.AddColumn(QStringLiteral("OTDEL"), TFieldType::ftInteger);
    phones.AddColumn(QStringLiteral("KOD_ORG"), TFieldType::ftInteger);
    for (int i = 0; i < OrganisationPhones; ++i) {
        phones.AppendText(0, Phone(random).toStdString());
        phones.AppendInt(1, int64_t(random.Next(Positions)) + 1);
        phones.AppendInt(2, int64_t(random.Next(Departments)) + 1);
        phones.AppendInt(3, int64_t(random.Next(Organisations)) + 1);
        phones.EndRow();
    }
    Paradox::WriteTable(folder + QStringLiteral("/SPR_TEL2.DB"),
        {{QStringLiteral("TELE"), QLatin1Char('A'), 10},
            {QStringLiteral("DOLJNOST"), QLatin1Char('I'), 0},
            {QStringLiteral("OTDEL"), QLatin1Char('I'), 0},
            {QStringLiteral("KOD_ORG"), QLatin1Char('I'), 0}},
        phones);

    auto names = [&](const QString &file, const QString &key, const QString &name, int count,
                     const QString &prefix) {
        TRecordSet rows;
        rows.AddColumn(key, TFieldType::ftInteger);
        rows.AddColumn(name, TFieldType::ftString, 40);
        for (int i = 1; i <= count; ++i) {
            rows.AppendInt(0, i);
            rows.AppendText(1, (prefix + QString::number(i)).toStdString());
            rows.EndRow();
        }
        Paradox::WriteTable(folder + QLatin1Char('/') + file,
            {{key, QLatin1Char('I'), 0}, {name, QLatin1Char('A'), 40}}, rows);
    };
    names(QStringLiteral("SPR_DOL.DB"), QStringLiteral("DOLJNOST"), QStringLiteral("NAIM_DOL"),
        Positions, QStringLiteral("Должность "));
    names(QStringLiteral("SPR_OTD1.DB"), QStringLiteral("OTDEL"), QStringLiteral("NAIM_OTD"),
        Departments, QStringLiteral("Отдел "));
}

// The town is written once per program run.
QString TownFolder()
{
    static QTemporaryDir folder;
    static const QString path = [] {
        WriteTown(folder.path());
        return folder.path();
    }();
    return path;
}

const QString CityQuery = QStringLiteral("SELECT DISTINCT FAM, TELE, K_Y, ADR_D, ADR_K\n"
                                         "FROM \"KVTEL_1.DB\" \n"
                                         "WHERE(K_Y = :str)\n"
                                         "ORDER BY FAM, TELE, K_Y, ADR_D, ADR_K");

const QString OrganisationQuery
    = QStringLiteral("SELECT DISTINCT D.TELE, D1.NAIM_DOL, D2.NAIM_OTD\n"
                     "FROM \"SPR_TEL2.DB\" D, \"SPR_DOL.DB\" D1, \"SPR_OTD1.DB\" D2\n"
                     "WHERE(D.KOD_ORG = :str)\n"
                     "AND (D1.DOLJNOST = D.DOLJNOST)\n"
                     "AND (D2.OTDEL = D.OTDEL)\n"
                     "ORDER BY D.TELE, D1.NAIM_DOL, D2.NAIM_OTD");

// As the grid's sorting leaves the text: upper case, ORDER BY joined, a key descending.
const QString SortedCityQuery
    = QStringLiteral("SELECT DISTINCT FAM, TELE, K_Y, ADR_D, ADR_K\r\nFROM \"KVTEL_1.DB\" \r\n"
                     "WHERE(K_Y = :STR)\rORDER BY FAM, TELE DESC, K_Y, ADR_D, ADR_K");

SqlEngine::Params Code(int value)
{
    return {{QStringLiteral("str"), QVariant(value)}};
}

// From nothing: the file read, the index on K_Y built, the query run.
void BM_CityQueryCold(benchmark::State &state)
{
    const QString folder = TownFolder();
    for (auto _ : state) {
        TableCache::Clear();
        SqlEngine engine(folder, 1251);
        auto rows = engine.Run(CityQuery, Code(17));
        benchmark::DoNotOptimize(rows->RowCount());
    }
}
BENCHMARK(BM_CityQueryCold)->Unit(benchmark::kMillisecond)->Iterations(3);

// The table loaded: choosing one street after another.
void BM_CityQueryWarm(benchmark::State &state)
{
    SqlEngine engine(TownFolder(), 1251);
    engine.Run(CityQuery, Code(1));
    int street = 0;
    int64_t rows = 0;
    for (auto _ : state) {
        auto result = engine.Run(CityQuery, Code(street % Streets + 1));
        rows += result->RowCount();
        street += 37;
    }
    state.counters["rows/query"] = benchmark::Counter(double(rows) / double(state.iterations()));
}
BENCHMARK(BM_CityQueryWarm)->Unit(benchmark::kMillisecond);

// A new connection over an already cached table (the main window re-points Gorod).
void BM_CityQueryNewConnection(benchmark::State &state)
{
    SqlEngine(TownFolder(), 1251).Run(CityQuery, Code(1));
    for (auto _ : state) {
        SqlEngine engine(TownFolder(), 1251);
        auto rows = engine.Run(CityQuery, Code(42));
        benchmark::DoNotOptimize(rows->RowCount());
    }
}
BENCHMARK(BM_CityQueryNewConnection)->Unit(benchmark::kMillisecond);

// A double-click on a title: the same street again with the rewritten ORDER BY.
void BM_CityQueryResorted(benchmark::State &state)
{
    SqlEngine engine(TownFolder(), 1251);
    engine.Run(CityQuery, Code(5));
    bool sorted = false;
    for (auto _ : state) {
        auto rows = engine.Run(sorted ? SortedCityQuery : CityQuery, Code(5));
        benchmark::DoNotOptimize(rows->RowCount());
        sorted = !sorted;
    }
}
BENCHMARK(BM_CityQueryResorted)->Unit(benchmark::kMillisecond);

void BM_OrganisationQueryWarm(benchmark::State &state)
{
    SqlEngine engine(TownFolder(), 1251);
    engine.Run(OrganisationQuery, Code(1));
    int organisation = 0;
    for (auto _ : state) {
        auto rows = engine.Run(OrganisationQuery, Code(organisation % Organisations + 1));
        benchmark::DoNotOptimize(rows->RowCount());
        organisation += 13;
    }
}
BENCHMARK(BM_OrganisationQueryWarm)->Unit(benchmark::kMillisecond);

// The whole town in dictionary order: a million PXW_CYRL comparisons and more.
void BM_WholeTownSortedByName(benchmark::State &state)
{
    SqlEngine engine(TownFolder(), 1251);
    engine.Run(CityQuery, Code(1));
    for (auto _ : state) {
        auto rows
            = engine.Run(QStringLiteral("SELECT FAM, TELE FROM \"KVTEL_1.DB\" ORDER BY FAM"), {});
        benchmark::DoNotOptimize(rows->RowCount());
    }
}
BENCHMARK(BM_WholeTownSortedByName)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_CompareCyrillic(benchmark::State &state)
{
    const std::string a = "Иванов Иван Петрович";
    const std::string b = "Иванов Иван Пётрович";
    for (auto _ : state)
        benchmark::DoNotOptimize(CompareCyrillic(a, b));
}
BENCHMARK(BM_CompareCyrillic);

} // namespace

BENCHMARK_MAIN();
