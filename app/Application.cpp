#include "app/Application.h"

#include "core/ErrorDisplay.h"
#include "core/Exception.h"
#include "core/OperationProgress.h"
#include "core/TFont.h"
#include "i18n/FormWalk.h"
#include "i18n/zrMultilingualSupport.h"

#include <QEvent>
#include <QMessageBox>
#include <QWidget>

TApplication::TApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    // The dialogs ask for Tahoma by name, through TFont or a plain QFont.
    RegisterClassicFonts();
    setApplicationName(QStringLiteral("phonebook"));
    setOrganizationName(QStringLiteral("Tarnwell Software"));
    SetErrorDisplay([this](const std::exception &e) { HandleException(e); });
}

TApplication::~TApplication()
{
    SetErrorDisplay({});
}

QString TApplication::Title()
{
    return TranslateText(QStringLiteral("Телефонный справочник"));
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        TrackHint(receiver, event);
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        HandleException(e);
    } catch (...) {
        HandleException(Exception(QStringLiteral("Unknown error")));
    }
    return true;
}

void TApplication::HandleException(const std::exception &e)
{
    // The user asked for it: there is nothing to tell.
    if (dynamic_cast<const EOperationCancelled *>(&e))
        return;
    const auto *own = dynamic_cast<const Exception *>(&e);
    // Fixed messages are translated whole; one that carries a name or a number stays as it is.
    const QString message = TranslateText(own ? own->Message() : QString::fromLocal8Bit(e.what()));
    if (FExceptionSink) {
        FExceptionSink(message);
        return;
    }
    QMessageBox box(QMessageBox::Critical, Title(), message, QMessageBox::Ok, activeWindow());
    if (own && !own->Detail().isEmpty())
        box.setDetailedText(own->Detail());
    box.exec();
}

void TApplication::SetHint(const QString &hint)
{
    if (hint == FHint)
        return;
    FHint = hint;
    emit HintChanged();
}

QString TApplication::GetShortHint(const QString &hint)
{
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.left(bar);
}

QString TApplication::GetLongHint(const QString &hint)
{
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.mid(bar + 1);
}

void TApplication::SetWidgetHint(QWidget *widget, const QString &hint)
{
    widget->setProperty(ControlHintProperty, hint);
    widget->setToolTip(GetShortHint(hint));
}

// The hint follows the mouse: entering a control (or a child of one) with a hint makes it
// current; leaving a window clears it. Moving from a control onto its parent sends the parent
// no Enter, so leaving a control falls back to its parent's hint; a control entered next
// replaces that at once.
void TApplication::TrackHint(QObject *receiver, QEvent *event)
{
    if (event->type() != QEvent::Enter && event->type() != QEvent::Leave)
        return;
    auto *widget = qobject_cast<QWidget *>(receiver);
    if (!widget)
        return;
    if (event->type() == QEvent::Leave) {
        if (widget->isWindow()) {
            SetHint(QString());
            return;
        }
        widget = widget->parentWidget();
    }
    for (QWidget *w = widget; w; w = w->parentWidget()) {
        const QVariant hint = w->property(ControlHintProperty);
        if (hint.isValid()) {
            SetHint(GetLongHint(hint.toString()));
            return;
        }
        if (w->isWindow())
            break;
    }
    SetHint(QString());
}
