#include "grid/TDBGridColumns.h"

#include "core/Exception.h"
#include "db/TDataSet.h"
#include "db/TField.h"
#include "grid/TDBGrid.h"

#include <QFontMetrics>
#include <QMenu>
#include <algorithm>

QString TColumnTitle::Caption() const
{
    if (FCaption)
        return *FCaption;
    if (TField *field = FColumn->Field())
        return field->DisplayLabel();
    return FColumn->FieldName();
}

void TColumnTitle::SetCaption(const QString &caption)
{
    if (FCaption && *FCaption == caption)
        return;
    FCaption = caption;
    Changed();
}

void TColumnTitle::SetAlignment(TAlignment alignment)
{
    if (FAlignment && *FAlignment == alignment)
        return;
    FAlignment = alignment;
    Changed();
}

TFont TColumnTitle::Font() const
{
    return FFont ? *FFont : FColumn->Grid()->TitleFont();
}

void TColumnTitle::SetFont(const TFont &font)
{
    if (FFont && *FFont == font)
        return;
    FFont = font;
    Changed();
}

TColor TColumnTitle::Color() const
{
    return FColor.value_or(FColumn->Grid()->FixedColor());
}

void TColumnTitle::SetColor(TColor color)
{
    if (FColor && *FColor == color)
        return;
    FColor = color;
    Changed();
}

void TColumnTitle::RestoreDefaults()
{
    FCaption.reset();
    FAlignment.reset();
    FFont.reset();
    FColor.reset();
    Changed();
}

void TColumnTitle::Changed()
{
    FColumn->Changed();
}

TColumn::TColumn(TDBGrid *grid, TField *field)
    : FGrid(grid)
    , FDataSet(field ? field->DataSet() : nullptr)
    , FField(field)
    , FFieldIndex(field ? field->Index() : -1)
    , FFieldName(field ? field->FieldName() : QString())
    , FTitle(this)
{ }

TField *TColumn::Field() const
{
    // The dataset may have been closed while its observers were muted; the column then no
    // longer has a field rather than a dangling one.
    if (!FField || !FDataSet || FGrid->DataSet() != FDataSet || !FDataSet->Active()
        || FFieldIndex >= FDataSet->FieldCount())
        return nullptr;
    TField *current = FDataSet->Fields(FFieldIndex);
    return current == FField ? current : nullptr;
}

int TColumn::Index() const
{
    return FGrid->Columns().IndexOf(this);
}

TFont TColumn::Font() const
{
    return FFont ? *FFont : FGrid->Font();
}

void TColumn::SetFont(const TFont &font)
{
    if (FFont && *FFont == font)
        return;
    FFont = font;
    Changed();
}

TColor TColumn::Color() const
{
    return FColor.value_or(FGrid->Color());
}

void TColumn::SetColor(TColor color)
{
    if (FColor && *FColor == color)
        return;
    FColor = color;
    Changed();
}

TAlignment TColumn::Alignment() const
{
    if (FAlignment)
        return *FAlignment;
    if (TField *field = Field())
        return field->Alignment();
    return TAlignment::taLeftJustify;
}

void TColumn::SetAlignment(TAlignment alignment)
{
    if (FAlignment && *FAlignment == alignment)
        return;
    FAlignment = alignment;
    Changed();
}

void TColumn::SetVisible(bool visible)
{
    if (visible == FVisible)
        return;
    FVisible = visible;
    Changed();
}

int TColumn::Width() const
{
    return FWidth ? *FWidth : DefaultWidth();
}

void TColumn::SetWidth(int width)
{
    width = std::max(0, width);
    if (FWidth && *FWidth == width)
        return;
    FWidth = width;
    Changed();
}

int TColumn::DefaultWidth() const
{
    TField *field = Field();
    if (!field)
        return 64;
    const QFontMetrics metrics(Font().ToQFont(), FGrid);
    int width = field->DisplayWidth() * metrics.averageCharWidth() + 4;
    if (FGrid->HasOption(TDBGridOption::dgTitles)) {
        const QFontMetrics titleMetrics(FTitle.Font().ToQFont(), FGrid);
        width = std::max(width, titleMetrics.horizontalAdvance(FTitle.Caption()) + 4);
    }
    return width;
}

void TColumn::RestoreDefaults()
{
    FFont.reset();
    FColor.reset();
    FAlignment.reset();
    FWidth.reset();
    FVisible = true;
    FTitle.FCaption.reset();
    FTitle.FAlignment.reset();
    FTitle.FFont.reset();
    FTitle.FColor.reset();
    Changed();
}

void TColumn::Changed()
{
    FGrid->ColumnChanged(this);
}

TColumn *TDBGridColumns::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError::IndexOutOfBounds(index);
    return FItems[size_t(index)].get();
}

int TDBGridColumns::IndexOf(const TColumn *column) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == column)
            return int(i);
    return -1;
}

TColumn *TDBGridColumns::FindColumn(const QString &fieldName) const
{
    for (const auto &column : FItems)
        if (column->FieldName().compare(fieldName, Qt::CaseInsensitive) == 0)
            return column.get();
    return nullptr;
}

void TDBGridColumns::RestoreDefaults()
{
    for (const auto &column : FItems)
        column->RestoreDefaults();
}

void TDBGridColumns::Rebuild(TDataSet *dataSet)
{
    FItems.clear();
    if (!dataSet || !dataSet->Active())
        return;
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
        TField *field = dataSet->Fields(i);
        if (field->Visible())
            FItems.push_back(std::make_unique<TColumn>(FGrid, field));
    }
}

void TDBGridColumns::Move(int from, int to)
{
    if (from == to)
        return;
    std::unique_ptr<TColumn> column = std::move(FItems[size_t(from)]);
    FItems.erase(FItems.begin() + from);
    FItems.insert(FItems.begin() + to, std::move(column));
}
