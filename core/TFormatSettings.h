#pragma once

#include <QChar>
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTime>

// Process-wide formatting of dates, times and numbers, as the toolkit keeps it. The number
// separators start from the user's locale; the directory sets the date formats at start-up and
// restores them at exit; tests set the decimal separator.
struct TFormatSettings
{
    QString ShortDateFormat = QStringLiteral("dd.MM.yyyy"); // toolkit spelling, e.g. "dd.mm.yy"
    QString LongDateFormat = QStringLiteral("dd.MM.yyyy");
    QChar DateSeparator = QLatin1Char('.');
    QString LongTimeFormat = QStringLiteral("hh:nn:ss");
    QChar DecimalSeparator = QLatin1Char('.');
    QChar ThousandSeparator = QChar(0xA0);
};

TFormatSettings &FormatSettings();

// Formats with a toolkit date/time pattern: d dd ddd dddd m mm mmm mmmm yy yyyy h hh n nn s ss z
// zzz,
// "/" for the date separator, ":" for the time separator, quoted text kept as is.
QString FormatDateTime(const QString &pattern, const QDateTime &value);
QString DateToStr(const QDate &date); // short date format
QString TimeToStr(const QTime &time); // long time format
QString DateTimeToStr(const QDateTime &value); // short date, then the time unless it is midnight

// Reads a date typed in the short date format's field order (day, month, year), with any of
// ".", "/", "-" or the date separator between the parts; two-digit years are taken within
// 50 years of today. An invalid QDate when the text is no date.
QDate StrToDate(const QString &text);

// Floating-point text with up to 15 significant digits and the decimal separator.
QString FloatToStr(double value);
// Reads a number written with the decimal separator (either "." or the separator is accepted).
bool TryStrToFloat(const QString &text, double &value);
