#pragma once

#include "conditions/mmDBGridCondition.h"
#include "core/TColor.h"
#include "core/TExList.h"
#include "core/TFont.h"

#include <QString>
#include <QtGlobal>
#include <vector>

class TDataSet;
class TField;
class TxFoCal;

// What conditional formatting needs of the grid that owns the conditions.
struct TConditionScope
{
    TExList<TCondition> *Conditions = nullptr; // the grid's FConditions, in evaluation order
    TDataSet *DataSet = nullptr; // the grid's dataset; none or closed means no field exists
    TxFoCal *Calculator = nullptr; // the grid's FCalculator; without one formulas fail
};

// The brush colour and font a data cell is about to be drawn with.
struct TCellStyle
{
    TColor Color = Colors::clWindow;
    TFont Font;
};

// Prepares a grid's conditions and applies them to its cells while it paints. It keeps what
// one paint can share between cells: the tested fields, each row's field texts, and each
// row's operand values, which are evaluated once per row instead of once per cell. The grid
// calls BeginPaint before each paint, so nothing outlives the data or the day it was made for.
class TConditionMatcher
{
public:
    TConditionMatcher();

    // Reads every condition's operands for its field's type (or evaluates its formulas over the
    // current record) and sets IsNumeric, Number1 and Number2. A condition whose field does not
    // exist becomes a text condition.
    void PrepareConditions(const TConditionScope &scope);

    // Forgets what the previous paint learnt. Also needed after anything else has used the
    // calculator, since rows share the variables bound for them.
    void BeginPaint();

    // Formats one data cell of the dataset's active record: every condition shown in the cell's
    // field whose test holds on the row gives the cell its colour (unless the cell is
    // highlighted) and its font; later conditions win, separately for colour and font.
    // Returns whether any condition matched. A cell without a field is left alone.
    bool ApplyConditions(const TConditionScope &scope, const QString &cellFieldName,
        bool highlighted, TCellStyle &style);

private:
    // The row an evaluation or a text was made for, within one paint.
    struct RowKey
    {
        const TDataSet *DataSet = nullptr;
        quint64 Generation = 0;
        int Row = -1;
        quint64 Epoch = 0;
        bool operator==(const RowKey &) const = default;
    };
    struct OperandState
    {
        RowKey EvaluatedFor;
        bool Constant = false;
    };
    struct Slot
    {
        quint64 Epoch = 0;
        const TCondition *Condition = nullptr;
        const TDataSet *DataSet = nullptr;
        quint64 Generation = 0;
        TField *Field = nullptr;
        OperandState Operand1;
        OperandState Operand2;
        QString UpperValue1;
    };
    struct FieldText
    {
        RowKey Row;
        QString Text;
        QString Upper;
        bool HasUpper = false;
    };

    Slot &SlotFor(int index, const TCondition &condition, TDataSet *dataSet, quint64 generation);
    bool Match(const TConditionScope &scope, TCondition &condition, Slot &slot, const RowKey &row);
    bool MatchNumber(TCondition &condition, const TField &field) const;
    bool MatchText(const TCondition &condition, Slot &slot, const TField &field, const RowKey &row);
    void RefreshOperand(const TConditionScope &scope, OperandState &state, const QString &text,
        double &number, const RowKey &row);
    FieldText &TextOf(const TField &field, const RowKey &row);

    quint64 FEpoch = 1;
    RowKey FBoundFor; // the row whose variables the calculator holds
    std::vector<Slot> FSlots;
    std::vector<FieldText> FTexts;
};
