#pragma once

#include "core/Exception.h"

// Every failure of the dataset layer and its engine; the message names the table or file and
// the cause. The failures a user meets in the directory have a Russian message naming the
// table's file and its folder, and the technical account (full path, cause) as the detail.
class EDatabaseError : public Exception
{
public:
    using Exception::Exception;

    static EDatabaseError MissingFolder(const QString &folder);
    static EDatabaseError MissingTable(const QString &path);
    static EDatabaseError DamagedTable(const QString &path, const QString &cause);
    // A query SQLite or the engine would not run; `detail` says why and quotes the query.
    static EDatabaseError RejectedQuery(const QString &detail);
    static EDatabaseError InvalidQuery(const QString &detail);
};
