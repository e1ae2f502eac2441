#pragma once

#include <QStringView>

// Orders texts by their Windows-1251 bytes, as the directory's own texts compare: upper-case
// Cyrillic before lower-case, "Ё" and "ё" before both. A character the code page lacks counts
// as "?", the byte the platform substitutes for it. Negative, zero or positive like strcmp.
int CompareCp1251(QStringView a, QStringView b);

// The Windows-1251 byte of one UTF-16 unit ("?" when the code page has none).
unsigned char Cp1251Byte(char16_t ch);
