#pragma once

#include "core/Exception.h"

// Every failure of the dataset layer and its engine; the message names the table or file and
// the cause.
class EDatabaseError : public Exception
{
public:
    using Exception::Exception;
};
