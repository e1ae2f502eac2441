#pragma once

#include "core/Exception.h"

#include <QElapsedTimer>
#include <QString>
#include <atomic>
#include <functional>

// The user stopped an operation. Nothing is wrong, so nobody shows it.
class EOperationCancelled : public Exception
{
public:
    EOperationCancelled()
        : Exception(QStringLiteral("Операция отменена."), QStringLiteral("Cancelled by the user."))
    { }
};

// One operation the user may have to wait for: what it is, how many rows it has read, and
// whether the user asked it to stop. The work checks Cancelled() (from any thread); whoever
// shows the progress reads the rest.
class TOperationProgress
{
public:
    explicit TOperationProgress(QString what);
    ~TOperationProgress();
    TOperationProgress(const TOperationProgress &) = delete;
    TOperationProgress &operator=(const TOperationProgress &) = delete;

    const QString &What() const { return FWhat; }
    qint64 ElapsedMs() const { return FClock.elapsed(); }

    void Cancel() { FCancelled.store(true, std::memory_order_relaxed); }
    bool Cancelled() const { return FCancelled.load(std::memory_order_relaxed); }
    void ThrowIfCancelled() const
    {
        if (Cancelled())
            throw EOperationCancelled();
    }

    void AddRows(qint64 count) { FRows.fetch_add(count, std::memory_order_relaxed); }
    qint64 Rows() const { return FRows.load(std::memory_order_relaxed); }

    // The operation whose work runs on the calling thread; nullptr outside one.
    static TOperationProgress *Current();

    // Runs work (which may take long) for this operation through the installed waiter, with
    // Current() set to this operation wherever the work runs. Returns when it is done and
    // raises what it raised.
    void Run(const std::function<void()> &work);
    // Work that must stay on the calling thread calls this now and then: the waiter may let
    // the window paint meanwhile. Raises EOperationCancelled once the user has asked to stop.
    void Tick();

private:
    QString FWhat;
    QElapsedTimer FClock;
    std::atomic<bool> FCancelled {false};
    std::atomic<qint64> FRows {0};
};

// How the program waits for long operations. Without one installed, work runs plainly on the
// caller's thread. The window installs one that keeps itself painting and offers a cancel
// button; it must let no other input reach the program while it waits, so that nothing
// re-enters the data being worked on.
class TOperationWaiter
{
public:
    virtual ~TOperationWaiter() = default;
    // Runs work, possibly on another thread, and returns when it has finished; rethrows what
    // it raised.
    virtual void Run(TOperationProgress &progress, const std::function<void()> &work) = 0;
    // Work running on the waiting thread itself gives the waiter a moment.
    virtual void Tick(TOperationProgress &progress) = 0;
    // The operation is over (whatever its outcome).
    virtual void Finished(TOperationProgress &progress) = 0;
};

// Installs the waiter (nullptr: none) and returns the previous one. Not owned.
TOperationWaiter *SetOperationWaiter(TOperationWaiter *waiter);

// The operation named here is what the next operation started on this thread is called, for
// the scope's lifetime: a sort is shown as a sort, not as the query it reopens.
class TOperationTitle
{
public:
    explicit TOperationTitle(QString title);
    ~TOperationTitle();
    TOperationTitle(const TOperationTitle &) = delete;
    TOperationTitle &operator=(const TOperationTitle &) = delete;

    // The title in force, or fallback when there is none.
    static QString Or(const QString &fallback);

private:
    QString FTitle;
    TOperationTitle *FOuter;
};
