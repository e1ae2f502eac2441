#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QtTest>
#include <functional>

// Drives modal windows the way a user does, from inside the event loop that shows them: a step
// waits for the next modal window of its type to come up and then acts on it. A window that
// never comes fails the test; one that comes but is left open by a failed step is closed, so a
// broken test ends instead of waiting for a human.
namespace ModalScript {

constexpr int PollMs = 10;
constexpr int GiveUpMs = 10000;

template <class W> void WhenShown(std::function<void(W *)> step)
{
    QPointer<QWidget> before = QApplication::activeModalWidget();
    auto *timer = new QTimer(qApp);
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [=]() {
        QWidget *modal = QApplication::activeModalWidget();
        auto *window = qobject_cast<W *>(modal);
        if (window && modal != before && window->isVisible()) {
            timer->deleteLater();
            timer->stop();
            QPointer<W> guard(window);
            step(window);
            if (guard && guard->isVisible() && QTest::currentTestFailed())
                guard->close();
            return;
        }
        if ((*waited += PollMs) < GiveUpMs)
            return;
        timer->deleteLater();
        timer->stop();
        QTest::qFail("the modal window never came up", __FILE__, __LINE__);
        if (modal)
            modal->close();
    });
    timer->start(PollMs);
}

// Answers the next message box with a button and hands back its text.
inline void AnswerMessage(QMessageBox::StandardButton answer, QString *text = nullptr)
{
    WhenShown<QMessageBox>([=](QMessageBox *box) {
        if (text)
            *text = box->text();
        box->button(answer)->click();
    });
}

// Opens a dialog modal to its parent without a loop of its own, and makes it the active window
// so that keys reach its controls. False when it does not come up.
inline bool OpenActive(QDialog *dialog)
{
    dialog->open();
    dialog->activateWindow();
    return QTest::qWaitForWindowExposed(dialog) && QTest::qWaitForWindowActive(dialog);
}

} // namespace ModalScript
