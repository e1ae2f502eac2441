#pragma once

#include "db/paradox/PlatformCodec.h"

#include <QString>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

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
            const auto b = static_cast<unsigned char>(ch);
            if (b < 0x80) {
                out.push_back(ch);
            } else {
                const Utf8 &u = FUtf8[b - 0x80];
                out.append(u.Bytes, u.Length);
            }
        }
    }
    QString DecodeToString(std::string_view bytes) const;

    // The most UTF-8 bytes one byte of any page becomes.
    static constexpr size_t MaxUtf8PerByte = 3;
    // True when the page decodes through a built-in table, which DecodeInto needs.
    bool HasTable() const { return !FCodec; }
    // Writes the UTF-8 form of bytes at out, which has room for MaxUtf8PerByte bytes per byte,
    // and returns how many it wrote; only for a page with a table.
    size_t DecodeInto(std::string_view bytes, char *out) const
    {
        char *at = out;
        for (const char ch : bytes) {
            const auto b = static_cast<unsigned char>(ch);
            if (b < 0x80) {
                *at++ = ch;
            } else {
                const Utf8 &u = FUtf8[b - 0x80];
                std::memcpy(at, u.Bytes, sizeof u.Bytes);
                at += u.Length;
            }
        }
        return size_t(at - out);
    }

    // The bytes of text in this code page; false when a character has no byte here.
    bool Encode(const QString &text, std::string &out) const;

private:
    struct Utf8
    {
        char Bytes[3];
        unsigned char Length;
    };
    CodePage(int number, const char16_t *upperHalf);
    CodePage(int number, std::unique_ptr<PlatformCodec> codec);

    int FNumber;
    std::unique_ptr<PlatformCodec> FCodec;
    std::array<Utf8, 128> FUtf8 {};
    std::unordered_map<char16_t, unsigned char> FBytes;
};

} // namespace Paradox
