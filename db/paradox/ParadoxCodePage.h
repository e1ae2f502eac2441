#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace Paradox {

// A single-byte code page of Paradox tables (the DOS and Windows pages a table header can name),
// with decoding straight into UTF-8 so that reading a table allocates nothing per value.
class CodePage
{
public:
    // The code page with this number, or nullptr when the reader does not know it.
    static const CodePage *Find(int number);

    int Number() const { return FNumber; }

    // Appends the UTF-8 form of bytes to out.
    void Decode(std::string_view bytes, std::string &out) const
    {
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

    // The bytes of text in this code page; false when a character has no byte here.
    bool Encode(const QString &text, std::string &out) const;

private:
    struct Utf8
    {
        char Bytes[3];
        unsigned char Length;
    };
    CodePage(int number, const char16_t *upperHalf);

    int FNumber;
    std::array<Utf8, 128> FUtf8 {};
    std::unordered_map<char16_t, unsigned char> FBytes;
};

} // namespace Paradox
