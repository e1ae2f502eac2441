#pragma once

#include "db/paradox/TRecordSet.h"

#include <QString>
#include <memory>

// The same table read through pxlib (PX_get_record and its PX_get_data_* decoders) instead of
// the project's own block reader. Kept as the reference the reader is measured and checked
// against; it trusts pxlib's own checks of the file, so the program itself never uses it on
// the directory's tables. BLObs are read only when kept whole in their record: pxlib 0.6.8
// opens the .MB file for writing and overruns a stack buffer while listing its blocks
// (build_mb_block_list reads a 12-byte block header into a 9-byte one), so a BLOb that lives in
// the .MB raises EDatabaseError here.
namespace Paradox {

std::unique_ptr<TRecordSet> ReadTableWithPxlib(const QString &path, int defaultCodePage = 1251);

} // namespace Paradox
