#include "i18n/FormWalk.h"

#include "i18n/zrMultilingualSupport.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QVariant>
#include <QWidget>
#include <initializer_list>

// The classes whose texts are translated, known by class name and read and written through Qt's
// meta-object properties. i18n sits below the widget kit and the grid, so it cannot include their
// headers; they declare the properties named here (Caption, Lines, ColorButtonText,
// FieldDisplayLabels) instead. Only combo and list box items, which Qt keeps in models rather than
// properties, are reached through the Qt classes themselves.
//
// Qt fonts cover all of Unicode and have no character set to set, so a row's need of a character
// set only decides whether the row applies.

namespace {

enum class TTextKind {
    Text, // a QString property
    Lines, // a QStringList property, translated as one multi-line text
    EveryItem, // a QStringList property, item by item
    ComboItems, // the items of a QComboBox; its current index survives
    ListItems, // the items of a QListWidget
};

struct TTextSlot
{
    TTextKind Kind;
    const char *Property;
};

struct TClassRow
{
    const char *ClassName;
    bool NeedsCharset;
    std::initializer_list<TTextSlot> Texts;
};

bool IsForm(const QObject *object)
{
    auto *widget = qobject_cast<const QWidget *>(object);
    return widget && widget->isWindow() && !qobject_cast<const QMenu *>(widget);
}

// The form is matched by IsForm, not by class; its row sits where the form's row of the table
// stands among the others.
constexpr char FormRow[] = "<form>";

// In order: the first row that applies wins. The lookup combo lists table data, so it comes
// before the combo box row and translates nothing.
const TClassRow ClassTable[] = {
    {"QPushButton", false, {{TTextKind::Text, "text"}}},
    {"TmBitButton", false, {{TTextKind::Text, "Caption"}}},
    {"TxYellowLabel", false, {{TTextKind::Text, "Caption"}, {TTextKind::Lines, "Lines"}}},
    {"QLabel", false, {{TTextKind::Text, "text"}}},
    {FormRow, false, {{TTextKind::Text, "windowTitle"}}},
    {"QLineEdit", true, {}},
    {"QTableWidget", true, {}},
    {"TDBGrid", true, {{TTextKind::EveryItem, "FieldDisplayLabels"}}},
    {"TDataSet", true, {{TTextKind::EveryItem, "FieldDisplayLabels"}}},
    {"QListWidget", true, {{TTextKind::ListItems, nullptr}}},
    {"TvgDBLookupCombo", true, {}},
    {"QComboBox", true, {{TTextKind::ComboItems, nullptr}}},
    {"QPlainTextEdit", true, {{TTextKind::Text, "plainText"}}},
    {"TmmRadioGroup", true, {{TTextKind::Text, "Caption"}}},
    {"QGroupBox", true, {{TTextKind::Text, "title"}}},
    {"QRadioButton", true, {{TTextKind::Text, "text"}}},
    {"QCheckBox", false, {{TTextKind::Text, "text"}}},
    {"QAction", true, {{TTextKind::Text, "text"}, {TTextKind::Text, "statusTip"}}},
    {"QToolButton", true, {{TTextKind::Text, "text"}}},
    {"TColorCombo", true, {{TTextKind::Text, "ColorButtonText"}}},
    // The window's status bar: only its hint.
    {"TStatusBar", true, {}},
};

bool RowMatches(const TClassRow &row, const QObject *object)
{
    if (row.ClassName == FormRow)
        return IsForm(object);
    return object->inherits(row.ClassName);
}

bool IsCollected(const QObject *object)
{
    for (const TClassRow &row : ClassTable)
        if (RowMatches(row, object))
            return true;
    return false;
}

bool HasOwnTranslation(const QObject *object)
{
    return IsForm(object)
        && object->findChild<TzrMultilingualSupport *>(QString(), Qt::FindDirectChildrenOnly);
}

void CollectBelow(QObject *owner, QList<QPointer<QObject>> &list)
{
    for (QObject *child : owner->children()) {
        if (HasOwnTranslation(child))
            continue;
        if (IsCollected(child) && !list.contains(child))
            list.append(child);
        CollectBelow(child, list);
    }
}

void TranslateProperty(QObject *object, const char *name, const TTextTranslator &translate)
{
    const QVariant value = object->property(name);
    if (!value.isValid())
        return;
    QString translated;
    if (translate(value.toString(), translated))
        object->setProperty(name, translated);
}

void TranslateLines(QObject *object, const char *name, const TTextTranslator &translate)
{
    const QVariant value = object->property(name);
    if (!value.isValid())
        return;
    QString translated;
    if (translate(value.toStringList().join(QLatin1Char('\n')), translated))
        object->setProperty(name, translated.split(QLatin1Char('\n')));
}

void TranslateEveryItem(QObject *object, const char *name, const TTextTranslator &translate)
{
    const QVariant value = object->property(name);
    if (!value.isValid())
        return;
    QStringList items = value.toStringList();
    bool changed = false;
    for (QString &item : items) {
        QString translated;
        if (translate(item, translated)) {
            item = translated;
            changed = true;
        }
    }
    if (changed)
        object->setProperty(name, items);
}

void TranslateComboItems(QComboBox *combo, const TTextTranslator &translate)
{
    const int index = combo->currentIndex();
    for (int i = 0; i < combo->count(); ++i) {
        QString translated;
        if (translate(combo->itemText(i), translated))
            combo->setItemText(i, translated);
    }
    combo->setCurrentIndex(index);
}

void TranslateListItems(QListWidget *list, const TTextTranslator &translate)
{
    for (int i = 0; i < list->count(); ++i) {
        QString translated;
        if (translate(list->item(i)->text(), translated))
            list->item(i)->setText(translated);
    }
}

void TranslateSlot(QObject *object, const TTextSlot &slot, const TTextTranslator &translate)
{
    switch (slot.Kind) {
    case TTextKind::Text:
        TranslateProperty(object, slot.Property, translate);
        break;
    case TTextKind::Lines:
        TranslateLines(object, slot.Property, translate);
        break;
    case TTextKind::EveryItem:
        TranslateEveryItem(object, slot.Property, translate);
        break;
    case TTextKind::ComboItems:
        if (auto *combo = qobject_cast<QComboBox *>(object))
            TranslateComboItems(combo, translate);
        break;
    case TTextKind::ListItems:
        if (auto *list = qobject_cast<QListWidget *>(object))
            TranslateListItems(list, translate);
        break;
    }
}

// A control's hint is the hint property when the application gave it one, and its tooltip.
void TranslateHint(QWidget *control, const TTextTranslator &translate)
{
    if (control->property(ControlHintProperty).isValid())
        TranslateProperty(control, ControlHintProperty, translate);
    if (!control->toolTip().isEmpty())
        TranslateProperty(control, "toolTip", translate);
}

} // namespace

QList<QPointer<QObject>> CollectTranslatableComponents(QWidget *form)
{
    QList<QPointer<QObject>> list;
    if (!form)
        return list;
    list.append(form);
    CollectBelow(form, list);
    return list;
}

void TranslateComponentTexts(
    QObject *component, bool charsetKnown, const TTextTranslator &translate)
{
    if (auto *control = qobject_cast<QWidget *>(component))
        TranslateHint(control, translate);
    for (const TClassRow &row : ClassTable) {
        if (!RowMatches(row, component) || (row.NeedsCharset && !charsetKnown))
            continue;
        for (const TTextSlot &slot : row.Texts)
            TranslateSlot(component, slot, translate);
        break;
    }
    // A one-line label grows to its translation, as the dialogs' auto-sized labels would:
    // English is often longer than the Russian it replaces. The note label sizes itself.
    auto *label = qobject_cast<QLabel *>(component);
    if (label && !label->inherits("TxYellowLabel") && !label->wordWrap()
        && label->sizeHint().width() > label->width())
        label->resize(label->sizeHint().width(), label->height());
}
