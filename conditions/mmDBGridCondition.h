#pragma once

#include "core/TColor.h"
#include "core/TFont.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

// The tests a condition can make, with the codes they are stored under.
enum class TConditionOperation : uint8_t {
    coEqual = 0,
    coNotEqual = 1,
    coBetween = 2,
    coOutside = 3,
    coGreater = 4,
    coLess = 5,
    coGreaterOrEqual = 6,
    coLessOrEqual = 7,
    coContains = 8,
};

constexpr int ConditionOperationCount = 9;

// The range tests are the only ones with a second operand.
constexpr bool IsRangeOperation(TConditionOperation op)
{
    return op == TConditionOperation::coBetween || op == TConditionOperation::coOutside;
}

// The text the conditional formatting dialog shows for an operation ("равно" ...); empty for a
// code outside the list.
QString ConditionOperationText(TConditionOperation op);

// One conditional-formatting condition of a grid: a test of one field of the row and the
// colour and font it gives to the cells of its display columns when the test holds.
class TCondition
{
public:
    // What the user edits.
    TColor Color = Colors::clWhite;
    bool UseColor = false;
    TFont Font;
    // A code outside the list never matches.
    TConditionOperation Operation = TConditionOperation::coEqual;
    bool UseFont = false;
    QString Value1; // formulas hold field names, not captions
    QString Value2; // range tests only
    QString FieldName; // the tested field
    QStringList ShowInFields; // fields whose cells are formatted
    bool Formula = false;

    // Derived by PrepareConditions; Number1 and Number2 also follow the rows while painting.
    bool IsNumeric = false;
    double Number1 = 0;
    double Number2 = 0;

    // A copy of what the user edits; the derived values start afresh. Every copy between the
    // grid, the dialog and the wizard is made this way.
    std::unique_ptr<TCondition> Clone() const;
    void SetFont(const TFont &font) { Font.Assign(font); }
};
