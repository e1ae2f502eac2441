#pragma once

#include <QList>
#include <QPointer>
#include <functional>

class QObject;
class QString;
class QWidget;

// The dynamic property holding a control's hint, "short|long": the short part is its tooltip,
// the long part goes to the status bar. The application sets it; the form walk translates it.
inline constexpr char ControlHintProperty[] = "phonebookHint";

// Gives a text its translation: true and the new text in result, or false to leave it alone.
using TTextTranslator = std::function<bool(const QString &text, QString &result)>;

// The owner form first, then every object below it, depth first, that one of the translated
// classes covers. A window below the form that carries its own translation component is left
// to that component.
QList<QPointer<QObject>> CollectTranslatableComponents(QWidget *form);

// Translates the hint of a control, then the texts of the first class row that applies to the
// component. Rows that need a character set apply only when charsetKnown.
void TranslateComponentTexts(
    QObject *component, bool charsetKnown, const TTextTranslator &translate);
