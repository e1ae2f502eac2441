#include "db/sql/SqlCollation.h"

#include <QChar>
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

// The Paradox Cyrillic dictionary order. Characters are compared by a primary weight: control
// characters, blanks, punctuation and symbols, digits, Latin letters, Cyrillic letters in the
// Russian alphabet (Ё as Е), then everything else by code point. Texts equal in primary weights
// are ordered by the first accent difference (Е before Ё), then by the first case difference
// (small before capital), and finally by their bytes, so the order is total and two texts compare
// equal only when they are the same text.
namespace {

struct Weight
{
    uint32_t Primary = 0;
    uint8_t Secondary = 0; // accent: the plain letter first
    uint8_t Tertiary = 0; // case: small letter first
};

constexpr uint32_t BlankWeight = 0x20;
constexpr uint32_t SymbolBase = 0x100;
constexpr uint32_t GeneralPunctuationBase = 0x200;
constexpr uint32_t NumeroWeight = 0x2A0;
constexpr uint32_t DigitBase = 0x300;
constexpr uint32_t LatinBase = 0x400;
constexpr uint32_t CyrillicBase = 0x600;
constexpr uint32_t OtherBase = 0x10000;
constexpr char32_t TableSize = 0x500;

// Capital letters of the Cyrillic alphabets we order explicitly; each is followed in the order by
// the letters listed after it. Letters not named here sort after Я by code point.
constexpr std::u32string_view CyrillicOrder = U"АБВГҐДЕЄЖЗИІЇЙКЛМНОПРСТУЎФХЦЧШЩЪЫЬЭЮЯ";

char32_t LowerOfCyrillic(char32_t capital)
{
    if (capital >= 0x410 && capital <= 0x42F)
        return capital + 0x20;
    if (capital >= 0x400 && capital <= 0x40F)
        return capital + 0x50;
    if (capital >= 0x460 && capital <= 0x4FF && capital % 2 == 0)
        return capital + 1;
    return capital;
}

// Latin-1 letters with their base letter (lower case), in code point order from U+00C0.
using namespace std::string_view_literals;
constexpr std::string_view Latin1Base = "aaaaaaaceeeeiiiidnooooo\0ouuuuyts"
                                        "aaaaaaaceeeeiiiidnooooo\0ouuuuyty"sv;
static_assert(Latin1Base.size() == 64);

using WeightTable = std::array<Weight, TableSize>;

WeightTable BuildTable()
{
    WeightTable table {};
    for (char32_t c = 0; c < TableSize; ++c)
        table[c] = {OtherBase + c, 0, 0};
    for (char32_t c = 0; c < 0x20; ++c)
        table[c] = {c, 0, 0};
    table[0x20] = {BlankWeight, 0, 0};
    table[0xA0] = {BlankWeight, 1, 0};
    for (char32_t c = 0x21; c < 0x7F; ++c)
        table[c] = {SymbolBase + c, 0, 0};
    table[0x7F] = {0x7F, 0, 0};
    for (char32_t c = 0x80; c < 0xA0; ++c)
        table[c] = {c, 0, 0};
    for (char32_t c = 0xA1; c < 0xC0; ++c)
        table[c] = {SymbolBase + c, 0, 0};
    table[0xD7] = {SymbolBase + 0xD7, 0, 0};
    table[0xF7] = {SymbolBase + 0xF7, 0, 0};
    for (char32_t d = '0'; d <= '9'; ++d)
        table[d] = {DigitBase + (d - '0'), 0, 0};
    for (char32_t l = 0; l < 26; ++l) {
        table['a' + l] = {LatinBase + l * 8, 0, 0};
        table['A' + l] = {LatinBase + l * 8, 0, 1};
    }
    for (char32_t c = 0xC0; c < 0x100; ++c) {
        const char base = Latin1Base[c - 0xC0];
        if (base == '\0' || c == 0xD7 || c == 0xF7)
            continue;
        const bool capital = c < 0xE0;
        // Þ/þ after z; ß as s; every accented form after its plain letter.
        const uint32_t letter = c == 0xDE || c == 0xFE ? 26 : uint32_t(base - 'a');
        table[c] = {LatinBase + letter * 8, uint8_t(1 + (c & 0x1F)), uint8_t(capital ? 1 : 0)};
    }
    table[0xDF] = {LatinBase + ('s' - 'a') * 8, 0x30, 0};
    table[0xFF] = {LatinBase + ('y' - 'a') * 8, 0x20, 0};

    // Other Cyrillic letters: after the alphabet, by code point, small before capital.
    for (char32_t c = 0x400; c < TableSize; ++c) {
        const bool small = (c >= 0x430 && c <= 0x45F) || (c >= 0x460 && c % 2 == 1);
        const char32_t capital = c >= 0x430 && c <= 0x44F ? c - 0x20
            : c >= 0x450 && c <= 0x45F                    ? c - 0x50
            : small                                       ? c - 1
                                                          : c;
        table[c] = {CyrillicBase + 0x100 + capital, 0, uint8_t(small ? 0 : 1)};
    }
    for (size_t rank = 0; rank < CyrillicOrder.size(); ++rank) {
        const char32_t capital = CyrillicOrder[rank];
        const uint32_t primary = CyrillicBase + uint32_t(rank) * 4;
        table[capital] = {primary, 0, 1};
        table[LowerOfCyrillic(capital)] = {primary, 0, 0};
    }
    const uint32_t ye = table[U'Е'].Primary;
    table[U'Ё'] = {ye, 1, 1};
    table[U'ё'] = {ye, 1, 0};
    return table;
}

const WeightTable &Table()
{
    static const WeightTable table = BuildTable();
    return table;
}

Weight WeightOf(char32_t c, const WeightTable &table)
{
    if (c < TableSize)
        return table[c];
    if (c >= 0x2000 && c <= 0x206F) // general punctuation: dashes, quotes, ellipsis
        return {c <= 0x200B ? BlankWeight : GeneralPunctuationBase + (c - 0x2000), 2, 0};
    if (c == 0x2116) // №
        return {NumeroWeight, 0, 0};
    return {OtherBase + c, 0, 0};
}

// Decodes one UTF-8 sequence at text[i] and advances i. A byte that does not start a valid
// sequence stands for itself, mapped above every real code point so it still sorts stably.
char32_t Decode(std::string_view text, size_t &i)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    const auto invalid = [&]() {
        ++i;
        return char32_t(0x110000 + lead);
    };
    int length = 0;
    char32_t c = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        c = lead & 0x07;
    } else {
        return invalid();
    }
    if (i + size_t(length) > text.size())
        return invalid();
    for (int k = 1; k < length; ++k) {
        const unsigned char next = byte(i + size_t(k));
        if ((next & 0xC0) != 0x80)
            return invalid();
        c = (c << 6) | (next & 0x3F);
    }
    static constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < Smallest[length] || c > 0x10FFFF)
        return invalid();
    i += size_t(length);
    return c;
}

} // namespace

int CompareCyrillic(std::string_view a, std::string_view b)
{
    // A shared beginning orders nothing: skip it, back to the start of the character in which
    // the texts part.
    const size_t shorter = std::min(a.size(), b.size());
    size_t start = 0;
    while (start < shorter && a[start] == b[start])
        ++start;
    if (start == a.size() && start == b.size())
        return 0;
    const auto continues = [](std::string_view text, size_t at) {
        return at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;
    };
    while (start > 0 && (continues(a, start) || continues(b, start)))
        --start;
    const WeightTable &table = Table();
    size_t i = start;
    size_t j = start;
    int secondary = 0;
    int tertiary = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t ca = Decode(a, i);
        const char32_t cb = Decode(b, j);
        if (ca == cb)
            continue;
        const Weight wa = WeightOf(ca, table);
        const Weight wb = WeightOf(cb, table);
        if (wa.Primary != wb.Primary)
            return wa.Primary < wb.Primary ? -1 : 1;
        if (secondary == 0 && wa.Secondary != wb.Secondary)
            secondary = wa.Secondary < wb.Secondary ? -1 : 1;
        if (tertiary == 0 && wa.Tertiary != wb.Tertiary)
            tertiary = wa.Tertiary < wb.Tertiary ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    if (secondary != 0)
        return secondary;
    if (tertiary != 0)
        return tertiary;
    const int bytes = a.compare(b);
    return bytes < 0 ? -1 : bytes > 0 ? 1 : 0;
}

namespace {

// A sort key holds one byte per character, for the first eight characters: 0 past the end, an
// even code for a primary weight of its own (the characters of names, numbers and addresses), an
// odd code for the weights between two of those. Codes grow with the weight, so keys compare as
// the texts do; after an odd code the key cannot tell texts apart, and it stops there.
struct SortKeyCodes
{
    std::vector<uint32_t> Exact; // ascending
    std::array<uint8_t, TableSize> OfCharacter {};

    uint8_t Of(uint32_t primary) const
    {
        const auto at = std::lower_bound(Exact.begin(), Exact.end(), primary);
        const bool exact = at != Exact.end() && *at == primary;
        return uint8_t(2 * (at - Exact.begin()) + (exact ? 2 : 1));
    }
};

SortKeyCodes BuildSortKeyCodes()
{
    const WeightTable &table = Table();
    SortKeyCodes codes;
    for (char32_t c = 0x20; c < 0x7F; ++c) // blank, punctuation, digits, Latin letters
        codes.Exact.push_back(table[c].Primary);
    codes.Exact.push_back(table[0xDE].Primary); // Þ, after z
    for (const char32_t letter : CyrillicOrder)
        codes.Exact.push_back(table[letter].Primary);
    codes.Exact.push_back(NumeroWeight);
    std::sort(codes.Exact.begin(), codes.Exact.end());
    codes.Exact.erase(std::unique(codes.Exact.begin(), codes.Exact.end()), codes.Exact.end());
    // Every code must fit in a byte: 2 * 127 + 1 is the largest.
    codes.Exact.resize(std::min<size_t>(codes.Exact.size(), 127));
    for (char32_t c = 0; c < TableSize; ++c)
        codes.OfCharacter[c] = codes.Of(table[c].Primary);
    return codes;
}

} // namespace

uint64_t CyrillicSortKey(std::string_view text)
{
    static const SortKeyCodes codes = BuildSortKeyCodes();
    uint64_t key = 0;
    size_t i = 0;
    for (int shift = 56; shift >= 0 && i < text.size(); shift -= 8) {
        const char32_t c = Decode(text, i);
        const uint8_t code
            = c < TableSize ? codes.OfCharacter[c] : codes.Of(WeightOf(c, Table()).Primary);
        key |= uint64_t(code) << shift;
        if (code % 2 == 1)
            break;
    }
    return key;
}

namespace {

struct LikeToken
{
    enum Kind { Literal, One, Any } What;
    char32_t Character;
};

std::vector<char32_t> Characters(std::string_view text, bool folded)
{
    std::vector<char32_t> characters;
    characters.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const char32_t c = Decode(text, i);
        characters.push_back(folded ? QChar::toCaseFolded(c) : c);
    }
    return characters;
}

} // namespace

bool LikeMatches(std::string_view text, std::string_view pattern, std::optional<char32_t> escape)
{
    const bool escaping = escape.has_value();
    const char32_t escapeCharacter = escape.value_or(0);
    std::vector<LikeToken> tokens;
    const std::vector<char32_t> patternCharacters = Characters(pattern, false);
    for (size_t k = 0; k < patternCharacters.size(); ++k) {
        const char32_t c = patternCharacters[k];
        if (escaping && c == escapeCharacter) {
            if (++k == patternCharacters.size())
                return false; // an escape at the end escapes nothing: SQLite matches nothing
            tokens.push_back({LikeToken::Literal, QChar::toCaseFolded(patternCharacters[k])});
        } else if (c == U'%') {
            tokens.push_back({LikeToken::Any, c});
        } else if (c == U'_') {
            tokens.push_back({LikeToken::One, c});
        } else {
            tokens.push_back({LikeToken::Literal, QChar::toCaseFolded(c)});
        }
    }
    // Greedy matching that returns to the last "%" on a mismatch: time bounded by the product
    // of the lengths, whatever the pattern.
    const std::vector<char32_t> characters = Characters(text, true);
    size_t t = 0;
    size_t p = 0;
    size_t lastAny = tokens.size();
    size_t resumeAt = 0;
    while (t < characters.size()) {
        if (p < tokens.size()
            && (tokens[p].What == LikeToken::One
                || (tokens[p].What == LikeToken::Literal
                    && tokens[p].Character == characters[t]))) {
            ++p;
            ++t;
        } else if (p < tokens.size() && tokens[p].What == LikeToken::Any) {
            lastAny = p++;
            resumeAt = t;
        } else if (lastAny < tokens.size()) {
            p = lastAny + 1;
            t = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < tokens.size() && tokens[p].What == LikeToken::Any)
        ++p;
    return p == tokens.size();
}

char32_t FirstCharacter(std::string_view text, size_t &count)
{
    count = 0;
    char32_t first = 0;
    for (size_t i = 0; i < text.size(); ++count) {
        const char32_t c = Decode(text, i);
        if (count == 0)
            first = c;
    }
    return first;
}
