#pragma once

#include "db/paradox/TRecordSet.h"

#include <QString>
#include <functional>
#include <memory>

namespace TableCache {

// Reads one table file; Paradox::ReadTable unless replaced.
using Reader = std::function<std::unique_ptr<TRecordSet>(const QString &path, int defaultCodePage)>;

// Replaces the reader the cache uses for files it has not read yet and returns the previous one.
// A tool or test that keeps tables in another form passes its own; an empty reader restores the
// Paradox reader.
Reader SetReader(Reader reader);

} // namespace TableCache
