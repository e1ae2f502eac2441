#pragma once

#include "conditions/ConditionMatcher.h"
#include "core/TColor.h"
#include "core/TExList.h"
#include "grid/TDBGrid.h"

#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class TDataSet;
class TField;
class TmmDBGrid;
class TxFoCal;

// How the grid's commands are placed in its menu: in a sub-menu or as items of their own.
enum class TPopupMenuKind : quint8 { pmkSubMenu = 0, pmkItemMenu = 1 };

// Lets the application veto a title sort (by returning false) or replace the text sorted by.
using TmmDBGridSortEvent
    = std::function<bool(TmmDBGrid *sender, TField *sortField, QString &sortFieldText)>;
using TNotifyEvent = std::function<void(QObject *sender)>;

// One check-box column: a record is checked when its key field's text is among CheckedValues,
// ignoring letter case. The values live in memory only.
struct TCheckField
{
    QStringList CheckedValues;
    QString KeyFieldName;
    QString ColumnFieldName;

    // The position of a key value in CheckedValues ignoring case, -1 when absent. A long list
    // is looked up through an index, so that painting a cell does not read every value.
    int IndexOf(const QString &keyValue) const;

private:
    // Shares CheckedValues' data while the index is current: changing the list detaches it.
    mutable QStringList FIndexedValues;
    mutable QHash<QString, int> FIndex;
};

// The directory's data grid: a data-bound grid with striped rows, a selected-row colour,
// check-box columns, multi-line rows that show other fields, sorting by the query's ORDER BY,
// column scaling, a column search and its own right-click menu.
class TmmDBGrid : public TDBGrid
{
    Q_OBJECT
public:
    static constexpr TColor DefaultStripeOne = 14084071;
    static constexpr TColor DefaultStripeTwo = 15201271;
    static constexpr TColor DefaultColorSelected = 10280951;
    static constexpr TColor DefaultColorDialogs = 15201271;
    static constexpr int DefaultMinColWidth = 40;
    static constexpr int GlyphSize = 13;
    // Marks every menu item the grid creates, so that it only ever removes its own.
    static constexpr int GridMenuItemTag = 1234567890;

    explicit TmmDBGrid(QWidget *parent = nullptr);
    ~TmmDBGrid() override;

    // Published properties.
    TColor StripeOne() const { return FStripeOne; }
    void SetStripeOne(TColor color);
    TColor StripeTwo() const { return FStripeTwo; }
    void SetStripeTwo(TColor color);
    bool Striped() const { return FStriped; }
    void SetStriped(bool value);
    TColor ColorSelected() const { return FColorSelected; }
    void SetColorSelected(TColor color);
    // Assigning a menu gives up the grid's own; assigning none brings it back.
    void SetPopupMenu(QMenu *menu) override;
    TPopupMenuKind PopupMenuKind() const { return FPopupMenuKind; }
    void SetPopupMenuKind(TPopupMenuKind kind) { FPopupMenuKind = kind; }
    bool ScaleColumns() const { return FScaleColumns; }
    void SetScaleColumns(bool value);
    int MinColWidth() const { return FMinColWidth; }
    void SetMinColWidth(int width) { FMinColWidth = width; }
    TColor ColorDialogs() const { return FColorDialogs; }
    void SetColorDialogs(TColor color) { FColorDialogs = color; }
    bool ConditionalFormatting() const { return FConditionalFormatting; }
    void SetConditionalFormatting(bool value);
    int LineCount() const { return FLineCount; }
    void SetLineCount(int count);
    const QStringList &LineFields() const { return FLineFields; }
    void SetLineFields(const QStringList &entries);
    bool ShowLines() const { return FShowLines; }
    void SetShowLines(bool value);
    bool ShowCheckBoxes() const { return FShowCheckBoxes; }
    void SetShowCheckBoxes(bool value);
    const QStringList &CheckFields() const { return FCheckFields; }
    void SetCheckFields(const QStringList &entries);
    const QImage &GlyphChecked() const { return FGlyphChecked; }
    // A null image restores the default glyph.
    void SetGlyphChecked(const QImage &image);
    void SetGlyphChecked(const QPixmap &pixmap) { SetGlyphChecked(pixmap.toImage()); }
    const QImage &GlyphUnChecked() const { return FGlyphUnChecked; }
    void SetGlyphUnChecked(const QImage &image);
    void SetGlyphUnChecked(const QPixmap &pixmap) { SetGlyphUnChecked(pixmap.toImage()); }
    bool UseSorting() const { return FUseSorting; }
    void SetUseSorting(bool value);
    TNotifyEvent OnReadDefaults;
    TmmDBGridSortEvent SortEvent;

    // The default glyphs: a classic 13 x 13 sunken box, empty or ticked.
    static QImage DefaultGlyphUnChecked();
    static QImage DefaultGlyphChecked();

    // Check-box columns.
    TCheckField *FindCheckField(const QString &columnFieldName) const;
    void BuildCheckFields();
    const TExList<TCheckField> &CheckFieldList() const { return FCheckFieldList; }
    virtual void CheckValue(TCheckField *checkField, const QString &keyValue);
    // Raises EListError for an index outside CheckedValues.
    virtual void UncheckValue(TCheckField *checkField, int index);
    virtual bool IsValueChecked(TCheckField *checkField, const QString &keyValue, int &index);

    // Multi-line rows.
    bool GetColumnLines(const QString &fieldName, QStringList &lines) const;
    void SetColumnLines(const QString &fieldName, const QStringList &lines);
    bool GetLineFormat(const QString &fieldName, QString &format) const;
    int ComputeLineCount() const;
    int LineHeight() const;
    int LinesPerRow() const { return FShowLines ? FLineCount : 1; }

    // The left indent of cell content, for drawing, check-box hit testing and auto-fit.
    virtual int GetCellIndent(bool useRowValue, bool fieldOnly, TField *field);
    // Starts the column search on the selected field. The search installs itself in
    // GridDialogs() and lives as a child of the grid from its first use.
    virtual void Find();

    // Sorting by the query's ORDER BY.
    bool IsQueryBound() const;
    bool IsSortedBy(const QString &fieldName, bool &ascending) const;
    // Rewrites the ORDER BY and reopens the query; raises Exception("Error!") when a
    // descending key cannot be found.
    void SortBy(const QString &sortText, bool ascending);

    // Column layout.
    // The room the data columns take, grid lines included.
    int ColumnsWidth() const;
    // The room they may take: the client width less the indicator.
    int AvailableWidth() const;
    void FitColumns();
    void SetBounds(const QRect &bounds) override;

    // The grid's own menu while it uses one.
    QMenu *DefaultPopupMenu() const { return FDefaultPopupMenu; }
    TColumn *PopupColumn() const { return FPopupColumn; }

    // The menu: appends the grid's items (with the sub-tree for PopupColumn() when asked), and
    // removes the top-level items carrying GridMenuItemTag, sub-items with them.
    void BuildPopupMenu(QMenu *menu, bool withColumnPart);
    static void RemoveGridMenuItems(QMenu *menu);
    // The hook a right-button press installs on the menu about to open: rebuilds the grid's
    // items, then runs the menu's own OnPopup.
    void MenuPopup(QObject *sender);

    // The menu's table-level commands. A cancelled dialog changes nothing.
    void ChooseTableFont();
    void ChooseTableColor();
    void ChooseTitlesFont();
    void ChooseTitlesColor();
    void ChooseSelectedColor();
    void ChooseStripeOne();
    void ChooseStripeTwo();
    void EditConditions();
    void RunOptionsWizard();
    // Closes and reopens the dataset; an error leaves it closed and reaches the caller.
    void RefreshData();
    // The data source viewer for the bound table or query.
    void ShowDataSource();

    // The column commands; they act on PopupColumn().
    void ChooseVisibleColumns();
    void EditColumnCaption();
    void ChooseColumnFont();
    void ChooseColumnColor();
    void ChooseColumnTitleFont();
    void ChooseColumnTitleColor();
    void SetColumnAlignment(TAlignment alignment);
    void SetColumnTitleAlignment(TAlignment alignment);
    void ShowColumnDetail();
    // Shows and hides fields as the chooser answered; the fields it hides stay hidden whenever
    // the same dataset opens again (a refresh, a sort, a new lookup).
    void SetFieldsVisible(const QList<TField *> &shown, const QList<TField *> &hidden);

    // Living grids, which share one off-screen bitmap for drawing text.
    static int GridCount();
    static QPixmap *SharedTextBitmap();

    // Conditional formatting: the conditions in evaluation order, and the calculator their
    // formulas run on.
    TExList<TCondition> &Conditions() { return FConditions; }
    const TExList<TCondition> &Conditions() const { return FConditions; }
    TxFoCal *Calculator() const { return FCalculator; }
    TConditionScope ConditionScope();
    // After the conditions were replaced or edited.
    void PrepareConditions();
    // Formats a data cell of the active record: a matching condition may change the style's
    // colour (never for a highlighted cell) and its font. Whether any condition matched.
    bool ApplyConditions(TField *field, bool highlighted, TCellStyle &style);

    // One line of cell text on the painter's brush, at (Left + dx, Top + dy) when left aligned,
    // ending 3 pixels off the right edge when right aligned, centred otherwise. A background
    // the device cannot show as it is goes through the shared bitmap, which wraps the text.
    static void DrawCellText(QPainter &painter, const QRect &rect, int dx, int dy,
        const QString &text, TAlignment alignment, bool rightToLeft);
    // A check-box glyph at the rectangle's left edge, centred vertically, with its transparent
    // colour (its bottom-left pixel's) and see-through pixels on the painter's brush.
    static void DrawGlyph(QPainter &painter, const QImage &bitmap, const QRect &rect);

protected:
    void Loaded() override;
    void LinkActive(bool value) override;
    void SetColumnAttributes() override;
    void RowHeightsChanged() override;
    void DrawCell(
        QPainter &painter, int aCol, int aRow, const QRect &rect, TGridDrawState state) override;
    // Stripes belong to grid rows: scrolled pixels carry the wrong ones.
    void Scroll(int distance) override;
    void paintEvent(QPaintEvent *event) override;
    void UpdateSizingColumn(const QPoint &pos) override;
    void ColWidthsChanged() override;
    void MouseDown(
        Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &pos) override;
    void DblClick() override;
    void KeyPress(QChar key) override;

    // Creates the grid's own menu when it has none, fills it and uses it.
    void EnsureDefaultPopupMenu();
    // After a right-button press: hooks the menu that belongs to PopupColumn().
    void PrepareMenuForPress();
    // Puts the grid's commands into its menu; the commands come with the menu's own unit.
    virtual void FillPopupMenu(QMenu *menu);

private:
    static bool ContainsField(const QString &entry);
    int FindLineBlock(const QString &fieldName) const;
    // The column's lines below its first: GetColumnLines without a leading format entry.
    bool GetExtraLines(const QString &fieldName, QStringList &lines) const;
    bool NamesField(const QString &name) const;
    // What painting needs of a column, worked out once per paint rather than once per cell.
    struct TColumnPlan
    {
        struct TLine
        {
            TField *Field = nullptr;
            QStringList Format; // the pieces around "%s"; empty: the display text as it is
        };
        quint64 Epoch = 0;
        const TColumn *Column = nullptr;
        TField *Field = nullptr;
        TFont Font;
        QColor FontColor;
        TColor Color = Colors::clWindow;
        TAlignment Alignment = TAlignment::taLeftJustify;
        TCheckField *Check = nullptr;
        TField *KeyField = nullptr;
        QStringList Format;
        std::vector<TLine> Lines;
    };
    const TColumnPlan &PlanOf(int dataCol, TColumn *column);
    void DrawTitleCell(QPainter &painter, int aCol, int aRow, const QRect &rect);
    void DrawDataCell(
        QPainter &painter, int aCol, int aRow, const QRect &rect, TGridDrawState state);
    // Layout, sorting and input helpers.
    int VisibleColumnCount() const;
    int NextVisibleCol(int aCol) const;
    int LastVisibleCol() const;
    void AutoFitColumn(int aCol);
    void GridColumnMoved(TDBGrid *sender, int fromIndex, int toIndex);
    void SortByTitle(int aCol);
    QString CheckKeyText(const TCheckField *checkField) const;
    void InstallMenuHook(QMenu *menu);
    void RemoveMenuHook();
    // Whether the user hid fields of this dataset while it had the same fields as now.
    bool HidesFieldsOf(const TDataSet *dataSet) const;
    void HideRememberedFields();
    void ToggleCheck(TCheckField *checkField, bool checked, int index);

    TColor FStripeOne = DefaultStripeOne;
    TColor FStripeTwo = DefaultStripeTwo;
    bool FStriped = true;
    TColor FColorSelected = DefaultColorSelected;
    TPopupMenuKind FPopupMenuKind = TPopupMenuKind::pmkSubMenu;
    bool FScaleColumns = false;
    int FMinColWidth = DefaultMinColWidth;
    TColor FColorDialogs = DefaultColorDialogs;
    bool FConditionalFormatting = false;
    int FLineCount = 1;
    QStringList FLineFields;
    bool FShowLines = false;
    bool FShowCheckBoxes = false;
    QStringList FCheckFields;
    QImage FGlyphChecked;
    QImage FGlyphUnChecked;
    bool FUseSorting = false;

    // Internal state.
    QPointer<QMenu> FDefaultPopupMenu;
    TExList<TCheckField> FCheckFieldList {true};
    // Owned through the QObject tree; formula conditions cannot be evaluated without it.
    TxFoCal *FCalculator = nullptr;
    TColumn *FPopupColumn = nullptr;
    TNotifyEvent FSavedOnPopup;
    // The menu the hook sits on between a right-button press and that menu's opening.
    QPointer<QMenu> FHookedMenu;
    QMetaObject::Connection FMenuHookConnection;
    // Fields the user hid with the chooser, by name, the dataset they belong to and the names
    // of all its fields then: another query on the same dataset starts with its own columns.
    QPointer<QObject> FHiddenFieldsOf;
    QStringList FHiddenFieldsShape;
    QStringList FHiddenFields;
    std::function<void(TDBGrid *, int, int)> FSavedOnColumnMoved;
    int FLastColumnCount = 0;
    int FSizingStartWidth = 0;
    // The grid column left of the border under the pointer when it last rested or pressed, or
    // -1 when it was on none.
    int FSizingColumn = -1;
    int FScaleCursor = -1;
    bool FGrowing = false;
    bool FScalingEnabled = false;
    QStringList FLineScratch;
    TExList<TCondition> FConditions {true};
    TConditionMatcher FMatcher;
    std::vector<TColumnPlan> FColumnPlans;
    // Plans and matcher results are valid for one paint.
    quint64 FPaintEpoch = 1;
    bool FPainting = false;
    int FPaintLineHeight = 0;
};
