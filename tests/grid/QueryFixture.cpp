#include "QueryFixture.h"

#include "tests/support/SubscriberTable.h"

namespace {
int QueryFixtureCount = 0;
} // namespace

TQueryFixture::TQueryFixture(int subscribers, int streets)
    : FDatabase(std::make_unique<TDatabase>())
{
    static const char *const names[] = {"Иванов И.И.", "Петров П.П.", "Сидорова А.В.",
        "Кузнецов Н.С.", "Orlov O.O.", "Абрамов Б.Б.", "Яковлева Е.Е."};
    TSubscriberTable town(subscribers);
    for (int i = 0; i < subscribers; ++i) {
        const int number = (i * 7919) % 10000;
        const std::string phone = QStringLiteral("2-%1-%2")
                                      .arg(number / 100, 2, 10, QLatin1Char('0'))
                                      .arg(number % 100, 2, 10, QLatin1Char('0'))
                                      .toStdString();
        town.Add(names[i % std::size(names)], phone, 1 + i % streets, std::to_string(1 + i % 97),
            std::to_string(1 + i % 201));
    }
    town.WriteTo(FFolder.path());
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
