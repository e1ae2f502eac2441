#pragma once

#include "db/paradox/ParadoxFile.h"

#include <QString>
#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>

// Reading tables in the Paradox format.
//
// Reading is done from a read-only, shared memory map of the .DB file (and its .MB file for
// memos and BLObs); text is decoded from the table's code page, or from defaultCodePage when the
// header names none, to UTF-8. Every header value is checked against the file size before it is
// trusted: a corrupt or truncated file raises EDatabaseError naming the file and the cause.
namespace Paradox {

// The header and fields of a table, without reading its records. Field names are decoded like
// the data: from the header's code page, or from defaultCodePage when it names none.
TableInfo ReadInfo(const QString &path, int defaultCodePage = 1251);

// The whole table. Empty dates, times and numbers are nulls.
std::unique_ptr<TRecordSet> ReadTable(const QString &path, int defaultCodePage = 1251);

// The table reader over bytes already in memory, so that the file reader, the fuzzer and the
// corruption tests run exactly the same checks.
//
// Gives the bytes of the table's .MB file when a BLOb is not kept whole in its record; called
// at most once, on the first such BLOb. Returns false when there is no such file.
using BlobFileSource = std::function<bool(std::string_view &bytes)>;

TableInfo ParseInfo(std::string_view table, const QString &name, int defaultCodePage = 1251);

// Told, as the walk over the data blocks goes on, that the bytes before an offset have been
// read (the walk may still come back to them when the block chain goes backwards).
using ReadProgress = std::function<void(size_t readUpTo)>;

std::unique_ptr<TRecordSet> DecodeTable(std::string_view table, const BlobFileSource &blobFile,
    const QString &name, int defaultCodePage, const ReadProgress &progress = {});

// The code page the table's text is in: the header's when it names one (tables of version 4.0
// and later), else defaultCodePage.
int EffectiveCodePage(const TableInfo &info, int defaultCodePage);

} // namespace Paradox
