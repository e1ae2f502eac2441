#include "tests/support/SubscriberTable.h"

#include "db/paradox/ParadoxWriter.h"

#include <QDir>

namespace {

const std::vector<Paradox::NewField> &Fields()
{
    static const std::vector<Paradox::NewField> fields {
        {QStringLiteral("FAM"), QLatin1Char('A'), 40},
        {QStringLiteral("TELE"), QLatin1Char('A'), 10},
        {QStringLiteral("K_Y"), QLatin1Char('I'), 0},
        {QStringLiteral("ADR_D"), QLatin1Char('A'), 8},
        {QStringLiteral("ADR_K"), QLatin1Char('A'), 6},
    };
    return fields;
}

enum Column { Name, Phone, Street, House, Flat };

} // namespace

TSubscriberTable::TSubscriberTable(int expectedRows)
{
    for (const Paradox::NewField &field : Fields()) {
        if (field.Kind == QLatin1Char('A'))
            FRows.AddColumn(field.Name, TFieldType::ftString, field.Length);
        else
            FRows.AddColumn(field.Name, TFieldType::ftInteger);
    }
    FRows.Reserve(expectedRows);
}

void TSubscriberTable::Add(std::string_view name, std::string_view phone, int street,
    std::string_view house, std::optional<std::string_view> flat)
{
    FRows.AppendText(Name, name);
    FRows.AppendText(Phone, phone);
    FRows.AppendInt(Street, street);
    FRows.AppendText(House, house);
    if (flat)
        FRows.AppendText(Flat, *flat);
    else
        FRows.AppendNull(Flat);
    FRows.EndRow();
}

void TSubscriberTable::WriteTo(const QString &folder) const
{
    Paradox::WriteTable(QDir(folder).filePath(FileName), Fields(), FRows);
}
