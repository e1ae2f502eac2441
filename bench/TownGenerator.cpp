#include "bench/TownGenerator.h"

#include "bench/BenchRows.h"
#include "db/paradox/ParadoxWriter.h"
#include "tests/support/SubscriberTable.h"

#include <QDir>
#include <optional>
#include <string>

namespace {

const char *const Stems[] = {"Иван", "Петр", "Сидор", "Кузнец", "Смирн", "Попов", "Волк", "Соколь",
    "Лебед", "Козл", "Новик", "Мороз", "Ёлкин", "Щукин", "Жуков", "Орл", "Зайц", "Павл", "Семён",
    "Егор", "Федот", "Яковл", "Григорь", "Чернов"};
const char *const Endings[] = {"ов", "ова", "ин", "ина", "ский", "ская", "ев", "ева"};
const char *const Letters[] = {"А", "Б", "В", "Г", "Д", "Е", "Ж", "З", "И", "К", "Л", "М", "Н", "О",
    "П", "Р", "С", "Т", "У", "Ф", "Э", "Ю", "Я"};
const char *const StreetKinds[] = {"ул. ", "пер. ", "пр-т ", "пл. ", "туп. "};

std::string Surname(Sequence &random)
{
    std::string name = Stems[random.Next(std::size(Stems))];
    name += Endings[random.Next(std::size(Endings))];
    name += ' ';
    name += Letters[random.Next(std::size(Letters))];
    name += '.';
    name += Letters[random.Next(std::size(Letters))];
    name += '.';
    return name;
}

std::string Phone(Sequence &random)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02u-%02u-%02u", random.Next(90) + 10, random.Next(100),
        random.Next(100));
    return text;
}

} // namespace

void GenerateTown(const QString &folder, int subscribers, int streets)
{
    QDir().mkpath(folder);
    Sequence random(19990101);

    TSubscriberTable town(subscribers);
    for (int i = 0; i < subscribers; ++i) {
        const std::string name = Surname(random);
        const std::string phone = Phone(random);
        const int street = int(random.Next(uint32_t(streets))) + 1;
        std::string house = std::to_string(random.Next(150) + 1);
        if (random.Next(10) == 0)
            house += "а";
        std::optional<std::string> flat; // a private house has none
        if (random.Next(4) != 0)
            flat = std::to_string(random.Next(300) + 1);
        town.Add(name, phone, street, house, flat);
    }
    town.WriteTo(folder);

    TRecordSet names;
    names.AddColumn(QStringLiteral("K_Y"), TFieldType::ftInteger);
    names.AddColumn(QStringLiteral("ADR_Y"), TFieldType::ftString, 40);
    for (int i = 1; i <= streets; ++i) {
        names.AppendInt(0, i);
        std::string street = StreetKinds[random.Next(std::size(StreetKinds))];
        street += Stems[random.Next(std::size(Stems))];
        street += "ская ";
        street += std::to_string(i);
        names.AppendText(1, street);
        names.EndRow();
    }
    Paradox::WriteTable(QDir(folder).filePath(QStringLiteral("spr_adr1.db")),
        {{QStringLiteral("K_Y"), QLatin1Char('I'), 0},
            {QStringLiteral("ADR_Y"), QLatin1Char('A'), 40}},
        names);
}
