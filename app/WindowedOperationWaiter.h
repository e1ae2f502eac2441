#pragma once

#include "core/OperationProgress.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

class TProgressWindow;

// Keeps the program's windows painting while a long operation runs, and after half a second
// shows the progress window with its cancel button. Reading rows runs on a worker thread while
// this thread waits in a local event loop; work that stays on this thread (the search walk)
// ticks instead. Meanwhile no input but the progress window's reaches the program and no
// window closes, so nothing re-enters the data mid-operation; the caller still waits until
// the operation is over.
class TWindowedOperationWaiter : public QObject, public TOperationWaiter
{
    Q_OBJECT
public:
    static constexpr int ShowAfterMs = 500;
    static constexpr int UpdateEveryMs = 40;

    explicit TWindowedOperationWaiter(QObject *parent = nullptr);
    ~TWindowedOperationWaiter() override;

    void Run(TOperationProgress &progress, const std::function<void()> &work) override;
    void Tick(TOperationProgress &progress) override;
    void Finished(TOperationProgress &progress) override;

    // What the cancel button does: asks the operation waited for to stop.
    void CancelRunning()
    {
        if (FActive)
            FActive->Cancel();
    }
    // The progress window while it is shown.
    TProgressWindow *Window() const;

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override;

private:
    void Begin(TOperationProgress &progress);
    void End();
    // Shows the progress window once the operation has taken long enough, and updates it.
    void Serve();
    bool IsInWindow(QObject *receiver) const;

    TOperationProgress *FActive = nullptr;
    QPointer<TProgressWindow> FWindow;
    QElapsedTimer FSinceTick;
};
