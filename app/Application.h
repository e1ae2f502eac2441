#pragma once

#include <QApplication>
#include <QPointer>
#include <exception>

// The application object: it shows every failure that reaches the event loop in a message box
// (the rest of the interrupted operation does not run), and keeps the hint of the control under
// the mouse. A hint is "short|long": the short part is the tooltip, the long part goes to the
// status bar.
class TApplication : public QApplication
{
    Q_OBJECT
public:
    // Names the program ("phonebook", its organisation) and gives it no display name: the
    // platform would append one to every window's caption, which must be the caption alone.
    // It is the error display of the libraries below it while it lives.
    TApplication(int &argc, char **argv);
    ~TApplication() override;

    // The caption of the program's message boxes.
    static QString Title();

    bool notify(QObject *receiver, QEvent *event) override;

    // Shows a failure as the application's default handler does; an operation the user
    // cancelled is no failure and shows nothing.
    void HandleException(const std::exception &e);
    // Replaces the message box, for tests: receives the message instead.
    void SetExceptionSink(std::function<void(const QString &)> sink)
    {
        FExceptionSink = std::move(sink);
    }

    // The long part of the current hint.
    const QString &Hint() const { return FHint; }
    void SetHint(const QString &hint);

    // Gives a widget a hint: its tooltip becomes the short part, and the long part is the
    // application's hint while the mouse is over it.
    static void SetWidgetHint(QWidget *widget, const QString &hint);
    static QString GetShortHint(const QString &hint);
    static QString GetLongHint(const QString &hint);

signals:
    void HintChanged();

private:
    void TrackHint(QObject *receiver, QEvent *event);

    QString FHint;
    std::function<void(const QString &)> FExceptionSink;
};

inline TApplication *Application()
{
    return qobject_cast<TApplication *>(QCoreApplication::instance());
}
