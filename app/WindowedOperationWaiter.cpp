#include "app/WindowedOperationWaiter.h"

#include "app/ProgressWindow.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <atomic>
#include <exception>
#include <thread>

namespace {

bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::NativeGesture:
        return true;
    default:
        return false;
    }
}

} // namespace

TWindowedOperationWaiter::TWindowedOperationWaiter(QObject *parent)
    : QObject(parent)
{ }

TWindowedOperationWaiter::~TWindowedOperationWaiter()
{
    End();
}

TProgressWindow *TWindowedOperationWaiter::Window() const
{
    return FWindow;
}

void TWindowedOperationWaiter::Run(TOperationProgress &progress, const std::function<void()> &work)
{
    // Work started away from the window's thread has no window to keep alive.
    if (QThread::currentThread() != thread()) {
        work();
        return;
    }
    // Only a timer or a paint could start another operation while one runs: it would read the
    // same tables beside the worker.
    if (FActive)
        throw Exception(QStringLiteral("Дождитесь окончания текущей операции."),
            QStringLiteral("An operation was started while another one was running."));
    Begin(progress);
    const auto end = qScopeGuard([this] { End(); });

    QEventLoop loop;
    QTimer serve;
    connect(&serve, &QTimer::timeout, this, [this] { Serve(); });
    serve.start(UpdateEveryMs);
    std::exception_ptr failure;
    std::atomic<bool> done {false};
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        done = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    // The loop also ends when the program is told to quit: the work then stops as if
    // cancelled, rather than being waited for without end.
    if (!done)
        progress.Cancel();
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
}

void TWindowedOperationWaiter::Tick(TOperationProgress &progress)
{
    if ((FActive && FActive != &progress) || QThread::currentThread() != thread())
        return;
    if (!FActive) {
        Begin(progress);
        FSinceTick.start();
    }
    if (FSinceTick.elapsed() < UpdateEveryMs / 2)
        return;
    FSinceTick.restart();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    Serve();
}

void TWindowedOperationWaiter::Finished(TOperationProgress &progress)
{
    if (FActive == &progress)
        End();
}

void TWindowedOperationWaiter::Begin(TOperationProgress &progress)
{
    FActive = &progress;
    qApp->installEventFilter(this);
}

void TWindowedOperationWaiter::End()
{
    if (!FActive)
        return;
    qApp->removeEventFilter(this);
    FActive = nullptr;
    delete FWindow.data();
}

void TWindowedOperationWaiter::Serve()
{
    if (!FActive)
        return;
    if (!FWindow && FActive->ElapsedMs() >= ShowAfterMs) {
        FWindow = new TProgressWindow(*FActive, QApplication::activeWindow());
        FWindow->show();
        FWindow->raise();
        FWindow->activateWindow();
    }
    if (FWindow)
        FWindow->UpdateFromProgress();
}

bool TWindowedOperationWaiter::IsInWindow(QObject *receiver) const
{
    if (!FWindow)
        return false;
    if (auto *widget = qobject_cast<QWidget *>(receiver))
        return widget->window() == FWindow;
    if (auto *window = qobject_cast<QWindow *>(receiver))
        return window == FWindow->windowHandle();
    return false;
}

bool TWindowedOperationWaiter::eventFilter(QObject *receiver, QEvent *event)
{
    if (!FActive || IsInWindow(receiver))
        return false;
    if (IsUserInput(event->type()))
        return true;
    // A window closed now would take the data being read with it.
    if (event->type() == QEvent::Close
        && (receiver->isWidgetType() || qobject_cast<QWindow *>(receiver))) {
        event->ignore();
        return true;
    }
    return false;
}
