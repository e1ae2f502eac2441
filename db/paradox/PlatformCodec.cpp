#include "db/paradox/PlatformCodec.h"

#include <cerrno>
#include <iconv.h>

namespace Paradox {

namespace {

const iconv_t NoConverter = reinterpret_cast<iconv_t>(-1);

// Runs one conversion of input, appending to out. Returns false at the first sequence the
// target cannot take when strict, else writes replacement instead and goes on.
bool Convert(
    iconv_t cd, std::string_view input, std::string &out, bool strict, std::string_view replacement)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr); // back to the initial shift state
    char *in = const_cast<char *>(input.data());
    size_t inLeft = input.size();
    char buffer[1024];
    while (inLeft > 0) {
        char *outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, size_t(outPtr - buffer));
        if (result != size_t(-1))
            break;
        if (errno == E2BIG)
            continue;
        if (strict)
            return false;
        // EILSEQ: an undefined byte; EINVAL: a sequence cut short by the end of the value.
        out.append(replacement);
        if (errno == EINVAL)
            break;
        ++in;
        --inLeft;
    }
    char *outPtr = buffer;
    size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, size_t(outPtr - buffer));
    return true;
}

} // namespace

struct PlatformCodec::Handles
{
    iconv_t ToUtf8 = NoConverter;
    iconv_t FromUtf8 = NoConverter;

    ~Handles()
    {
        if (ToUtf8 != NoConverter)
            iconv_close(ToUtf8);
        if (FromUtf8 != NoConverter)
            iconv_close(FromUtf8);
    }
};

PlatformCodec::PlatformCodec(std::unique_ptr<Handles> handles)
    : FHandles(std::move(handles))
{ }

PlatformCodec::~PlatformCodec() = default;

std::unique_ptr<PlatformCodec> PlatformCodec::Open(int codePage)
{
    if (codePage <= 0)
        return nullptr;
    // The names glibc gives Microsoft's and IBM's numbered pages.
    for (const char *pattern : {"CP%1", "WINDOWS-%1", "IBM%1"}) {
        const QByteArray name = QString::fromLatin1(pattern).arg(codePage).toLatin1();
        auto handles = std::make_unique<Handles>();
        handles->ToUtf8 = iconv_open("UTF-8", name.constData());
        handles->FromUtf8 = iconv_open(name.constData(), "UTF-8");
        if (handles->ToUtf8 == NoConverter || handles->FromUtf8 == NoConverter)
            continue;
        std::unique_ptr<PlatformCodec> codec(new PlatformCodec(std::move(handles)));
        std::string ascii;
        for (char c = 0x20; c < 0x7F; ++c)
            ascii.push_back(c);
        std::string decoded;
        codec->Decode(ascii, decoded);
        return decoded == ascii ? std::move(codec) : nullptr;
    }
    return nullptr;
}

void PlatformCodec::Decode(std::string_view bytes, std::string &out) const
{
    const std::lock_guard lock(FLock);
    Convert(FHandles->ToUtf8, bytes, out, false, "\xEF\xBF\xBD");
}

bool PlatformCodec::Encode(const QString &text, std::string &out) const
{
    const QByteArray utf8 = text.toUtf8();
    const std::lock_guard lock(FLock);
    return Convert(
        FHandles->FromUtf8, std::string_view(utf8.constData(), size_t(utf8.size())), out, true, {});
}

} // namespace Paradox
