#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QPageLayout;
class QPainter;
class QPagedPaintDevice;
class QWidget;
class TResultTable;
class TmmDBGrid;

// How a printed result looks: the grid's fonts, title colour and stripes.
struct TPrintLook
{
    QFont Font;
    QFont TitleFont;
    QColor TitleColor;
    bool Striped = true;
    QColor StripeOne;
    QColor StripeTwo;

    static TPrintLook Of(const TmmDBGrid &grid);
};

// Lays the result out on pages and paints them. Every page has the heading (what was looked up)
// with the date, the captions, as many records as fit, each on its stripe, and its number at
// the foot. The columns share the page width as they share the grid's.
class TResultPrinter
{
public:
    TResultPrinter(const TResultTable &table, QString heading, QString date, TPrintLook look);

    const QString &Heading() const { return FHeading; }
    // Paints every page on the device; raises Exception when it cannot be painted on (a
    // printer that refuses the job).
    void Print(QPagedPaintDevice &device) const;

private:
    struct TPageLayout;
    TPageLayout LayOut(const QPagedPaintDevice &device) const;
    void PrintPage(QPainter &painter, const TPageLayout &layout, int page) const;

    const TResultTable &FTable;
    QString FHeading;
    QString FDate;
    TPrintLook FLook;
};

// Saves the pages as a PDF file with the page layout given, whole or not at all; raises
// Exception when the file cannot be written.
void SaveResultPdf(const TResultPrinter &printer, const QString &fileName, const QPageLayout &page);

// The print preview of the result, modal: the user turns the pages, sets up the page, prints,
// or saves a PDF through the save-file question.
void ShowPrintPreview(QWidget *parent, const TResultPrinter &printer);
