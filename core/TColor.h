#pragma once

#include <QColor>
#include <QString>
#include <cstdint>
#include <optional>

class QPalette;

// A colour as the toolkit stores it: 0x00BBGGRR for plain colours; with the high bit set the
// low byte selects a system colour, which is resolved through the palette when painting.
using TColor = int32_t;

namespace Colors {
constexpr TColor SystemColorBit = TColor(0x80000000u);
constexpr TColor System(int index)
{
    return TColor(0x80000000u | uint32_t(index));
}

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

constexpr TColor clScrollBar = System(0);
constexpr TColor clBackground = System(1);
constexpr TColor clActiveCaption = System(2);
constexpr TColor clInactiveCaption = System(3);
constexpr TColor clMenu = System(4);
constexpr TColor clWindow = System(5);
constexpr TColor clWindowFrame = System(6);
constexpr TColor clMenuText = System(7);
constexpr TColor clWindowText = System(8);
constexpr TColor clCaptionText = System(9);
constexpr TColor clActiveBorder = System(10);
constexpr TColor clInactiveBorder = System(11);
constexpr TColor clAppWorkSpace = System(12);
constexpr TColor clHighlight = System(13);
constexpr TColor clHighlightText = System(14);
constexpr TColor clBtnFace = System(15);
constexpr TColor clBtnShadow = System(16);
constexpr TColor clGrayText = System(17);
constexpr TColor clBtnText = System(18);
constexpr TColor clInactiveCaptionText = System(19);
constexpr TColor clBtnHighlight = System(20);
constexpr TColor cl3DDkShadow = System(21);
constexpr TColor cl3DLight = System(22);
constexpr TColor clInfoText = System(23);
constexpr TColor clInfoBk = System(24);

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;
} // namespace Colors

// Builds a plain colour from its components.
constexpr TColor RGBColor(int r, int g, int b)
{
    return TColor((uint32_t(b & 0xFF) << 16) | (uint32_t(g & 0xFF) << 8) | uint32_t(r & 0xFF));
}

inline bool IsSystemColor(TColor c)
{
    return (uint32_t(c) & 0x80000000u) != 0;
}

// The plain 0x00BBGGRR value of a colour, system colours resolved through the palette.
TColor ColorToRGB(TColor color);
TColor ColorToRGB(TColor color, const QPalette &palette);

// The colour to paint with. clNone gives a transparent colour.
QColor ToQColor(TColor color);
QColor ToQColor(TColor color, const QPalette &palette);

// The plain colour of a QColor (alpha ignored).
TColor FromQColor(const QColor &color);

// The toolkit's 42 colour identifiers ("clBlack" ... "clInfoBk", "clNone").
int ColorIdentCount();
QString ColorIdentName(int index);
TColor ColorIdentValue(int index);
std::optional<QString> ColorToIdent(TColor color);
std::optional<TColor> IdentToColor(const QString &name); // ignores letter case

// "clRed" for an identified colour, otherwise "$" and eight hexadecimal digits.
QString ColorToString(TColor color);
// An identifier, a decimal integer or "$" and hexadecimal digits; nullopt when none of these.
std::optional<TColor> StringToColor(const QString &text);
