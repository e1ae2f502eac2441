#include "core/TFont.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <optional>

namespace {
// Pixels per point at the toolkit's reference resolution of 96 dots per inch.
constexpr double PixelsPerPoint = 96.0 / 72.0;

const QString Tahoma = QStringLiteral("Tahoma");

// Debian's fonts-wine ships Wine's Tahoma, drawn to the original's metrics, in a folder that
// fontconfig does not search.
const char *const WineTahomaFiles[]
    = {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"};

bool HasFamily(const QString &family)
{
    return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}
} // namespace

bool RegisterClassicFonts()
{
    static std::optional<bool> tahoma;
    if (tahoma)
        return *tahoma;
    // Fonts can be added only once the GUI application exists; until then nothing is decided.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return false;
    if (!HasFamily(Tahoma)) {
        for (const char *file : WineTahomaFiles) {
            if (QFile::exists(QString::fromLatin1(file)))
                QFontDatabase::addApplicationFont(QString::fromLatin1(file));
        }
    }
    tahoma = HasFamily(Tahoma);
    return *tahoma;
}

QString SubstituteFontFamily(const QString &name)
{
    // The dialogs' Tahoma 8 pt: the text of each label and note was fitted to its widths.
    if (name.compare(Tahoma, Qt::CaseInsensitive) == 0)
        return RegisterClassicFonts() ? Tahoma : QStringLiteral("Liberation Sans");
    // "MS Sans Serif" and "Arial" are absent on most free desktops. Liberation Sans has Arial's
    // widths, which are also close to MS Sans Serif's, so the forms' texts fit their controls;
    // DejaVu Sans, the usual default, is a good deal wider.
    if (name.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0
        || name.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Sans");
    return name;
}

TFont::TFont()
    : TFont(QStringLiteral("MS Sans Serif"), 8)
{ }

TFont::TFont(const QString &name, int sizePoints, TFontStyles style, TColor color, int charset)
    : FColor(color)
    , FCharset(charset)
{
    FFont.setFamilies({name, SubstituteFontFamily(name), QStringLiteral("DejaVu Sans")});
    FFont.setPointSize(sizePoints > 0 ? sizePoints : 8);
    SetStyle(style);
}

TFont TFont::FromQFont(const QFont &font, TColor color)
{
    TFont f;
    f.FFont = font;
    f.FColor = color;
    return f;
}

int TFont::Size() const
{
    if (FFont.pointSize() > 0)
        return FFont.pointSize();
    return qRound(FFont.pixelSize() / PixelsPerPoint);
}

void TFont::SetSize(int points)
{
    if (points > 0)
        FFont.setPointSize(points);
}

int TFont::Height() const
{
    if (FFont.pixelSize() > 0)
        return -FFont.pixelSize();
    return -qRound(FFont.pointSizeF() * PixelsPerPoint);
}

void TFont::SetHeight(int height)
{
    if (height < 0)
        FFont.setPixelSize(-height);
    else if (height > 0)
        FFont.setPointSize(height);
}

TFontStyles TFont::Style() const
{
    TFontStyles s = 0;
    if (FFont.bold())
        s |= int(TFontStyle::fsBold);
    if (FFont.italic())
        s |= int(TFontStyle::fsItalic);
    if (FFont.underline())
        s |= int(TFontStyle::fsUnderline);
    if (FFont.strikeOut())
        s |= int(TFontStyle::fsStrikeOut);
    return s;
}

void TFont::SetStyle(TFontStyles style)
{
    FFont.setBold(HasStyle(style, TFontStyle::fsBold));
    FFont.setItalic(HasStyle(style, TFontStyle::fsItalic));
    FFont.setUnderline(HasStyle(style, TFontStyle::fsUnderline));
    FFont.setStrikeOut(HasStyle(style, TFontStyle::fsStrikeOut));
}

bool TFont::operator==(const TFont &other) const
{
    return FFont == other.FFont && FColor == other.FColor && FCharset == other.FCharset;
}
