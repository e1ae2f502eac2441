#pragma once

#include "db/ParadoxFile.h"

#include <QString>
#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>

// The table reader over bytes already in memory, so that the file reader, the fuzzer and the
// corruption tests run exactly the same checks.
namespace Paradox {

// Gives the bytes of the table's .MB file when a BLOb is not kept whole in its record; called
// at most once, on the first such BLOb. Returns false when there is no such file.
using BlobFileSource = std::function<bool(std::string_view &bytes)>;

TableInfo ParseInfo(std::string_view table, const QString &name);

std::unique_ptr<TRecordSet> DecodeTable(std::string_view table, const BlobFileSource &blobFile,
    const QString &name, int defaultCodePage);

// The code page the table's text is in: the header's when it names one (tables of version 4.0
// and later), else defaultCodePage.
int EffectiveCodePage(const TableInfo &info, int defaultCodePage);

} // namespace Paradox
