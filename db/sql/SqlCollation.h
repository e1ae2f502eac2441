#pragma once

#include <string_view>

// Compares two UTF-8 texts as the Paradox Cyrillic driver orders them: dictionary order,
// ignoring letter case, with Ё sorted as Е. Registered with SQLite as PXW_CYRL.
int CompareCyrillic(std::string_view a, std::string_view b);
