#pragma once

#include "core/TAlignment.h"
#include "core/TColor.h"
#include "core/TFont.h"

#include <QPointer>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include <QMenu>
class TColumn;
class TDBGrid;
class TDataSet;
class TField;

// The title cell of a column. Each attribute follows its default (the field's label, the grid's
// title font and fixed colour, left alignment) until it is set.
class TColumnTitle
{
public:
    explicit TColumnTitle(TColumn *column)
        : FColumn(column)
    { }

    QString Caption() const;
    void SetCaption(const QString &caption);
    TAlignment Alignment() const { return FAlignment.value_or(TAlignment::taLeftJustify); }
    void SetAlignment(TAlignment alignment);
    TFont Font() const;
    void SetFont(const TFont &font);
    TColor Color() const;
    void SetColor(TColor color);

    // Back to following the defaults.
    void RestoreDefaults();

private:
    friend class TColumn;
    void Changed();

    TColumn *FColumn;
    std::optional<QString> FCaption;
    std::optional<TAlignment> FAlignment;
    std::optional<TFont> FFont;
    std::optional<TColor> FColor;
};

// One column of the grid bound to one field. Font, colour and alignment follow the grid and the
// field until they are set; the width follows the field's display width until it is set or the
// user drags the column's border.
class TColumn
{
public:
    TColumn(TDBGrid *grid, TField *field);
    TColumn(const TColumn &) = delete;
    TColumn &operator=(const TColumn &) = delete;

    TDBGrid *Grid() const { return FGrid; }
    // The field while the dataset the column was built for still holds it, else nullptr.
    TField *Field() const;
    const QString &FieldName() const { return FFieldName; }
    // Position in the grid's column collection.
    int Index() const;

    TColumnTitle &Title() { return FTitle; }
    const TColumnTitle &Title() const { return FTitle; }

    TFont Font() const;
    void SetFont(const TFont &font);
    TColor Color() const;
    void SetColor(TColor color);
    TAlignment Alignment() const;
    void SetAlignment(TAlignment alignment);
    bool Visible() const { return FVisible; }
    void SetVisible(bool visible);
    // Pixels, without the grid line.
    int Width() const;
    void SetWidth(int width);
    // The width the column has while none is set: the field's display width in average
    // characters of the column font, or the title caption when that is wider.
    int DefaultWidth() const;

    // The menu shown for a right click on this column instead of the grid's, or none.
    QMenu *PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu *menu) { FPopupMenu = menu; }

    // Every attribute back to its default.
    void RestoreDefaults();

private:
    friend class TColumnTitle;
    friend class TDBGrid;
    friend class TDBGridColumns;
    void Changed();
    // Takes over what was set on another column (title, font, colour, alignment, width,
    // visibility, menu); what was not set keeps following the defaults.
    void AssignSettings(const TColumn &source);

    TDBGrid *FGrid;
    TDataSet *FDataSet;
    TField *FField;
    int FFieldIndex;
    QString FFieldName;
    TColumnTitle FTitle;
    std::optional<TFont> FFont;
    std::optional<TColor> FColor;
    std::optional<TAlignment> FAlignment;
    std::optional<int> FWidth;
    bool FVisible = true;
    QPointer<QMenu> FPopupMenu;
};

// The grid's columns, one per visible field of the bound dataset in field order. The grid
// rebuilds them when the bound result changes. A dataset that closes and opens again with the
// same visible fields (a query reopened with a new ORDER BY) gets its columns back as they were.
class TDBGridColumns
{
public:
    explicit TDBGridColumns(TDBGrid *grid)
        : FGrid(grid)
    { }

    TDBGrid *Grid() const { return FGrid; }
    int Count() const { return int(FItems.size()); }
    // Raises EListError for an index outside the collection.
    TColumn *Items(int index) const;
    TColumn *operator[](int index) const { return Items(index); }
    int IndexOf(const TColumn *column) const;
    // The first column of a field name, ignoring letter case; nullptr when there is none.
    TColumn *FindColumn(const QString &fieldName) const;
    // Every column's attributes back to their defaults.
    void RestoreDefaults();

private:
    friend class TDBGrid;
    void Rebuild(TDataSet *dataSet);
    void Clear() { FItems.clear(); }
    void Move(int from, int to);

    TDBGrid *FGrid;
    std::vector<std::unique_ptr<TColumn>> FItems;
    // The columns of a dataset that closed, kept for its reopening; only compared, never read
    // through, as the dataset may be gone.
    std::vector<std::unique_ptr<TColumn>> FClosed;
};
