#include "app/ResultPrint.h"

#include "app/ResultTable.h"
#include "app/SaveFile.h"
#include "core/Exception.h"
#include "core/TColor.h"
#include "grid/mmDBGrid.h"
#include "i18n/zrMultilingualSupport.h"

#include <QAction>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QToolBar>
#include <cmath>
#include <numeric>
#include <utility>

namespace {

// The grid's screen fonts are small for paper: nothing prints below this.
constexpr qreal SmallestPrintPoints = 9;
constexpr qreal HeadingScale = 1.4;
// Row heights and paddings, in lines of the font they belong to.
constexpr qreal RowLines = 1.4;
constexpr qreal CaptionLines = 1.6;
constexpr qreal GapLines = 0.6;
constexpr qreal FootLines = 1.8;
constexpr qreal CellPaddingChars = 0.6;
const QMarginsF PageMarginsMm(15, 15, 15, 15);
const QColor RuleColor(150, 150, 150);
constexpr qreal PreviewScreenShare = 0.8;

QFont PrintFont(const TFont &font)
{
    QFont printed = font.ToQFont();
    printed.setPointSizeF(std::max<qreal>(font.Size(), SmallestPrintPoints));
    return printed;
}

// The page's width shared as the screen shares it, except that a column narrower than its caption
// gets the caption's width, taken from the others. When the captions alone overfill the page the
// screen's shares stand.
QList<qreal> ShareOfPage(
    qreal pageWidth, const QList<qreal> &screenWidths, const QList<qreal> &captionWidths)
{
    const int count = screenWidths.size();
    QList<bool> atCaption(count, false);
    // What is left for the columns that share, and the screen width they share it by.
    const auto sharing = [&] {
        qreal room = pageWidth;
        qreal shared = 0;
        for (int i = 0; i < count; ++i) {
            if (atCaption[i])
                room -= captionWidths[i];
            else
                shared += screenWidths[i];
        }
        return std::pair {room, shared};
    };
    const qreal captions = std::accumulate(captionWidths.begin(), captionWidths.end(), qreal(0));
    for (bool changed = captions < pageWidth; changed;) {
        changed = false;
        const auto [room, shared] = sharing();
        for (int i = 0; i < count; ++i) {
            if (!atCaption[i] && room * screenWidths[i] / shared < captionWidths[i])
                atCaption[i] = changed = true;
        }
    }
    const auto [room, shared] = sharing();
    QList<qreal> widths;
    for (int i = 0; i < count; ++i)
        widths << (atCaption[i] ? captionWidths[i] : room * screenWidths[i] / shared);
    return widths;
}

} // namespace

TPrintLook TPrintLook::Of(const TmmDBGrid &grid)
{
    TPrintLook look;
    look.Font = PrintFont(grid.Font());
    look.TitleFont = PrintFont(grid.TitleFont());
    look.TitleColor = ToQColor(grid.FixedColor(), grid.palette());
    look.Striped = grid.Striped();
    look.StripeOne = ToQColor(grid.StripeOne(), grid.palette());
    look.StripeTwo = ToQColor(grid.StripeTwo(), grid.palette());
    return look;
}

// Where things go on a page, in the device's pixels from the printable area's top left.
struct TResultPrinter::TPageLayout
{
    QRectF Page;
    qreal HeadingHeight = 0;
    qreal CaptionTop = 0;
    qreal CaptionHeight = 0;
    qreal RowsTop = 0;
    qreal RowHeight = 0;
    qreal Padding = 0;
    int RowsPerPage = 1;
    int PageCount = 1;
    QList<qreal> ColumnLefts; // and the right edge of the last column
    QFont Font;
    QFont TitleFont;
    QFont HeadingFont;
};

TResultPrinter::TResultPrinter(
    const TResultTable &table, QString heading, QString date, TPrintLook look)
    : FTable(table)
    , FHeading(std::move(heading))
    , FDate(std::move(date))
    , FLook(std::move(look))
{ }

TResultPrinter::TPageLayout TResultPrinter::LayOut(const QPagedPaintDevice &device) const
{
    TPageLayout layout;
    // Fonts take the device's resolution, so that points are points on paper.
    const QPaintDevice *paintDevice = &device;
    layout.Font = QFont(FLook.Font, paintDevice);
    layout.TitleFont = QFont(FLook.TitleFont, paintDevice);
    layout.HeadingFont = layout.TitleFont;
    layout.HeadingFont.setBold(true);
    layout.HeadingFont.setPointSizeF(layout.TitleFont.pointSizeF() * HeadingScale);
    const QFontMetricsF text(layout.Font, paintDevice);
    const QFontMetricsF titles(layout.TitleFont, paintDevice);
    const QFontMetricsF heading(layout.HeadingFont, paintDevice);

    const QRect paintRect = device.pageLayout().paintRectPixels(device.logicalDpiX());
    layout.Page = QRectF(QPointF(0, 0), QSizeF(paintRect.size()));
    layout.HeadingHeight = heading.height();
    layout.CaptionTop = layout.HeadingHeight + text.height() * GapLines;
    layout.CaptionHeight = titles.height() * CaptionLines;
    layout.RowsTop = layout.CaptionTop + layout.CaptionHeight;
    layout.RowHeight = text.height() * RowLines;
    layout.Padding = text.averageCharWidth() * CellPaddingChars;
    const qreal footHeight = text.height() * FootLines;
    const qreal rowsRoom = layout.Page.height() - layout.RowsTop - footHeight;
    layout.RowsPerPage = std::max(1, int(std::floor(rowsRoom / layout.RowHeight)));
    const int rows = FTable.RowCount();
    layout.PageCount = std::max(1, (rows + layout.RowsPerPage - 1) / layout.RowsPerPage);

    QList<qreal> screenWidths;
    QList<qreal> captionWidths;
    for (int column = 0; column < FTable.ColumnCount(); ++column) {
        screenWidths << std::max(1, FTable.Width(column));
        captionWidths << titles.horizontalAdvance(FTable.Captions().at(column))
                + 2 * layout.Padding;
    }
    qreal left = 0;
    layout.ColumnLefts << left;
    for (const qreal width : ShareOfPage(layout.Page.width(), screenWidths, captionWidths)) {
        left += width;
        layout.ColumnLefts << left;
    }
    return layout;
}

void TResultPrinter::Print(QPagedPaintDevice &device) const
{
    const TPageLayout layout = LayOut(device);
    QPainter painter;
    if (!painter.begin(&device))
        throw Exception(TranslateText(QStringLiteral("Не удалось начать печать")));
    for (int page = 0; page < layout.PageCount; ++page) {
        if (page > 0)
            device.newPage();
        PrintPage(painter, layout, page);
    }
    painter.end();
}

void TResultPrinter::PrintPage(QPainter &painter, const TPageLayout &layout, int page) const
{
    const QRectF &paper = layout.Page;
    const qreal ruleWidth = std::max<qreal>(1, painter.device()->logicalDpiX() / 200.0);
    const QPen rule(RuleColor, ruleWidth);
    const QPen ink(Qt::black);

    painter.setPen(ink);
    painter.setFont(layout.HeadingFont);
    const QRectF headingRect(paper.left(), paper.top(), paper.width(), layout.HeadingHeight);
    painter.drawText(headingRect, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetricsF(layout.HeadingFont, painter.device())
            .elidedText(FHeading, Qt::ElideRight, paper.width() * 0.75));
    painter.setFont(layout.Font);
    painter.drawText(headingRect, Qt::AlignRight | Qt::AlignVCenter, FDate);

    const QFontMetricsF text(layout.Font, painter.device());
    const QFontMetricsF titles(layout.TitleFont, painter.device());
    auto cellRect = [&](int column, qreal top, qreal height) {
        return QRectF(layout.ColumnLefts[column] + layout.Padding, top,
            layout.ColumnLefts[column + 1] - layout.ColumnLefts[column] - 2 * layout.Padding,
            height);
    };
    const qreal right = layout.ColumnLefts.constLast();

    // Captions.
    const QRectF captionRow(0, layout.CaptionTop, right, layout.CaptionHeight);
    painter.fillRect(captionRow, FLook.TitleColor);
    painter.setFont(layout.TitleFont);
    for (int column = 0; column < FTable.ColumnCount(); ++column) {
        const QRectF rect = cellRect(column, layout.CaptionTop, layout.CaptionHeight);
        painter.drawText(rect, Qt::AlignCenter,
            titles.elidedText(FTable.Captions().at(column), Qt::ElideRight, rect.width()));
    }

    // Records, each on its stripe: the first record on the first stripe, as in the grid.
    const int first = page * layout.RowsPerPage;
    const int last = std::min(FTable.RowCount(), first + layout.RowsPerPage);
    painter.setFont(layout.Font);
    qreal top = layout.RowsTop;
    for (int row = first; row < last; ++row, top += layout.RowHeight) {
        if (FLook.Striped)
            painter.fillRect(QRectF(0, top, right, layout.RowHeight),
                row % 2 == 0 ? FLook.StripeOne : FLook.StripeTwo);
        for (int column = 0; column < FTable.ColumnCount(); ++column) {
            const QRectF rect = cellRect(column, top, layout.RowHeight);
            painter.drawText(rect, ToQtAlignment(FTable.Alignment(column)) | Qt::AlignVCenter,
                text.elidedText(FTable.Text(row, column), Qt::ElideRight, rect.width()));
        }
    }

    // Rules around the captions and the records, and between the columns.
    painter.setPen(rule);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(0, layout.CaptionTop, right, top - layout.CaptionTop));
    painter.drawLine(QLineF(0, layout.RowsTop, right, layout.RowsTop));
    for (int column = 1; column < FTable.ColumnCount(); ++column)
        painter.drawLine(
            QLineF(layout.ColumnLefts[column], layout.CaptionTop, layout.ColumnLefts[column], top));

    painter.setPen(ink);
    const QString pageText
        = TranslateText(QStringLiteral("Страница %1 из %2")).arg(page + 1).arg(layout.PageCount);
    painter.drawText(
        QRectF(paper.left(), paper.bottom() - text.height(), paper.width(), text.height()),
        Qt::AlignHCenter | Qt::AlignBottom, pageText);
}

void SaveResultPdf(const TResultPrinter &printer, const QString &fileName, const QPageLayout &page)
{
    WriteWholeFile(fileName, [&](QIODevice &file) {
        QPdfWriter writer(&file);
        writer.setPageLayout(page);
        writer.setTitle(printer.Heading());
        writer.setCreator(QCoreApplication::applicationName());
        printer.Print(writer);
    });
}

void ShowPrintPreview(QWidget *parent, const TResultPrinter &printer)
{
    QPrinter device(QPrinter::HighResolution);
    device.setDocName(printer.Heading());
    device.setPageMargins(PageMarginsMm, QPageLayout::Millimeter);
    QPrintPreviewDialog dialog(&device, parent);
    dialog.setWindowTitle(TranslateText(QStringLiteral("Предварительный просмотр")));
    // Its own default size leaves the page small and, at large scales, hides the toolbar's last
    // buttons: take most of the screen instead.
    if (const QScreen *screen = (parent ? parent : &dialog)->screen())
        dialog.resize(screen->availableGeometry().size() * PreviewScreenShare);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
        [&printer](QPrinter *target) { printer.Print(*target); });
    if (auto *tools = dialog.findChild<QToolBar *>()) {
        tools->addSeparator();
        QAction *pdf = tools->addAction(TranslateText(QStringLiteral("Сохранить в PDF...")));
        QObject::connect(pdf, &QAction::triggered, &dialog, [&] {
            const QString fileName = SaveFileName(&dialog,
                {TranslateText(QStringLiteral("Сохранить в PDF")), printer.Heading(),
                    TranslateText(QStringLiteral("Документ PDF (*.pdf)")), QStringLiteral("pdf")});
            if (!fileName.isEmpty())
                SaveResultPdf(printer, fileName, device.pageLayout());
        });
    }
    dialog.exec();
}
