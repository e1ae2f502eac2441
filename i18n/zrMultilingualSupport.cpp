#include "i18n/zrMultilingualSupport.h"

#include "i18n/FormWalk.h"
#include "i18n/TranslationDictionary.h"

#include <QEvent>
#include <QWidget>

TTranslationDictionary *TranslationDictionary = nullptr;

TzrMultilingualSupport::TzrMultilingualSupport(QObject *owner)
    : QObject(owner)
    , FContext(owner ? QString::fromLatin1(owner->metaObject()->className()) : QString())
{
    Loaded();
}

TzrMultilingualSupport::~TzrMultilingualSupport()
{
    if (FWatchedForm)
        FWatchedForm->removeEventFilter(this);
}

QWidget *TzrMultilingualSupport::OwnerForm() const
{
    auto *form = qobject_cast<QWidget *>(parent());
    return form && form->isWindow() ? form : nullptr;
}

void TzrMultilingualSupport::Loaded()
{
    QWidget *form = OwnerForm();
    if (!form || form == FWatchedForm)
        return;
    // An event filter rather than a replaced handler: the form's own showEvent still runs.
    form->installEventFilter(this);
    FWatchedForm = form;
}

bool TzrMultilingualSupport::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FWatchedForm && event->type() == QEvent::Show)
        OwnerFormShow(watched);
    return QObject::eventFilter(watched, event);
}

void TzrMultilingualSupport::OwnerFormShow(QObject *)
{
    if (!FEnabled || !TranslationDictionary)
        return;
    if (TranslationDictionary->Language() != FLanguage)
        TranslateComponents(true);
}

void TzrMultilingualSupport::TranslateComponents(bool recollect)
{
    if (TranslationDictionary)
        TranslationDictionary->TranslateComponents(*this, recollect);
}

void TzrMultilingualSupport::CollectComponents()
{
    FCollected = CollectTranslatableComponents(OwnerForm());
}

int TzrMultilingualSupport::SourceLanguageId() const
{
    int id = -1;
    return TranslationDictionary->FindLanguage(FLanguage, id) ? id : -1;
}

int TzrMultilingualSupport::TargetLanguageId() const
{
    return TranslationDictionary->CurrentLanguageId();
}

QString TzrMultilingualSupport::CollationName() const
{
    QString name;
    if (TranslationDictionary
        && TranslationDictionary->FindCollation(TranslationDictionary->CurrentLanguageId(), name))
        return name;
    return DefaultCollationName;
}

QString TranslateText(const QString &text)
{
    QString result;
    if (TranslationDictionary
        && (TranslationDictionary->Translate(
                QStringLiteral("rus"), QStringLiteral("-1"), false, -1, nullptr, result, text)
            || TranslationDictionary->TranslateFilledIn(QStringLiteral("rus"), text, result)))
        return result;
    return text;
}
