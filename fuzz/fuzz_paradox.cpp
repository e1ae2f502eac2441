// Feeds arbitrary bytes to the table reader. The first input byte splits the rest into a .DB
// part and a .MB part, so that damaged BLOb files are reached too. Any outcome but a record set
// or EDatabaseError is a finding.
#include "db/paradox/EDatabaseError.h"
#include "db/paradox/ParadoxReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char *>(data) + 1, size - 1);
    const size_t split = bytes.size() * data[0] / 255;
    const std::string_view table = bytes.substr(0, split);
    const std::string_view blob = bytes.substr(split);
    const Paradox::BlobFileSource source = [blob](std::string_view &out) {
        out = blob;
        return true;
    };
    try {
        Paradox::ParseInfo(table, QStringLiteral("fuzz"));
        Paradox::DecodeTable(table, source, QStringLiteral("fuzz"), 1251);
    } catch (const EDatabaseError &) {
    }
    return 0;
}
