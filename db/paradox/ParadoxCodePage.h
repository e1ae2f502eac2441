#pragma once

#include "db/paradox/PlatformCodec.h"

#include <QString>
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Paradox {

// A code page of Paradox tables. The single-byte DOS and Windows pages the directory's tables
// use are built-in tables decoding straight into UTF-8, so that reading a table allocates
// nothing per value; any other page is decoded by the platform's converters.
class CodePage
{
public:
    // The code page with this number, or nullptr when neither a table nor a converter knows it.
    static const CodePage *Find(int number);

    int Number() const { return FNumber; }

    // Appends the UTF-8 form of bytes to out.
    void Decode(std::string_view bytes, std::string &out) const
    {
        if (FCodec) {
            FCodec->Decode(bytes, out);
            return;
        }
        for (const char ch : bytes) {
            const Utf8 &u = FUtf8[static_cast<unsigned char>(ch)];
            out.append(u.Bytes, u.Length);
        }
    }
    QString DecodeToString(std::string_view bytes) const;

    // The most UTF-8 bytes one byte of any page becomes.
    static constexpr size_t MaxUtf8PerByte = 3;
    // The room DecodeInto needs for this many bytes: each character is written as four bytes
    // and the pointer moved by its length, which needs no branch per character.
    static constexpr size_t DecodeRoom(size_t bytes) { return bytes * MaxUtf8PerByte + 1; }
    // True when the page decodes through a built-in table, which DecodeInto needs.
    bool HasTable() const { return !FCodec; }
    // Writes the UTF-8 form of bytes at out, which has DecodeRoom(bytes.size()) bytes of room,
    // and returns how many it wrote; only for a page with a table. With untilNul the text ends
    // at its first NUL, as a fixed-width field's does.
    template <bool untilNul = false> size_t DecodeInto(std::string_view bytes, char *out) const
    {
        char *at = out;
        for (const char ch : bytes) {
            if (untilNul && ch == 0)
                break;
            const Utf8 &u = FUtf8[static_cast<unsigned char>(ch)];
            std::memcpy(at, &u, sizeof u);
            at += u.Length;
        }
        return size_t(at - out);
    }
    // A fixed-width field of at most ShortField bytes, whose text ends at its first NUL, the
    // same as DecodeInto<true>; ShortField bytes from field.data() must be readable and out
    // needs ShortFieldRoom(field.size()) bytes. Texts of plain ASCII, such as telephone and
    // house numbers, are copied whole without a loop.
    static constexpr size_t ShortField = 16;
    static constexpr size_t ShortFieldRoom(size_t bytes)
    {
        return std::max(ShortField, DecodeRoom(bytes));
    }
    size_t DecodeShortFieldInto(std::string_view field, char *out) const
    {
#ifdef __SSE2__
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(field.data()));
        const unsigned nuls
            = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_setzero_si128())))
            | (1u << field.size());
        const unsigned length = unsigned(std::countr_zero(nuls));
        const unsigned highBits = unsigned(_mm_movemask_epi8(bytes)) & ((1u << length) - 1);
        if (highBits == 0) {
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out), bytes);
            return length;
        }
        return DecodeInto(field.substr(0, length), out);
#else
        return DecodeInto<true>(field, out);
#endif
    }

    // The bytes of text in this code page; false when a character has no byte here.
    bool Encode(const QString &text, std::string &out) const;

private:
    // Copied whole, four bytes at a time: the bytes past Length are overwritten by the next.
    struct Utf8
    {
        char Bytes[3];
        unsigned char Length;
    };
    static_assert(sizeof(Utf8) == 4);
    CodePage(int number, const char16_t *upperHalf);
    CodePage(int number, std::unique_ptr<PlatformCodec> codec);

    int FNumber;
    std::unique_ptr<PlatformCodec> FCodec;
    std::array<Utf8, 256> FUtf8 {}; // by byte; the lower half is ASCII in every page
    std::unordered_map<char16_t, unsigned char> FBytes;
};

} // namespace Paradox
