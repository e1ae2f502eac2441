#pragma once

// The search walk as the record-by-record procedure does it: the cursor moves one record at a
// time with the controls disabled, the UI runs after every record, and each record is tested
// through the search's own MatchesRecord. The fast search must give exactly its results; the
// benchmarks measure what it costs.
#include "db/dataset/TDataSet.h"
#include "search/mmDBSearch.h"

#include <QCoreApplication>

inline bool ReferenceSearchRecords(TmmDBSearch &search, TDataSet &dataSet)
{
    const TSearchDirection direction = search.SearchDirection();
    if (search.SearchOptions().Contains(TSearchOption::soWholeFieldOnly))
        search.PrepareWholeFieldValue();
    TBookmark bookmark = dataSet.GetBookmark();
    TDisabledControls muted(&dataSet);
    bool found = false;
    if (direction == TSearchDirection::sdAll)
        dataSet.First();
    const bool forward = direction != TSearchDirection::sdUp;
    while (!(forward ? dataSet.Eof() : dataSet.Bof())) {
        QCoreApplication::processEvents();
        if (direction == TSearchDirection::sdAll && dataSet.Bof() && search.MatchesRecord()) {
            found = true;
            break;
        }
        if (forward)
            dataSet.Next();
        else
            dataSet.Prior();
        if (search.MatchesRecord()) {
            found = true;
            break;
        }
    }
    if (!found && dataSet.BookmarkValid(bookmark))
        dataSet.GotoBookmark(bookmark);
    dataSet.FreeBookmark(bookmark);
    return found;
}
