#pragma once

#include "calc/xCalc.h"
#include "conditions/ConditionMatcher.h"
#include "conditions/mmDBGridCondition.h"
#include "core/TFormatSettings.h"
#include "db/dataset/TDatabase.h"
#include "tests/support/MemoryDataSet.h"

#include <QDate>
#include <QDateTime>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>

struct ColumnDef
{
    QString Name;
    TFieldType Type;
};

// Rows from QVariants by the column's type; an invalid QVariant is a null.
inline std::shared_ptr<TRecordSet> MakeRows(
    const QList<ColumnDef> &columns, const QList<QVariantList> &rows)
{
    auto set = std::make_shared<TRecordSet>();
    for (const ColumnDef &c : columns)
        set->AddColumn(c.Name, c.Type, c.Type == TFieldType::ftString ? 40 : 0);
    for (const QVariantList &row : rows) {
        for (int i = 0; i < columns.size(); ++i) {
            const QVariant v = row.value(i);
            if (!v.isValid()) {
                set->AppendNull(i);
                continue;
            }
            switch (columns[i].Type) {
            case TFieldType::ftString: {
                const QByteArray utf8 = v.toString().toUtf8();
                set->AppendText(i, std::string_view(utf8.constData(), size_t(utf8.size())));
                break;
            }
            case TFieldType::ftFloat:
            case TFieldType::ftCurrency:
                set->AppendFloat(i, v.toDouble());
                break;
            case TFieldType::ftDate:
                set->AppendInt(i, v.toDate().toJulianDay());
                break;
            case TFieldType::ftDateTime:
                set->AppendInt(i, TRecordSet::DateTimeToMSecs(v.toDateTime()));
                break;
            case TFieldType::ftTime:
                set->AppendInt(i, v.toTime().msecsSinceStartOfDay());
                break;
            default:
                set->AppendInt(i, v.toLongLong());
                break;
            }
        }
        set->EndRow();
    }
    return set;
}

// A grid's worth of conditional formatting without the grid: a dataset, the condition list,
// the calculator and the matcher, and a way to paint one cell.
class ConditionsFixture
{
public:
    static constexpr TColor BaseColor = Colors::clWindow;

    ConditionsFixture()
    {
        Database.SetDatabaseName(QStringLiteral("ConditionsTest"));
        Database.SetParams(
            {QStringLiteral("PATH=") + Folder.path(), QStringLiteral("DEFAULT DRIVER=PARADOX")});
        Database.Open();
    }
    ~ConditionsFixture()
    {
        // Formats survive the test that changed them only by accident.
        FormatSettings() = TFormatSettings();
    }

    TMemoryDataSet &Open(const QList<ColumnDef> &columns, const QList<QVariantList> &rows)
    {
        DataSet.Close();
        DataSet.SetDatabaseName(QStringLiteral("ConditionsTest"));
        DataSet.Rows = MakeRows(columns, rows);
        DataSet.Open();
        return DataSet;
    }

    TCondition &Add(const QString &field, TConditionOperation op, const QString &value1,
        const QString &value2 = {}, const QStringList &showIn = {})
    {
        auto condition = std::make_unique<TCondition>();
        condition->FieldName = field;
        condition->Operation = op;
        condition->Value1 = value1;
        condition->Value2 = value2;
        condition->ShowInFields = showIn.isEmpty() ? QStringList {field} : showIn;
        condition->UseColor = true;
        condition->Color = Colors::clRed;
        TCondition &ref = *condition;
        Conditions.Add(condition.release());
        return ref;
    }

    TConditionScope Scope()
    {
        return {&Conditions, &DataSet, WithCalculator ? &Calculator : nullptr};
    }
    void Prepare() { Matcher.PrepareConditions(Scope()); }

    // The style a cell of a row gets; the caller starts the paint.
    TCellStyle Cell(
        int row, const QString &field, bool highlighted = false, bool *matched = nullptr)
    {
        TActiveRecordGuard guard(&DataSet, row);
        TCellStyle style {BaseColor, TFont()};
        const bool m = Matcher.ApplyConditions(Scope(), field, highlighted, style);
        if (matched)
            *matched = m;
        return style;
    }
    bool Matches(int row, const QString &field)
    {
        bool matched = false;
        Cell(row, field, false, &matched);
        return matched;
    }

    QTemporaryDir Folder;
    TDatabase Database;
    TMemoryDataSet DataSet;
    TExList<TCondition> Conditions;
    TxFoCal Calculator;
    bool WithCalculator = true;
    TConditionMatcher Matcher;
};

// Days since 30.12.1899, the date-time numbers of the toolkit.
inline double DateNumber(const QDate &date)
{
    return double(QDate(1899, 12, 30).daysTo(date));
}
