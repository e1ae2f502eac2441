#include "grid/mmDBGrid.h"

#include "core/OperationProgress.h"
#include "db/dataset/TField.h"
#include "db/dataset/TQuery.h"
#include "grid/mmDBGridSortText.h"
#include "i18n/zrMultilingualSupport.h"

// The sort state is nothing but the query's text: the grid remembers no sort column.

bool TmmDBGrid::IsQueryBound() const
{
    return qobject_cast<TQuery *>(DataSet()) != nullptr;
}

bool TmmDBGrid::IsSortedBy(const QString &fieldName, bool &ascending) const
{
    ascending = true;
    const auto *query = qobject_cast<const TQuery *>(DataSet());
    if (!query)
        return false;
    return SortText::IsSortedBy(SortText::JoinQueryLines(query->SQL()), fieldName, ascending);
}

void TmmDBGrid::SortBy(const QString &sortText, bool ascending)
{
    auto *query = qobject_cast<TQuery *>(DataSet());
    if (!query)
        return;
    // The rewrite raises before the query is touched, so a failed one leaves it open.
    const QString text
        = SortText::SortBy(SortText::JoinQueryLines(query->SQL()), sortText, ascending);
    query->SetSQL(SortText::SplitQueryLines(text)); // closes the query
    // Cancelled, the query stays closed with the new text, as after a failed reopen.
    const TOperationTitle title(TranslateText(QStringLiteral("Сортировка по %1")).arg(sortText));
    query->Open();
}

void TmmDBGrid::SortByTitle(int aCol)
{
    TColumn *column = ColumnOfCol(aCol);
    TField *field = column ? column->Field() : nullptr;
    if (!field)
        return;
    // The reopened query has new fields: the column is found again by its field's name.
    const QString fieldName = field->FieldName();
    if (FUseSorting && !field->Calculated()) {
        QString sortText = fieldName;
        const bool allowed = SortEvent ? SortEvent(this, field, sortText) : true;
        if (allowed) {
            bool ascending = true;
            if (IsSortedBy(sortText, ascending))
                SortBy(sortText, !ascending);
            else
                SortBy(sortText, true);
        }
    }
    if (TDataSet *dataSet = DataSet(); dataSet && dataSet->Active())
        SetSelectedField(dataSet->FindField(fieldName));
}
