#include "grid/TDBGrid.h"

#include "core/ErrorDisplay.h"
#include "core/Exception.h"
#include "db/dataset/TDataSet.h"
#include "db/dataset/TDataSource.h"
#include "db/dataset/TField.h"
#include "grid/DatasetModel.h"
#include "grid/TPainterSaver.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cmath>

// Tells the grid what happens to the dataset behind its data source.
class TDBGrid::Link : public TDataLink
{
public:
    explicit Link(TDBGrid *grid)
        : FGrid(grid)
    { }
    bool Muted = false;

protected:
    void ActiveChanged() override
    {
        if (!Muted)
            FGrid->LinkActive(Active());
    }
    void DataSetChanged() override
    {
        if (!Muted)
            FGrid->DataSetChanged();
    }
    void DataSetScrolled(int) override
    {
        if (!Muted)
            FGrid->DataSetScrolled();
    }
    void LayoutChanged() override
    {
        if (!Muted)
            FGrid->LayoutChanged();
    }

private:
    TDBGrid *FGrid;
};

// Title row and indicator column: their sizes come from the grid and every section is painted
// by the grid's DrawCell, so per-column title fonts and colours work.
class TDBGridHeader : public QHeaderView
{
public:
    TDBGridHeader(Qt::Orientation orientation, TDBGrid *grid)
        : QHeaderView(orientation, grid)
        , FGrid(grid)
    {
        setMinimumSectionSize(1);
        setHighlightSections(false);
        setSectionsClickable(false);
        setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }

    QSize sizeHint() const override
    {
        QSize size = QHeaderView::sizeHint();
        if (orientation() == Qt::Horizontal)
            size.setHeight(FGrid->TitleRowHeight() + FGrid->LineExtent());
        else
            size.setWidth(TDBGrid::IndicatorWidth + FGrid->LineExtent());
        return size;
    }

    void BasePress(QMouseEvent *event) { QHeaderView::mousePressEvent(event); }
    bool viewportEvent(QEvent *event) override
    {
        const bool result = QHeaderView::viewportEvent(event);
        if (event->type() == QEvent::Paint)
            FGrid->ReportPaintError(false);
        return result;
    }
    void BaseDoubleClick(QMouseEvent *event) { QHeaderView::mouseDoubleClickEvent(event); }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        FGrid->PaintHeaderSection(*painter, rect, logicalIndex, orientation());
    }

private:
    TDBGrid *FGrid;
};

// Hands every data cell to the grid's painter.
class TDBGridDelegate : public QStyledItemDelegate
{
public:
    explicit TDBGridDelegate(TDBGrid *grid)
        : QStyledItemDelegate(grid)
        , FGrid(grid)
    { }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override
    {
        FGrid->PaintViewCell(*painter, option.rect, index);
    }
    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return {FGrid->DefaultWidthHint(), FGrid->DefaultRowHeight()};
    }

private:
    TDBGrid *FGrid;
};

TDBGrid::TDBGrid(QWidget *parent)
    : QTableView(parent)
    , FLink(std::make_unique<Link>(this))
    , FColumns(this)
{
    FModel = new DatasetModel(this);
    FTitleHeader = new TDBGridHeader(Qt::Horizontal, this);
    FIndicatorHeader = new TDBGridHeader(Qt::Vertical, this);
    setHorizontalHeader(FTitleHeader);
    setVerticalHeader(FIndicatorHeader);
    // A double-click on a border is the grid's to handle, not a fit to the view's contents.
    disconnect(FTitleHeader, &QHeaderView::sectionHandleDoubleClicked, this, nullptr);
    setModel(FModel);
    setItemDelegate(new TDBGridDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setMouseTracking(true);
    FIndicatorHeader->setSectionResizeMode(QHeaderView::Fixed);
    FTitleHeader->setMouseTracking(true);
    FTitleHeader->viewport()->installEventFilter(this);
    FIndicatorHeader->viewport()->installEventFilter(this);
    // The corner above the indicator is the grid's cell (0, 0).
    for (QAbstractButton *button : findChildren<QAbstractButton *>(Qt::FindDirectChildrenOnly)) {
        FCorner = button;
        FCorner->installEventFilter(this);
    }
    connect(FTitleHeader, &QHeaderView::sectionResized, this,
        [this](int logical, int, int newSize) { SectionResized(logical, newSize); });
    connect(FTitleHeader, &QHeaderView::sectionMoved, this,
        [this](int logical, int oldVisual, int newVisual) {
            SectionMoved(logical, oldVisual, newVisual);
        });
    ApplyOptionsToView();
    ComputeRowHeights();
    RowHeightsChanged();
}

TDBGrid::~TDBGrid()
{
    // Whatever the data source says from now on is of no interest to a grid going away.
    FLink->Muted = true;
    FLink.reset();
    // The view must not ask the model about columns that are about to go.
    setModel(nullptr);
}

TDataSource *TDBGrid::DataSource() const
{
    return FLink->DataSource();
}

void TDBGrid::SetDataSource(TDataSource *source)
{
    FLink->SetDataSource(source);
}

TDataSet *TDBGrid::DataSet() const
{
    return FLink->DataSet();
}

bool TDBGrid::DataLinkActive() const
{
    return FLink->Active();
}

void TDBGrid::SetOptions(TDBGridOptions options)
{
    if (options == FOptions)
        return;
    FOptions = options;
    ApplyOptionsToView();
    ComputeRowHeights();
    InternalLayout(false);
}

void TDBGrid::SetFont(const TFont &font)
{
    if (font == FFont)
        return;
    FFont = font;
    setFont(font.ToQFont());
    ComputeRowHeights();
    InternalLayout(false);
}

void TDBGrid::SetTitleFont(const TFont &font)
{
    if (font == FTitleFont)
        return;
    FTitleFont = font;
    ComputeRowHeights();
    InternalLayout(false);
}

void TDBGrid::SetColor(TColor color)
{
    if (color == FColor)
        return;
    FColor = color;
    ApplyOptionsToView();
    Invalidate();
}

void TDBGrid::SetFixedColor(TColor color)
{
    if (color == FFixedColor)
        return;
    FFixedColor = color;
    Invalidate();
}

void TDBGrid::SetDefaultDrawing(bool value)
{
    if (value == FDefaultDrawing)
        return;
    FDefaultDrawing = value;
    Invalidate();
}

void TDBGrid::SetPopupMenu(QMenu *menu)
{
    FPopupMenu = menu;
}

TField *TDBGrid::SelectedField() const
{
    const int index = SelectedIndex();
    return index < 0 ? nullptr : FColumns.Items(index)->Field();
}

void TDBGrid::SetSelectedField(TField *field)
{
    if (!field)
        return;
    for (int i = 0; i < FColumns.Count(); ++i)
        if (FColumns.Items(i)->Field() == field) {
            SetSelectedIndex(i);
            return;
        }
}

int TDBGrid::SelectedIndex() const
{
    if (FColumns.Count() == 0)
        return -1;
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.column() < FColumns.Count())
        return current.column();
    for (int i = 0; i < FColumns.Count(); ++i)
        if (FColumns.Items(i)->Visible())
            return i;
    return 0;
}

void TDBGrid::SetSelectedIndex(int index)
{
    if (index < 0 || index >= FColumns.Count())
        throw EListError::IndexOutOfBounds(index);
    const int row = DataLinkActive() ? DataSet()->CurrentRow() : -1;
    if (row < 0)
        return;
    const QModelIndex target = FModel->index(row, index);
    if (target != currentIndex()) {
        const QScopedValueRollback syncing(FSyncLock, FSyncLock + 1);
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
    }
    scrollTo(target);
    RefreshCurrentRow();
}

int TDBGrid::RowPitch() const
{
    return FDefaultRowHeight + LineExtent();
}

int TDBGrid::RowCount() const
{
    const int records = FModel->rowCount();
    const int rest = std::max(0, records - TopRecord());
    const int pitch = std::max(1, RowPitch());
    const int fit = (viewport()->height() + pitch - 1) / pitch;
    return TitleOffset() + std::min(rest, fit);
}

int TDBGrid::VisibleRowCount() const
{
    const int records = FModel->rowCount();
    const int rest = std::max(0, records - TopRecord());
    const int pitch = std::max(1, RowPitch());
    return std::min(rest, viewport()->height() / pitch);
}

int TDBGrid::TopRecord() const
{
    const int row = rowAt(0);
    return row < 0 ? 0 : row;
}

int TDBGrid::Col() const
{
    const int index = SelectedIndex();
    return IndicatorOffset() + std::max(0, index);
}

int TDBGrid::Row() const
{
    if (!DataLinkActive())
        return TitleOffset();
    const int row = RowOfRecord(DataSet()->CurrentRow());
    return row < 0 ? TitleOffset() : row;
}

int TDBGrid::RecordOfRow(int aRow) const
{
    if (aRow < TitleOffset())
        return -1;
    const int record = TopRecord() + aRow - TitleOffset();
    return record < FModel->rowCount() ? record : -1;
}

int TDBGrid::RowOfRecord(int record) const
{
    if (record < 0)
        return -1;
    const int top = TopRecord();
    const int row = record - top + TitleOffset();
    if (record < top || row >= RowCount())
        return -1;
    return row;
}

TColumn *TDBGrid::ColumnOfCol(int aCol) const
{
    const int index = aCol - IndicatorOffset();
    if (index < 0 || index >= FColumns.Count())
        return nullptr;
    return FColumns.Items(index);
}

int TDBGrid::ColWidths(int aCol) const
{
    if (aCol < IndicatorOffset())
        return IndicatorWidth;
    TColumn *column = ColumnOfCol(aCol);
    if (!column)
        throw EListError::IndexOutOfBounds(aCol);
    // A hidden column takes no room; its width waits in the column until it is shown.
    return column->Visible() ? column->Width() : 0;
}

void TDBGrid::SetColWidths(int aCol, int width)
{
    if (aCol < IndicatorOffset())
        return; // the indicator keeps its width
    TColumn *column = ColumnOfCol(aCol);
    if (!column)
        throw EListError::IndexOutOfBounds(aCol);
    column->SetWidth(width);
}

int TDBGrid::RowHeights(int aRow) const
{
    return aRow < TitleOffset() ? FTitleRowHeight : FDefaultRowHeight;
}

void TDBGrid::SetDefaultRowHeight(int height)
{
    height = std::max(1, height);
    if (height == FDefaultRowHeight)
        return;
    FDefaultRowHeight = height;
    RowHeightsChanged();
}

void TDBGrid::SetTitleRowHeight(int height)
{
    height = std::max(1, height);
    if (height == FTitleRowHeight)
        return;
    FTitleRowHeight = height;
    RowHeightsChanged();
}

void TDBGrid::EndUpdate()
{
    if (FUpdateLock > 0 && --FUpdateLock == 0)
        Invalidate();
}

int TDBGrid::LineExtent() const
{
    return HasOption(TDBGridOption::dgColLines) || HasOption(TDBGridOption::dgRowLines)
        ? FGridLineWidth
        : 0;
}

int TDBGrid::DefaultWidthHint() const
{
    return 64;
}

QRect TDBGrid::CellRect(int aCol, int aRow) const
{
    const QRect port = viewport()->geometry();
    int x = 0;
    int width = 0;
    if (aCol < 0 || aCol >= ColCount())
        return {};
    if (aCol < IndicatorOffset()) {
        x = FIndicatorHeader->geometry().x();
        width = IndicatorWidth;
    } else {
        const int index = aCol - IndicatorOffset();
        if (!FColumns.Items(index)->Visible())
            return {};
        x = port.x() + columnViewportPosition(index);
        width = columnWidth(index) - LineExtent();
    }
    int y = 0;
    int height = 0;
    if (aRow < 0)
        return {};
    if (aRow < TitleOffset()) {
        y = FTitleHeader->geometry().y();
        height = FTitleRowHeight;
    } else {
        const int record = RecordOfRow(aRow);
        if (record < 0)
            return {};
        y = port.y() + rowViewportPosition(record);
        height = rowHeight(record) - LineExtent();
    }
    return {x, y, width, height};
}

TGridCoord TDBGrid::MouseCoord(const QPoint &pos) const
{
    const QRect port = viewport()->geometry();
    TGridCoord coord;
    if (HasOption(TDBGridOption::dgIndicator) && pos.x() >= FIndicatorHeader->geometry().left()
        && pos.x() < port.left())
        coord.X = 0;
    else if (pos.x() >= port.left() && pos.x() <= port.right()) {
        const int column = columnAt(pos.x() - port.left());
        if (column >= 0)
            coord.X = column + IndicatorOffset();
    }
    if (HasOption(TDBGridOption::dgTitles) && pos.y() >= FTitleHeader->geometry().top()
        && pos.y() < port.top())
        coord.Y = 0;
    else if (pos.y() >= port.top() && pos.y() <= port.bottom()) {
        const int record = rowAt(pos.y() - port.top());
        if (record >= 0)
            coord.Y = record - TopRecord() + TitleOffset();
    }
    return coord;
}

TGridCoord TDBGrid::CellOfIndex(const QModelIndex &index) const
{
    if (!index.isValid())
        return {};
    return {index.column() + IndicatorOffset(), index.row() - TopRecord() + TitleOffset()};
}

void TDBGrid::Invalidate()
{
    viewport()->update();
    FTitleHeader->viewport()->update();
    FIndicatorHeader->viewport()->update();
    if (FCorner)
        FCorner->update();
}

void TDBGrid::SetBounds(const QRect &bounds)
{
    FBoundsWidth = bounds.width();
    ++FInSetBounds;
    setGeometry(bounds);
    --FInSetBounds;
}

void TDBGrid::FinishLoading()
{
    if (!FLoading)
        return;
    FLoading = false;
    Loaded();
}

QColor TDBGrid::ResolveColor(TColor color) const
{
    return ToQColor(color, palette());
}

// Layout -------------------------------------------------------------------------------------

void TDBGrid::LinkActive(bool value)
{
    Q_UNUSED(value);
    InternalLayout(true);
}

void TDBGrid::DataSetChanged()
{
    // The rows changed under the same fields: the columns and their settings stay.
    const int selected = SelectedIndex();
    {
        const QScopedValueRollback layout(FLayoutLock, FLayoutLock + 1);
        FModel->BeginReset();
        FModel->EndReset();
    }
    ApplyColumnsToView();
    SyncCurrentFromDataSet(selected);
    FLastTopRecord = TopRecord();
    Invalidate();
}

void TDBGrid::DataSetScrolled()
{
    SyncCurrentFromDataSet(SelectedIndex());
    RefreshCurrentRow();
}

void TDBGrid::LayoutChanged()
{
    if (VisibleFieldsDiffer()) {
        InternalLayout(true);
        return;
    }
    // Labels, widths or alignments: the columns follow their fields where nothing was set.
    ApplyColumnsToView();
    FModel->HeaderChanged();
    Invalidate();
}

bool TDBGrid::VisibleFieldsDiffer() const
{
    TDataSet *dataSet = DataSet();
    int index = 0;
    if (dataSet && dataSet->Active())
        for (int i = 0; i < dataSet->FieldCount(); ++i) {
            TField *field = dataSet->Fields(i);
            if (!field->Visible())
                continue;
            if (index >= FColumns.Count() || FColumns.Items(index)->FField != field
                || FColumns.Items(index)->FDataSet != dataSet)
                return true;
            ++index;
        }
    return index != FColumns.Count();
}

void TDBGrid::InternalLayout(bool rebuild)
{
    const int selected = rebuild ? 0 : SelectedIndex();
    if (rebuild) {
        const QScopedValueRollback layout(FLayoutLock, FLayoutLock + 1);
        FModel->BeginReset();
        FColumns.Rebuild(DataSet());
        FModel->EndReset();
    }
    SetColumnAttributes();
    SyncCurrentFromDataSet(selected);
    FLastTopRecord = TopRecord();
    Invalidate();
}

void TDBGrid::SetColumnAttributes()
{
    ApplyColumnsToView();
    FModel->HeaderChanged();
}

void TDBGrid::ApplyColumnsToView()
{
    const QScopedValueRollback layout(FLayoutLock, FLayoutLock + 1);
    for (int i = 0; i < FColumns.Count() && i < FTitleHeader->count(); ++i) {
        TColumn *column = FColumns.Items(i);
        FTitleHeader->setSectionHidden(i, !column->Visible());
        if (column->Visible())
            FTitleHeader->resizeSection(i, column->Width() + LineExtent());
    }
}

void TDBGrid::ApplyOptionsToView()
{
    FTitleHeader->setVisible(HasOption(TDBGridOption::dgTitles));
    FIndicatorHeader->setVisible(HasOption(TDBGridOption::dgIndicator));
    setShowGrid(LineExtent() > 0);
    setSelectionBehavior(HasOption(TDBGridOption::dgRowSelect) ? QAbstractItemView::SelectRows
                                                               : QAbstractItemView::SelectItems);
    setSelectionMode(HasOption(TDBGridOption::dgMultiSelect) ? QAbstractItemView::ExtendedSelection
                                                             : QAbstractItemView::SingleSelection);
    setTabKeyNavigation(HasOption(TDBGridOption::dgTabs));
    const bool resizable = HasOption(TDBGridOption::dgColumnResize);
    FTitleHeader->setSectionResizeMode(resizable ? QHeaderView::Interactive : QHeaderView::Fixed);
    FTitleHeader->setSectionsMovable(resizable);
    QPalette colors = viewport()->palette();
    colors.setColor(QPalette::Base, ResolveColor(FColor));
    viewport()->setPalette(colors);
    viewport()->setAutoFillBackground(true);
}

void TDBGrid::ComputeRowHeights()
{
    const QFontMetrics metrics(FFont.ToQFont(), this);
    int rowHeight = metrics.height() + 3;
    if (HasOption(TDBGridOption::dgRowLines))
        rowHeight += FGridLineWidth;
    const QFontMetrics titleMetrics(FTitleFont.ToQFont(), this);
    FTitleRowHeight = titleMetrics.height() + 4;
    if (rowHeight != FDefaultRowHeight)
        SetDefaultRowHeight(rowHeight);
    else
        RowHeightsChanged();
}

void TDBGrid::RowHeightsChanged()
{
    FIndicatorHeader->setDefaultSectionSize(FDefaultRowHeight + LineExtent());
    FTitleHeader->updateGeometry();
    updateGeometries();
    Invalidate();
}

void TDBGrid::ColWidthsChanged() { }

void TDBGrid::Scroll(int distance)
{
    Q_UNUSED(distance);
}

void TDBGrid::ColumnMoved(int fromIndex, int toIndex)
{
    if (OnColumnMoved)
        OnColumnMoved(this, fromIndex, toIndex);
}

void TDBGrid::ColumnChanged(TColumn *column)
{
    if (FLayoutLock)
        return;
    const int index = FColumns.IndexOf(column);
    if (index < 0 || index >= FTitleHeader->count())
        return;
    if (FTitleHeader->isSectionHidden(index) == column->Visible()) {
        {
            const QScopedValueRollback layout(FLayoutLock, FLayoutLock + 1);
            FTitleHeader->setSectionHidden(index, !column->Visible());
        }
        SetColumnAttributes();
    }
    const int extent = column->Width() + LineExtent();
    if (column->Visible() && FTitleHeader->sectionSize(index) != extent)
        FTitleHeader->resizeSection(index, extent); // reported through SectionResized
    FModel->HeaderChanged();
    Invalidate();
}

void TDBGrid::SectionResized(int logical, int newSize)
{
    if (FLayoutLock || logical < 0 || logical >= FColumns.Count())
        return;
    TColumn *column = FColumns.Items(logical);
    if (!column->Visible())
        return;
    const int width = std::max(0, newSize - LineExtent());
    if (width != column->Width())
        column->FWidth = width;
    ColWidthsChanged();
}

void TDBGrid::SectionMoved(int, int oldVisual, int newVisual)
{
    if (FLayoutLock)
        return;
    // The header only moved its picture of the column; the collection holds the order, so the
    // header goes back and the column moves instead.
    TColumn *selected = nullptr;
    {
        const QScopedValueRollback layout(FLayoutLock, FLayoutLock + 1);
        FTitleHeader->moveSection(newVisual, oldVisual);
        selected = SelectedIndex() >= 0 ? FColumns.Items(SelectedIndex()) : nullptr;
        FModel->BeginReset();
        FColumns.Move(oldVisual, newVisual);
        FModel->EndReset();
    }
    ApplyColumnsToView();
    SyncCurrentFromDataSet(selected ? FColumns.IndexOf(selected) : 0);
    Invalidate();
    ColumnMoved(oldVisual + IndicatorOffset(), newVisual + IndicatorOffset());
}

TGridState TDBGrid::CalcSizingState(const QPoint &pos, int &index) const
{
    index = -1;
    if (!HasOption(TDBGridOption::dgColumnResize) || !HasOption(TDBGridOption::dgTitles))
        return TGridState::gsNormal;
    const QRect header = FTitleHeader->geometry();
    if (pos.y() < header.top() || pos.y() > header.bottom())
        return TGridState::gsNormal;
    const int margin
        = std::max(2, style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this));
    const int x = pos.x() - header.left();
    for (int i = 0; i < FColumns.Count(); ++i) {
        if (FTitleHeader->isSectionHidden(i))
            continue;
        const int right = FTitleHeader->sectionViewportPosition(i) + FTitleHeader->sectionSize(i);
        if (std::abs(x - right) <= margin) {
            index = i + IndicatorOffset();
            return TGridState::gsColSizing;
        }
    }
    return TGridState::gsNormal;
}

void TDBGrid::UpdateSizingColumn(const QPoint &pos)
{
    Q_UNUSED(pos);
}

// Current record ---------------------------------------------------------------------------

void TDBGrid::SyncCurrentFromDataSet(int column)
{
    if (!DataLinkActive() || FColumns.Count() == 0)
        return;
    const int row = DataSet()->CurrentRow();
    if (row < 0 || row >= FModel->rowCount())
        return;
    if (column < 0 || column >= FColumns.Count() || !FColumns.Items(column)->Visible()) {
        column = 0;
        for (int i = 0; i < FColumns.Count(); ++i)
            if (FColumns.Items(i)->Visible()) {
                column = i;
                break;
            }
    }
    const QModelIndex target = FModel->index(row, column);
    if (target != currentIndex()) {
        const QScopedValueRollback syncing(FSyncLock, FSyncLock + 1);
        QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect;
        if (HasOption(TDBGridOption::dgRowSelect))
            flags |= QItemSelectionModel::Rows;
        selectionModel()->setCurrentIndex(target, flags);
    }
    scrollTo(target);
}

void TDBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (FSyncLock || !current.isValid() || !DataLinkActive())
        return;
    TDataSet *dataSet = DataSet();
    if (current.row() != dataSet->CurrentRow()) {
        // Observers of the move may fail; the lock must not outlive the failure, or the view
        // and the dataset would part for good.
        const QScopedValueRollback syncing(FSyncLock, FSyncLock + 1);
        dataSet->MoveTo(current.row());
    }
    RefreshCurrentRow();
}

void TDBGrid::RefreshCurrentRow()
{
    // The highlight and the indicator follow the current record; a whole-view update is cheap
    // because only the visible rows are painted.
    viewport()->update();
    FIndicatorHeader->viewport()->update();
}

// Painting ---------------------------------------------------------------------------------

void TDBGrid::PaintViewCell(QPainter &painter, const QRect &rect, const QModelIndex &index)
{
    const TGridCoord cell = CellOfIndex(index);
    TGridDrawState state;
    if (DataLinkActive() && index.row() == DataSet()->CurrentRow()) {
        const bool currentColumn = index.column() == SelectedIndex();
        state.Selected = currentColumn || HasOption(TDBGridOption::dgRowSelect);
        state.Focused = currentColumn && hasFocus();
    }
    TPainterSaver saver(painter);
    painter.setClipRect(rect);
    try {
        DrawCell(painter, cell.X, cell.Y, rect, state);
    } catch (const std::exception &e) {
        painter.fillRect(rect, ResolveColor(FColor));
        if (FPaintError.isEmpty())
            FPaintError = QString::fromUtf8(e.what());
    }
}

void TDBGrid::PaintHeaderSection(
    QPainter &painter, const QRect &rect, int logical, Qt::Orientation orientation)
{
    TGridDrawState state;
    state.Fixed = true;
    int aCol = 0;
    int aRow = 0;
    if (orientation == Qt::Horizontal) {
        aCol = logical + IndicatorOffset();
        aRow = 0;
    } else {
        aCol = 0;
        aRow = logical - TopRecord() + TitleOffset();
    }
    // The header gives the section with its trailing grid line; the cell is without it.
    const QRect cell = rect.adjusted(0, 0, -LineExtent(), -LineExtent());
    TPainterSaver saver(painter);
    painter.fillRect(rect, ResolveColor(Colors::clBtnShadow));
    painter.setClipRect(cell);
    try {
        DrawCell(painter, aCol, aRow, cell, state);
    } catch (const std::exception &e) {
        painter.fillRect(cell, ResolveColor(FFixedColor));
        if (FPaintError.isEmpty())
            FPaintError = QString::fromUtf8(e.what());
    }
}

void TDBGrid::PaintCorner(QPainter &painter, const QRect &rect)
{
    TGridDrawState state;
    state.Fixed = true;
    painter.fillRect(rect, ResolveColor(Colors::clBtnShadow));
    const QRect cell = rect.adjusted(0, 0, -LineExtent(), -LineExtent());
    TPainterSaver saver(painter);
    painter.setClipRect(cell);
    DrawCell(painter, 0, 0, cell, state);
}

void TDBGrid::DrawCell(
    QPainter &painter, int aCol, int aRow, const QRect &rect, TGridDrawState state)
{
    if (state.Fixed) {
        DrawFixedCell(painter, aCol, aRow, rect);
        return;
    }
    const int dataCol = aCol - IndicatorOffset();
    TColumn *column = ColumnOfCol(aCol);
    if (!column || !column->Visible())
        return;
    const TFont font = column->Font();
    painter.setFont(font.ToQFont());
    painter.setPen(ResolveColor(font.Color()));
    painter.setBrush(ResolveColor(column->Color()));
    const int record = RecordOfRow(aRow);
    if (!DataLinkActive() || record < 0) {
        painter.fillRect(rect, painter.brush());
        return;
    }
    {
        TActiveRecordGuard guard(DataSet(), record);
        TField *field = column->Field();
        const QString value = field ? field->DisplayText() : QString();
        if (HighlightCell(aCol, aRow, value, state)) {
            painter.setBrush(ResolveColor(Colors::clHighlight));
            painter.setPen(ResolveColor(Colors::clHighlightText));
        }
        if (FDefaultDrawing)
            WriteText(painter, rect, 2, 2, value, column->Alignment());
        DrawColumnCell(painter, rect, dataCol, column, state);
    }
    DrawFocusFrame(painter, rect, state);
}

void TDBGrid::DrawFocusFrame(QPainter &painter, const QRect &rect, TGridDrawState state)
{
    if (!FDefaultDrawing || !state.Selected
        || !(HasOption(TDBGridOption::dgAlwaysShowSelection) || hasFocus())
        || HasOption(TDBGridOption::dgRowSelect) || FUpdateLock != 0
        || window()->focusWidget() != this)
        return;
    // The classic dotted rectangle: every other pixel of the cell's edge inverted, so that it
    // shows on any background and leaves the cell's own colour inside it alone.
    QPolygon dots;
    const int right = rect.left() + rect.width() - 1;
    const int bottom = rect.top() + rect.height() - 1;
    for (int x = rect.left(); x <= right; ++x)
        for (const int y : {rect.top(), bottom})
            if ((x + y) % 2 == 0)
                dots << QPoint(x, y);
    for (int y = rect.top() + 1; y < bottom; ++y)
        for (const int x : {rect.left(), right})
            if ((x + y) % 2 == 0)
                dots << QPoint(x, y);
    TPainterSaver saver(painter);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QPaintEngine *engine = painter.paintEngine();
    if (engine && engine->hasFeature(QPaintEngine::RasterOpModes)) {
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.setPen(QPen(Qt::white, 0));
    } else {
        painter.setPen(QPen(palette().color(QPalette::WindowText), 0));
    }
    painter.drawPoints(dots);
}

void TDBGrid::DrawColumnCell(
    QPainter &painter, const QRect &rect, int dataCol, TColumn *column, TGridDrawState state)
{
    if (OnDrawColumnCell)
        OnDrawColumnCell(this, rect, dataCol, column, painter, state);
}

bool TDBGrid::HighlightCell(int aCol, int aRow, const QString &value, TGridDrawState state)
{
    Q_UNUSED(aCol);
    Q_UNUSED(value);
    if (HasOption(TDBGridOption::dgMultiSelect) && DataLinkActive()) {
        const int record = RecordOfRow(aRow);
        if (record >= 0 && selectionModel()->isRowSelected(record, {}))
            return true;
    }
    return state.Selected && (HasOption(TDBGridOption::dgAlwaysShowSelection) || hasFocus())
        && (FUpdateLock == 0 || HasOption(TDBGridOption::dgRowSelect));
}

void TDBGrid::WriteText(
    QPainter &painter, const QRect &rect, int dx, int dy, const QString &text, TAlignment alignment)
{
    painter.fillRect(rect, painter.brush());
    const int x = TextLeft(rect, dx, painter.fontMetrics().horizontalAdvance(text), alignment);
    TPainterSaver saver(painter);
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.drawText(QPoint(x, rect.top() + dy + painter.fontMetrics().ascent()), text);
}

int TDBGrid::TextLeft(const QRect &rect, int dx, int textWidth, TAlignment alignment)
{
    // Right-aligned text ends this far off the cell's right edge.
    constexpr int rightMargin = 3;
    switch (alignment) {
    case TAlignment::taRightJustify:
        return rect.left() + rect.width() - textWidth - rightMargin;
    case TAlignment::taCenter:
        return rect.left() + rect.width() / 2 - textWidth / 2;
    case TAlignment::taLeftJustify:
        break;
    }
    return rect.left() + dx;
}

void TDBGrid::DrawFixedCell(QPainter &painter, int aCol, int aRow, const QRect &rect)
{
    TColumn *column = aRow < TitleOffset() ? ColumnOfCol(aCol) : nullptr;
    const TColor fill = column ? column->Title().Color() : FFixedColor;
    painter.fillRect(rect, ResolveColor(fill));
    // A raised edge, as fixed cells have.
    painter.setPen(ResolveColor(Colors::clBtnHighlight));
    painter.drawLine(rect.topLeft(), QPoint(rect.right() - 1, rect.top()));
    painter.drawLine(rect.topLeft(), QPoint(rect.left(), rect.bottom() - 1));
    painter.setPen(ResolveColor(Colors::clBtnShadow));
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
    if (column) {
        const TFont font = column->Title().Font();
        painter.setFont(font.ToQFont());
        painter.setPen(ResolveColor(font.Color()));
        painter.setBrush(Qt::NoBrush);
        const QString caption = column->Title().Caption();
        const int x = TextLeft(
            rect, 2, painter.fontMetrics().horizontalAdvance(caption), column->Title().Alignment());
        painter.drawText(QPoint(x, rect.top() + 2 + painter.fontMetrics().ascent()), caption);
        return;
    }
    // The indicator marks the current record with an arrow.
    if (aCol < IndicatorOffset() && aRow >= TitleOffset() && DataLinkActive()
        && RecordOfRow(aRow) == DataSet()->CurrentRow() && RecordOfRow(aRow) >= 0) {
        const int cx = rect.left() + rect.width() / 2;
        const int cy = rect.top() + rect.height() / 2;
        const QPoint arrow[3] = {{cx - 2, cy - 4}, {cx + 2, cy}, {cx - 2, cy + 4}};
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(Qt::NoPen);
        painter.setBrush(ResolveColor(Colors::clBtnText));
        painter.drawPolygon(arrow, 3);
    }
}

// Events -------------------------------------------------------------------------------------

bool TDBGrid::event(QEvent *event)
{
    const bool result = QTableView::event(event);
    if (event->type() == QEvent::Polish)
        FinishLoading();
    return result;
}

bool TDBGrid::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        // A cell shows the grid's own hint, as every control does, not its value.
        event->ignore();
        return true;
    }
    const bool result = QTableView::viewportEvent(event);
    if (event->type() == QEvent::Paint)
        ReportPaintError(true);
    return result;
}

void TDBGrid::ReportPaintError(bool cleanPaintForgets)
{
    // A failure must not unwind through the painting machinery, which would be left in the
    // middle of a paint, nor open a message box inside it. It goes to the error display once
    // the paint is over; the same failure is not shown again on every repaint.
    const QString message = std::exchange(FPaintError, QString());
    if (message.isEmpty()) {
        if (cleanPaintForgets)
            FLastPaintError.clear();
        return;
    }
    if (message == FLastPaintError)
        return;
    FLastPaintError = message;
    QMetaObject::invokeMethod(
        this, [message] { ShowError(Exception(message)); }, Qt::QueuedConnection);
}

bool TDBGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FCorner && event->type() == QEvent::Paint) {
        QPainter painter(FCorner);
        PaintCorner(painter, FCorner->rect());
        return true;
    }
    if (watched == FTitleHeader->viewport() || watched == FIndicatorHeader->viewport()) {
        if (event->type() == QEvent::ToolTip) {
            event->ignore(); // the titles, too, show the grid's own hint
            return true;
        }
        if (HandleHeaderEvent(static_cast<QWidget *>(watched), event))
            return true;
    }
    return QTableView::eventFilter(watched, event);
}

bool TDBGrid::HandleHeaderEvent(QWidget *header, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        FLastMousePos = header->mapTo(this, mouse->position().toPoint());
        if (mouse->buttons() == Qt::NoButton)
            UpdateSizingColumn(FLastMousePos);
        return false;
    }
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        FLastMousePos = header->mapTo(this, mouse->position().toPoint());
        UpdateSizingColumn(FLastMousePos);
        DeliverMouseDown(mouse, header);
        return true;
    }
    case QEvent::MouseButtonDblClick: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        FLastMousePos = header->mapTo(this, mouse->position().toPoint());
        DblClick();
        DeliverMouseDown(mouse, header);
        return true;
    }
    default:
        return false;
    }
}

void TDBGrid::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &pos)
{
    Q_UNUSED(button);
    Q_UNUSED(modifiers);
    Q_UNUSED(pos);
    QMouseEvent *event = std::exchange(FPendingMouse, nullptr);
    QWidget *header = std::exchange(FPendingHeader, nullptr);
    if (!event)
        return;
    if (focusPolicy() != Qt::NoFocus)
        setFocus(Qt::MouseFocusReason);
    if (header) {
        auto *owner = static_cast<TDBGridHeader *>(header->parentWidget());
        if (event->type() == QEvent::MouseButtonDblClick)
            owner->BaseDoubleClick(event);
        else
            owner->BasePress(event);
        return;
    }
    if (event->type() == QEvent::MouseButtonDblClick)
        QTableView::mouseDoubleClickEvent(event);
    else
        QTableView::mousePressEvent(event);
}

void TDBGrid::DblClick()
{
    emit DblClicked();
}

void TDBGrid::KeyPress(QChar key)
{
    Q_UNUSED(key);
    if (QKeyEvent *event = std::exchange(FPendingKey, nullptr))
        QTableView::keyPressEvent(event);
}

void TDBGrid::mousePressEvent(QMouseEvent *event)
{
    FLastMousePos = viewport()->mapTo(this, event->position().toPoint());
    UpdateSizingColumn(FLastMousePos);
    DeliverMouseDown(event, nullptr);
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    FLastMousePos = viewport()->mapTo(this, event->position().toPoint());
    DblClick();
    DeliverMouseDown(event, nullptr);
}

void TDBGrid::DeliverMouseDown(QMouseEvent *event, QWidget *header)
{
    // The event is only lent to MouseDown: a press that fails must not leave it to the next
    // one, which would be handed to the wrong widget.
    const QScopedValueRollback pendingMouse(FPendingMouse, event);
    const QScopedValueRollback pendingHeader(FPendingHeader, header);
    MouseDown(event->button(), event->modifiers(), FLastMousePos);
}

void TDBGrid::mouseMoveEvent(QMouseEvent *event)
{
    FLastMousePos = viewport()->mapTo(this, event->position().toPoint());
    if (event->buttons() == Qt::NoButton)
        UpdateSizingColumn(FLastMousePos);
    QTableView::mouseMoveEvent(event);
}

void TDBGrid::keyPressEvent(QKeyEvent *event)
{
    // Tab moves between the cells; Ctrl+Tab and Ctrl+Shift+Tab leave the grid for the next and
    // the previous control, as in every view that uses Tab itself.
    if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
        && event->modifiers().testFlag(Qt::ControlModifier)) {
        const bool next
            = event->key() == Qt::Key_Tab && !event->modifiers().testFlag(Qt::ShiftModifier);
        // The view's own version would move the current cell instead.
        QWidget::focusNextPrevChild(next);
        event->accept();
        return;
    }
    // Shift+F10 opens the menu at the current cell, as the menu key does: X11 sends no context
    // menu event for it.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        const QRect cell = visualRect(currentIndex());
        const QPoint at = cell.isValid() ? cell.center() : QPoint(0, 0);
        QContextMenuEvent menuEvent(
            QContextMenuEvent::Keyboard, at, viewport()->mapToGlobal(at), event->modifiers());
        contextMenuEvent(&menuEvent);
        return;
    }
    const QString text = event->text();
    if (text.size() == 1 && text.at(0).isPrint()
        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const QScopedValueRollback pendingKey(FPendingKey, event);
        KeyPress(text.at(0));
        return;
    }
    QTableView::keyPressEvent(event);
}

void TDBGrid::keyboardSearch(const QString &)
{
    // Typing does not search the rows: that would read every record of a large result.
}

void TDBGrid::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    if (!FInSetBounds)
        SetBounds(geometry());
}

void TDBGrid::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    const int top = TopRecord();
    const int distance = top - FLastTopRecord;
    FLastTopRecord = top;
    if (dy != 0 || distance != 0)
        Scroll(distance);
}

void TDBGrid::contextMenuEvent(QContextMenuEvent *event)
{
    const QPoint pos = mapFromGlobal(event->globalPos());
    QMenu *menu = FPopupMenu;
    if (TColumn *column = ColumnOfCol(MouseCoord(pos).X); column && column->PopupMenu())
        menu = column->PopupMenu();
    if (!menu) {
        QTableView::contextMenuEvent(event);
        return;
    }
    menu->popup(event->globalPos());
    event->accept();
}

void TDBGrid::focusInEvent(QFocusEvent *event)
{
    QTableView::focusInEvent(event);
    Invalidate();
}

void TDBGrid::focusOutEvent(QFocusEvent *event)
{
    QTableView::focusOutEvent(event);
    Invalidate();
}

QStringList TDBGrid::FieldDisplayLabels() const
{
    const TDataSet *dataSet = DataSet();
    return dataSet ? dataSet->FieldDisplayLabels() : QStringList();
}

void TDBGrid::SetFieldDisplayLabels(const QStringList &labels)
{
    if (TDataSet *dataSet = DataSet())
        dataSet->SetFieldDisplayLabels(labels);
}
