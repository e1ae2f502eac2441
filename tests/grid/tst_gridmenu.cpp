#include "GridFixture.h"
#include "QueryFixture.h"

#include "core/Exception.h"
#include "db/TDataSource.h"
#include "db/TField.h"
#include "db/TQuery.h"
#include "db/TTable.h"
#include "grid/GridDialogs.h"
#include "grid/GridStandardDialogs.h"
#include "grid/TPopupMenu.h"
#include "grid/mmDBGrid.h"
#include "grid/mmDBGridColumnsDlg.h"
#include "grid/mmDBGrid_dlgViewDataSource.h"
#include "widgets/mBitButton.h"
#include "widgets/mmCheckBoxEx.h"

#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QtTest>

namespace {
const QString Settings = QStringLiteral("Установки таблицы");
const QString ColumnSettings = QStringLiteral("Установки по колонке");
const QString TitleSettings = QStringLiteral("Установки по заглавию");

// Keeps what escapes an event handler, as the application object shows it.
class TCatchingApplication : public QApplication
{
public:
    using QApplication::QApplication;
    QStringList Errors;
    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const Exception &e) {
            Errors << e.Message();
        }
        return true;
    }
};

QStringList &ApplicationErrors()
{
    return static_cast<TCatchingApplication *>(QCoreApplication::instance())->Errors;
}

// A dataset whose next opening can be made to fail.
class TFailingDataSet : public TMemoryDataSet
{
public:
    using TMemoryDataSet::TMemoryDataSet;
    bool Fail = false;

protected:
    std::shared_ptr<const TRecordSet> OpenRows(TDatabase &database) override
    {
        if (Fail)
            throw Exception(QStringLiteral("the data are gone"));
        return TMemoryDataSet::OpenRows(database);
    }
};

QStringList Captions(const QMenu *menu)
{
    QStringList captions;
    for (const QAction *action : menu->actions())
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return captions;
}

QAction *Find(const QMenu *menu, const QString &caption)
{
    for (QAction *action : menu->actions())
        if (action->text() == caption)
            return action;
    return nullptr;
}

// The item at the end of a path of captions, or nullptr.
QAction *ItemAt(QMenu *menu, const QStringList &path)
{
    QAction *action = nullptr;
    for (const QString &caption : path) {
        if (!menu || !(action = Find(menu, caption)))
            return nullptr;
        menu = QMenu::menuInAction(action);
    }
    return action;
}

QMenu *SubMenuAt(QMenu *menu, const QStringList &path)
{
    QAction *action = ItemAt(menu, path);
    return action ? QMenu::menuInAction(action) : nullptr;
}

// Every item below a menu, sub-items included.
QList<QAction *> AllItems(const QMenu *menu)
{
    QList<QAction *> items;
    for (QAction *action : menu->actions()) {
        items << action;
        if (const QMenu *sub = QMenu::menuInAction(action))
            items << AllItems(sub);
    }
    return items;
}

// Answers the next modal dialog once it is shown.
void WhenModal(std::function<void(QWidget *)> answer)
{
    QTimer::singleShot(0, [answer] {
        QWidget *dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        answer(dialog);
    });
}

template <typename T> T *Child(QWidget *dialog)
{
    return dialog->findChild<T *>();
}

TmBitButton *Button(QWidget *dialog, const QString &caption)
{
    for (TmBitButton *button : dialog->findChildren<TmBitButton *>())
        if (button->Caption() == caption)
            return button;
    return nullptr;
}

QStringList VisibleColumnNames(const TmmDBGrid &grid)
{
    QStringList names;
    for (int i = 0; i < grid.Columns().Count(); ++i)
        if (grid.Columns()[i]->Visible())
            names << grid.Columns()[i]->FieldName();
    return names;
}
} // namespace

class TestGridMenu : public QObject
{
    Q_OBJECT

    std::unique_ptr<TQueryFixture> FTown;
    std::unique_ptr<TQuery> FQuery;
    std::unique_ptr<TDataSource> FSource;
    std::unique_ptr<QWidget> FHost;
    TmmDBGrid *FGrid = nullptr;
    QStringList FWarnings;

    QPoint InColumn(int dataCol) const
    {
        const QRect rect = FGrid->CellRect(FGrid->IndicatorOffset() + dataCol, 2);
        return FGrid->viewport()->mapFrom(FGrid, rect.center());
    }
    QPoint BesideColumns() const { return {FGrid->viewport()->width() - 3, 30}; }
    // A right click as the platform delivers it: the press, then the context menu.
    QMenu *RightClick(const QPoint &at)
    {
        QTest::mouseClick(FGrid->viewport(), Qt::RightButton, {}, at);
        return OpenMenu(at);
    }
    QMenu *OpenMenu(const QPoint &at)
    {
        const QPoint global = FGrid->viewport()->mapToGlobal(at);
        if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
            // What the offscreen platform says of every popup.
            QTest::ignoreMessage(QtWarningMsg, "This plugin does not support raise()");
            QTest::ignoreMessage(
                QtWarningMsg, "This plugin does not support grabbing the keyboard");
        }
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, global, {});
        QCoreApplication::sendEvent(FGrid->viewport(), &event);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return FGrid->PopupMenu();
        menu->hide();
        return menu;
    }
    // Right-clicks a column and runs one of the menu's commands.
    void Run(const QStringList &path, int dataCol = 0)
    {
        QMenu *menu = RightClick(InColumn(dataCol));
        QAction *action = ItemAt(menu, QStringList {Settings} + path);
        QVERIFY2(action, qPrintable(path.join(u'/')));
        action->trigger();
    }

private slots:
    void initTestCase() { FTown = std::make_unique<TQueryFixture>(40, 2); }
    void init()
    {
        FQuery = FTown->OpenQuery(TQueryFixture::CityLines());
        FSource = std::make_unique<TDataSource>();
        FSource->SetDataSet(FQuery.get());
        FHost = std::make_unique<QWidget>();
        FHost->resize(700, 300);
        FGrid = new TmmDBGrid(FHost.get());
        FGrid->setGeometry(0, 0, 690, 290);
        FGrid->SetDataSource(FSource.get());
        FHost->show();
        QVERIFY(QTest::qWaitForWindowExposed(FHost.get()));
        FWarnings.clear();
        GridStandardDialogs().Warn = [this](QWidget *, const QString &text) { FWarnings << text; };
        ApplicationErrors().clear();
    }
    void cleanup()
    {
        FHost.reset();
        FGrid = nullptr;
        FSource.reset();
        FQuery.reset();
        ResetGridStandardDialogs();
        GridDialogs() = {};
    }

    void menuTreeFollowsTheGridState_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<bool>("onColumn");
        QTest::addColumn<QStringList>("path");
        QTest::addColumn<QStringList>("items");
        const QStringList head = {"Мастер установок таблицы", "Найти", "-", "Шрифт таблицы",
            "Цвет таблицы", "Шрифт заглавиий", "Цвет заглавий", "Цвет выделенной записи", "-"};
        const QStringList dataItems = {"Использование полос", "Условное форматирование", "-",
            "Выбрать видимые колонки", "-", "Источник данных...", "Обновить данные", "-"};
        const QStringList alignments = {
            "Выравнивать по центру", "Выравнивать по левому краю", "Выравнивать по правому краю"};
        QTest::newRow("no application menu: one item")
            << "" << true << QStringList {} << QStringList {Settings};
        QTest::newRow("all items, with the column part")
            << "" << true << QStringList {Settings}
            << head + dataItems + QStringList {"Растягивать колонки", ColumnSettings};
        QTest::newRow("beside the columns: no column part")
            << "" << false << QStringList {Settings}
            << head + dataItems + QStringList {"Растягивать колонки"};
        QTest::newRow("dataset closed: no data items")
            << "closed" << false << QStringList {Settings}
            << head + QStringList {"Растягивать колонки"};
        QTest::newRow("two lines: detail display")
            << "lines" << false << QStringList {Settings}
            << head + dataItems + QStringList {"Растягивать колонки", "Детальное отображение"};
        QTest::newRow("striped: no column colour")
            << "" << true << QStringList {Settings, ColumnSettings}
            << QStringList {"Шрифт", "Детальность", "-"} + alignments
                + QStringList {"-", TitleSettings};
        QTest::newRow("not striped: column colour")
            << "plain" << true << QStringList {Settings, ColumnSettings}
            << QStringList {"Шрифт", "Цвет", "Детальность", "-"} + alignments
                + QStringList {"-", TitleSettings};
        QTest::newRow("title sub-menu")
            << "" << true << QStringList {Settings, ColumnSettings, TitleSettings}
            << QStringList {"Шрифт", "Цвет", "-", "Изменить заглавие", "-"} + alignments;
        QTest::newRow("stripes") << "" << true << QStringList {Settings, "Использование полос"}
                                 << QStringList {"Использовать", "Первая полоса", "Вторая полоса"};
    }
    void menuTreeFollowsTheGridState()
    {
        QFETCH(QString, setup);
        QFETCH(bool, onColumn);
        QFETCH(QStringList, path);
        QFETCH(QStringList, items);
        if (setup == QLatin1String("closed"))
            FQuery->Close();
        else if (setup == QLatin1String("plain"))
            FGrid->SetStriped(false);
        else if (setup == QLatin1String("lines"))
            FGrid->SetLineFields({QStringLiteral("field FAM"), QStringLiteral("TELE")});
        QMenu *menu = RightClick(onColumn ? InColumn(1) : BesideColumns());
        QMenu *shown = path.isEmpty() ? menu : SubMenuAt(menu, path);
        QVERIFY(shown);
        QCOMPARE(Captions(shown), items);
        for (const QAction *action : AllItems(menu))
            QCOMPARE(action->property("Tag").toInt(), TmmDBGrid::GridMenuItemTag);
    }

    void marksFollowTheGrid()
    {
        FGrid->SetScaleColumns(true);
        FGrid->Columns()[1]->Title().SetAlignment(TAlignment::taRightJustify);
        QMenu *menu = RightClick(InColumn(1));
        QVERIFY(ItemAt(menu, {Settings, "Растягивать колонки"})->isChecked());
        QVERIFY(ItemAt(menu, {Settings, "Использование полос", "Использовать"})->isChecked());
        QVERIFY(!ItemAt(menu, {Settings, "Условное форматирование", "Использовать"})->isChecked());
        QVERIFY(
            ItemAt(menu, {Settings, ColumnSettings, "Выравнивать по левому краю"})->isChecked());
        QVERIFY(
            ItemAt(menu, {Settings, ColumnSettings, TitleSettings, "Выравнивать по правому краю"})
                ->isChecked());
    }

    void applicationItemsStayAboveTheGridItems()
    {
        TPopupMenu own;
        own.addAction(QStringLiteral("Печать"));
        own.addAction(QStringLiteral("Копировать"));
        int runs = 0;
        QStringList seen;
        own.OnPopup = [&](QObject *sender) {
            ++runs;
            QCOMPARE(sender, &own);
            seen = Captions(&own);
        };
        FGrid->SetPopupMenuKind(TPopupMenuKind::pmkItemMenu);
        FGrid->SetPopupMenu(&own);
        QVERIFY(!FGrid->DefaultPopupMenu());
        for (int opening = 1; opening <= 2; ++opening) {
            RightClick(InColumn(0));
            const QStringList captions = Captions(&own);
            QCOMPARE(captions.mid(0, 4),
                (QStringList {"Печать", "Копировать", "-", "Мастер установок таблицы"}));
            QCOMPARE(captions.count(QStringLiteral("Найти")), 1);
            QCOMPARE(captions.last(), ColumnSettings);
            // The application's handler ran once, after the rebuild.
            QCOMPARE(runs, opening);
            QCOMPARE(seen, captions);
        }
        QVERIFY(own.actions().at(0)->property("Tag").isNull());
        // Two presses whose menu never opened: still one run, and the handler is the
        // application's again afterwards (an opening from the keyboard keeps the last build).
        QTest::mouseClick(FGrid->viewport(), Qt::RightButton, {}, InColumn(0));
        QTest::mouseClick(FGrid->viewport(), Qt::RightButton, {}, BesideColumns());
        OpenMenu(BesideColumns());
        QCOMPARE(runs, 3);
        QVERIFY(!Captions(&own).contains(ColumnSettings));
        emit own.aboutToShow();
        QCOMPARE(runs, 4);
        FGrid->SetPopupMenu(nullptr);
    }

    void keysRunTheCommandsOfTheLastBuild()
    {
        int finds = 0;
        GridDialogs().Find = [&finds](TmmDBGrid &) { ++finds; };
        FGrid->setFocus();
        FQuery->Next();
        QTest::keyClick(FGrid, Qt::Key_F3);
        QCOMPARE(finds, 1);
        // F5 reopens: the query stands on its first record again.
        QTest::keyClick(FGrid, Qt::Key_F5);
        QCOMPARE(FQuery->CurrentRow(), 0);
        // Built while the data were closed, the menu has no refresh key.
        FQuery->Close();
        RightClick(BesideColumns());
        FQuery->Open();
        FQuery->Next();
        QTest::keyClick(FGrid, Qt::Key_F5);
        QCOMPARE(FQuery->CurrentRow(), 1);
        // A column's own menu takes the next build: the keys follow it instead of doubling.
        TPopupMenu columnMenu;
        FGrid->Columns()[0]->SetPopupMenu(&columnMenu);
        QVERIFY(ItemAt(RightClick(InColumn(0)), {Settings, ColumnSettings}));
        QCOMPARE(Captions(&columnMenu), QStringList {Settings});
        QTest::keyClick(FGrid, Qt::Key_F3);
        QCOMPARE(finds, 2);
    }

    void refreshErrorLeavesTheDatasetClosed()
    {
        TGridFixture memory;
        auto data = std::make_unique<TFailingDataSet>();
        data->Rows = TGridFixture::Subscribers(5);
        data->SetDatabaseName(memory.Database().DatabaseName());
        data->Open();
        const auto unbind = qScopeGuard([this] { FSource->SetDataSet(nullptr); });
        FSource->SetDataSet(data.get());
        RightClick(InColumn(0));
        data->Fail = true;
        FGrid->setFocus();
        QTest::keyClick(FGrid, Qt::Key_F5);
        QCOMPARE(ApplicationErrors(), QStringList {"the data are gone"});
        QVERIFY(!data->Active());
        QVERIFY(!FGrid->DataLinkActive());
    }

    void dialogCommands_data()
    {
        QTest::addColumn<QStringList>("path");
        QTest::addColumn<bool>("answered");
        const QList<QStringList> commands = {{"Шрифт таблицы"}, {"Цвет таблицы"},
            {"Шрифт заглавиий"}, {"Цвет заглавий"}, {"Цвет выделенной записи"},
            {"Использование полос", "Первая полоса"}, {"Использование полос", "Вторая полоса"},
            {ColumnSettings, "Шрифт"}, {ColumnSettings, "Цвет"},
            {ColumnSettings, TitleSettings, "Шрифт"}, {ColumnSettings, TitleSettings, "Цвет"}};
        for (const QStringList &path : commands) {
            QTest::addRow("%s, OK", qPrintable(path.join(u'/'))) << path << true;
            QTest::addRow("%s, cancelled", qPrintable(path.join(u'/'))) << path << false;
        }
    }
    void dialogCommands()
    {
        QFETCH(QStringList, path);
        QFETCH(bool, answered);
        FGrid->SetStriped(false);
        TFont chosenFont;
        chosenFont.SetName(QStringLiteral("Courier New"));
        chosenFont.SetSize(14);
        const TColor chosenColor = RGBColor(10, 20, 30);
        int asked = 0;
        GridStandardDialogs().ChooseFont = [&](QWidget *, const TFont &) -> std::optional<TFont> {
            ++asked;
            return answered ? std::optional(chosenFont) : std::nullopt;
        };
        GridStandardDialogs().ChooseColor = [&](QWidget *, TColor) -> std::optional<TColor> {
            ++asked;
            return answered ? std::optional(chosenColor) : std::nullopt;
        };
        // Everything the commands may change, read the same way before and after.
        auto state = [this] {
            QStringList values {FGrid->Font().ToQFont().toString(),
                FGrid->TitleFont().ToQFont().toString(), QString::number(FGrid->Color()),
                QString::number(FGrid->FixedColor()), QString::number(FGrid->ColorSelected()),
                QString::number(FGrid->StripeOne()), QString::number(FGrid->StripeTwo())};
            for (int i = 0; i < FGrid->Columns().Count(); ++i) {
                const TColumn *column = FGrid->Columns()[i];
                values << column->Font().ToQFont().toString()
                       << column->Title().Font().ToQFont().toString()
                       << QString::number(column->Color())
                       << QString::number(column->Title().Color());
            }
            return values;
        };
        // A column's own values: a table-level change must reach it too.
        FGrid->Columns()[0]->SetColor(Colors::clYellow);
        FGrid->Columns()[0]->Title().SetColor(Colors::clYellow);
        const QStringList before = state();
        Run(path, 1);
        QCOMPARE(asked, 1);
        const QStringList after = state();
        if (!answered) {
            QCOMPARE(after, before);
            return;
        }
        const QString font = chosenFont.ToQFont().toString();
        const QString color = QString::number(chosenColor);
        QStringList expected = before;
        const int columns = FGrid->Columns().Count();
        auto setColumns = [&](int offset, const QString &value) {
            for (int i = 0; i < columns; ++i)
                expected[7 + 4 * i + offset] = value;
        };
        const QString command = path.join(u'/');
        if (command == QStringLiteral("Шрифт таблицы")) {
            expected[0] = font;
            setColumns(0, font);
        } else if (command == QStringLiteral("Шрифт заглавиий")) {
            expected[1] = font;
            setColumns(1, font);
        } else if (command == QStringLiteral("Цвет таблицы")) {
            expected[2] = color;
            setColumns(2, color);
        } else if (command == QStringLiteral("Цвет заглавий")) {
            expected[3] = color;
            setColumns(3, color);
        } else if (command == QStringLiteral("Цвет выделенной записи")) {
            expected[4] = color;
        } else if (path.last() == QStringLiteral("Первая полоса")) {
            expected[5] = color;
        } else if (path.last() == QStringLiteral("Вторая полоса")) {
            expected[6] = color;
        } else {
            // The column under the pointer only.
            const bool title = path.contains(TitleSettings);
            const bool isFont = path.last() == QStringLiteral("Шрифт");
            expected[7 + 4 + (isFont ? 0 : 2) + (title ? 1 : 0)] = isFont ? font : color;
        }
        QCOMPARE(after, expected);
    }

    void togglesInvertTheirProperty_data()
    {
        QTest::addColumn<QStringList>("path");
        QTest::addColumn<QString>("property");
        QTest::newRow("stripes") << QStringList {"Использование полос", "Использовать"}
                                 << "Striped";
        QTest::newRow("conditions")
            << QStringList {"Условное форматирование", "Использовать"} << "ConditionalFormatting";
        QTest::newRow("scaling") << QStringList {"Растягивать колонки"} << "ScaleColumns";
        QTest::newRow("detail") << QStringList {"Детальное отображение"} << "ShowLines";
    }
    void togglesInvertTheirProperty()
    {
        QFETCH(QStringList, path);
        QFETCH(QString, property);
        FGrid->SetLineFields({QStringLiteral("field FAM"), QStringLiteral("TELE")});
        auto value = [&] {
            if (property == QLatin1String("Striped"))
                return FGrid->Striped();
            if (property == QLatin1String("ConditionalFormatting"))
                return FGrid->ConditionalFormatting();
            if (property == QLatin1String("ScaleColumns"))
                return FGrid->ScaleColumns();
            return FGrid->ShowLines();
        };
        const bool before = value();
        Run(path);
        QCOMPARE(value(), !before);
        Run(path);
        QCOMPARE(value(), before);
    }

    void alignmentReachesOnlyItsColumnAndPart()
    {
        const TAlignment cells = FGrid->Columns()[1]->Alignment();
        Run({ColumnSettings, TitleSettings, "Выравнивать по правому краю"}, 1);
        QCOMPARE(FGrid->Columns()[1]->Title().Alignment(), TAlignment::taRightJustify);
        QCOMPARE(FGrid->Columns()[1]->Alignment(), cells);
        QCOMPARE(FGrid->Columns()[0]->Title().Alignment(), TAlignment::taLeftJustify);
        Run({ColumnSettings, "Выравнивать по центру"}, 1);
        QCOMPARE(FGrid->Columns()[1]->Alignment(), TAlignment::taCenter);
        QCOMPARE(FGrid->Columns()[1]->Title().Alignment(), TAlignment::taRightJustify);
    }

    void dialogsAboveTheGridRunThroughTheirHooks()
    {
        // Not installed: the items are there and do nothing.
        Run({"Мастер установок таблицы"});
        Run({"Условное форматирование", "Задать условия"});
        Run({ColumnSettings, "Детальность"});
        QStringList calls;
        GridDialogs().OptionsWizard = [&](TmmDBGrid &) { calls << "wizard"; };
        GridDialogs().EditConditions = [&](TmmDBGrid &) {
            calls << "conditions";
            return true;
        };
        GridDialogs().Detail = [&](TmmDBGrid &, TColumn &column) { calls << column.FieldName(); };
        Run({"Мастер установок таблицы"});
        Run({"Условное форматирование", "Задать условия"});
        Run({ColumnSettings, "Детальность"}, 3);
        QCOMPARE(calls, (QStringList {"wizard", "conditions", "ADR_D"}));
    }

    void choosersListTheirFieldTypes_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("grid") << int(TColumnsChooserKind::Grid)
                              << QStringList {"FAM", "TELE", "PHOTO", "BORN"};
        QTest::newRow("wizard") << int(TColumnsChooserKind::Wizard)
                                << QStringList {"FAM", "TELE", "BORN"};
    }
    void choosersListTheirFieldTypes()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, listed);
        TGridFixture memory;
        auto rows = std::make_shared<TRecordSet>();
        rows->AddColumn(QStringLiteral("FAM"), TFieldType::ftString, 30);
        rows->AddColumn(QStringLiteral("NOTE"), TFieldType::ftMemo);
        rows->AddColumn(QStringLiteral("TELE"), TFieldType::ftInteger);
        rows->AddColumn(QStringLiteral("PHOTO"), TFieldType::ftBlob);
        rows->AddColumn(QStringLiteral("SUM"), TFieldType::ftBCD);
        rows->AddColumn(QStringLiteral("BORN"), TFieldType::ftDate);
        auto data = memory.OpenDataSet(rows);
        const auto unbind = qScopeGuard([this] { FSource->SetDataSet(nullptr); });
        FSource->SetDataSet(data.get());
        data->FieldByName(QStringLiteral("TELE"))->SetVisible(false);
        TColumnsChooserDialog dialog(FGrid, TColumnsChooserKind(kind), *FGrid,
            [](TField *field) { return field->Visible(); });
        QStringList items;
        for (int i = 0; i < dialog.List->count(); ++i)
            items << dialog.List->item(i)->text();
        QCOMPARE(items, listed);
        QCOMPARE(dialog.List->item(1)->checkState(), Qt::Unchecked);
    }

    void hiddenColumnsStayHidden()
    {
        // The application's own hidden column is offered unchecked.
        FGrid->Columns()[2]->SetVisible(false);
        // Settings of the columns that stay outlive the change of the others.
        FGrid->Columns()[0]->Title().SetCaption(QStringLiteral("Абонент"));
        FGrid->Columns()[3]->SetColor(Colors::clAqua);
        QStringList offered;
        WhenModal([&offered](QWidget *dialog) {
            auto *list = Child<QListWidget>(dialog);
            for (int i = 0; i < list->count(); ++i)
                offered << list->item(i)->text()
                        + (list->item(i)->checkState() == Qt::Checked ? "+" : "-");
            list->item(1)->setCheckState(Qt::Unchecked);
            Button(dialog, "&Готово")->Click();
        });
        Run({"Выбрать видимые колонки"});
        QCOMPARE(offered, (QStringList {"Абонент+", "TELE+", "K_Y-", "ADR_D+", "ADR_K+"}));
        const QStringList shown = {"FAM", "ADR_D", "ADR_K"};
        QCOMPARE(VisibleColumnNames(*FGrid), shown);
        QCOMPARE(FGrid->Columns()[0]->Title().Caption(), QStringLiteral("Абонент"));
        QCOMPARE(FGrid->Columns()[1]->Color(), Colors::clAqua);
        QCOMPARE(FGrid->Columns()[2]->Color(), FGrid->Color());
        FGrid->Columns()[0]->SetColor(Colors::clAqua);
        FGrid->RefreshData();
        QCOMPARE(VisibleColumnNames(*FGrid), shown);
        FGrid->SortBy(QStringLiteral("FAM"), false);
        QCOMPARE(VisibleColumnNames(*FGrid), shown);
        FGrid->SetScaleColumns(true);
        FGrid->FitColumns();
        QCOMPARE(VisibleColumnNames(*FGrid), shown);
        // The columns kept their own settings through all of it.
        QCOMPARE(FGrid->Columns()[0]->Color(), Colors::clAqua);
        // Shown again, TELE comes back with the defaults; a cancel changes nothing.
        WhenModal([](QWidget *dialog) {
            Child<QListWidget>(dialog)->item(1)->setCheckState(Qt::Checked);
            Button(dialog, "&Отменить")->Click();
        });
        Run({"Выбрать видимые колонки"});
        QCOMPARE(VisibleColumnNames(*FGrid), shown);
        WhenModal([](QWidget *dialog) {
            Child<QListWidget>(dialog)->item(1)->setCheckState(Qt::Checked);
            Button(dialog, "&Готово")->Click();
        });
        Run({"Выбрать видимые колонки"});
        QCOMPARE(VisibleColumnNames(*FGrid), (QStringList {"FAM", "TELE", "ADR_D", "ADR_K"}));
        QCOMPARE(FGrid->Columns().FindColumn("TELE")->Color(), FGrid->Color());
        FGrid->RefreshData();
        QCOMPARE(VisibleColumnNames(*FGrid), (QStringList {"FAM", "TELE", "ADR_D", "ADR_K"}));
    }

    void wizardChooserAnswersWithFieldNames()
    {
        QStringList names = {"fam", "K_Y"};
        WhenModal([](QWidget *dialog) {
            auto *list = Child<QListWidget>(dialog);
            QCOMPARE(list->item(0)->checkState(), Qt::Checked);
            QCOMPARE(list->item(1)->checkState(), Qt::Unchecked);
            list->item(1)->setCheckState(Qt::Checked);
            Button(dialog, "&Готово")->Click();
        });
        QVERIFY(ChooseWizardColumns(*FGrid, FHost.get(), names));
        QCOMPARE(names, (QStringList {"FAM", "TELE", "K_Y"}));
        // The fields are the wizard's to change, not the chooser's.
        QVERIFY(FQuery->FieldByName("ADR_D")->Visible());
    }

    void captionEditor_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("caption");
        QTest::newRow("new caption") << "Телефон"
                                     << "&Готово"
                                     << "Телефон";
        QTest::newRow("confirmed as shown") << ""
                                            << "&Готово"
                                            << "TELE";
        QTest::newRow("cancelled") << "Телефон"
                                   << "&Отменить"
                                   << "TELE";
    }
    void captionEditor()
    {
        QFETCH(QString, typed);
        QFETCH(QString, button);
        QFETCH(QString, caption);
        QString shown;
        WhenModal([&](QWidget *dialog) {
            auto *edit = Child<QLineEdit>(dialog);
            shown = edit->text();
            if (!typed.isEmpty())
                edit->setText(typed);
            Button(dialog, button)->Click();
        });
        Run({ColumnSettings, TitleSettings, "Изменить заглавие"}, 1);
        QCOMPARE(shown, QStringLiteral("TELE"));
        QCOMPARE(FGrid->Columns()[1]->Title().Caption(), caption);
        QCOMPARE(FQuery->FieldByName("TELE")->DisplayLabel(), caption);
    }

    void viewer_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<QString>("sqlAfter");
        QTest::addColumn<QString>("warning");
        const QString city = TQueryFixture::CityLines().join('\n');
        const QString valid = "SELECT FAM, TELE FROM \"KVTEL_1.DB\"";
        QTest::newRow("table") << "table"
                               << "" << true << "Table name: KVTEL_1.DB"
                               << ""
                               << "";
        QTest::newRow("query, box unchecked")
            << "query" << valid << false << "SELECT DISTINCT FAM, TELE, K_Y, ADR_D, ADR_K" << city
            << "";
        QTest::newRow("unchanged text re-run")
            << "query"
            << "" << true << "SELECT DISTINCT FAM, TELE, K_Y, ADR_D, ADR_K" << city << "";
        QTest::newRow("edited valid query")
            << "query" << valid << true << "SELECT DISTINCT FAM, TELE, K_Y, ADR_D, ADR_K" << valid
            << "";
        const QStringList failing = {"SELEC FAM FROM \"KVTEL_1.DB\"", "DELETE FROM \"KVTEL_1.DB\"",
            "ATTACH DATABASE 'x.db' AS x", "VACUUM INTO 'copy.db'", "PRAGMA user_version = 5",
            "SELECT FAM FROM \"KVTEL_1.DB\"; DELETE FROM \"KVTEL_1.DB\"",
            "WITH t AS (SELECT 1) INSERT INTO \"KVTEL_1.DB\"(FAM) SELECT 'x' FROM t"};
        // The user reads why, and that the previous query is back.
        for (const QString &sql : failing)
            QTest::addRow("refused: %s", qPrintable(sql.left(24)))
                << "query" << sql << true << "SELECT DISTINCT FAM, TELE, K_Y, ADR_D, ADR_K" << city
                << (sql.startsWith("SELEC ") ? "Invalid query" : "Query refused");
    }
    void viewer()
    {
        // An edited query that fails puts the previous text back and says so; the grid shows the
        // previous result, and nothing in the Data folder changes.
        QFETCH(QString, source);
        QFETCH(QString, edit);
        QFETCH(bool, replace);
        QFETCH(QString, firstLine);
        QFETCH(QString, sqlAfter);
        QFETCH(QString, warning);
        TTable table;
        const auto rebind = qScopeGuard([this] { FSource->SetDataSet(FQuery.get()); });
        if (source == QLatin1String("table")) {
            table.SetDatabaseName(FTown->Database().DatabaseName());
            table.SetTableName(QStringLiteral("KVTEL_1.DB"));
            table.Open();
            FSource->SetDataSet(&table);
        }
        const QDateTime stamp = QFileInfo(FTown->Folder() + "/KVTEL_1.DB").lastModified();
        const QStringList folder = QDir(FTown->Folder()).entryList(QDir::Files);
        FQuery->Next();
        bool enabled = false;
        QStringList memo;
        WhenModal([&](QWidget *dialog) {
            auto &viewer = TdlgViewDataSource::Instance();
            QCOMPARE(dialog, &viewer);
            memo = viewer.MemoLines();
            enabled = viewer.chbxEditSQL->isEnabled();
            QVERIFY(!viewer.chbxEditSQL->isChecked());
            if (!edit.isEmpty())
                viewer.Memo->setPlainText(edit);
            viewer.chbxEditSQL->setChecked(replace);
            viewer.btnOk->Click();
        });
        Run({"Источник данных..."});
        QCOMPARE(memo.first(), firstLine);
        QCOMPARE(enabled, source == QLatin1String("query"));
        QCOMPARE(FWarnings.size(), warning.isEmpty() ? 0 : 1);
        if (!warning.isEmpty()) {
            QVERIFY2(FWarnings.first().contains(warning), qPrintable(FWarnings.first()));
            QVERIFY(FWarnings.first().endsWith(QStringLiteral("Показан прежний запрос.")));
        }
        if (source == QLatin1String("table")) {
            QCOMPARE(memo.size(), 1);
        } else {
            QCOMPARE(FQuery->SQL().join('\n'), sqlAfter);
            QVERIFY(FQuery->Active());
            QVERIFY(FGrid->DataLinkActive());
            // Re-run or not: a reopened query stands on its first record.
            QCOMPARE(FQuery->CurrentRow(), replace ? 0 : 1);
        }
        QCOMPARE(QFileInfo(FTown->Folder() + "/KVTEL_1.DB").lastModified(), stamp);
        QCOMPARE(QDir(FTown->Folder()).entryList(QDir::Files), folder);
    }

    void viewerIsOneWindowForTheProgram()
    {
        WhenModal([](QWidget *dialog) { dialog->close(); });
        Run({"Источник данных..."});
        TdlgViewDataSource *first = &TdlgViewDataSource::Instance();
        TmmDBGrid other;
        other.SetDataSource(FSource.get());
        WhenModal([first](QWidget *dialog) {
            QCOMPARE(dialog, first);
            dialog->close();
        });
        other.ShowDataSource();
        QCOMPARE(&TdlgViewDataSource::Instance(), first);
    }
};

int main(int argc, char **argv)
{
    TCatchingApplication app(argc, argv);
    TestGridMenu test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_gridmenu.moc"
