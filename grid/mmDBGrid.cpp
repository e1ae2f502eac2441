#include "grid/mmDBGrid.h"
#include "grid/GridDialogs.h"
#include "grid/TPopupMenu.h"

#include "calc/xCalc.h"
#include "db/dataset/TDataSet.h"

#include <QFontMetrics>
#include <QMenu>
#include <QPainter>
#include <memory>
#include <optional>

namespace {
// One off-screen bitmap serves every grid for drawing text on backgrounds that are not pure
// colours; it lives as long as some grid does.
int LivingGrids = 0;
std::unique_ptr<QPixmap> TextBitmap;

// The classic sunken check box.
QImage PaintBoxGlyph(bool ticked)
{
    const int size = TmmDBGrid::GlyphSize;
    const int last = size - 1;
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(QColor(255, 255, 255));
    const QRgb shadow = qRgb(128, 128, 128);
    const QRgb darkShadow = qRgb(64, 64, 64);
    const QRgb light = qRgb(212, 208, 200);
    const QRgb highlight = qRgb(255, 255, 255);
    for (int i = 0; i < last; ++i) {
        image.setPixel(i, 0, shadow);
        image.setPixel(0, i, shadow);
    }
    for (int i = 1; i < last - 1; ++i) {
        image.setPixel(i, 1, darkShadow);
        image.setPixel(1, i, darkShadow);
    }
    for (int i = 1; i < last; ++i) {
        image.setPixel(i, last - 1, light);
        image.setPixel(last - 1, i, light);
    }
    for (int i = 0; i < size; ++i) {
        image.setPixel(i, last, highlight);
        image.setPixel(last, i, highlight);
    }
    if (ticked) {
        // A tick three pixels thick: down from (3, 5) to (5, 7), then up to (9, 3).
        const int tops[] = {5, 6, 7, 6, 5, 4, 3};
        for (int i = 0; i < 7; ++i)
            for (int dy = 0; dy < 3; ++dy)
                image.setPixel(3 + i, tops[i] + dy, qRgb(0, 0, 0));
    }
    return image;
}
} // namespace

TmmDBGrid::TmmDBGrid(QWidget *parent)
    : TDBGrid(parent)
    , FGlyphChecked(DefaultGlyphChecked())
    , FGlyphUnChecked(DefaultGlyphUnChecked())
{
    FCalculator = new TxFoCal(this);
    if (LivingGrids++ == 0)
        TextBitmap = std::make_unique<QPixmap>();
}

TmmDBGrid::~TmmDBGrid()
{
    RemoveMenuHook();
    if (FDefaultPopupMenu && PopupMenu() == FDefaultPopupMenu) {
        TDBGrid::SetPopupMenu(nullptr);
        delete FDefaultPopupMenu.data();
    }
    if (--LivingGrids == 0)
        TextBitmap.reset();
}

int TmmDBGrid::GridCount()
{
    return LivingGrids;
}

QPixmap *TmmDBGrid::SharedTextBitmap()
{
    return TextBitmap.get();
}

QImage TmmDBGrid::DefaultGlyphUnChecked()
{
    return PaintBoxGlyph(false);
}

QImage TmmDBGrid::DefaultGlyphChecked()
{
    return PaintBoxGlyph(true);
}

// Life cycle -------------------------------------------------------------------------------

void TmmDBGrid::Loaded()
{
    TDBGrid::Loaded();
    FSavedOnColumnMoved = OnColumnMoved;
    OnColumnMoved = [this](TDBGrid *sender, int fromIndex, int toIndex) {
        GridColumnMoved(sender, fromIndex, toIndex);
    };
    FScalingEnabled = true;
    EnsureDefaultPopupMenu();
}

void TmmDBGrid::LinkActive(bool value)
{
    const bool scale = FScaleColumns;
    FScaleColumns = false;
    // Fields are made anew at every opening: hide the ones the user hid before the columns are
    // built, muted, so that the columns are built once and keep their settings.
    std::optional<TDisabledControls> muted;
    if (value && HidesFieldsOf(DataSet())) {
        muted.emplace(DataSet());
        HideRememberedFields();
    }
    TDBGrid::LinkActive(value);
    SetScaleColumns(scale);
    if (value && FShowCheckBoxes && FCheckFieldList.IsEmpty())
        BuildCheckFields();
}

void TmmDBGrid::SetColumnAttributes()
{
    TDBGrid::SetColumnAttributes();
    if (FPopupColumn && Columns().IndexOf(FPopupColumn) < 0)
        FPopupColumn = nullptr;
    SetLineCount(ComputeLineCount());
    // Fewer columns than at the last width change leave a gap: fit again. Hidden columns take
    // no room, so a column hidden or shown again changes the count as well.
    if (VisibleColumnCount() != FLastColumnCount)
        SetBounds(geometry());
}

void TmmDBGrid::RowHeightsChanged()
{
    if (FShowLines) {
        const int titleHeight = TitleRowHeight();
        const int rowHeight = LineHeight() * FLineCount;
        if (rowHeight != DefaultRowHeight()) {
            SetDefaultRowHeight(rowHeight);
            SetTitleRowHeight(titleHeight);
        }
    }
    TDBGrid::RowHeightsChanged();
}

// Menu -----------------------------------------------------------------------------------------

void TmmDBGrid::SetPopupMenu(QMenu *menu)
{
    if (!menu) {
        if (!FDefaultPopupMenu)
            FDefaultPopupMenu = new TPopupMenu(this);
        FillPopupMenu(FDefaultPopupMenu);
        TDBGrid::SetPopupMenu(FDefaultPopupMenu);
        return;
    }
    if (FDefaultPopupMenu && FDefaultPopupMenu != menu) {
        QMenu *own = FDefaultPopupMenu;
        if (FHookedMenu == own)
            RemoveMenuHook();
        FDefaultPopupMenu = nullptr;
        TDBGrid::SetPopupMenu(menu);
        delete own;
        return;
    }
    TDBGrid::SetPopupMenu(menu);
}

void TmmDBGrid::EnsureDefaultPopupMenu()
{
    if (!PopupMenu() || PopupMenu() == FDefaultPopupMenu) {
        if (!FDefaultPopupMenu)
            FDefaultPopupMenu = new TPopupMenu(this);
        TDBGrid::SetPopupMenu(FDefaultPopupMenu);
    }
    FillPopupMenu(PopupMenu());
}

void TmmDBGrid::FillPopupMenu(QMenu *menu)
{
    RemoveGridMenuItems(menu);
    BuildPopupMenu(menu, false);
}

// Properties -----------------------------------------------------------------------------------

void TmmDBGrid::SetStripeOne(TColor color)
{
    if (color == FStripeOne)
        return;
    FStripeOne = color;
    Invalidate();
}

void TmmDBGrid::SetStripeTwo(TColor color)
{
    if (color == FStripeTwo)
        return;
    FStripeTwo = color;
    Invalidate();
}

void TmmDBGrid::SetStriped(bool value)
{
    if (value == FStriped)
        return;
    FStriped = value;
    Invalidate();
}

void TmmDBGrid::SetColorSelected(TColor color)
{
    if (color == FColorSelected)
        return;
    FColorSelected = color;
    Invalidate();
}

void TmmDBGrid::SetScaleColumns(bool value)
{
    if (value == FScaleColumns)
        return;
    FScaleColumns = value;
    // A fit is asked for through the bounds, which fit only when fitting may run.
    if (value)
        SetBounds(geometry());
}

void TmmDBGrid::SetConditionalFormatting(bool value)
{
    if (value == FConditionalFormatting)
        return;
    FConditionalFormatting = value;
    Invalidate();
}

void TmmDBGrid::SetUseSorting(bool value)
{
    if (value == FUseSorting)
        return;
    FUseSorting = value;
    Invalidate();
}

void TmmDBGrid::SetLineCount(int count)
{
    if (count == FLineCount)
        return;
    FLineCount = std::max(1, count);
    if (FShowLines) {
        RowHeightsChanged();
        updateGeometries();
    }
}

void TmmDBGrid::SetShowLines(bool value)
{
    if (value == FShowLines)
        return;
    FShowLines = value;
    if (value) {
        RowHeightsChanged();
    } else {
        const int titleHeight = TitleRowHeight();
        SetDefaultRowHeight(LineHeight());
        SetTitleRowHeight(titleHeight);
    }
    updateGeometries();
    Invalidate();
}

void TmmDBGrid::SetLineFields(const QStringList &entries)
{
    FLineFields = entries;
    SetLineCount(ComputeLineCount());
    Invalidate();
}

void TmmDBGrid::SetShowCheckBoxes(bool value)
{
    if (value == FShowCheckBoxes)
        return;
    FShowCheckBoxes = value;
    if (DataLinkActive() && value && FCheckFieldList.IsEmpty())
        BuildCheckFields();
    Invalidate();
}

void TmmDBGrid::SetCheckFields(const QStringList &entries)
{
    FCheckFields = entries;
    if (DataLinkActive() && FShowCheckBoxes)
        BuildCheckFields();
    else
        FCheckFieldList.Clear(); // rebuilt when the link next becomes active
}

void TmmDBGrid::SetGlyphChecked(const QImage &image)
{
    FGlyphChecked = image.isNull() ? DefaultGlyphChecked() : image.copy();
    Invalidate();
}

void TmmDBGrid::SetGlyphUnChecked(const QImage &image)
{
    FGlyphUnChecked = image.isNull() ? DefaultGlyphUnChecked() : image.copy();
    Invalidate();
}

int TmmDBGrid::LineHeight() const
{
    const QFontMetrics metrics(Font().ToQFont(), this);
    int height = metrics.height() + 3;
    if (HasOption(TDBGridOption::dgRowLines))
        height += GridLineWidth();
    return height;
}

int TmmDBGrid::GetCellIndent(bool useRowValue, bool fieldOnly, TField *field)
{
    Q_UNUSED(useRowValue);
    Q_UNUSED(fieldOnly);
    Q_UNUSED(field);
    return 0;
}

void TmmDBGrid::Find()
{
    if (DataLinkActive() && SelectedField() && GridDialogs().Find)
        GridDialogs().Find(*this);
}

TGridDialogs &GridDialogs()
{
    static TGridDialogs dialogs;
    return dialogs;
}
