#include "widgets/gallery/WidgetGallery.h"

#include "core/TFont.h"
#include "widgets/ColCB.h"
#include "widgets/FlatLook.h"
#include "widgets/mBitButton.h"
#include "widgets/mmCheckBoxEx.h"
#include "widgets/mmComboBox.h"
#include "widgets/mmRadioButtonEx.h"
#include "widgets/xYellabl.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

using namespace Colors;

namespace {

constexpr int HostPadding = 6;
constexpr int TitleWidth = 150;
constexpr int CellGap = 14;
constexpr int LineGap = 8;
// Samples wrap onto further lines past this width, so that the gallery fits a 1,280 x 1,024
// screen with the window's frame around it.
constexpr int SheetWidth = 1200;

// The dialogs' face: Tahoma 8 points, 11 pixels high.
QFont DialogFont()
{
    TFont font(QStringLiteral("Tahoma"), 8, 0, clBlack, Charsets::RUSSIAN_CHARSET);
    font.SetHeight(-11);
    return font.ToQFont();
}

void Enter(QWidget *w, QPoint pos)
{
    QEnterEvent enter(pos, w->mapTo(w->window(), pos), w->mapToGlobal(pos));
    QApplication::sendEvent(w, &enter);
}

void Mouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, w->mapToGlobal(pos), Qt::LeftButton, buttons, {});
    QApplication::sendEvent(w, &event);
}

void Hover(QWidget *w, QPoint pos)
{
    Enter(w, pos);
    Mouse(w, QEvent::MouseMove, pos, Qt::NoButton);
}

void Press(QWidget *w, QPoint pos)
{
    Hover(w, pos);
    Mouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton);
}

void PressAndLeave(QWidget *w, QPoint pos)
{
    Press(w, pos);
    Mouse(w, QEvent::MouseMove, QPoint(w->width() + 20, pos.y()), Qt::LeftButton);
}

void Focus(QWidget *w)
{
    QApplication::setActiveWindow(w->window());
    w->setFocus(Qt::TabFocusReason);
}

// A magnifying glass, idle (dark), lit (white) and disabled (grey), on magenta that stands for
// the button's face.
QImage GlyphStrip()
{
    constexpr int side = 16;
    QImage strip(side * 3, side, QImage::Format_RGB32);
    strip.fill(QColor(255, 0, 255));
    const QColor inks[] = {QColor(0, 0, 0), QColor(255, 255, 255), QColor(112, 112, 112)};
    QPainter p(&strip);
    for (int i = 0; i < 3; ++i) {
        const int x0 = i * side;
        const QColor ink = inks[i];
        // The ring of the lens, drawn pixel by pixel so that it stays sharp.
        const char *rows[] = {
            "...####.........",
            "..#....#........",
            ".#......#.......",
            ".#......#.......",
            ".#......#.......",
            ".#......#.......",
            "..#....#........",
            "...####.#.......",
            ".........##.....",
            "..........##....",
            "...........##...",
            "............##..",
            ".............#..",
            "................",
            "................",
            "................",
        };
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                if (rows[y][x] == '#')
                    p.fillRect(QRect(x0 + x + 1, y + 1, 1, 1), ink);
    }
    return strip;
}

template <typename T> T *Make(QWidget *host)
{
    auto *w = new T(host);
    w->setFont(DialogFont());
    return w;
}

TmBitButton *Button(QWidget *host, const QString &caption = QStringLiteral("Готово"))
{
    auto *b = new TmBitButton(host);
    TFont font(QStringLiteral("Tahoma"), 8, 0, clBlack, Charsets::RUSSIAN_CHARSET);
    font.SetHeight(-11);
    b->SetFont(font);
    b->SetCaption(caption);
    return b;
}

TmBitButton *GlyphButton(QWidget *host)
{
    auto *b = Button(host, QStringLiteral("&Поиск"));
    b->resize(96, 24);
    b->SetGlyph(GlyphStrip());
    return b;
}

TmmCheckBoxEx *CheckBox(QWidget *host, bool checked = false, bool flat = true)
{
    auto *c = Make<TmmCheckBoxEx>(host);
    c->setText(QStringLiteral("Использовать цвет"));
    c->resize(150, 17);
    c->setChecked(checked);
    SetFlatLook(host, flat);
    return c;
}

TmmRadioButtonEx *Radio(QWidget *host, bool checked = false, bool flat = true)
{
    auto *r = Make<TmmRadioButtonEx>(host);
    r->setText(QStringLiteral("С начала"));
    r->resize(110, 17);
    r->setChecked(checked);
    SetFlatLook(host, flat);
    return r;
}

TmmRadioGroup *Group(QWidget *host, bool flat = true)
{
    auto *g = Make<TmmRadioGroup>(host);
    g->SetCaption(QStringLiteral(" Напр&авление "));
    g->resize(109, 70);
    g->SetItems({QStringLiteral("Вперед"), QStringLiteral("Назад"), QStringLiteral("С начала")});
    g->SetItemIndex(2);
    SetFlatLook(host, flat);
    return g;
}

TmmComboBox *Combo(QWidget *host, bool editable = false, bool flat = true)
{
    auto *c = Make<TmmComboBox>(host);
    c->setEditable(editable);
    c->addItems({QStringLiteral("Фамилия"), QStringLiteral("Телефон"), QStringLiteral("Адрес")});
    c->resize(140, 21);
    SetFlatLook(host, flat);
    return c;
}

TColorCombo *ColorPicker(QWidget *host, TColor color, bool flat = true)
{
    auto *c = new TColorCombo(host);
    c->resize(42, 19);
    c->SetColorButtonColor(9741733);
    c->SetColor(color);
    SetFlatLook(host, flat);
    return c;
}

TxYellowLabel *Note(QWidget *host)
{
    auto *n = new TxYellowLabel(host);
    TFont font(QStringLiteral("Tahoma"), 8, 0, clBlack, Charsets::RUSSIAN_CHARSET);
    font.SetHeight(-11);
    n->SetFont(font);
    n->SetLines({QStringLiteral("Условие применяется"), QStringLiteral("к выбранной колонке.")});
    n->resize(170, 48);
    return n;
}

void FinishOpening(QWidget *w)
{
    auto *note = static_cast<TxYellowLabel *>(w);
    note->grab();
    while (note->Animating())
        note->AnimationStep();
}

const std::function<void(QWidget *)> Nothing = [](QWidget *) {};

// The pointer over the middle of a disabled control, which must show no hot state.
void DisableAndHover(QWidget *w)
{
    w->setEnabled(false);
    Hover(w, {w->width() - 9, w->height() / 2});
}

// A combo whose list is dropped down. The list is a window of its own: its picture is laid over
// the sample where it opened, and the list closed again.
QWidget *ComboWithRoomForList(QWidget *host)
{
    auto *sample = new QWidget(host);
    sample->resize(140, 60);
    Combo(sample);
    new QLabel(sample);
    return sample;
}

void DropList(QWidget *sample)
{
    auto *combo = sample->findChild<TmmComboBox *>();
    auto *list = sample->findChild<QLabel *>();
    combo->showPopup();
    QApplication::processEvents();
    QWidget *popup = combo->view()->window();
    list->setPixmap(popup->grab());
    list->setGeometry(QRect(sample->mapFromGlobal(popup->geometry().topLeft()), popup->size()));
    list->show();
    combo->hidePopup();
}

// A host of the form's face around one sample.
QWidget *NewHost(QWidget *parent)
{
    auto *host = new QWidget(parent);
    host->setAutoFillBackground(true);
    host->setFont(DialogFont());
    return host;
}

void FitHost(QWidget *host, QWidget *sample)
{
    sample->move(HostPadding, HostPadding);
    host->setFixedSize(sample->width() + 2 * HostPadding, sample->height() + 2 * HostPadding);
}

} // namespace

QList<TGalleryRow> GalleryRows()
{
    using S = TGallerySample;
    auto button = [](QWidget *h) -> QWidget * { return Button(h); };
    auto glyph = [](QWidget *h) -> QWidget * { return GlyphButton(h); };
    const QPoint in(10, 8);
    return {
        {QStringLiteral("TmBitButton"),
            {
                S {QStringLiteral("normal"), button, Nothing},
                S {QStringLiteral("hot"), button, [in](QWidget *w) { Hover(w, in); }},
                S {QStringLiteral("pressed"), button,
                    [in](QWidget *w) {
                        Focus(w);
                        Press(w, in);
                    }},
                S {QStringLiteral("pressed, off"), button,
                    [in](QWidget *w) {
                        Focus(w);
                        PressAndLeave(w, in);
                    }},
                S {QStringLiteral("space held"), button,
                    [](QWidget *w) {
                        Focus(w);
                        QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, {}, QStringLiteral(" "));
                        QApplication::sendEvent(w, &space);
                    }},
                S {QStringLiteral("focused"), button, Focus},
                S {QStringLiteral("default"), button,
                    [](QWidget *w) { static_cast<TmBitButton *>(w)->SetDefault(true); }},
                S {QStringLiteral("disabled"), button, [](QWidget *w) { w->setEnabled(false); }},
            }},
        {QStringLiteral("TmBitButton, glyph"),
            {
                S {QStringLiteral("normal"), glyph, Nothing},
                S {QStringLiteral("hot"), glyph, [in](QWidget *w) { Hover(w, in); }},
                S {QStringLiteral("pressed"), glyph,
                    [in](QWidget *w) {
                        Focus(w);
                        Press(w, in);
                    }},
                S {QStringLiteral("disabled"), glyph, [](QWidget *w) { w->setEnabled(false); }},
                S {QStringLiteral("glyph right"), glyph,
                    [](QWidget *w) {
                        static_cast<TmBitButton *>(w)->SetGlyphLayout(TGlyphLayout::blGlyphRight);
                    }},
                S {QStringLiteral("glyph on top"),
                    [](QWidget *h) -> QWidget * {
                        auto *b = GlyphButton(h);
                        b->resize(76, 44);
                        b->SetGlyphLayout(TGlyphLayout::blGlyphTop);
                        return b;
                    },
                    Nothing},
            }},
        {QStringLiteral("TmmCheckBoxEx"),
            {
                S {QStringLiteral("unchecked"), [](QWidget *h) -> QWidget * { return CheckBox(h); },
                    Nothing},
                S {QStringLiteral("checked"),
                    [](QWidget *h) -> QWidget * { return CheckBox(h, true); }, Nothing},
                S {QStringLiteral("hot"), [](QWidget *h) -> QWidget * { return CheckBox(h); },
                    [](QWidget *w) {
                        Hover(w, {5, 8});
                    }},
                S {QStringLiteral("pressed"), [](QWidget *h) -> QWidget * { return CheckBox(h); },
                    [](QWidget *w) {
                        Press(w, {5, 8});
                    }},
                S {QStringLiteral("pressed, off"),
                    [](QWidget *h) -> QWidget * { return CheckBox(h); },
                    [](QWidget *w) {
                        PressAndLeave(w, {5, 8});
                    }},
                S {QStringLiteral("focused"),
                    [](QWidget *h) -> QWidget * { return CheckBox(h, true); }, Focus},
                S {QStringLiteral("box right"),
                    [](QWidget *h) -> QWidget * {
                        auto *c = CheckBox(h, true);
                        c->SetAlignment(TAlignment::taLeftJustify);
                        return c;
                    },
                    Nothing},
                S {QStringLiteral("disabled, pointer on"),
                    [](QWidget *h) -> QWidget * { return CheckBox(h, true); }, DisableAndHover},
                S {QStringLiteral("3-D"),
                    [](QWidget *h) -> QWidget * { return CheckBox(h, true, false); }, Nothing},
            }},
        {QStringLiteral("TmmRadioButtonEx"),
            {
                S {QStringLiteral("unchecked"), [](QWidget *h) -> QWidget * { return Radio(h); },
                    Nothing},
                S {QStringLiteral("checked"),
                    [](QWidget *h) -> QWidget * { return Radio(h, true); }, Nothing},
                S {QStringLiteral("hot"), [](QWidget *h) -> QWidget * { return Radio(h); },
                    [](QWidget *w) {
                        Hover(w, {5, 8});
                    }},
                S {QStringLiteral("pressed"), [](QWidget *h) -> QWidget * { return Radio(h); },
                    [](QWidget *w) {
                        Press(w, {5, 8});
                    }},
                S {QStringLiteral("focused"),
                    [](QWidget *h) -> QWidget * { return Radio(h, true); }, Focus},
                S {QStringLiteral("disabled, pointer on"),
                    [](QWidget *h) -> QWidget * { return Radio(h, true); }, DisableAndHover},
                S {QStringLiteral("3-D"),
                    [](QWidget *h) -> QWidget * { return Radio(h, true, false); }, Nothing},
            }},
        {QStringLiteral("TmmRadioGroup"),
            {
                S {QStringLiteral("flat"), [](QWidget *h) -> QWidget * { return Group(h); },
                    Nothing},
                S {QStringLiteral("two columns"),
                    [](QWidget *h) -> QWidget * {
                        auto *g = Group(h);
                        g->resize(190, 70);
                        g->SetItems({QStringLiteral("Вперед"), QStringLiteral("Назад"),
                            QStringLiteral("С начала"), QStringLiteral("С конца"),
                            QStringLiteral("Все")});
                        g->SetColumns(2);
                        return g;
                    },
                    Nothing},
                S {QStringLiteral("disabled"), [](QWidget *h) -> QWidget * { return Group(h); },
                    [](QWidget *w) { w->setEnabled(false); }},
                S {QStringLiteral("3-D"), [](QWidget *h) -> QWidget * { return Group(h, false); },
                    Nothing},
            }},
        {QStringLiteral("TmmComboBox"),
            {
                S {QStringLiteral("normal"), [](QWidget *h) -> QWidget * { return Combo(h); },
                    Nothing},
                S {QStringLiteral("button hot"), [](QWidget *h) -> QWidget * { return Combo(h); },
                    [](QWidget *w) {
                        Hover(w, {w->width() - 9, 10});
                    }},
                S {QStringLiteral("focused"), [](QWidget *h) -> QWidget * { return Combo(h); },
                    Focus},
                S {QStringLiteral("editable"),
                    [](QWidget *h) -> QWidget * { return Combo(h, true); }, Nothing},
                S {QStringLiteral("disabled, pointer on"),
                    [](QWidget *h) -> QWidget * { return Combo(h); }, DisableAndHover},
                S {QStringLiteral("list open"), ComboWithRoomForList, DropList},
                S {QStringLiteral("3-D"),
                    [](QWidget *h) -> QWidget * { return Combo(h, false, false); }, Nothing},
            }},
        {QStringLiteral("TColorCombo"),
            {
                S {QStringLiteral("flat"),
                    [](QWidget *h) -> QWidget * { return ColorPicker(h, clRed); }, Nothing},
                S {QStringLiteral("navy"),
                    [](QWidget *h) -> QWidget * { return ColorPicker(h, clNavy); }, Nothing},
                S {QStringLiteral("focused"),
                    [](QWidget *h) -> QWidget * { return ColorPicker(h, clYellow); }, Focus},
                S {QStringLiteral("disabled"),
                    [](QWidget *h) -> QWidget * { return ColorPicker(h, clGreen); },
                    [](QWidget *w) { w->setEnabled(false); }},
                S {QStringLiteral("3-D"),
                    [](QWidget *h) -> QWidget * { return ColorPicker(h, clRed, false); }, Nothing},
                S {QStringLiteral("palette"),
                    [](QWidget *h) -> QWidget * {
                        // The drop-down palette, shown as a sample of its own.
                        auto *combo = ColorPicker(h, clTeal);
                        combo->hide();
                        TColorWindow *palette = combo->ColorWindow();
                        palette->UpdateSize();
                        auto *picture = new QLabel(h);
                        picture->setPixmap(palette->grab());
                        picture->resize(palette->size());
                        return picture;
                    },
                    Nothing},
                S {QStringLiteral("3-D, custom colour, pointer on yellow"),
                    [](QWidget *h) -> QWidget * {
                        auto *combo = ColorPicker(h, RGBColor(40, 160, 200), false);
                        combo->hide();
                        TColorWindow *palette = combo->ColorWindow();
                        palette->UpdateSize();
                        Mouse(palette, QEvent::MouseMove, palette->CellRect(6).center(),
                            Qt::NoButton);
                        auto *picture = new QLabel(h);
                        picture->setPixmap(palette->grab());
                        picture->resize(palette->size());
                        return picture;
                    },
                    Nothing},
            }},
        {QStringLiteral("TxYellowLabel"),
            {
                S {QStringLiteral("opened"), [](QWidget *h) -> QWidget * { return Note(h); },
                    FinishOpening},
            }},
    };
}

TGallerySheet RenderGallery(qreal scale)
{
    struct Rendered
    {
        QString name;
        QPixmap pixmap;
        QSize size;
    };
    const QFont labelFont = DialogFont();
    const QFontMetrics metrics(labelFont);
    const int labelHeight = metrics.height() + 3;

    QList<QList<Rendered>> rows;
    const QList<TGalleryRow> definitions = GalleryRows();
    for (const TGalleryRow &row : definitions) {
        QList<Rendered> rendered;
        for (const TGallerySample &sample : row.samples) {
            // Each sample in a window of its own, so each may have the focus.
            QWidget host;
            host.setAttribute(Qt::WA_DontShowOnScreen);
            host.setAutoFillBackground(true);
            host.setFont(DialogFont());
            QWidget *widget = sample.create(&host);
            FitHost(&host, widget);
            host.show();
            QApplication::processEvents();
            sample.apply(widget);
            QApplication::processEvents();
            QPixmap pixmap(host.size() * scale);
            pixmap.setDevicePixelRatio(scale);
            host.render(&pixmap);
            rendered.append(
                {row.title + QStringLiteral(" / ") + sample.state, pixmap, host.size()});
            // Let go of the pointer and keys the look was made with.
            if (QWidget::mouseGrabber())
                QWidget::mouseGrabber()->releaseMouse();
        }
        rows.append(rendered);
    }

    // Lay the cells out: row titles on the left, each sample under its state, a row's samples
    // wrapping onto further lines where they would pass the sheet's width.
    struct Placed
    {
        const Rendered *rendered;
        QString state;
        QPoint at; // top left of the state's caption
    };
    QList<Placed> placed;
    QList<QPoint> titles;
    int width = 0, y = CellGap;
    for (const auto &row : rows) {
        titles.append(QPoint(CellGap, y));
        int x = TitleWidth, lineHeight = 0;
        for (const Rendered &r : row) {
            const QString state = r.name.section(u'/', 1).trimmed();
            const int cellWidth = std::max(r.size.width(), metrics.horizontalAdvance(state));
            if (x > TitleWidth && x + cellWidth > SheetWidth) {
                y += lineHeight + LineGap;
                x = TitleWidth;
                lineHeight = 0;
            }
            placed.append({&r, state, QPoint(x, y)});
            x += cellWidth + CellGap;
            width = std::max(width, x);
            lineHeight = std::max(lineHeight, labelHeight + r.size.height());
        }
        y += lineHeight + LineGap;
    }
    y += CellGap - LineGap;

    TGallerySheet sheet;
    sheet.image = QImage(QSize(width, y) * scale, QImage::Format_RGB32);
    sheet.image.setDevicePixelRatio(scale);
    sheet.image.fill(QApplication::palette().color(QPalette::Window));
    QPainter p(&sheet.image);
    p.setFont(labelFont);
    p.setPen(QColor(0, 0, 0));
    for (int i = 0; i < rows.size(); ++i)
        p.drawText(
            titles.at(i) + QPoint(0, labelHeight + metrics.ascent()), definitions.at(i).title);
    for (const Placed &cell : std::as_const(placed)) {
        p.setPen(QColor(96, 96, 96));
        p.drawText(cell.at + QPoint(HostPadding, metrics.ascent()), cell.state);
        const QPoint sampleAt = cell.at + QPoint(0, labelHeight);
        p.drawPixmap(sampleAt, cell.rendered->pixmap);
        sheet.cells.append({cell.rendered->name, QRect(sampleAt, cell.rendered->size)});
    }
    return sheet;
}

namespace {

// One of each widget in the flat look, to try by hand.
QWidget *LiveRow(QWidget *parent)
{
    auto *row = NewHost(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(CellGap);
    auto add = [layout](QWidget *widget, QSize size) {
        widget->setFixedSize(size);
        layout->addWidget(widget, 0, Qt::AlignTop);
    };
    auto *ok = Button(row);
    ok->SetDefault(true);
    add(ok, {76, 21});
    add(Button(row, QStringLiteral("&Отмена")), {76, 21});
    add(GlyphButton(row), {96, 24});
    add(CheckBox(row), {150, 17});
    add(Radio(row), {110, 17});
    add(Group(row), {109, 70});
    auto *editable = Combo(row, true);
    editable->SetParentColor(true);
    add(editable, {140, 21});
    add(ColorPicker(row, clTeal), {42, 19});
    add(Note(row), {170, 48});
    layout->addStretch();
    SetFlatLook(row, true);
    return row;
}

} // namespace

TWidgetGallery::TWidgetGallery(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Widget gallery"));
    setFont(DialogFont());
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *live = new QHBoxLayout;
    live->setContentsMargins(CellGap, CellGap, 0, 0);
    auto *title = new QLabel(QStringLiteral("Live"), this);
    title->setFixedWidth(TitleWidth - CellGap);
    live->addWidget(title, 0, Qt::AlignTop);
    live->addWidget(LiveRow(this), 1);
    column->addLayout(live);

    // The looks as stills: each drawn in a window of its own, so that a pressed or focused
    // sample keeps its state while another has the focus.
    FStills = RenderGallery(devicePixelRatioF());
    FStillsLabel = new QLabel(this);
    FStillsLabel->setPixmap(QPixmap::fromImage(FStills.image));
    column->addWidget(FStillsLabel, 0, Qt::AlignLeft | Qt::AlignTop);
    column->addStretch();
}

QRect TWidgetGallery::StillCell(const QString &name) const
{
    for (const auto &[cellName, rect] : FStills.cells) {
        if (cellName == name)
            return rect.translated(FStillsLabel->mapTo(this, QPoint(0, 0)));
    }
    return {};
}
