#pragma once

#include "db/paradox/TFieldType.h"

#include <QDate>
#include <QString>

// Writes today's date into an operand: the first "dd", "mm", "yyyy" and then "yy" become the
// day, the month and the four-digit year, without leading zeros ("dd.mm.yyyy" on 5 March 2024
// gives "5.3.2024"). Only lower-case macros count, each once.
QString ExpandDateMacros(const QString &text, const QDate &today);

// Whether a field of this type is a text field for the tests (its cells compare as text).
bool IsStringFieldType(TFieldType type);

// Reads an operand typed for a field of the given type, after expanding the date macros:
// numbers (with the locale's decimal separator only) for the numeric types and strings, dates
// and times as date-time numbers. False when the type has no reading or the text does not read.
bool ReadOperand(TFieldType type, const QString &text, const QDate &today, double &value);

// The locale's date-time reader: a date in the short date order, a time ("h:n[:s[.z]]"), or a
// date followed by a time; the result counts days since 30.12.1899 with the time as a fraction.
bool TryStrToDateTime(const QString &text, double &value);
