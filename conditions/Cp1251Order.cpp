#include "conditions/Cp1251Order.h"

#include "db/paradox/ParadoxCodePage.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace {

constexpr unsigned char Substitute = '?';

// One byte per UTF-16 unit, so that comparing allocates nothing and looks up nothing.
struct ByteTable
{
    std::array<unsigned char, 0x10000> Bytes;

    ByteTable()
    {
        Bytes.fill(Substitute);
        for (unsigned i = 0; i < 0x80; ++i)
            Bytes[i] = static_cast<unsigned char>(i);
        const Paradox::CodePage *page = Paradox::CodePage::Find(1251);
        for (unsigned b = 0x80; b <= 0xFF; ++b) {
            const char byte = static_cast<char>(b);
            const QString decoded = page->DecodeToString(std::string_view(&byte, 1));
            if (decoded.size() == 1 && decoded.at(0).unicode() >= 0x80)
                Bytes[decoded.at(0).unicode()] = static_cast<unsigned char>(b);
        }
    }
};

const ByteTable &Table()
{
    static const ByteTable table;
    return table;
}

} // namespace

unsigned char Cp1251Byte(char16_t ch)
{
    return Table().Bytes[ch];
}

int CompareCp1251(QStringView a, QStringView b)
{
    const auto &bytes = Table().Bytes;
    const qsizetype n = qMin(a.size(), b.size());
    const char16_t *pa = a.utf16();
    const char16_t *pb = b.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        const int d = int(bytes[pa[i]]) - int(bytes[pb[i]]);
        if (d != 0)
            return d;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}
