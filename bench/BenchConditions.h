#pragma once

// Conditions as the benchmarks add them: each paints the cells it shows in yellow.
#include "conditions/mmDBGridCondition.h"
#include "core/TExList.h"

#include <memory>

inline TCondition &AddYellowCondition(TExList<TCondition> &conditions, const QString &field,
    TConditionOperation op, const QString &v1, const QString &v2, const QStringList &showIn,
    bool formula)
{
    auto c = std::make_unique<TCondition>();
    c->FieldName = field;
    c->Operation = op;
    c->Value1 = v1;
    c->Value2 = v2;
    c->ShowInFields = showIn;
    c->Formula = formula;
    c->UseColor = true;
    c->Color = Colors::clYellow;
    TCondition &added = *c;
    conditions.Add(c.release());
    return added;
}
