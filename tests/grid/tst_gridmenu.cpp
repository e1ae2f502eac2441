#include "QueryFixture.h"
#include "tests/support/GridFixture.h"

#include "core/Exception.h"
#include "db/dataset/TDataSource.h"
#include "db/dataset/TField.h"
#include "db/dataset/TQuery.h"
#include "db/dataset/TTable.h"
#include "grid/GridDialogs.h"
#include "grid/GridStandardDialogs.h"
#include "grid/TPopupMenu.h"
#include "grid/mmDBGrid.h"
#include "grid/mmDBGridColumnsDlg.h"
#include "grid/mmDBGrid_dlgViewDataSource.h"
#include "widgets/mBitButton.h"
#include "widgets/mmCheckBoxEx.h"

#include <QAbstractItemModelTester>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QtTest>

namespace {
const QString Settings = QStringLiteral("Установки таблицы");
const QString ColumnSettings = QStringLiteral("Установки по колонке");
const QString TitleSettings = QStringLiteral("Установки по заглавию");
const QString Ok = QStringLiteral("&Готово");

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

// The item at the end of a path of captions, or nullptr.
QAction *ItemAt(QMenu *menu, const QStringList &path)
{
    QAction *found = nullptr;
    for (const QString &caption : path) {
        const QList<QAction *> actions = menu ? menu->actions() : QList<QAction *>();
        const auto it = std::find_if(actions.begin(), actions.end(),
            [&](const QAction *action) { return action->text() == caption; });
        if (it == actions.end())
            return nullptr;
        found = *it;
        menu = QMenu::menuInAction(found);
    }
    return found;
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
    QTimer::singleShot(0, [answer] { answer(QApplication::activeModalWidget()); });
}

void Press(QWidget *dialog, const QString &caption)
{
    for (TmBitButton *button : dialog->findChildren<TmBitButton *>())
        if (button->Caption() == caption)
            button->Click();
}

QStringList ShownColumns(const TmmDBGrid &grid)
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
        if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
            // What the offscreen platform says of every popup.
            QTest::ignoreMessage(QtWarningMsg, "This plugin does not support raise()");
            QTest::ignoreMessage(
                QtWarningMsg, "This plugin does not support grabbing the keyboard");
        }
        QContextMenuEvent event(
            QContextMenuEvent::Mouse, at, FGrid->viewport()->mapToGlobal(at), {});
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
        QAction *action = ItemAt(RightClick(InColumn(dataCol)), QStringList {Settings} + path);
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
        // Column dialogs, hidden fields and sorts keep the model's contract.
        new QAbstractItemModelTester(
            FGrid->model(), QAbstractItemModelTester::FailureReportingMode::QtTest, FGrid);
        FGrid->SetDataSource(FSource.get());
        FHost->show();
        QVERIFY(QTest::qWaitForWindowExposed(FHost.get()));
        FWarnings.clear();
        GridStandardDialogs().Warn = [this](QWidget *, const QString &text) { FWarnings << text; };
    }
    void cleanup()
    {
        FHost.reset();
        FSource.reset();
        FQuery.reset();
        ResetGridStandardDialogs();
        GridDialogs() = {};
    }

    // Keyboard users open the same menu with Shift+F10, which X11 does not turn into a menu event.
    void shiftF10OpensTheMenu()
    {
        if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
            QTest::ignoreMessage(QtWarningMsg, "This plugin does not support raise()");
            QTest::ignoreMessage(
                QtWarningMsg, "This plugin does not support grabbing the keyboard");
        }
        FGrid->setFocus();
        QTest::keyClick(FGrid, Qt::Key_F10, Qt::ShiftModifier);
        QCOMPARE(QApplication::activePopupWidget(), FGrid->PopupMenu());
        FGrid->PopupMenu()->hide();
    }

    void menuTreeFollowsTheGridState_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<bool>("onColumn");
        QTest::addColumn<QStringList>("path");
        QTest::addColumn<QStringList>("items");
        const QStringList head = {"Мастер установок таблицы", "Найти", "-", "Шрифт таблицы",
            "Цвет таблицы", "Шрифт заглавиий", "Цвет заглавий", "Цвет выделенной записи", "-"};
        const QStringList data = {"Использование полос", "Условное форматирование", "-",
            "Выбрать видимые колонки", "-", "Источник данных...", "Обновить данные", "-"};
        const QStringList alignments = {
            "Выравнивать по центру", "Выравнивать по левому краю", "Выравнивать по правому краю"};
        const QStringList scale = {"Растягивать колонки"};
        const QStringList title = {"-", TitleSettings};
        QTest::newRow("no application menu: one item")
            << "" << true << QStringList() << QStringList {Settings};
        QTest::newRow("column part") << "" << true << QStringList {Settings}
                                     << head + data + scale + QStringList {ColumnSettings};
        QTest::newRow("beside the columns: no column part")
            << "" << false << QStringList {Settings} << head + data + scale;
        QTest::newRow("dataset closed: no data items")
            << "closed" << false << QStringList {Settings} << head + scale;
        QTest::newRow("two lines: detail display")
            << "lines" << false << QStringList {Settings}
            << head + data + QStringList {"Растягивать колонки", "Детальное отображение"};
        QTest::newRow("striped: no column colour")
            << "" << true << QStringList {Settings, ColumnSettings}
            << QStringList {"Шрифт", "Детальность", "-"} + alignments + title;
        QTest::newRow("not striped: column colour")
            << "plain" << true << QStringList {Settings, ColumnSettings}
            << QStringList {"Шрифт", "Цвет", "Детальность", "-"} + alignments + title;
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
        FGrid->SetStriped(setup != QLatin1String("plain"));
        if (setup == QLatin1String("lines"))
            FGrid->SetLineFields({QStringLiteral("field FAM"), QStringLiteral("TELE")});
        QMenu *menu = RightClick(onColumn ? InColumn(1) : BesideColumns());
        QMenu *shown = path.isEmpty() ? menu : QMenu::menuInAction(ItemAt(menu, path));
        QVERIFY(shown);
        QCOMPARE(Captions(shown), items);
        for (const QAction *action : AllItems(menu))
            QCOMPARE(action->property("Tag").toInt(), TmmDBGrid::GridMenuItemTag);
    }

    void marksFollowTheGridAndTogglesInvertThem()
    {
        FGrid->SetLineFields({QStringLiteral("field FAM"), QStringLiteral("TELE")});
        const QList<QPair<QStringList, std::function<bool()>>> toggles
            = {{{"Использование полос", "Использовать"}, [this] { return FGrid->Striped(); }},
                {{"Условное форматирование", "Использовать"},
                    [this] { return FGrid->ConditionalFormatting(); }},
                {{"Растягивать колонки"}, [this] { return FGrid->ScaleColumns(); }},
                {{"Детальное отображение"}, [this] { return FGrid->ShowLines(); }}};
        for (const auto &[path, value] : toggles) {
            for (int round = 0; round < 2; ++round) {
                const bool before = value();
                QAction *item = ItemAt(RightClick(InColumn(0)), QStringList {Settings} + path);
                QCOMPARE(item->isChecked(), before);
                item->trigger();
                QCOMPARE(value(), !before);
            }
        }
        // Title alignment reaches only that column's title.
        const TAlignment cells = FGrid->Columns()[1]->Alignment();
        Run({ColumnSettings, TitleSettings, "Выравнивать по правому краю"}, 1);
        QCOMPARE(FGrid->Columns()[1]->Title().Alignment(), TAlignment::taRightJustify);
        QCOMPARE(FGrid->Columns()[1]->Alignment(), cells);
        QCOMPARE(FGrid->Columns()[0]->Title().Alignment(), TAlignment::taLeftJustify);
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
        data->Fail = true;
        QVERIFY_THROWS_EXCEPTION(Exception, Run({"Обновить данные"}));
        QVERIFY(!data->Active());
        QVERIFY(!FGrid->DataLinkActive());
    }

    void dialogCommands_data()
    {
        QTest::addColumn<QStringList>("path");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<QStringList>("changed");
        // "*." stands for the same value of every column.
        const QList<QPair<QStringList, QStringList>> commands
            = {{{"Шрифт таблицы"}, {"font", "*.font"}}, {{"Цвет таблицы"}, {"color", "*.color"}},
                {{"Шрифт заглавиий"}, {"titleFont", "*.titleFont"}},
                {{"Цвет заглавий"}, {"fixedColor", "*.titleColor"}},
                {{"Цвет выделенной записи"}, {"selected"}},
                {{"Использование полос", "Первая полоса"}, {"stripeOne"}},
                {{"Использование полос", "Вторая полоса"}, {"stripeTwo"}},
                {{ColumnSettings, "Шрифт"}, {"1.font"}}, {{ColumnSettings, "Цвет"}, {"1.color"}},
                {{ColumnSettings, TitleSettings, "Шрифт"}, {"1.titleFont"}},
                {{ColumnSettings, TitleSettings, "Цвет"}, {"1.titleColor"}}};
        for (const auto &[path, changed] : commands) {
            QTest::addRow("%s, OK", qPrintable(path.join(u'/'))) << path << true << changed;
            QTest::addRow("%s, cancelled", qPrintable(path.join(u'/')))
                << path << false << QStringList();
        }
    }
    void dialogCommands()
    {
        QFETCH(QStringList, path);
        QFETCH(bool, answered);
        QFETCH(QStringList, changed);
        FGrid->SetStriped(false);
        TFont font;
        font.SetName(QStringLiteral("Courier New"));
        font.SetSize(14);
        const TColor color = RGBColor(10, 20, 30);
        int asked = 0;
        GridStandardDialogs().ChooseFont = [&](QWidget *, const TFont &) {
            ++asked;
            return answered ? std::optional(font) : std::nullopt;
        };
        GridStandardDialogs().ChooseColor = [&](QWidget *, TColor) {
            ++asked;
            return answered ? std::optional(color) : std::nullopt;
        };
        // Everything these commands may change, by name.
        auto state = [this] {
            const auto text = [](const TFont &f) { return f.ToQFont().toString(); };
            QMap<QString, QString> values {{"font", text(FGrid->Font())},
                {"titleFont", text(FGrid->TitleFont())}, {"color", QString::number(FGrid->Color())},
                {"fixedColor", QString::number(FGrid->FixedColor())},
                {"selected", QString::number(FGrid->ColorSelected())},
                {"stripeOne", QString::number(FGrid->StripeOne())},
                {"stripeTwo", QString::number(FGrid->StripeTwo())}};
            for (int i = 0; i < FGrid->Columns().Count(); ++i) {
                const TColumn *column = FGrid->Columns()[i];
                values[QString::number(i) + ".font"] = text(column->Font());
                values[QString::number(i) + ".titleFont"] = text(column->Title().Font());
                values[QString::number(i) + ".color"] = QString::number(column->Color());
                values[QString::number(i) + ".titleColor"]
                    = QString::number(column->Title().Color());
            }
            return values;
        };
        // A column's own values: a table-level change must reach it too.
        FGrid->Columns()[0]->SetColor(Colors::clYellow);
        FGrid->Columns()[0]->Title().SetColor(Colors::clYellow);
        const auto before = state();
        Run(path, 1);
        QCOMPARE(asked, 1);
        const auto after = state();
        QStringList expected;
        for (const QString &name : changed)
            for (int i = 0; i < (name.startsWith(u'*') ? FGrid->Columns().Count() : 1); ++i)
                expected << QString(name).replace(u'*', QString::number(i));
        QStringList differing;
        for (auto it = after.begin(); it != after.end(); ++it)
            if (before[it.key()] != it.value()) {
                differing << it.key();
                QVERIFY(it.value() == font.ToQFont().toString()
                    || it.value() == QString::number(color));
            }
        expected.sort();
        QCOMPARE(differing, expected);
    }

    void choosersListTheirFieldTypes_data()
    {
        QTest::addColumn<TColumnsChooserKind>("kind");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("grid") << TColumnsChooserKind::Grid
                              << QStringList {"FAM", "TELE", "PHOTO", "BORN"};
        QTest::newRow("wizard") << TColumnsChooserKind::Wizard
                                << QStringList {"FAM", "TELE", "BORN"};
    }
    void choosersListTheirFieldTypes()
    {
        QFETCH(TColumnsChooserKind, kind);
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
        TColumnsChooserDialog dialog(
            FGrid, kind, *FGrid, [](TField *field) { return field->Visible(); });
        QStringList items;
        for (int i = 0; i < dialog.List->count(); ++i)
            items << dialog.List->item(i)->text();
        QCOMPARE(items, listed);
        QCOMPARE(dialog.List->item(1)->checkState(), Qt::Unchecked);
    }

    void hiddenColumnsStayHidden()
    {
        // The application's own hidden column is offered unchecked; the settings of the
        // columns that stay outlive the change of the others.
        FGrid->Columns()[2]->SetVisible(false);
        FGrid->Columns()[0]->Title().SetCaption(QStringLiteral("Абонент"));
        FGrid->Columns()[3]->SetColor(Colors::clAqua);
        auto answer = [this](int item, Qt::CheckState state, const QString &button) {
            QStringList offered;
            WhenModal([&](QWidget *dialog) {
                auto *list = dialog->findChild<QListWidget *>();
                for (int i = 0; i < list->count(); ++i)
                    offered << list->item(i)->text()
                            + (list->item(i)->checkState() == Qt::Checked ? "+" : "-");
                list->item(item)->setCheckState(state);
                Press(dialog, button);
            });
            Run({"Выбрать видимые колонки"});
            return offered;
        };
        QCOMPARE(answer(1, Qt::Unchecked, Ok),
            (QStringList {"Абонент+", "TELE+", "K_Y-", "ADR_D+", "ADR_K+"}));
        const QStringList shown = {"FAM", "ADR_D", "ADR_K"};
        QCOMPARE(ShownColumns(*FGrid), shown);
        QCOMPARE(FGrid->Columns()[0]->Title().Caption(), QStringLiteral("Абонент"));
        QCOMPARE(FGrid->Columns()[1]->Color(), Colors::clAqua);
        QCOMPARE(FGrid->Columns()[2]->Color(), FGrid->Color());
        FGrid->RefreshData();
        QCOMPARE(ShownColumns(*FGrid), shown);
        FGrid->SortBy(QStringLiteral("FAM"), false);
        QCOMPARE(ShownColumns(*FGrid), shown);
        FGrid->SetScaleColumns(true);
        FGrid->FitColumns();
        QCOMPARE(ShownColumns(*FGrid), shown);
        QCOMPARE(FGrid->Columns()[1]->Color(), Colors::clAqua);
        // Another query on the same dataset has columns of its own; the city query hides again.
        const QStringList city = FQuery->SQL();
        auto reopen = [this](const QStringList &lines) {
            FQuery->Close();
            FQuery->SetSQL(lines);
            if (TParam *street = FQuery->FindParam(QStringLiteral("str")))
                street->SetAsInteger(1);
            FQuery->Open();
        };
        reopen({"SELECT FAM, TELE FROM \"KVTEL_1.DB\""});
        QCOMPARE(ShownColumns(*FGrid), (QStringList {"FAM", "TELE"}));
        reopen(city);
        QCOMPARE(ShownColumns(*FGrid), shown);
        // A cancel changes nothing; shown again, TELE comes back with the defaults.
        answer(1, Qt::Checked, QStringLiteral("&Отменить"));
        QCOMPARE(ShownColumns(*FGrid), shown);
        answer(1, Qt::Checked, Ok);
        const QStringList all = {"FAM", "TELE", "ADR_D", "ADR_K"};
        QCOMPARE(ShownColumns(*FGrid), all);
        QCOMPARE(FGrid->Columns()[1]->Color(), FGrid->Color());
        FGrid->RefreshData();
        QCOMPARE(ShownColumns(*FGrid), all);
    }

    void wizardChooserAnswersWithFieldNames()
    {
        QStringList names = {"fam", "K_Y"};
        WhenModal([](QWidget *dialog) {
            auto *list = dialog->findChild<QListWidget *>();
            QCOMPARE(list->item(0)->checkState(), Qt::Checked);
            QCOMPARE(list->item(1)->checkState(), Qt::Unchecked);
            list->item(1)->setCheckState(Qt::Checked);
            Press(dialog, Ok);
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
        QTest::newRow("new caption") << "Телефон" << Ok << "Телефон";
        QTest::newRow("confirmed as shown") << "" << Ok << "TELE";
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
            auto *edit = dialog->findChild<QLineEdit *>();
            shown = edit->text();
            if (!typed.isEmpty())
                edit->setText(typed);
            Press(dialog, button);
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
        QTest::addColumn<QString>("sqlAfter");
        QTest::addColumn<QString>("warning");
        const QString city = TQueryFixture::CityLines().join('\n');
        const QString valid = "SELECT FAM, TELE FROM \"KVTEL_1.DB\"";
        QTest::newRow("table") << "table"
                               << "" << true << ""
                               << "";
        QTest::newRow("query, box unchecked") << "query" << valid << false << city << "";
        QTest::newRow("unchanged text re-run") << "query"
                                               << "" << true << city << "";
        QTest::newRow("edited valid query") << "query" << valid << true << valid << "";
        // The user reads why, and that the previous query is back.
        const QStringList failing = {"SELEC FAM FROM \"KVTEL_1.DB\"", "DELETE FROM \"KVTEL_1.DB\"",
            "ATTACH DATABASE 'x.db' AS x", "VACUUM INTO 'copy.db'", "PRAGMA user_version = 5",
            "SELECT FAM FROM \"KVTEL_1.DB\"; DELETE FROM \"KVTEL_1.DB\"",
            "WITH t AS (SELECT 1) INSERT INTO \"KVTEL_1.DB\"(FAM) SELECT 'x' FROM t"};
        for (const QString &sql : failing)
            QTest::addRow("refused: %s", qPrintable(sql.left(24)))
                << "query" << sql << true << city
                << (sql.startsWith("SELEC ") ? "Invalid query" : "Query refused");
    }
    void viewer()
    {
        // An edited query that fails puts the previous text back and says so; the grid shows the
        // previous result, and nothing in the Data folder changes.
        QFETCH(QString, source);
        QFETCH(QString, edit);
        QFETCH(bool, replace);
        QFETCH(QString, sqlAfter);
        QFETCH(QString, warning);
        static TdlgViewDataSource *const shared = &TdlgViewDataSource::Instance();
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
            // One window for the whole program.
            QCOMPARE(dialog, shared);
            memo = shared->MemoLines();
            enabled = shared->chbxEditSQL->isEnabled();
            QVERIFY(!shared->chbxEditSQL->isChecked());
            if (!edit.isEmpty())
                shared->Memo->setPlainText(edit);
            shared->chbxEditSQL->setChecked(replace);
            shared->btnOk->Click();
        });
        Run({"Источник данных..."});
        QCOMPARE(enabled, source == QLatin1String("query"));
        QCOMPARE(FWarnings.size(), warning.isEmpty() ? 0 : 1);
        if (!warning.isEmpty()) {
            QVERIFY2(FWarnings.first().contains(warning), qPrintable(FWarnings.first()));
            QVERIFY(FWarnings.first().endsWith(QStringLiteral("Показан прежний запрос.")));
        }
        if (source == QLatin1String("table")) {
            QCOMPARE(memo, QStringList {"Table name: KVTEL_1.DB"});
        } else {
            QCOMPARE(memo, TQueryFixture::CityLines());
            QCOMPARE(FQuery->SQL().join('\n'), sqlAfter);
            QVERIFY(FGrid->DataLinkActive());
            // Re-run or not: a reopened query stands on its first record.
            QCOMPARE(FQuery->CurrentRow(), replace ? 0 : 1);
        }
        QCOMPARE(QFileInfo(FTown->Folder() + "/KVTEL_1.DB").lastModified(), stamp);
        QCOMPARE(QDir(FTown->Folder()).entryList(QDir::Files), folder);
    }
};

QTEST_MAIN(TestGridMenu)
#include "tst_gridmenu.moc"
