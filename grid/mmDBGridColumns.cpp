#include "grid/GridStandardDialogs.h"
#include "grid/mmDBGrid.h"
#include "grid/mmDBGridColumnsDlg.h"

#include "db/dataset/TDataSet.h"
#include "db/dataset/TField.h"

#include <QLineEdit>
#include <optional>
#include <vector>

namespace {
QStringList FieldNamesOf(const TDataSet &dataSet)
{
    QStringList names;
    for (int i = 0; i < dataSet.FieldCount(); ++i)
        names << dataSet.Fields(i)->FieldName().toUpper();
    return names;
}

// What the user or the application set on a column, as far as it differs from what a new column
// of the same field shows. Showing or hiding a field rebuilds every column afresh; the columns
// that stay get this back, so that one column's choice does not cost the others theirs.
struct TColumnLook
{
    QString FieldName;
    std::optional<QString> Caption;
    std::optional<TAlignment> TitleAlignment;
    std::optional<TFont> TitleFont;
    std::optional<TColor> TitleColor;
    std::optional<TFont> Font;
    std::optional<TColor> Color;
    std::optional<TAlignment> Alignment;
    std::optional<int> Width;

    template <typename T> static std::optional<T> IfSet(const T &value, const T &byDefault)
    {
        return value == byDefault ? std::nullopt : std::optional<T>(value);
    }

    static TColumnLook Of(const TColumn &column, const TDBGrid &grid)
    {
        const TField *field = column.Field();
        TColumnLook look;
        look.FieldName = column.FieldName();
        look.Caption = IfSet(column.Title().Caption(), field ? field->DisplayLabel() : QString());
        look.TitleAlignment = IfSet(column.Title().Alignment(), TAlignment::taLeftJustify);
        look.TitleFont = IfSet(column.Title().Font(), grid.TitleFont());
        look.TitleColor = IfSet(column.Title().Color(), grid.FixedColor());
        look.Font = IfSet(column.Font(), grid.Font());
        look.Color = IfSet(column.Color(), grid.Color());
        look.Alignment
            = IfSet(column.Alignment(), field ? field->Alignment() : TAlignment::taLeftJustify);
        look.Width = IfSet(column.Width(), column.DefaultWidth());
        return look;
    }

    // Widths only where the grid does not fit them itself.
    void ApplyTo(TColumn &column, bool withWidth) const
    {
        if (Caption)
            column.Title().SetCaption(*Caption);
        if (TitleAlignment)
            column.Title().SetAlignment(*TitleAlignment);
        if (TitleFont)
            column.Title().SetFont(*TitleFont);
        if (TitleColor)
            column.Title().SetColor(*TitleColor);
        if (Font)
            column.SetFont(*Font);
        if (Color)
            column.SetColor(*Color);
        if (Alignment)
            column.SetAlignment(*Alignment);
        if (Width && withWidth)
            column.SetWidth(*Width);
    }
};
} // namespace

// The visible-columns chooser ------------------------------------------------------------------

void TmmDBGrid::ChooseVisibleColumns()
{
    if (!DataLinkActive())
        return;
    // A field counts as shown when its column is: the application may hide a column itself.
    TColumnsChooserDialog dialog(this, TColumnsChooserKind::Grid, *this, [this](TField *field) {
        const TColumn *column = Columns().FindColumn(field->FieldName());
        return field->Visible() && (!column || column->Visible());
    });
    if (dialog.exec() != QDialog::Accepted)
        return;
    SetFieldsVisible(dialog.Fields(true), dialog.Fields(false));
}

void TmmDBGrid::SetFieldsVisible(const QList<TField *> &shown, const QList<TField *> &hidden)
{
    TDataSet *dataSet = DataSet();
    if (!dataSet)
        return;
    if (!HidesFieldsOf(dataSet))
        FHiddenFields.clear();
    FHiddenFieldsOf = dataSet;
    FHiddenFieldsShape = FieldNamesOf(*dataSet);
    std::vector<TColumnLook> looks;
    for (int i = 0; i < Columns().Count(); ++i)
        looks.push_back(TColumnLook::Of(*Columns()[i], *this));
    {
        // One rebuild of the columns for the whole answer.
        TDisabledControls muted(dataSet);
        for (TField *field : hidden) {
            field->SetVisible(false);
            if (!FHiddenFields.contains(field->FieldName(), Qt::CaseInsensitive))
                FHiddenFields.append(field->FieldName());
        }
        for (TField *field : shown) {
            field->SetVisible(true);
            FHiddenFields.removeIf([field](const QString &name) {
                return name.compare(field->FieldName(), Qt::CaseInsensitive) == 0;
            });
        }
    }
    // A field shown again starts with the defaults; the others keep their looks.
    for (const TColumnLook &look : looks) {
        if (TColumn *column = Columns().FindColumn(look.FieldName))
            look.ApplyTo(*column, !FScaleColumns);
    }
    // A column the application hid is shown once the user asked for it.
    for (TField *field : shown)
        if (TColumn *column = Columns().FindColumn(field->FieldName()))
            column->SetVisible(true);
}

bool TmmDBGrid::HidesFieldsOf(const TDataSet *dataSet) const
{
    return dataSet && FHiddenFieldsOf == dataSet && !FHiddenFields.isEmpty()
        && FHiddenFieldsShape == FieldNamesOf(*dataSet);
}

void TmmDBGrid::HideRememberedFields()
{
    TDataSet *dataSet = DataSet();
    for (const QString &name : std::as_const(FHiddenFields))
        if (TField *field = dataSet->FindField(name))
            field->SetVisible(false);
}

// The caption editor ---------------------------------------------------------------------------

void TmmDBGrid::EditColumnCaption()
{
    if (!FPopupColumn)
        return;
    TColumnCaptionDialog dialog(this, FColorDialogs, FPopupColumn->Title().Caption());
    if (dialog.exec() != QDialog::Accepted || !FPopupColumn)
        return;
    const QString caption = dialog.Edit->text();
    // The field's label too, so that the choosers list the field under its new caption.
    if (TField *field = FPopupColumn->Field())
        field->SetDisplayLabel(caption);
    if (FPopupColumn)
        FPopupColumn->Title().SetCaption(caption);
}

// Fonts, colours and alignment of one column ---------------------------------------------------

void TmmDBGrid::ChooseColumnFont()
{
    if (!FPopupColumn)
        return;
    if (const auto font = GridStandardDialogs().ChooseFont(this, FPopupColumn->Font());
        font && FPopupColumn)
        FPopupColumn->SetFont(*font);
}

void TmmDBGrid::ChooseColumnColor()
{
    if (!FPopupColumn)
        return;
    if (const auto color = GridStandardDialogs().ChooseColor(this, FPopupColumn->Color());
        color && FPopupColumn)
        FPopupColumn->SetColor(*color);
}

void TmmDBGrid::ChooseColumnTitleFont()
{
    if (!FPopupColumn)
        return;
    if (const auto font = GridStandardDialogs().ChooseFont(this, FPopupColumn->Title().Font());
        font && FPopupColumn)
        FPopupColumn->Title().SetFont(*font);
}

void TmmDBGrid::ChooseColumnTitleColor()
{
    if (!FPopupColumn)
        return;
    if (const auto color = GridStandardDialogs().ChooseColor(this, FPopupColumn->Title().Color());
        color && FPopupColumn)
        FPopupColumn->Title().SetColor(*color);
}

void TmmDBGrid::SetColumnAlignment(TAlignment alignment)
{
    if (FPopupColumn)
        FPopupColumn->SetAlignment(alignment);
}

void TmmDBGrid::SetColumnTitleAlignment(TAlignment alignment)
{
    if (FPopupColumn)
        FPopupColumn->Title().SetAlignment(alignment);
}
