#pragma once

#include "core/TAlignment.h"
#include "core/TColor.h"
#include "core/TFont.h"
#include "grid/TDBGridColumns.h"

#include <QFlags>
#include <QPointer>
#include <QTableView>
#include <functional>
#include <memory>

class DatasetModel;
#include <QMenu>
class TDBGridHeader;
class TDataSet;
class TDataSource;
class TField;

enum class TDBGridOption : int {
    dgEditing = 1 << 0,
    dgAlwaysShowEditor = 1 << 1,
    dgTitles = 1 << 2,
    dgIndicator = 1 << 3,
    dgColumnResize = 1 << 4,
    dgColLines = 1 << 5,
    dgRowLines = 1 << 6,
    dgTabs = 1 << 7,
    dgRowSelect = 1 << 8,
    dgAlwaysShowSelection = 1 << 9,
    dgConfirmDelete = 1 << 10,
    dgCancelOnExit = 1 << 11,
    dgMultiSelect = 1 << 12,
};
Q_DECLARE_FLAGS(TDBGridOptions, TDBGridOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TDBGridOptions)

// What a cell is to the painter: part of the selection, the focused current cell, or a fixed
// (title or indicator) cell.
struct TGridDrawState
{
    bool Selected = false;
    bool Focused = false;
    bool Fixed = false;
};

// A cell in grid coordinates; -1 where the point lies outside the cells.
struct TGridCoord
{
    int X = -1;
    int Y = -1;
    bool operator==(const TGridCoord &) const = default;
};

// What the pointer is over as far as sizing is concerned.
enum class TGridState : int { gsNormal = 0, gsRowSizing = 2, gsColSizing = 3 };

// A data-bound grid over a QTableView: one dataset shown through a data source, a column per
// visible field, a title row and an indicator column marking the current record. Cells are
// addressed in grid coordinates: with the indicator shown it is grid column 0, with titles the
// title row is grid row 0, and data rows are counted from the top of the visible area. Every
// cell, fixed or not, is painted through DrawCell, which derived grids override.
class TDBGrid : public QTableView
{
    Q_OBJECT
    // The labels of the bound dataset's fields while it is open; for translation.
    Q_PROPERTY(QStringList FieldDisplayLabels READ FieldDisplayLabels WRITE SetFieldDisplayLabels)
public:
    explicit TDBGrid(QWidget *parent = nullptr);
    ~TDBGrid() override;

    static constexpr TDBGridOptions DefaultOptions = TDBGridOption::dgEditing
        | TDBGridOption::dgTitles | TDBGridOption::dgIndicator | TDBGridOption::dgColumnResize
        | TDBGridOption::dgColLines | TDBGridOption::dgRowLines | TDBGridOption::dgTabs
        | TDBGridOption::dgConfirmDelete | TDBGridOption::dgCancelOnExit;
    static constexpr int IndicatorWidth = 11;

    TDataSource *DataSource() const;
    void SetDataSource(TDataSource *source);
    // The dataset behind the data source, or nullptr.
    TDataSet *DataSet() const;
    QStringList FieldDisplayLabels() const;
    void SetFieldDisplayLabels(const QStringList &labels);
    // The data source has a dataset and it is open.
    bool DataLinkActive() const;

    TDBGridColumns &Columns() { return FColumns; }
    const TDBGridColumns &Columns() const { return FColumns; }

    TDBGridOptions Options() const { return FOptions; }
    void SetOptions(TDBGridOptions options);
    bool HasOption(TDBGridOption option) const { return FOptions.testFlag(option); }

    TFont Font() const { return FFont; }
    void SetFont(const TFont &font);
    TFont TitleFont() const { return FTitleFont; }
    void SetTitleFont(const TFont &font);
    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    TColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(TColor color);
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool value);

    // The right-click menu: the column's own when it has one, else this.
    QMenu *PopupMenu() const { return FPopupMenu; }
    virtual void SetPopupMenu(QMenu *menu);

    // The field of the current column, or nullptr.
    TField *SelectedField() const;
    void SetSelectedField(TField *field);
    // The current column's index in Columns(), -1 when there are no columns.
    int SelectedIndex() const;
    void SetSelectedIndex(int index);

    // Grid geometry.
    int IndicatorOffset() const { return HasOption(TDBGridOption::dgIndicator) ? 1 : 0; }
    int TitleOffset() const { return HasOption(TDBGridOption::dgTitles) ? 1 : 0; }
    int ColCount() const { return IndicatorOffset() + FColumns.Count(); }
    // The title row plus the data rows that are at least partly visible.
    int RowCount() const;
    // Data rows that fit entirely into the visible area.
    int VisibleRowCount() const;
    // The record shown in the first data row.
    int TopRecord() const;
    // The current cell.
    int Col() const;
    int Row() const;
    // The data row's record (a dataset row index), or -1 for the title row and rows past the end.
    int RecordOfRow(int aRow) const;
    // The grid row showing a record, or -1 when it is not visible.
    int RowOfRecord(int record) const;
    // The column of a grid column index, nullptr for the indicator.
    TColumn *ColumnOfCol(int aCol) const;

    // Widths and heights in pixels, without the grid line.
    int ColWidths(int aCol) const;
    void SetColWidths(int aCol, int width);
    int RowHeights(int aRow) const;
    int DefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultRowHeight(int height);
    int TitleRowHeight() const { return FTitleRowHeight; }
    void SetTitleRowHeight(int height);
    int GridLineWidth() const { return FGridLineWidth; }

    // A cell's rectangle in this widget's coordinates, without the grid line; empty when the
    // cell is not shown.
    QRect CellRect(int aCol, int aRow) const;
    // The cell at a point in this widget's coordinates.
    TGridCoord MouseCoord(const QPoint &pos) const;
    // The last pointer position the grid saw, in this widget's coordinates.
    QPoint LastMousePos() const { return FLastMousePos; }

    // The datasets are read-only: the grid never opens an in-place editor.
    bool EditorMode() const { return false; }
    void HideEditor() { }

    void BeginUpdate() { ++FUpdateLock; }
    void EndUpdate();
    int UpdateLock() const { return FUpdateLock; }

    // Repaints the whole grid: cells, titles and indicator.
    virtual void Invalidate();
    // Applies new bounds; everything that wants a layout pass calls it with the current bounds.
    virtual void SetBounds(const QRect &bounds);
    // The width at the last SetBounds, for telling growing from shrinking.
    int BoundsWidth() const { return FBoundsWidth; }

    // Runs Loaded once; the grid does it itself before it is first shown.
    void FinishLoading();
    bool IsLoading() const { return FLoading; }

    // Application hooks.
    std::function<void(TDBGrid *sender, const QRect &rect, int dataCol, TColumn *column,
        QPainter &painter, TGridDrawState state)>
        OnDrawColumnCell;
    std::function<void(TDBGrid *sender, int fromIndex, int toIndex)> OnColumnMoved;

signals:
    void DblClicked();

protected:
    // Hooks that derived grids override.
    virtual void Loaded() { }
    // Paints one cell; rect is in the painter's coordinates.
    virtual void DrawCell(
        QPainter &painter, int aCol, int aRow, const QRect &rect, TGridDrawState state);
    // The data link opened, closed or now observes another dataset: rebuild the columns.
    virtual void LinkActive(bool value);
    // After every rebuild of the columns and every change of the grid's layout.
    virtual void SetColumnAttributes();
    // After the grid's view moved by distance rows.
    virtual void Scroll(int distance);
    // After any column width changed, except while the grid lays itself out.
    virtual void ColWidthsChanged();
    // After the default or the title row height changed.
    virtual void RowHeightsChanged();
    // After the user dragged a column from one grid column index to another.
    virtual void ColumnMoved(int fromIndex, int toIndex);
    // Whether pos (this widget's coordinates) lies on a column border the user may drag;
    // index receives the grid column left of it.
    TGridState CalcSizingState(const QPoint &pos, int &index) const;
    // The pointer rests or presses at pos: a grid that sizes its columns itself notes the
    // border under it here. The base keeps nothing.
    virtual void UpdateSizingColumn(const QPoint &pos);
    // Input: the base handling of the event being delivered happens inside the base versions.
    virtual void MouseDown(
        Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &pos);
    virtual void DblClick();
    virtual void KeyPress(QChar key);

    // Raises the application's column-cell drawing hook once the cell is drawn.
    virtual void DrawColumnCell(
        QPainter &painter, const QRect &rect, int dataCol, TColumn *column, TGridDrawState state);
    // The dotted focus rectangle around the selected cell while the grid has the focus (or
    // always shows its selection) and draws its cells itself.
    void DrawFocusFrame(QPainter &painter, const QRect &rect, TGridDrawState state);
    // Whether a data cell is drawn highlighted.
    virtual bool HighlightCell(int aCol, int aRow, const QString &value, TGridDrawState state);
    // One line of text at (Left + dx, Top + dy) for left alignment, 3 pixels off the right edge
    // for right alignment, centred otherwise; the rectangle is filled with the brush.
    static void WriteText(QPainter &painter, const QRect &rect, int dx, int dy, const QString &text,
        TAlignment alignment);
    // Where such a line of text starts.
    static int TextLeft(const QRect &rect, int dx, int textWidth, TAlignment alignment);
    void DrawFixedCell(QPainter &painter, int aCol, int aRow, const QRect &rect);
    QColor ResolveColor(TColor color) const;
    // The grid line each cell carries on its right and bottom: the line width where lines are
    // drawn, else 0.
    int LineExtent() const;
    // The cell of a model index in grid coordinates.
    TGridCoord CellOfIndex(const QModelIndex &index) const;

    // QWidget and QAbstractItemView.
    bool event(QEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void keyboardSearch(const QString &search) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    class Link;
    friend class Link;
    friend class DatasetModel;
    friend class TDBGridDelegate;
    friend class TDBGridHeader;
    friend class TColumn;
    friend class TColumnTitle;

    void DataSetChanged();
    void DataSetScrolled();
    void LayoutChanged();
    void InternalLayout(bool rebuild);
    void ApplyColumnsToView();
    void ApplyOptionsToView();
    void ComputeRowHeights();
    void SyncCurrentFromDataSet(int column);
    void RefreshCurrentRow();
    void ReportPaintError(bool cleanPaintForgets);
    int RowPitch() const;
    int DefaultWidthHint() const;
    void ColumnChanged(TColumn *column);
    void SectionResized(int logical, int newSize);
    void SectionMoved(int logical, int oldVisual, int newVisual);
    void PaintViewCell(QPainter &painter, const QRect &rect, const QModelIndex &index);
    void PaintHeaderSection(
        QPainter &painter, const QRect &rect, int logical, Qt::Orientation orientation);
    void PaintCorner(QPainter &painter, const QRect &rect);
    bool HandleHeaderEvent(QWidget *header, QEvent *event);
    // Runs MouseDown with the event (and the header it came to, if any) for the base handling.
    void DeliverMouseDown(QMouseEvent *event, QWidget *header);
    bool VisibleFieldsDiffer() const;

    std::unique_ptr<Link> FLink;
    DatasetModel *FModel;
    TDBGridHeader *FTitleHeader;
    TDBGridHeader *FIndicatorHeader;
    QWidget *FCorner = nullptr;
    TDBGridColumns FColumns;
    TDBGridOptions FOptions = DefaultOptions;
    TFont FFont;
    TFont FTitleFont;
    TColor FColor = Colors::clWindow;
    TColor FFixedColor = Colors::clBtnFace;
    bool FDefaultDrawing = true;
    QPointer<QMenu> FPopupMenu;
    int FDefaultRowHeight = 0;
    int FTitleRowHeight = 0;
    int FGridLineWidth = 1;
    int FUpdateLock = 0;
    int FLayoutLock = 0;
    int FSyncLock = 0;
    int FBoundsWidth = -1;
    int FInSetBounds = 0;
    int FLastTopRecord = 0;
    bool FLoading = true;
    QPoint FLastMousePos;
    QMouseEvent *FPendingMouse = nullptr;
    QKeyEvent *FPendingKey = nullptr;
    QWidget *FPendingHeader = nullptr;
    QString FPaintError;
    QString FLastPaintError;
};
