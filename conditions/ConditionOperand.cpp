#include "conditions/ConditionOperand.h"

#include "calc/xCalc.h"
#include "core/TFormatSettings.h"

#include <QStringList>
#include <QTime>

namespace {

const QDate DayZero(1899, 12, 30);
constexpr double MSecsPerDay = 86400000.0;

void ReplaceFirst(QString &text, QLatin1String macro, int value)
{
    const qsizetype at = text.indexOf(macro, 0, Qt::CaseSensitive);
    if (at >= 0)
        text.replace(at, macro.size(), QString::number(value));
}

bool TryStrToTime(const QString &text, double &fraction)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3)
        return false;
    int numbers[3] = {0, 0, 0};
    int msec = 0;
    for (int i = 0; i < parts.size(); ++i) {
        QString part = parts[i];
        if (i == 2) {
            const qsizetype dot = part.indexOf(QLatin1Char('.'));
            if (dot >= 0) {
                bool ok = false;
                msec = part.mid(dot + 1).toInt(&ok);
                if (!ok || msec < 0 || msec > 999)
                    return false;
                part.truncate(dot);
            }
        }
        bool ok = false;
        numbers[i] = part.toInt(&ok);
        if (!ok || part.isEmpty() || numbers[i] < 0)
            return false;
    }
    const QTime time(numbers[0], numbers[1], numbers[2], msec);
    if (!time.isValid())
        return false;
    fraction = time.msecsSinceStartOfDay() / MSecsPerDay;
    return true;
}

} // namespace

QString ExpandDateMacros(const QString &text, const QDate &today)
{
    QString out = text;
    ReplaceFirst(out, QLatin1String("dd"), today.day());
    ReplaceFirst(out, QLatin1String("mm"), today.month());
    ReplaceFirst(out, QLatin1String("yyyy"), today.year());
    ReplaceFirst(out, QLatin1String("yy"), today.year());
    return out;
}

bool IsStringFieldType(TFieldType type)
{
    return type == TFieldType::ftString || type == TFieldType::ftFixedChar
        || type == TFieldType::ftWideString;
}

bool TryStrToDateTime(const QString &text, double &value)
{
    const QString s = text.trimmed();
    if (s.isEmpty())
        return false;
    const qsizetype blank = s.indexOf(QLatin1Char(' '));
    const QString datePart = blank < 0 ? s : s.left(blank);
    const QString timePart = blank < 0 ? QString() : s.mid(blank + 1).trimmed();
    if (blank < 0 && datePart.contains(QLatin1Char(':')))
        return TryStrToTime(datePart, value);
    const QDate date = StrToDate(datePart);
    if (!date.isValid())
        return false;
    double fraction = 0;
    if (!timePart.isEmpty() && !TryStrToTime(timePart, fraction))
        return false;
    value = double(DayZero.daysTo(date)) + fraction;
    return true;
}

bool ReadOperand(TFieldType type, const QString &text, const QDate &today, double &value)
{
    // A BCD field has no reading.
    if (type == TFieldType::ftString || IsPlainNumberType(type)) {
        // The calculator's reader: only the locale's separator, no digit grouping, no
        // "inf" or "nan".
        return TextToFloat(ExpandDateMacros(text, today), FormatSettings().DecimalSeparator, value);
    }
    if (IsDateTimeType(type))
        return TryStrToDateTime(ExpandDateMacros(text, today), value);
    return false;
}
