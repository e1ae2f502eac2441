#include "tests/support/GridFixture.h"

#include <QStringList>

namespace {
int FixtureCount = 0;
} // namespace

TGridFixture::TGridFixture()
    : FDatabase(std::make_unique<TDatabase>())
{
    FDatabase->SetDatabaseName(QStringLiteral("GridFixture%1").arg(++FixtureCount));
    FDatabase->AddParam(QStringLiteral("PATH=") + FFolder.path());
    FDatabase->AddParam(QStringLiteral("DEFAULT DRIVER=PARADOX"));
    FDatabase->Open();
}

TGridFixture::~TGridFixture() = default;

std::unique_ptr<TMemoryDataSet> TGridFixture::NewDataSet(std::shared_ptr<TRecordSet> rows)
{
    auto dataSet = std::make_unique<TMemoryDataSet>();
    dataSet->Rows = std::move(rows);
    dataSet->SetDatabaseName(FDatabase->DatabaseName());
    return dataSet;
}

std::unique_ptr<TMemoryDataSet> TGridFixture::OpenDataSet(std::shared_ptr<TRecordSet> rows)
{
    auto dataSet = NewDataSet(std::move(rows));
    dataSet->Open();
    return dataSet;
}

std::shared_ptr<TRecordSet> TGridFixture::Subscribers(int count)
{
    static const QStringList names {QStringLiteral("Иванов И.И."), QStringLiteral("Петров П.П."),
        QStringLiteral("Сидорова А.В."), QStringLiteral("Кузнецов Н.С."),
        QStringLiteral("Orlov O.O.")};
    auto rows = std::make_shared<TRecordSet>();
    rows->AddColumn(QStringLiteral("FAM"), TFieldType::ftString, 30);
    rows->AddColumn(QStringLiteral("TELE"), TFieldType::ftInteger);
    rows->AddColumn(QStringLiteral("ADR_D"), TFieldType::ftString, 6);
    rows->AddColumn(QStringLiteral("ADR_K"), TFieldType::ftInteger);
    rows->Reserve(count);
    for (int i = 0; i < count; ++i) {
        rows->AppendText(0, names.at(i % names.size()).toStdString());
        rows->AppendInt(1, 20000 + i);
        rows->AppendText(2, QString::number(1 + i / 7).toStdString());
        if (i % 4 == 3)
            rows->AppendNull(3);
        else
            rows->AppendInt(3, 1 + i % 40);
        rows->EndRow();
    }
    return rows;
}

std::shared_ptr<TRecordSet> TGridFixture::Streets(int count)
{
    auto rows = std::make_shared<TRecordSet>();
    rows->AddColumn(QStringLiteral("K_Y"), TFieldType::ftInteger);
    rows->AddColumn(QStringLiteral("NAME"), TFieldType::ftString, 40);
    for (int i = 0; i < count; ++i) {
        rows->AppendInt(0, i + 1);
        rows->AppendText(1, QStringLiteral("Улица %1").arg(i + 1).toStdString());
        rows->EndRow();
    }
    return rows;
}
