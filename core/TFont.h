#pragma once

#include "core/TColor.h"

#include <QFont>
#include <QString>

// Font styles as a set of flags, in the toolkit's order.
enum class TFontStyle : int { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = int; // a combination of TFontStyle flags

inline bool HasStyle(TFontStyles styles, TFontStyle s)
{
    return (styles & int(s)) != 0;
}

namespace Charsets {
constexpr int ANSI_CHARSET = 0;
constexpr int DEFAULT_CHARSET = 1;
constexpr int RUSSIAN_CHARSET = 204;
} // namespace Charsets

// A font as the components keep it: the typeface and its size and style, plus the text colour
// and character set that the toolkit stores with a font and QFont has no place for.
class TFont
{
public:
    TFont();
    TFont(const QString &name, int sizePoints, TFontStyles style = 0,
        TColor color = Colors::clWindowText, int charset = Charsets::DEFAULT_CHARSET);
    static TFont FromQFont(const QFont &font, TColor color = Colors::clWindowText);

    QString Name() const { return FFont.family(); }
    void SetName(const QString &name) { FFont.setFamily(name); }
    int Size() const;
    void SetSize(int points);
    // Negative pixel height as the toolkit stores it; positive values are points.
    int Height() const;
    void SetHeight(int height);
    TFontStyles Style() const;
    void SetStyle(TFontStyles style);
    TColor Color() const { return FColor; }
    void SetColor(TColor color) { FColor = color; }
    int Charset() const { return FCharset; }
    void SetCharset(int charset) { FCharset = charset; }

    const QFont &ToQFont() const { return FFont; }
    void Assign(const TFont &other) { *this = other; }

    bool operator==(const TFont &other) const;
    bool operator!=(const TFont &other) const { return !(*this == other); }

private:
    QFont FFont;
    TColor FColor = Colors::clWindowText;
    int FCharset = Charsets::DEFAULT_CHARSET;
};

// The face names of the classic desktop mapped to what this machine has.
QString SubstituteFontFamily(const QString &name);
// Makes the classic faces that the system does not offer by itself available to the program
// (Wine's Tahoma); answers whether Tahoma is there. Needs the GUI application; SubstituteFontFamily
// calls it, and a program calls it at start so that plain QFonts find the faces too.
bool RegisterClassicFonts();
