#include "core/OperationProgress.h"

#include <QScopeGuard>
#include <utility>

namespace {

TOperationWaiter *&Waiter()
{
    static TOperationWaiter *waiter = nullptr;
    return waiter;
}

TOperationProgress *&CurrentOperation()
{
    thread_local TOperationProgress *current = nullptr;
    return current;
}

TOperationTitle *&CurrentTitle()
{
    thread_local TOperationTitle *current = nullptr;
    return current;
}

} // namespace

TOperationProgress::TOperationProgress(QString what)
    : FWhat(std::move(what))
{
    FClock.start();
}

TOperationProgress::~TOperationProgress()
{
    if (TOperationWaiter *waiter = Waiter())
        waiter->Finished(*this);
}

TOperationProgress *TOperationProgress::Current()
{
    return CurrentOperation();
}

void TOperationProgress::Run(const std::function<void()> &work)
{
    // Work started from inside another operation's work is part of it: it runs where it is,
    // and the outer operation's cancel stops it.
    if (Current()) {
        work();
        return;
    }
    const auto bound = [this, &work] {
        CurrentOperation() = this;
        const auto restore = qScopeGuard([] { CurrentOperation() = nullptr; });
        work();
    };
    if (TOperationWaiter *waiter = Waiter())
        waiter->Run(*this, bound);
    else
        bound();
}

void TOperationProgress::Tick()
{
    if (TOperationWaiter *waiter = Waiter())
        waiter->Tick(*this);
    ThrowIfCancelled();
}

TOperationWaiter *SetOperationWaiter(TOperationWaiter *waiter)
{
    return std::exchange(Waiter(), waiter);
}

TOperationTitle::TOperationTitle(QString title)
    : FTitle(std::move(title))
    , FOuter(std::exchange(CurrentTitle(), this))
{ }

TOperationTitle::~TOperationTitle()
{
    CurrentTitle() = FOuter;
}

QString TOperationTitle::Or(const QString &fallback)
{
    const TOperationTitle *title = CurrentTitle();
    return title ? title->FTitle : fallback;
}
