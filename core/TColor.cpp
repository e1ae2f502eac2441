#include "core/TColor.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

struct ColorIdent
{
    const char *name;
    TColor value;
};

using namespace Colors;

// Order matters: it is the toolkit's own, and the first name of a value wins.
constexpr ColorIdent ColorIdents[] = {
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clScrollBar", clScrollBar},
    {"clBackground", clBackground},
    {"clActiveCaption", clActiveCaption},
    {"clInactiveCaption", clInactiveCaption},
    {"clMenu", clMenu},
    {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame},
    {"clMenuText", clMenuText},
    {"clWindowText", clWindowText},
    {"clCaptionText", clCaptionText},
    {"clActiveBorder", clActiveBorder},
    {"clInactiveBorder", clInactiveBorder},
    {"clAppWorkSpace", clAppWorkSpace},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clBtnText", clBtnText},
    {"clInactiveCaptionText", clInactiveCaptionText},
    {"clBtnHighlight", clBtnHighlight},
    {"cl3DDkShadow", cl3DDkShadow},
    {"cl3DLight", cl3DLight},
    {"clInfoText", clInfoText},
    {"clInfoBk", clInfoBk},
    {"clNone", clNone},
};
static_assert(std::size(ColorIdents) == 42);

// Classic desktop values for the system colours that a palette has no role for.
constexpr TColor ClassicSystemColors[] = {
    RGBColor(200, 200, 200), // scroll bar
    RGBColor(0, 0, 0), // desktop
    RGBColor(10, 36, 106), // active caption
    RGBColor(128, 128, 128), // inactive caption
    RGBColor(212, 208, 200), // menu
    RGBColor(255, 255, 255), // window
    RGBColor(0, 0, 0), // window frame
    RGBColor(0, 0, 0), // menu text
    RGBColor(0, 0, 0), // window text
    RGBColor(255, 255, 255), // caption text
    RGBColor(212, 208, 200), // active border
    RGBColor(212, 208, 200), // inactive border
    RGBColor(128, 128, 128), // application workspace
    RGBColor(10, 36, 106), // highlight
    RGBColor(255, 255, 255), // highlight text
    RGBColor(212, 208, 200), // button face
    RGBColor(128, 128, 128), // button shadow
    RGBColor(128, 128, 128), // grey text
    RGBColor(0, 0, 0), // button text
    RGBColor(212, 208, 200), // inactive caption text
    RGBColor(255, 255, 255), // button highlight
    RGBColor(64, 64, 64), // 3-D dark shadow
    RGBColor(212, 208, 200), // 3-D light
    RGBColor(0, 0, 0), // info text
    RGBColor(255, 255, 225), // info background
};

std::optional<QPalette::ColorRole> PaletteRoleOf(int index)
{
    switch (index) {
    case 4:
    case 15:
    case 10:
    case 11:
        return QPalette::Button;
    case 5:
        return QPalette::Base;
    case 6:
    case 21:
        return QPalette::Shadow;
    case 7:
        return QPalette::ButtonText;
    case 8:
        return QPalette::Text;
    case 13:
        return QPalette::Highlight;
    case 14:
        return QPalette::HighlightedText;
    case 16:
        return QPalette::Dark;
    case 18:
        return QPalette::ButtonText;
    case 20:
        return QPalette::Light;
    case 22:
        return QPalette::Midlight;
    case 23:
        return QPalette::ToolTipText;
    case 24:
        return QPalette::ToolTipBase;
    default:
        return std::nullopt;
    }
}

QPalette CurrentPalette()
{
    return qGuiApp ? QGuiApplication::palette() : QPalette();
}

} // namespace

TColor FromQColor(const QColor &color)
{
    return RGBColor(color.red(), color.green(), color.blue());
}

TColor ColorToRGB(TColor color, const QPalette &palette)
{
    if (!IsSystemColor(color))
        return TColor(uint32_t(color) & 0x00FFFFFFu);
    const int index = int(uint32_t(color) & 0xFFu);
    if (index >= int(std::size(ClassicSystemColors)))
        return clBlack;
    constexpr int GrayTextIndex = 17;
    // Grey text is the palette's disabled text, which some styles leave black as placeholder.
    if (index == GrayTextIndex)
        return FromQColor(palette.color(QPalette::Disabled, QPalette::WindowText));
    if (auto role = PaletteRoleOf(index))
        return FromQColor(palette.color(QPalette::Active, *role));
    return ClassicSystemColors[index];
}

TColor ColorToRGB(TColor color)
{
    return ColorToRGB(color, CurrentPalette());
}

QColor ToQColor(TColor color, const QPalette &palette)
{
    if (color == clNone)
        return QColor(Qt::transparent);
    const TColor rgb = ColorToRGB(color, palette);
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

QColor ToQColor(TColor color)
{
    return ToQColor(color, CurrentPalette());
}

int ColorIdentCount()
{
    return int(std::size(ColorIdents));
}

QString ColorIdentName(int index)
{
    return QString::fromLatin1(ColorIdents[index].name);
}

TColor ColorIdentValue(int index)
{
    return ColorIdents[index].value;
}

std::optional<QString> ColorToIdent(TColor color)
{
    for (const auto &ident : ColorIdents)
        if (ident.value == color)
            return QString::fromLatin1(ident.name);
    return std::nullopt;
}

std::optional<TColor> IdentToColor(const QString &name)
{
    for (const auto &ident : ColorIdents)
        if (name.compare(QLatin1String(ident.name), Qt::CaseInsensitive) == 0)
            return ident.value;
    return std::nullopt;
}

QString ColorToString(TColor color)
{
    if (auto name = ColorToIdent(color))
        return *name;
    return QLatin1Char('$')
        + QStringLiteral("%1").arg(uint32_t(color), 8, 16, QLatin1Char('0')).toUpper();
}

std::optional<TColor> StringToColor(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (auto value = IdentToColor(trimmed))
        return value;
    bool ok = false;
    if (trimmed.startsWith(QLatin1Char('$'))) {
        const qulonglong v = trimmed.mid(1).toULongLong(&ok, 16);
        if (ok && v <= 0xFFFFFFFFull)
            return TColor(uint32_t(v));
        return std::nullopt;
    }
    const qlonglong v = trimmed.toLongLong(&ok, 10);
    if (ok && v >= INT32_MIN && v <= 0xFFFFFFFFll)
        return TColor(uint32_t(v));
    return std::nullopt;
}
