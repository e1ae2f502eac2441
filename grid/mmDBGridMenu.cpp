#include "grid/GridDialogs.h"
#include "grid/GridStandardDialogs.h"
#include "grid/TPopupMenu.h"
#include "grid/mmDBGrid.h"

#include "core/OperationProgress.h"
#include "db/dataset/TDataSet.h"
#include "i18n/zrMultilingualSupport.h"

#include <QActionGroup>
#include <QMenu>

namespace {
const char TagProperty[] = "Tag";

bool IsGridItem(const QAction *action)
{
    return action->property(TagProperty).toInt() == TmmDBGrid::GridMenuItemTag;
}

// Creates the grid's items: every one tagged and owned by the grid (sub-items by their
// sub-menu, which the grid owns), captions through TranslateText.
class TGridMenuBuilder
{
public:
    explicit TGridMenuBuilder(TmmDBGrid *grid)
        : FGrid(grid)
    { }

    template <typename Handler>
    QAction *Item(QMenu *parent, const QString &caption, Handler handler)
    {
        auto *action = new QAction(TranslateText(caption), OwnerOf(parent));
        Tag(action);
        QObject::connect(action, &QAction::triggered, FGrid, handler);
        parent->addAction(action);
        return action;
    }

    template <typename Handler>
    QAction *Check(QMenu *parent, const QString &caption, bool checked, Handler handler)
    {
        QAction *action = Item(parent, caption, handler);
        action->setCheckable(true);
        action->setChecked(checked);
        return action;
    }

    // A command that works as a key as well while the grid has the focus.
    template <typename Handler>
    QAction *Key(QMenu *parent, const QString &caption, Qt::Key key, Handler handler)
    {
        QAction *action = Item(parent, caption, handler);
        action->setShortcut(QKeySequence(key));
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        FGrid->addAction(action);
        return action;
    }

    QMenu *SubMenu(QMenu *parent, const QString &caption)
    {
        // Nested sub-menus go with their parent sub-menu.
        QWidget *owner = IsGridItem(parent->menuAction()) ? static_cast<QWidget *>(parent) : FGrid;
        auto *menu = new QMenu(TranslateText(caption), owner);
        menu->setProperty(TagProperty, TmmDBGrid::GridMenuItemTag);
        Tag(menu->menuAction());
        parent->addMenu(menu);
        return menu;
    }

    void Separator(QMenu *parent)
    {
        auto *action = new QAction(OwnerOf(parent));
        action->setSeparator(true);
        Tag(action);
        parent->addAction(action);
    }

    // The three alignment radio items of one sub-menu.
    template <typename Setter> void Alignments(QMenu *parent, TAlignment current, Setter setter)
    {
        static const struct
        {
            const char *Caption;
            TAlignment Value;
        } items[] = {
            {"Выравнивать по центру", TAlignment::taCenter},
            {"Выравнивать по левому краю", TAlignment::taLeftJustify},
            {"Выравнивать по правому краю", TAlignment::taRightJustify},
        };
        auto *group = new QActionGroup(parent);
        for (const auto &item : items) {
            const TAlignment value = item.Value;
            QAction *action = Check(parent, QString::fromUtf8(item.Caption), current == value,
                [setter, value] { setter(value); });
            group->addAction(action);
        }
    }

private:
    // Top-level items belong to the grid; sub-items go with their sub-menu.
    QObject *OwnerOf(QMenu *parent) const
    {
        return IsGridItem(parent->menuAction()) ? static_cast<QObject *>(parent) : FGrid;
    }
    static void Tag(QAction *action)
    {
        action->setProperty(TagProperty, TmmDBGrid::GridMenuItemTag);
    }

    TmmDBGrid *FGrid;
};
} // namespace

void TmmDBGrid::RemoveGridMenuItems(QMenu *menu)
{
    if (!menu)
        return;
    const QList<QAction *> actions = menu->actions();
    for (auto it = actions.rbegin(); it != actions.rend(); ++it) {
        QAction *action = *it;
        if (!IsGridItem(action))
            continue;
        menu->removeAction(action);
        // A sub-menu takes its items and its own menu action with it.
        if (QMenu *subMenu = QMenu::menuInAction(action);
            subMenu && IsGridItem(subMenu->menuAction()))
            delete subMenu;
        else
            delete action;
    }
}

void TmmDBGrid::BuildPopupMenu(QMenu *menu, bool withColumnPart)
{
    // The keys are those of the last build, whichever menu it went into.
    for (QAction *action : actions())
        if (IsGridItem(action))
            removeAction(action);
    TGridMenuBuilder add(this);
    QMenu *root = menu;
    if (FPopupMenuKind == TPopupMenuKind::pmkSubMenu) {
        root = add.SubMenu(menu, QStringLiteral("Установки таблицы"));
    } else if (!menu->actions().isEmpty()) {
        // The application's items stay above the grid's.
        add.Separator(menu);
    }
    const bool dataOpen = DataLinkActive();

    add.Item(root, QStringLiteral("Мастер установок таблицы"), [this] { RunOptionsWizard(); });
    // The most derived Find runs.
    add.Key(root, QStringLiteral("Найти"), Qt::Key_F3, [this] { Find(); });
    add.Separator(root);
    add.Item(root, QStringLiteral("Шрифт таблицы"), [this] { ChooseTableFont(); });
    add.Item(root, QStringLiteral("Цвет таблицы"), [this] { ChooseTableColor(); });
    add.Item(root, QStringLiteral("Шрифт заглавиий"), [this] { ChooseTitlesFont(); });
    add.Item(root, QStringLiteral("Цвет заглавий"), [this] { ChooseTitlesColor(); });
    add.Item(root, QStringLiteral("Цвет выделенной записи"), [this] { ChooseSelectedColor(); });
    add.Separator(root);
    if (dataOpen) {
        QMenu *stripes = add.SubMenu(root, QStringLiteral("Использование полос"));
        add.Check(stripes, QStringLiteral("Использовать"), FStriped,
            [this](bool checked) { SetStriped(checked); });
        add.Item(stripes, QStringLiteral("Первая полоса"), [this] { ChooseStripeOne(); });
        add.Item(stripes, QStringLiteral("Вторая полоса"), [this] { ChooseStripeTwo(); });
        QMenu *conditions = add.SubMenu(root, QStringLiteral("Условное форматирование"));
        add.Check(conditions, QStringLiteral("Использовать"), FConditionalFormatting,
            [this](bool checked) { SetConditionalFormatting(checked); });
        add.Item(conditions, QStringLiteral("Задать условия"), [this] { EditConditions(); });
        add.Separator(root);
        add.Item(
            root, QStringLiteral("Выбрать видимые колонки"), [this] { ChooseVisibleColumns(); });
        add.Separator(root);
        add.Item(root, QStringLiteral("Источник данных..."), [this] { ShowDataSource(); });
        add.Key(root, QStringLiteral("Обновить данные"), Qt::Key_F5, [this] { RefreshData(); });
        add.Separator(root);
    }
    add.Check(root, QStringLiteral("Растягивать колонки"), FScaleColumns,
        [this](bool checked) { SetScaleColumns(checked); });
    if (FLineCount > 1)
        add.Check(root, QStringLiteral("Детальное отображение"), FShowLines,
            [this](bool checked) { SetShowLines(checked); });
    if (!withColumnPart || !FPopupColumn)
        return;

    TColumn *column = FPopupColumn;
    QMenu *columnMenu = add.SubMenu(root, QStringLiteral("Установки по колонке"));
    add.Item(columnMenu, QStringLiteral("Шрифт"), [this] { ChooseColumnFont(); });
    // Stripes paint over a column's own colour: offer it only without them.
    if (!FStriped)
        add.Item(columnMenu, QStringLiteral("Цвет"), [this] { ChooseColumnColor(); });
    add.Item(columnMenu, QStringLiteral("Детальность"), [this] { ShowColumnDetail(); });
    add.Separator(columnMenu);
    add.Alignments(columnMenu, column->Alignment(),
        [this](TAlignment alignment) { SetColumnAlignment(alignment); });
    add.Separator(columnMenu);
    QMenu *titleMenu = add.SubMenu(columnMenu, QStringLiteral("Установки по заглавию"));
    add.Item(titleMenu, QStringLiteral("Шрифт"), [this] { ChooseColumnTitleFont(); });
    add.Item(titleMenu, QStringLiteral("Цвет"), [this] { ChooseColumnTitleColor(); });
    add.Separator(titleMenu);
    add.Item(titleMenu, QStringLiteral("Изменить заглавие"), [this] { EditColumnCaption(); });
    add.Separator(titleMenu);
    add.Alignments(titleMenu, column->Title().Alignment(),
        [this](TAlignment alignment) { SetColumnTitleAlignment(alignment); });
}

// The hook ------------------------------------------------------------------------------------

void TmmDBGrid::PrepareMenuForPress()
{
    QMenu *menu = FPopupColumn ? FPopupColumn->PopupMenu() : nullptr;
    if (!menu) {
        if (!PopupMenu())
            EnsureDefaultPopupMenu();
        menu = PopupMenu();
    }
    InstallMenuHook(menu);
}

void TmmDBGrid::InstallMenuHook(QMenu *menu)
{
    // A press whose menu never opened left the hook in place: never save the hook as the
    // menu's own handler.
    if (!menu || FHookedMenu == menu)
        return;
    RemoveMenuHook();
    FHookedMenu = menu;
    if (auto *popup = qobject_cast<TPopupMenu *>(menu)) {
        FSavedOnPopup = std::move(popup->OnPopup);
        popup->OnPopup = [this](QObject *sender) { MenuPopup(sender); };
    } else {
        FMenuHookConnection
            = connect(menu, &QMenu::aboutToShow, this, [this, menu] { MenuPopup(menu); });
    }
}

void TmmDBGrid::RemoveMenuHook()
{
    if (auto *popup = qobject_cast<TPopupMenu *>(FHookedMenu.data()))
        popup->OnPopup = std::move(FSavedOnPopup);
    disconnect(FMenuHookConnection);
    FSavedOnPopup = nullptr;
    FHookedMenu = nullptr;
}

void TmmDBGrid::MenuPopup(QObject *sender)
{
    QMenu *menu = FHookedMenu;
    const TNotifyEvent saved = FSavedOnPopup;
    // The menu gets its own handler back first, so that a failing rebuild cannot leave the
    // hook behind.
    RemoveMenuHook();
    if (!menu)
        return;
    RemoveGridMenuItems(menu);
    BuildPopupMenu(menu, FPopupColumn != nullptr);
    // The application's handler sees the fresh items.
    if (saved)
        saved(sender);
}

// Table-level commands ------------------------------------------------------------------------

void TmmDBGrid::ChooseTableFont()
{
    const auto font = GridStandardDialogs().ChooseFont(this, Font());
    if (!font)
        return;
    SetFont(*font);
    // A column's own font would hide the new one: every column takes it.
    for (int i = 0; i < Columns().Count(); ++i)
        Columns()[i]->SetFont(Font());
}

void TmmDBGrid::ChooseTableColor()
{
    const auto color = GridStandardDialogs().ChooseColor(this, Color());
    if (!color)
        return;
    SetColor(*color);
    for (int i = 0; i < Columns().Count(); ++i)
        Columns()[i]->SetColor(Color());
}

void TmmDBGrid::ChooseTitlesFont()
{
    const auto font = GridStandardDialogs().ChooseFont(this, TitleFont());
    if (!font)
        return;
    SetTitleFont(*font);
    for (int i = 0; i < Columns().Count(); ++i)
        Columns()[i]->Title().SetFont(TitleFont());
}

void TmmDBGrid::ChooseTitlesColor()
{
    const auto color = GridStandardDialogs().ChooseColor(this, FixedColor());
    if (!color)
        return;
    SetFixedColor(*color);
    for (int i = 0; i < Columns().Count(); ++i)
        Columns()[i]->Title().SetColor(FixedColor());
}

void TmmDBGrid::ChooseSelectedColor()
{
    if (const auto color = GridStandardDialogs().ChooseColor(this, FColorSelected))
        SetColorSelected(*color);
}

void TmmDBGrid::ChooseStripeOne()
{
    if (const auto color = GridStandardDialogs().ChooseColor(this, FStripeOne))
        SetStripeOne(*color);
}

void TmmDBGrid::ChooseStripeTwo()
{
    if (const auto color = GridStandardDialogs().ChooseColor(this, FStripeTwo))
        SetStripeTwo(*color);
}

void TmmDBGrid::EditConditions()
{
    if (GridDialogs().EditConditions && GridDialogs().EditConditions(*this)) {
        PrepareConditions();
        Invalidate();
    }
}

void TmmDBGrid::RunOptionsWizard()
{
    if (GridDialogs().OptionsWizard)
        GridDialogs().OptionsWizard(*this);
}

void TmmDBGrid::RefreshData()
{
    // The key works from the last build: the data may have closed since.
    if (!DataLinkActive())
        return;
    TDataSet *dataSet = DataSet();
    dataSet->Close();
    // Cancelled, the dataset stays closed, as after a failed reopen.
    const TOperationTitle title(TranslateText(QStringLiteral("Обновление данных")));
    dataSet->Open();
}

void TmmDBGrid::ShowColumnDetail()
{
    if (FPopupColumn && GridDialogs().Detail)
        GridDialogs().Detail(*this, *FPopupColumn);
}
