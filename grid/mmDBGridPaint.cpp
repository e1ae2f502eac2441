// Painting: title cells with the sort marker, data cells with the selected-row colour, stripes,
// conditional formatting, check-box glyphs and the extra lines of multi-line rows.
#include "grid/mmDBGrid.h"

#include "db/dataset/TDataSet.h"
#include "db/dataset/TField.h"
#include "grid/TPainterSaver.h"

#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <array>

namespace {
const QString Placeholder = QStringLiteral("%s");
// The sort marker's colour value: pure red.
constexpr TColor SortMarkerColor = 255;

TAlignment Mirrored(TAlignment alignment)
{
    switch (alignment) {
    case TAlignment::taLeftJustify:
        return TAlignment::taRightJustify;
    case TAlignment::taRightJustify:
        return TAlignment::taLeftJustify;
    case TAlignment::taCenter:
        break;
    }
    return alignment;
}

// Whether the surface the painter draws on shows the colour as it is. Surfaces of 24 bits and
// more show every opaque colour; a smaller one is asked through a pixel of its own format.
bool IsPureColor(QPainter &painter, const QColor &color)
{
    if (color.alpha() != 255)
        return false;
    const QPaintEngine *engine = painter.paintEngine();
    const QPaintDevice *device = engine ? engine->paintDevice() : painter.device();
    if (!device || device->depth() >= 24)
        return true;
    if (device->devType() != QInternal::Image)
        return false;
    const auto *image = static_cast<const QImage *>(device);
    if (image->format() == QImage::Format_Indexed8 || image->format() == QImage::Format_Mono
        || image->format() == QImage::Format_MonoLSB)
        return image->colorTable().contains(color.rgb());
    // A whole row of cells asks about the same colour: keep the last answer.
    static QImage::Format lastFormat = QImage::Format_Invalid;
    static QRgb lastColor = 0;
    static bool lastAnswer = false;
    if (image->format() != lastFormat || color.rgb() != lastColor) {
        QImage probe(1, 1, image->format());
        probe.setPixelColor(0, 0, color);
        lastFormat = image->format();
        lastColor = color.rgb();
        lastAnswer = probe.pixel(0, 0) == color.rgb();
    }
    return lastAnswer;
}

// The format's pieces around its placeholders.
QStringList FormatPieces(const QString &format)
{
    return format.split(Placeholder);
}

QString Formatted(const QStringList &pieces, const QString &text)
{
    return pieces.isEmpty() ? text : pieces.join(text);
}

// A glyph's transparent colour is the colour of its bottom-left pixel, as for any bitmap; the
// glyph comes back with those pixels see-through (an alpha channel it has is kept). A grid draws
// the same two glyphs into every check-box cell, so the last few are remembered.
QImage WithTransparentColor(const QImage &bitmap)
{
    struct TKeyed
    {
        qint64 Key = 0;
        QImage Image;
    };
    static std::array<TKeyed, 4> recent;
    static size_t next = 0;
    for (const TKeyed &keyed : recent)
        if (keyed.Key == bitmap.cacheKey() && !keyed.Image.isNull())
            return keyed.Image;
    QImage image = bitmap.convertToFormat(QImage::Format_ARGB32);
    const QRgb transparent = image.pixel(0, image.height() - 1);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (line[x] == transparent)
                line[x] = qRgba(0, 0, 0, 0);
    }
    recent[next] = {bitmap.cacheKey(), image};
    next = (next + 1) % recent.size();
    return image;
}

} // namespace

// Conditions ---------------------------------------------------------------------------------

TConditionScope TmmDBGrid::ConditionScope()
{
    return {&FConditions, DataSet(), FCalculator};
}

void TmmDBGrid::PrepareConditions()
{
    FMatcher.PrepareConditions(ConditionScope());
}

bool TmmDBGrid::ApplyConditions(TField *field, bool highlighted, TCellStyle &style)
{
    if (!field)
        return false;
    if (!FPainting)
        FMatcher.BeginPaint(); // outside a paint nothing learnt before may be trusted
    return FMatcher.ApplyConditions(ConditionScope(), field->FieldName(), highlighted, style);
}

// Painting -----------------------------------------------------------------------------------

void TmmDBGrid::paintEvent(QPaintEvent *event)
{
    ++FPaintEpoch;
    FMatcher.BeginPaint();
    FPaintLineHeight = LineHeight();
    const QScopedValueRollback painting(FPainting, true);
    TDBGrid::paintEvent(event);
}

void TmmDBGrid::Scroll(int distance)
{
    TDBGrid::Scroll(distance);
    if (FStriped && distance != 0)
        Invalidate();
}

void TmmDBGrid::DrawCell(
    QPainter &painter, int aCol, int aRow, const QRect &rect, TGridDrawState state)
{
    if (state.Fixed)
        DrawTitleCell(painter, aCol, aRow, rect);
    else
        DrawDataCell(painter, aCol, aRow, rect, state);
}

void TmmDBGrid::DrawTitleCell(QPainter &painter, int aCol, int aRow, const QRect &rect)
{
    TGridDrawState state;
    state.Fixed = true;
    TDBGrid::DrawCell(painter, aCol, aRow, rect, state);
    TColumn *column = aRow == 0 ? ColumnOfCol(aCol) : nullptr;
    TField *field = column ? column->Field() : nullptr;
    if (!field)
        return;
    QString sortText = field->FieldName();
    if (SortEvent)
        SortEvent(this, field, sortText); // only the text matters here, not the veto
    bool ascending = true;
    if (!IsQueryBound() || !FUseSorting || !IsSortedBy(sortText, ascending))
        return;
    // A wedge in the top-right corner for ascending, in the bottom-right for descending: the
    // triangle of (Right - 6, edge), (Right - 1, edge) and (Right - 1, edge -+ 5) with its
    // outline, one row of pixels at a time so that every corner pixel is drawn.
    const int right = rect.left() + rect.width();
    const int edge = ascending ? rect.top() : rect.top() + rect.height() - 1;
    const int step = ascending ? 1 : -1;
    const QColor red = ResolveColor(SortMarkerColor);
    for (int k = 0; k <= 5; ++k)
        painter.fillRect(QRect(right - 6 + k, edge + step * k, 6 - k, 1), red);
}

const TmmDBGrid::TColumnPlan &TmmDBGrid::PlanOf(int dataCol, TColumn *column)
{
    if (size_t(dataCol) >= FColumnPlans.size())
        FColumnPlans.resize(size_t(dataCol) + 1);
    TColumnPlan &plan = FColumnPlans[size_t(dataCol)];
    if (plan.Epoch == FPaintEpoch && plan.Column == column)
        return plan;
    plan = TColumnPlan();
    plan.Epoch = FPaintEpoch;
    plan.Column = column;
    plan.Field = column->Field();
    plan.Font = column->Font();
    plan.FontColor = ResolveColor(plan.Font.Color());
    plan.Color = column->Color();
    plan.Alignment = column->Alignment();
    if (!plan.Field)
        return plan;
    TDataSet *dataSet = DataSet();
    const QString &fieldName = plan.Field->FieldName();
    if (FShowCheckBoxes) {
        plan.Check = FindCheckField(fieldName);
        if (plan.Check)
            plan.KeyField = dataSet->FindField(plan.Check->KeyFieldName);
    }
    if (FShowLines) {
        QString format;
        if (GetLineFormat(fieldName, format))
            plan.Format = FormatPieces(format);
        if (GetExtraLines(fieldName, FLineScratch)) {
            plan.Lines.reserve(size_t(FLineScratch.size()));
            for (const QString &entry : std::as_const(FLineScratch)) {
                TColumnPlan::TLine line;
                const qsizetype blank = entry.indexOf(QLatin1Char(' '));
                if (entry.contains(Placeholder) && blank >= 0) {
                    line.Field = dataSet->FindField(entry.left(blank));
                    line.Format = FormatPieces(entry.mid(blank + 1));
                } else {
                    line.Field = dataSet->FindField(entry);
                }
                plan.Lines.push_back(std::move(line));
            }
        }
    }
    return plan;
}

void TmmDBGrid::DrawDataCell(
    QPainter &painter, int aCol, int aRow, const QRect &rect, TGridDrawState state)
{
    const int dataCol = aCol - IndicatorOffset();
    TColumn *column = ColumnOfCol(aCol);
    if (!column)
        return;
    if (!FPainting) {
        // Asked outside a paint: nothing worked out for an earlier cell may be trusted.
        ++FPaintEpoch;
        FMatcher.BeginPaint();
        FPaintLineHeight = LineHeight();
    }
    const TColumnPlan &plan = PlanOf(dataCol, column);
    if (painter.font() != plan.Font.ToQFont())
        painter.setFont(plan.Font.ToQFont());
    painter.setPen(plan.FontColor);
    TColor background = plan.Color;
    const int record = RecordOfRow(aRow);
    if (!DataLinkActive() || record < 0) {
        painter.fillRect(rect, ResolveColor(background));
        return;
    }
    TDataSet *dataSet = DataSet();
    {
        TActiveRecordGuard guard(dataSet, record);
        TField *field = plan.Field;
        QString text;
        if (field)
            text = Formatted(plan.Format, field->DisplayText());
        const bool highlighted = HighlightCell(aCol, aRow, text, state);
        // A highlighted cell keeps the column font's colour.
        if (highlighted)
            background = FColorSelected;
        else if (FStriped)
            background = aRow % 2 != 0 ? FStripeOne : FStripeTwo;
        if (FConditionalFormatting && field) {
            TCellStyle style {background, plan.Font};
            if (ApplyConditions(field, highlighted, style)) {
                background = style.Color;
                if (style.Font != plan.Font) {
                    painter.setFont(style.Font.ToQFont());
                    painter.setPen(ResolveColor(style.Font.Color()));
                }
            }
        }
        painter.setBrush(ResolveColor(background));
        if (DefaultDrawing()) {
            const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
            const QImage *glyph = nullptr;
            int checkWidth = 0;
            if (plan.Check) {
                int index = -1;
                const QString key = plan.KeyField ? plan.KeyField->AsString() : QString();
                glyph = IsValueChecked(plan.Check, key, index) ? &FGlyphChecked : &FGlyphUnChecked;
                checkWidth = glyph->width() + 1;
            }
            const int indent = GetCellIndent(true, false, nullptr);
            DrawCellText(
                painter, rect, indent + 2 + checkWidth, 2, text, plan.Alignment, rightToLeft);
            if (glyph) {
                const int left = rect.left() + 2 + indent;
                DrawGlyph(painter, *glyph,
                    QRect(left, rect.top(), rect.left() + rect.width() - left,
                        rect.height() / LinesPerRow()));
            }
            // Extra lines are never shifted by a check box.
            for (size_t i = 0; i < plan.Lines.size(); ++i) {
                const int offset = FPaintLineHeight * int(i + 1);
                if (offset >= rect.height())
                    break;
                const TColumnPlan::TLine &line = plan.Lines[i];
                const QString lineText = line.Field
                    ? Formatted(line.Format, line.Field->DisplayText())
                    : Formatted(line.Format, QString());
                DrawCellText(painter,
                    QRect(rect.left(), rect.top() + offset, rect.width(), rect.height() - offset),
                    indent + 2, 2, lineText, plan.Alignment, rightToLeft);
            }
        }
        DrawColumnCell(painter, rect, dataCol, column, state);
    }
    DrawFocusFrame(painter, rect, state);
}

void TmmDBGrid::DrawCellText(QPainter &painter, const QRect &rect, int dx, int dy,
    const QString &text, TAlignment alignment, bool rightToLeft)
{
    // The painter is never mirrored, so a right-to-left surface is mirrored here: its left is
    // the cell's right.
    const bool canvasRightToLeft = painter.layoutDirection() == Qt::RightToLeft;
    const QBrush brush = painter.brush();
    QPixmap *bitmap = SharedTextBitmap();
    if (IsPureColor(painter, brush.color()) || !bitmap || bitmap->paintingActive()) {
        painter.fillRect(rect, brush);
        if (text.isEmpty())
            return;
        const QFontMetrics metrics = painter.fontMetrics();
        if (canvasRightToLeft && !rightToLeft)
            alignment = Mirrored(alignment);
        int x = rect.left() + dx;
        // Left-aligned text on a left-to-right surface needs no measuring.
        if (alignment != TAlignment::taLeftJustify || canvasRightToLeft) {
            const int width = metrics.horizontalAdvance(text);
            x = TextLeft(rect, dx, width, alignment);
            if (canvasRightToLeft) {
                const int right = rect.left() + rect.width();
                x = rect.left() + right - (x + width);
            }
        }
        TPainterSaver saved(painter);
        painter.setClipRect(rect, Qt::IntersectClip);
        painter.drawText(QPoint(x, rect.top() + dy + metrics.ascent()), text);
        return;
    }
    // Colours the device can only approximate are drawn on the bitmap and copied whole.
    const int width = rect.width();
    const int height = rect.height();
    if (width <= 0 || height <= 0)
        return;
    if (bitmap->width() < width || bitmap->height() < height)
        *bitmap = QPixmap(std::max(bitmap->width(), width), std::max(bitmap->height(), height));
    {
        QPainter canvas(bitmap);
        canvas.setFont(painter.font());
        canvas.setPen(painter.pen());
        canvas.fillRect(0, 0, width, height, brush);
        canvas.setBackgroundMode(Qt::TransparentMode);
        canvas.setLayoutDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
        const TAlignment drawn = canvasRightToLeft ? Mirrored(alignment) : alignment;
        const int flags = int(ToQtAlignment(drawn)) | Qt::AlignAbsolute | Qt::AlignTop
            | Qt::TextWordWrap | Qt::TextExpandTabs;
        canvas.drawText(QRect(QPoint(dx, dy), QPoint(width - 2, height - 2)), flags, text);
    }
    painter.drawPixmap(rect.topLeft(), *bitmap, QRect(0, 0, width, height));
}

void TmmDBGrid::DrawGlyph(QPainter &painter, const QImage &bitmap, const QRect &rect)
{
    // Rounded toward zero, as the integer division does.
    const int offset = (bitmap.height() - rect.height()) / 2;
    // Only what the bitmap covers is copied; the rest of the rectangle stays as it is.
    const QRect source = QRect(0, offset, rect.width(), rect.height()) & bitmap.rect();
    if (source.isEmpty())
        return;
    const QRect target(rect.left() + source.left(), rect.top() + source.top() - offset,
        source.width(), source.height());
    painter.fillRect(target, painter.brush());
    painter.drawImage(target, WithTransparentColor(bitmap), source);
}
