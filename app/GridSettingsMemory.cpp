#include "app/GridSettingsMemory.h"

#include "conditions/mmDBGridCondition.h"
#include "db/dataset/TDataSet.h"
#include "db/dataset/TField.h"
#include "grid/mmDBGrid.h"
#include "settings/xAppRegistry.h"

#include <QDebug>
#include <memory>

namespace {

const QString FontPrefix = QStringLiteral("Font");
const QString TitleFontPrefix = QStringLiteral("TitleFont");
const QString ColumnsKey = QStringLiteral("\\Columns");
const QString ConditionsKey = QStringLiteral("\\Conditions");
const QString CountValue = QStringLiteral("Count");
const QString VisibleSuffix = QStringLiteral(".Visible");
const QString WidthSuffix = QStringLiteral(".Width");
// Between the field names a condition formats; no field name of the directory holds one.
const QChar FieldSeparator = QLatin1Char(';');

// The grid's colours, each kept under the name of its property.
struct TColorSetting
{
    QString Name;
    TColor (*Get)(const TmmDBGrid &);
    void (*Set)(TmmDBGrid &, TColor);
};

const TColorSetting ColorSettings[] = {
    {QStringLiteral("Color"), [](const TmmDBGrid &g) { return g.Color(); },
        [](TmmDBGrid &g, TColor c) { g.SetColor(c); }},
    {QStringLiteral("FixedColor"), [](const TmmDBGrid &g) { return g.FixedColor(); },
        [](TmmDBGrid &g, TColor c) { g.SetFixedColor(c); }},
    {QStringLiteral("ColorSelected"), [](const TmmDBGrid &g) { return g.ColorSelected(); },
        [](TmmDBGrid &g, TColor c) { g.SetColorSelected(c); }},
    {QStringLiteral("StripeOne"), [](const TmmDBGrid &g) { return g.StripeOne(); },
        [](TmmDBGrid &g, TColor c) { g.SetStripeOne(c); }},
    {QStringLiteral("StripeTwo"), [](const TmmDBGrid &g) { return g.StripeTwo(); },
        [](TmmDBGrid &g, TColor c) { g.SetStripeTwo(c); }},
};

// Its switches, kept as integers 0 and 1.
struct TSwitchSetting
{
    QString Name;
    bool (*Get)(const TmmDBGrid &);
    void (*Set)(TmmDBGrid &, bool);
};

const TSwitchSetting SwitchSettings[] = {
    {QStringLiteral("Striped"), [](const TmmDBGrid &g) { return g.Striped(); },
        [](TmmDBGrid &g, bool on) { g.SetStriped(on); }},
    {QStringLiteral("ScaleColumns"), [](const TmmDBGrid &g) { return g.ScaleColumns(); },
        [](TmmDBGrid &g, bool on) { g.SetScaleColumns(on); }},
    {QStringLiteral("ConditionalFormatting"),
        [](const TmmDBGrid &g) { return g.ConditionalFormatting(); },
        [](TmmDBGrid &g, bool on) { g.SetConditionalFormatting(on); }},
};

// The values of one condition, below its own numbered key.
const QString ConditionField = QStringLiteral("FieldName");
const QString ConditionOperation = QStringLiteral("Operation");
const QString ConditionValue1 = QStringLiteral("Value1");
const QString ConditionValue2 = QStringLiteral("Value2");
const QString ConditionFormula = QStringLiteral("Formula");
const QString ConditionUseColor = QStringLiteral("UseColor");
const QString ConditionColor = QStringLiteral("Color");
const QString ConditionUseFont = QStringLiteral("UseFont");
const QString ConditionShowIn = QStringLiteral("ShowInFields");

QString ConditionKey(const QString &key, int index)
{
    return key + ConditionsKey + QLatin1Char('\\') + QString::number(index);
}

// A setting that cannot be read or applied is left as it is; the others still come back.
template <typename Step> void Skippable(const QString &what, Step step)
{
    try {
        step();
    } catch (const std::exception &e) {
        qWarning().noquote() << "Stored grid setting skipped:" << what << '-' << e.what();
    }
}

// Whether the field is on screen: the user hides fields, the window hides columns.
bool IsShown(const TmmDBGrid &grid, const TField *field)
{
    const TColumn *column = grid.Columns().FindColumn(field->FieldName());
    return field->Visible() && column && column->Visible();
}

} // namespace

TGridSettingsMemory::TGridSettingsMemory(TmmDBGrid &grid)
    : FGrid(grid)
{ }

TxAppRegistry *TGridSettingsMemory::Store() const
{
    return AppRegistry;
}

QString TGridSettingsMemory::GridKey() const
{
    return ComponentPath(&FGrid);
}

QString TGridSettingsMemory::KindKey(const QString &kind) const
{
    return GridKey() + QLatin1Char('\\') + kind;
}

// Reading through the store creates the key it reads from: absent settings are asked for first,
// so that a program that only looks leaves the file as it was.
bool TGridSettingsMemory::KeyExists(const QString &subKey) const
{
    TxAppRegistry *store = Store();
    try {
        return store && store->Backend().KeyExists(store->AppKey() + subKey);
    } catch (const std::exception &e) {
        qWarning().noquote() << "The grid settings cannot be read:" << e.what();
        return false;
    }
}

bool TGridSettingsMemory::Enabled() const
{
    if (!KeyExists(GridKey()))
        return false;
    bool enabled = false;
    Skippable(
        EnabledValue, [&] { enabled = Store()->ReadInteger(GridKey(), EnabledValue, 0) != 0; });
    return enabled;
}

void TGridSettingsMemory::SetEnabled(bool enabled)
{
    TxAppRegistry *store = Store();
    if (!store)
        return;
    try {
        if (enabled) {
            store->WriteInteger(GridKey(), EnabledValue, 1);
            SaveShown();
        } else {
            // The grid's key holds nothing else of ours: forgetting is one step.
            store->Backend().DeleteKey(store->AppKey() + GridKey());
        }
    } catch (const std::exception &e) {
        qWarning().noquote() << "The grid settings switch cannot be stored:" << e.what();
    }
}

void TGridSettingsMemory::KindShown(const QString &kind)
{
    if (kind == FShownKind)
        return;
    FShownKind = kind;
    Restore(kind);
}

void TGridSettingsMemory::KindLeaving()
{
    SaveShown();
    FShownKind.clear();
}

void TGridSettingsMemory::SaveShown()
{
    if (!FShownKind.isEmpty())
        Save(FShownKind);
}

void TGridSettingsMemory::Save(const QString &kind)
{
    TxAppRegistry *store = Store();
    if (!store || !Enabled())
        return;
    const QString key = KindKey(kind);
    try {
        // One write of the store for the whole look.
        TRegistryUpdate update(store->Backend());
        SaveLook(*store, key);
        SaveColumns(*store, key);
        SaveConditions(*store, key);
        update.Commit();
    } catch (const std::exception &e) {
        // Losing the look is no reason to interrupt what the user is doing.
        qWarning().noquote() << "The grid settings cannot be saved:" << e.what();
    }
}

void TGridSettingsMemory::SaveLook(TxAppRegistry &store, const QString &key)
{
    store.WriteFont(key, FontPrefix, FGrid.Font());
    store.WriteFont(key, TitleFontPrefix, FGrid.TitleFont());
    for (const TColorSetting &color : ColorSettings)
        store.WriteColor(key, color.Name, color.Get(FGrid));
    for (const TSwitchSetting &setting : SwitchSettings)
        store.WriteInteger(key, setting.Name, setting.Get(FGrid) ? 1 : 0);
}

void TGridSettingsMemory::SaveColumns(TxAppRegistry &store, const QString &key)
{
    const TDataSet *dataSet = FGrid.DataSet();
    if (!dataSet || !dataSet->Active())
        return;
    const QString columnsKey = key + ColumnsKey;
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
        const TField *field = dataSet->Fields(i);
        const bool shown = IsShown(FGrid, field);
        store.WriteInteger(columnsKey, field->FieldName() + VisibleSuffix, shown ? 1 : 0);
        if (shown)
            store.WriteInteger(columnsKey, field->FieldName() + WidthSuffix,
                FGrid.Columns().FindColumn(field->FieldName())->Width());
    }
}

void TGridSettingsMemory::SaveConditions(TxAppRegistry &store, const QString &key)
{
    const TExList<TCondition> &conditions = FGrid.Conditions();
    store.WriteInteger(key + ConditionsKey, CountValue, conditions.Count());
    for (int i = 0; i < conditions.Count(); ++i) {
        const TCondition &condition = *conditions[i];
        const QString conditionKey = ConditionKey(key, i);
        store.WriteString(conditionKey, ConditionField, condition.FieldName);
        store.WriteInteger(conditionKey, ConditionOperation, int(condition.Operation));
        store.WriteString(conditionKey, ConditionValue1, condition.Value1);
        store.WriteString(conditionKey, ConditionValue2, condition.Value2);
        store.WriteInteger(conditionKey, ConditionFormula, condition.Formula ? 1 : 0);
        store.WriteInteger(conditionKey, ConditionUseColor, condition.UseColor ? 1 : 0);
        store.WriteColor(conditionKey, ConditionColor, condition.Color);
        store.WriteInteger(conditionKey, ConditionUseFont, condition.UseFont ? 1 : 0);
        store.WriteFont(conditionKey, FontPrefix, condition.Font);
        store.WriteString(
            conditionKey, ConditionShowIn, condition.ShowInFields.join(FieldSeparator));
    }
    // Conditions deleted since the last save.
    for (int i = conditions.Count(); KeyExists(ConditionKey(key, i)); ++i)
        store.Backend().DeleteKey(store.AppKey() + ConditionKey(key, i));
}

void TGridSettingsMemory::Restore(const QString &kind)
{
    TxAppRegistry *store = Store();
    const QString key = KindKey(kind);
    if (!store || !Enabled() || !KeyExists(key))
        return;
    RestoreLook(*store, key);
    // Scaling is back before the widths: a scaled grid fits them itself.
    RestoreColumns(*store, key);
    RestoreConditions(*store, key);
}

void TGridSettingsMemory::RestoreLook(TxAppRegistry &store, const QString &key)
{
    Skippable(FontPrefix, [&] {
        TFont font = FGrid.Font();
        store.ReadFont(key, FontPrefix, font);
        FGrid.SetFont(font);
    });
    Skippable(TitleFontPrefix, [&] {
        TFont font = FGrid.TitleFont();
        store.ReadFont(key, TitleFontPrefix, font);
        FGrid.SetTitleFont(font);
    });
    for (const TColorSetting &color : ColorSettings)
        Skippable(color.Name,
            [&] { color.Set(FGrid, store.ReadColor(key, color.Name, color.Get(FGrid))); });
    for (const TSwitchSetting &setting : SwitchSettings)
        Skippable(setting.Name, [&] {
            setting.Set(FGrid, store.ReadInteger(key, setting.Name, setting.Get(FGrid)) != 0);
        });
}

void TGridSettingsMemory::RestoreColumns(TxAppRegistry &store, const QString &key)
{
    TDataSet *dataSet = FGrid.DataSet();
    const QString columnsKey = key + ColumnsKey;
    if (!dataSet || !dataSet->Active() || !KeyExists(columnsKey))
        return;
    QStringList names;
    store.ReadValueNames(columnsKey, names);

    // Visibility first, in one step: showing or hiding a field rebuilds the columns.
    QList<TField *> shown;
    QList<TField *> hidden;
    for (const QString &name : std::as_const(names)) {
        if (!name.endsWith(VisibleSuffix, Qt::CaseInsensitive))
            continue;
        const QString fieldName = name.chopped(VisibleSuffix.size());
        TField *field = dataSet->FindField(fieldName);
        if (!field)
            continue; // a field the result no longer has
        Skippable(name, [&] {
            const bool visible = store.ReadInteger(columnsKey, name, 1) != 0;
            if (visible != IsShown(FGrid, field))
                (visible ? shown : hidden).append(field);
        });
    }
    if (!shown.isEmpty() || !hidden.isEmpty())
        FGrid.SetFieldsVisible(shown, hidden);

    if (FGrid.ScaleColumns())
        return;
    for (const QString &name : std::as_const(names)) {
        if (!name.endsWith(WidthSuffix, Qt::CaseInsensitive))
            continue;
        TColumn *column = FGrid.Columns().FindColumn(name.chopped(WidthSuffix.size()));
        if (!column || !column->Visible())
            continue;
        Skippable(name, [&] {
            const int width = store.ReadInteger(columnsKey, name, column->Width());
            // Wider than any screen is a damaged value, not a wish.
            if (width > 0 && width <= 10000)
                column->SetWidth(width);
        });
    }
}

void TGridSettingsMemory::RestoreConditions(TxAppRegistry &store, const QString &key)
{
    const TDataSet *dataSet = FGrid.DataSet();
    if (!dataSet || !dataSet->Active() || !KeyExists(key + ConditionsKey))
        return;
    int count = 0;
    Skippable(CountValue, [&] { count = store.ReadInteger(key + ConditionsKey, CountValue, -1); });
    if (count < 0)
        return;

    TExList<TCondition> conditions {true};
    for (int i = 0; i < count; ++i) {
        const QString conditionKey = ConditionKey(key, i);
        if (!KeyExists(conditionKey))
            continue;
        Skippable(QStringLiteral("condition %1").arg(i + 1), [&] {
            auto condition = std::make_unique<TCondition>();
            condition->FieldName = store.ReadString(conditionKey, ConditionField, QString());
            if (!dataSet->FindField(condition->FieldName))
                return; // the tested field is gone
            const int operation = store.ReadInteger(conditionKey, ConditionOperation, -1);
            if (operation < 0 || operation >= ConditionOperationCount)
                throw Exception(QStringLiteral("no operation %1").arg(operation));
            condition->Operation = TConditionOperation(operation);
            condition->Value1 = store.ReadString(conditionKey, ConditionValue1, QString());
            condition->Value2 = store.ReadString(conditionKey, ConditionValue2, QString());
            condition->Formula = store.ReadInteger(conditionKey, ConditionFormula, 0) != 0;
            condition->UseColor = store.ReadInteger(conditionKey, ConditionUseColor, 0) != 0;
            condition->Color = store.ReadColor(conditionKey, ConditionColor, condition->Color);
            condition->UseFont = store.ReadInteger(conditionKey, ConditionUseFont, 0) != 0;
            store.ReadFont(conditionKey, FontPrefix, condition->Font);
            const QStringList showIn = store.ReadString(conditionKey, ConditionShowIn, QString())
                                           .split(FieldSeparator, Qt::SkipEmptyParts);
            for (const QString &name : showIn)
                if (dataSet->FindField(name))
                    condition->ShowInFields << name;
            if (condition->ShowInFields.isEmpty())
                return; // it would format no cell
            conditions.Add(condition.release());
        });
    }
    TExList<TCondition> &target = FGrid.Conditions();
    target.Clear();
    while (!conditions.IsEmpty())
        target.Add(conditions.Extract(0));
    FGrid.PrepareConditions();
    FGrid.Invalidate();
}
