#include "settings/xAppRegistryHandlers.h"

#include "settings/xAppRegistry.h"

#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QWidget>
#include <algorithm>

namespace {

const QString FormDataKey = QStringLiteral("\\FormData");
const QString LeftValue = QStringLiteral("Left");
const QString TopValue = QStringLiteral("Top");
const QString WidthValue = QStringLiteral("Width");
const QString HeightValue = QStringLiteral("Height");
const QString StateValue = QStringLiteral("State");
const QString PageIndexValue = QStringLiteral("PageIndex");
const QString TabIndexValue = QStringLiteral("TabIndex");
const QString NormalState = QStringLiteral("NORMAL");
const QString MinimizedState = QStringLiteral("MINIMIZED");
const QString MaximizedState = QStringLiteral("MAXIMIZED");
const QString DisplayWidthSuffix = QStringLiteral(".DisplayWidth");
const QString IndexSuffix = QStringLiteral(".Index");
constexpr int DefaultDisplayWidth = 10;

bool KeepsPlace(const QWidget *form)
{
    return form->property(FormPositionProperty).toString() != ScreenCenterPosition;
}

bool KeepsSize(const QWidget *form)
{
    if (form->property(FormBorderStyleProperty).toString() == DialogBorderStyle)
        return false;
    return form->minimumSize() != form->maximumSize();
}

void SaveForm(TxAppRegistry &registry, const QString &path, QObject *component)
{
    auto *form = qobject_cast<QWidget *>(component);
    if (!IsForm(form))
        return;
    const QString key = HandlerKey(path, form);
    if (KeepsPlace(form)) {
        registry.WriteInteger(key, LeftValue, form->x());
        registry.WriteInteger(key, TopValue, form->y());
    }
    if (KeepsSize(form)) {
        registry.WriteInteger(key, WidthValue, form->width());
        registry.WriteInteger(key, HeightValue, form->height());
    }
    const Qt::WindowStates state = form->windowState();
    QString stateText = NormalState;
    if (state & Qt::WindowMinimized)
        stateText = MinimizedState;
    else if (state & Qt::WindowMaximized)
        stateText = MaximizedState;
    registry.WriteString(key, StateValue, stateText);
}

void LoadForm(TxAppRegistry &registry, const QString &path, QObject *component)
{
    auto *form = qobject_cast<QWidget *>(component);
    if (!IsForm(form))
        return;
    const QString key = HandlerKey(path, form);
    int left = form->x();
    int top = form->y();
    int width = form->width();
    int height = form->height();
    if (KeepsPlace(form)) {
        left = registry.ReadInteger(key, LeftValue, left);
        top = registry.ReadInteger(key, TopValue, top);
    }
    if (KeepsSize(form)) {
        width = registry.ReadInteger(key, WidthValue, width);
        height = registry.ReadInteger(key, HeightValue, height);
    }
    form->move(left, top);
    form->resize(width, height);

    // Only the exact upper-case words count; anything else is a normal window.
    const QString stateText = registry.ReadString(key, StateValue, QString());
    Qt::WindowStates state
        = form->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
    if (stateText == MinimizedState)
        state |= Qt::WindowMinimized;
    else if (stateText == MaximizedState)
        state |= Qt::WindowMaximized;
    form->setWindowState(state);
}

template <class Widget> void SavePageIndex(TxAppRegistry &registry, const QString &path, QObject *c)
{
    if (auto *widget = qobject_cast<Widget *>(c))
        registry.WriteInteger(HandlerKey(path, widget), PageIndexValue, widget->currentIndex());
}

template <class Widget> void LoadPageIndex(TxAppRegistry &registry, const QString &path, QObject *c)
{
    if (auto *widget = qobject_cast<Widget *>(c)) {
        const int index = registry.ReadInteger(
            HandlerKey(path, widget), PageIndexValue, widget->currentIndex());
        if (index >= 0 && index < widget->count())
            widget->setCurrentIndex(index);
    }
}

void SaveTabIndex(TxAppRegistry &registry, const QString &path, QObject *c)
{
    if (auto *tabs = qobject_cast<QTabBar *>(c))
        registry.WriteInteger(HandlerKey(path, tabs), TabIndexValue, tabs->currentIndex());
}

void LoadTabIndex(TxAppRegistry &registry, const QString &path, QObject *c)
{
    if (auto *tabs = qobject_cast<QTabBar *>(c)) {
        const int index
            = registry.ReadInteger(HandlerKey(path, tabs), TabIndexValue, tabs->currentIndex());
        if (index >= 0 && index < tabs->count())
            tabs->setCurrentIndex(index);
    }
}

bool ShownOnItsForm(const TDataSetLayout &layout)
{
    const QObject *owner = layout.DataSet()->parent();
    return IsForm(owner) && layout.ShownByGridOf(owner);
}

int FindField(const TDataSetLayout &layout, const QString &name)
{
    for (int i = 0; i < layout.FieldCount(); ++i)
        if (layout.FieldName(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace

bool IsForm(const QObject *object)
{
    const auto *widget = qobject_cast<const QWidget *>(object);
    return widget && widget->isWindow();
}

int ComponentTag(const QObject *component)
{
    return component->property(ComponentTagProperty).toInt();
}

QString HandlerKey(const QString &path, const QObject *component)
{
    if (path.isEmpty())
        return ComponentPath(component);
    if (IsForm(component))
        return path + FormDataKey;
    return path + QLatin1Char('\\') + component->objectName();
}

void RegisterBuiltInHandlers(TxAppRegistry &registry)
{
    registry.RegisterHandlers({QWidget::staticMetaObject}, SaveForm, LoadForm);
    registry.RegisterHandlers(
        {QTabWidget::staticMetaObject}, SavePageIndex<QTabWidget>, LoadPageIndex<QTabWidget>);
    registry.RegisterHandlers({QStackedWidget::staticMetaObject}, SavePageIndex<QStackedWidget>,
        LoadPageIndex<QStackedWidget>);
    registry.RegisterHandlers({QTabBar::staticMetaObject}, SaveTabIndex, LoadTabIndex);
    // The kit's extended tab set is a tab bar: once it exists this record and the one above
    // both apply to it and keep the same value.
    registry.RegisterHandlers({TComponentClass("TExtTabSet")}, SaveTabIndex, LoadTabIndex);
}

void SaveDataSetLayout(TxAppRegistry &registry, const QString &path, const TDataSetLayout &layout)
{
    if (!ShownOnItsForm(layout))
        return;
    const QString key = HandlerKey(path, layout.DataSet());
    for (int i = 0; i < layout.FieldCount(); ++i) {
        if (!layout.FieldVisible(i))
            continue;
        const QString name = layout.FieldName(i);
        registry.WriteInteger(key, name + DisplayWidthSuffix, layout.FieldDisplayWidth(i));
        registry.WriteInteger(key, name + IndexSuffix, i);
    }
}

void LoadDataSetLayout(TxAppRegistry &registry, const QString &path, TDataSetLayout &layout)
{
    if (!ShownOnItsForm(layout))
        return;
    const QString key = HandlerKey(path, layout.DataSet());
    QStringList names;
    registry.ReadValueNames(key, names);
    for (const QString &valueName : std::as_const(names)) {
        const qsizetype dot = valueName.lastIndexOf(QLatin1Char('.'));
        const QString fieldName = dot < 0 ? valueName : valueName.left(dot);
        const int field = FindField(layout, fieldName);
        if (field < 0)
            continue;
        const int width
            = registry.ReadInteger(key, fieldName + DisplayWidthSuffix, DefaultDisplayWidth);
        layout.SetFieldDisplayWidth(field, width > 0 ? width : DefaultDisplayWidth);
        const int position = registry.ReadInteger(key, fieldName + IndexSuffix, 0);
        // Beyond the last field means last, as a field's Index does.
        layout.SetFieldIndex(field, std::clamp(position, 0, layout.FieldCount() - 1));
    }
}
