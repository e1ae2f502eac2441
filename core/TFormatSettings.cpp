#include "core/TFormatSettings.h"

#include <cmath>

namespace {

// The separators of numbers follow the user's regional settings, as the toolkit's did.
TFormatSettings FromSystemLocale()
{
    TFormatSettings settings;
    const QLocale locale = QLocale::system();
    const QString point = locale.decimalPoint();
    if (point.size() == 1)
        settings.DecimalSeparator = point.front();
    const QString group = locale.groupSeparator();
    if (group.size() == 1 && group.front() != settings.DecimalSeparator)
        settings.ThousandSeparator = group.front();
    return settings;
}

} // namespace

TFormatSettings &FormatSettings()
{
    static TFormatSettings settings = FromSystemLocale();
    return settings;
}

namespace {

int RunLength(const QString &pattern, int i)
{
    const QChar c = pattern.at(i).toLower();
    int n = 1;
    while (i + n < pattern.size() && pattern.at(i + n).toLower() == c)
        ++n;
    return n;
}

QString Pad(int value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

} // namespace

QString FormatDateTime(const QString &pattern, const QDateTime &value)
{
    const QDate d = value.date();
    const QTime t = value.time();
    const QLocale ru(QLocale::Russian);
    QString out;
    bool lastWasHour = false;
    for (int i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i);
        const QChar lc = c.toLower();
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            const int end = pattern.indexOf(c, i + 1);
            const int stop = end < 0 ? int(pattern.size()) : end;
            out += pattern.mid(i + 1, stop - i - 1);
            i = stop + 1;
            continue;
        }
        const int n = RunLength(pattern, i);
        if (lc == QLatin1Char('d')) {
            if (n == 1)
                out += QString::number(d.day());
            else if (n == 2)
                out += Pad(d.day(), 2);
            else if (n == 3)
                out += ru.dayName(d.dayOfWeek(), QLocale::ShortFormat);
            else
                out += ru.dayName(d.dayOfWeek(), QLocale::LongFormat);
        } else if (lc == QLatin1Char('m')) {
            // "m" after an hour means minutes, as in the toolkit.
            if (lastWasHour && n <= 2)
                out += n == 1 ? QString::number(t.minute()) : Pad(t.minute(), 2);
            else if (n == 1)
                out += QString::number(d.month());
            else if (n == 2)
                out += Pad(d.month(), 2);
            else if (n == 3)
                out += ru.monthName(d.month(), QLocale::ShortFormat);
            else
                out += ru.standaloneMonthName(d.month(), QLocale::LongFormat);
        } else if (lc == QLatin1Char('y')) {
            out += n <= 2 ? Pad(d.year() % 100, 2) : Pad(d.year(), 4);
        } else if (lc == QLatin1Char('h')) {
            out += n == 1 ? QString::number(t.hour()) : Pad(t.hour(), 2);
        } else if (lc == QLatin1Char('n')) {
            out += n == 1 ? QString::number(t.minute()) : Pad(t.minute(), 2);
        } else if (lc == QLatin1Char('s')) {
            out += n == 1 ? QString::number(t.second()) : Pad(t.second(), 2);
        } else if (lc == QLatin1Char('z')) {
            out += n >= 3 ? Pad(t.msec(), 3) : QString::number(t.msec());
        } else if (c == QLatin1Char('/')) {
            out += FormatSettings().DateSeparator;
        } else {
            out += QString(n, c);
        }
        if (lc == QLatin1Char('h'))
            lastWasHour = true;
        else if (lc != QLatin1Char(':') && !lc.isSpace())
            lastWasHour = false;
        i += n;
    }
    return out;
}

QString DateToStr(const QDate &date)
{
    return FormatDateTime(FormatSettings().ShortDateFormat, QDateTime(date, QTime(0, 0)));
}

QString TimeToStr(const QTime &time)
{
    return FormatDateTime(FormatSettings().LongTimeFormat, QDateTime(QDate(2000, 1, 1), time));
}

QString DateTimeToStr(const QDateTime &value)
{
    QString text = DateToStr(value.date());
    if (value.time() != QTime(0, 0))
        text += QLatin1Char(' ') + TimeToStr(value.time());
    return text;
}

QDate StrToDate(const QString &text)
{
    QString s = text.trimmed();
    for (QChar sep : {QChar(u'/'), QChar(u'-'), FormatSettings().DateSeparator})
        s.replace(sep, QLatin1Char('.'));
    const QStringList parts = s.split(QLatin1Char('.'));
    if (parts.size() != 3)
        return {};
    bool okD = false, okM = false, okY = false;
    const int day = parts[0].toInt(&okD);
    const int month = parts[1].toInt(&okM);
    int year = parts[2].toInt(&okY);
    if (!okD || !okM || !okY || parts[2].isEmpty())
        return {};
    if (parts[2].size() <= 2) {
        const int thisYear = QDate::currentDate().year();
        const int century = thisYear - thisYear % 100;
        year += century;
        if (year > thisYear + 50)
            year -= 100;
        else if (year <= thisYear - 50)
            year += 100;
    }
    return QDate(year, month, day);
}

QString FloatToStr(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    QString text = QString::number(value, 'g', 15);
    if (text.contains(QLatin1Char('e'))) {
        // The toolkit writes exponents as "E+" or "E-" followed by at least two digits.
        text = text.toUpper();
    }
    text.replace(QLatin1Char('.'), FormatSettings().DecimalSeparator);
    return text;
}

bool TryStrToFloat(const QString &text, double &value)
{
    QString s = text.trimmed();
    if (s.isEmpty())
        return false;
    s.replace(FormatSettings().DecimalSeparator, QLatin1Char('.'));
    bool ok = false;
    const double v = QLocale::c().toDouble(s, &ok);
    if (ok)
        value = v;
    return ok;
}
