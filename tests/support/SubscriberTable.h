#pragma once

#include "db/paradox/TRecordSet.h"

#include <QString>
#include <optional>
#include <string_view>

// The town's subscriber table kvtel_1.DB in the layout of the real one: FAM:A:40, TELE:A:10,
// K_Y:I, ADR_D:A:8, ADR_K:A:6. Tests and benchmarks fill it with subscribers of their own.
class TSubscriberTable
{
public:
    static inline const QString FileName = QStringLiteral("kvtel_1.DB");

    explicit TSubscriberTable(int expectedRows = 0);

    // One card; a card without a flat (a private house) leaves ADR_K null.
    void Add(std::string_view name, std::string_view phone, int street, std::string_view house,
        std::optional<std::string_view> flat);
    const TRecordSet &Rows() const { return FRows; }
    // Writes the table into folder as kvtel_1.DB.
    void WriteTo(const QString &folder) const;

private:
    TRecordSet FRows;
};
