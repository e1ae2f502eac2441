#pragma once

#include <QString>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace Paradox {

// A code page decoded by the platform's own converters (glibc iconv), for tables in code pages
// the built-in tables do not cover: the multi-byte Far East pages and the rarer DOS and Windows
// ones. Slower than the tables, so they stay the first choice.
class PlatformCodec
{
public:
    // The converter for this code page, or nullptr when the platform knows none, or knows one
    // that does not keep the printable ASCII bytes as they are (the reader relies on that).
    static std::unique_ptr<PlatformCodec> Open(int codePage);
    ~PlatformCodec();
    PlatformCodec(const PlatformCodec &) = delete;
    PlatformCodec &operator=(const PlatformCodec &) = delete;

    // Appends the UTF-8 form of bytes to out; a byte sequence the page does not define becomes
    // U+FFFD, so damaged text never stops a table from reading.
    void Decode(std::string_view bytes, std::string &out) const;

    // The bytes of text in this code page; false when a character has no form here.
    bool Encode(const QString &text, std::string &out) const;

private:
    struct Handles;
    explicit PlatformCodec(std::unique_ptr<Handles> handles);

    std::unique_ptr<Handles> FHandles;
    mutable std::mutex FLock; // a converter keeps state between calls
};

} // namespace Paradox
