#include "QueryFixture.h"

#include "db/paradox/ParadoxWriter.h"
#include "db/paradox/TRecordSet.h"

namespace {
int QueryFixtureCount = 0;
} // namespace

TQueryFixture::TQueryFixture(int subscribers, int streets)
    : FDatabase(std::make_unique<TDatabase>())
{
    static const char *const names[] = {"Иванов И.И.", "Петров П.П.", "Сидорова А.В.",
        "Кузнецов Н.С.", "Orlov O.O.", "Абрамов Б.Б.", "Яковлева Е.Е."};
    TRecordSet rows;
    rows.AddColumn(QStringLiteral("FAM"), TFieldType::ftString, 30);
    rows.AddColumn(QStringLiteral("TELE"), TFieldType::ftString, 10);
    rows.AddColumn(QStringLiteral("K_Y"), TFieldType::ftInteger);
    rows.AddColumn(QStringLiteral("ADR_D"), TFieldType::ftString, 6);
    rows.AddColumn(QStringLiteral("ADR_K"), TFieldType::ftString, 4);
    rows.Reserve(subscribers);
    for (int i = 0; i < subscribers; ++i) {
        const int number = (i * 7919) % 10000;
        rows.AppendText(0, names[i % std::size(names)]);
        rows.AppendText(1,
            QStringLiteral("2-%1-%2")
                .arg(number / 100, 2, 10, QLatin1Char('0'))
                .arg(number % 100, 2, 10, QLatin1Char('0'))
                .toStdString());
        rows.AppendInt(2, 1 + i % streets);
        rows.AppendText(3, std::to_string(1 + i % 97));
        rows.AppendText(4, std::to_string(1 + i % 201));
        rows.EndRow();
    }
    Paradox::WriteTable(FFolder.path() + QStringLiteral("/kvtel_1.DB"),
        {{QStringLiteral("FAM"), QLatin1Char('A'), 30},
            {QStringLiteral("TELE"), QLatin1Char('A'), 10},
            {QStringLiteral("K_Y"), QLatin1Char('I'), 0},
            {QStringLiteral("ADR_D"), QLatin1Char('A'), 6},
            {QStringLiteral("ADR_K"), QLatin1Char('A'), 4}},
        rows);
    FDatabase->SetDatabaseName(QStringLiteral("QueryFixture%1").arg(++QueryFixtureCount));
    FDatabase->AddParam(QStringLiteral("PATH=") + FFolder.path());
    FDatabase->AddParam(QStringLiteral("DEFAULT DRIVER=PARADOX"));
    FDatabase->Open();
}

TQueryFixture::~TQueryFixture() = default;

QStringList TQueryFixture::CityLines()
{
    return {QStringLiteral("SELECT DISTINCT FAM, TELE, K_Y, ADR_D, ADR_K"),
        QStringLiteral("FROM \"KVTEL_1.DB\" "), QStringLiteral("WHERE(K_Y = :str)"),
        QStringLiteral("ORDER BY FAM, TELE, K_Y, ADR_D, ADR_K")};
}

std::unique_ptr<TQuery> TQueryFixture::NewQuery(const QStringList &lines, int street)
{
    auto query = std::make_unique<TQuery>();
    query->SetDatabaseName(FDatabase->DatabaseName());
    query->SetSQL(lines);
    if (TParam *param = query->FindParam(QStringLiteral("str")))
        param->SetAsInteger(street);
    return query;
}

std::unique_ptr<TQuery> TQueryFixture::OpenQuery(const QStringList &lines, int street)
{
    auto query = NewQuery(lines, street);
    query->Open();
    return query;
}
