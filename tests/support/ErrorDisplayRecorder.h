#pragma once

#include "core/ErrorDisplay.h"
#include "core/Exception.h"

#include <QStringList>

// While it lives, what reaches the error display is recorded here instead of being shown.
class ErrorDisplayRecorder
{
public:
    ErrorDisplayRecorder()
        : FPrevious(SetErrorDisplay([this](const std::exception &e) {
            const auto *own = dynamic_cast<const Exception *>(&e);
            FMessages << (own ? own->Message() : QString::fromUtf8(e.what()));
        }))
    { }
    ~ErrorDisplayRecorder() { SetErrorDisplay(std::move(FPrevious)); }
    ErrorDisplayRecorder(const ErrorDisplayRecorder &) = delete;
    ErrorDisplayRecorder &operator=(const ErrorDisplayRecorder &) = delete;

    const QStringList &Messages() const { return FMessages; }

private:
    QStringList FMessages;
    TErrorDisplay FPrevious;
};
