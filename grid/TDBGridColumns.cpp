#include "grid/TDBGridColumns.h"

#include "core/Exception.h"
#include "db/dataset/TDataSet.h"
#include "db/dataset/TField.h"
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

void TColumn::AssignSettings(const TColumn &source)
{
    FTitle.FCaption = source.FTitle.FCaption;
    FTitle.FAlignment = source.FTitle.FAlignment;
    FTitle.FFont = source.FTitle.FFont;
    FTitle.FColor = source.FTitle.FColor;
    FFont = source.FFont;
    FColor = source.FColor;
    FAlignment = source.FAlignment;
    FWidth = source.FWidth;
    FVisible = source.FVisible;
    FPopupMenu = source.FPopupMenu;
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
    std::vector<std::unique_ptr<TColumn>> previous
        = FItems.empty() ? std::move(FClosed) : std::move(FItems);
    FItems.clear();
    FClosed.clear();
    if (!previous.empty() && previous.front()->FDataSet != dataSet)
        previous.clear();
    if (!dataSet)
        return;
    if (!dataSet->Active()) {
        FClosed = std::move(previous);
        return;
    }
    std::vector<TField *> fields;
    for (int i = 0; i < dataSet->FieldCount(); ++i)
        if (dataSet->Fields(i)->Visible())
            fields.push_back(dataSet->Fields(i));
    // The same fields, by name, as before: the columns come back in their order with their
    // settings. Anything else starts afresh.
    if (!previous.empty() && previous.size() == fields.size()) {
        std::vector<TField *> matched;
        std::vector<bool> taken(fields.size(), false);
        for (const auto &old : previous) {
            for (size_t i = 0; i < fields.size(); ++i)
                if (!taken[i]
                    && fields[i]->FieldName().compare(old->FFieldName, Qt::CaseInsensitive) == 0) {
                    taken[i] = true;
                    matched.push_back(fields[i]);
                    break;
                }
        }
        if (matched.size() == previous.size()) {
            for (size_t i = 0; i < previous.size(); ++i) {
                auto column = std::make_unique<TColumn>(FGrid, matched[i]);
                column->AssignSettings(*previous[i]);
                FItems.push_back(std::move(column));
            }
            return;
        }
    }
    for (TField *field : fields)
        FItems.push_back(std::make_unique<TColumn>(FGrid, field));
}

void TDBGridColumns::Move(int from, int to)
{
    if (from == to)
        return;
    std::unique_ptr<TColumn> column = std::move(FItems[size_t(from)]);
    FItems.erase(FItems.begin() + from);
    FItems.insert(FItems.begin() + to, std::move(column));
}
