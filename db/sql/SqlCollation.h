#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Compares two UTF-8 texts as the Paradox Cyrillic driver orders them: dictionary order,
// ignoring letter case, with Ё sorted as Е. Registered with SQLite as PXW_CYRL.
int CompareCyrillic(std::string_view a, std::string_view b);

// A number that orders texts as CompareCyrillic does as far as their first characters tell:
// CyrillicSortKey(a) < CyrillicSortKey(b) implies CompareCyrillic(a, b) < 0. Texts with equal keys
// must be compared in full.
uint64_t CyrillicSortKey(std::string_view text);

// SQL's LIKE over two UTF-8 texts: "%" stands for any run of characters, "_" for one, and the
// escape character, when given, makes the next one stand for itself. Letters match ignoring case
// in every alphabet (Ё and ё alike), as UPPER and LOWER change it.
bool LikeMatches(std::string_view text, std::string_view pattern, std::optional<char32_t> escape);

// The first character of a UTF-8 text and the number of characters it holds, for checking an
// ESCAPE argument.
char32_t FirstCharacter(std::string_view text, size_t &count);
