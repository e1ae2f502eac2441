#include "app/Application.h"
#include "app/Form1.h"
#include "app/InterfaceLanguage.h"
#include "app/ProgressWindow.h"
#include "app/SaveFile.h"
#include "app/TvgDBLookupCombo.h"
#include "conditions/mmDBGridConditionDialog.h"
#include "core/OperationProgress.h"
#include "dialogs/mmDBGridDetail.h"
#include "dialogs/mmDBGridOptions.h"
#include "grid/mmDBGrid.h"
#include "i18n/FormWalk.h"
#include "i18n/TranslationDictionary.h"
#include "search/mmDBFindDlg.h"
#include "search/mmDBSearch.h"
#include "tests/support/FormCheck.h"
#include "widgets/mmComboBox.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

namespace {

bool HasCyrillic(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(),
        [](QChar c) { return c.unicode() >= 0x0400 && c.unicode() <= 0x04FF; });
}

// Controls that show the directory's data or what the user typed, not fixed texts.
bool ShowsData(const QObject *object)
{
    for (; object; object = object->parent()) {
        const auto *combo = qobject_cast<const QComboBox *>(object);
        if (object->inherits("TvgDBLookupCombo") || qobject_cast<const QLineEdit *>(object)
            || qobject_cast<const QPlainTextEdit *>(object) || (combo && combo->isEditable()))
            return true;
    }
    return false;
}

// Every fixed text a window shows that is still Russian: captions, titles, hints, list and
// combo items, menu items, and the grid's column titles.
QStringList RussianTexts(QWidget *window)
{
    QStringList found;
    const auto check = [&found](const QObject *object, const QString &text) {
        if (HasCyrillic(text))
            found << QStringLiteral("%1 %2: %3")
                         .arg(QString::fromLatin1(object->metaObject()->className()),
                             object->objectName(), text);
    };
    QList<QObject *> objects {window};
    objects += window->findChildren<QObject *>();
    for (const QObject *object : std::as_const(objects)) {
        if (ShowsData(object))
            continue;
        for (const char *name : {"windowTitle", "text", "title", "toolTip", "statusTip", "Caption",
                 "ColorButtonText", ControlHintProperty})
            check(object, object->property(name).toString());
        check(object, object->property("Lines").toStringList().join(QLatin1Char(' ')));
        if (const auto *combo = qobject_cast<const QComboBox *>(object))
            for (int i = 0; i < combo->count(); ++i)
                check(object, combo->itemText(i));
        if (const auto *list = qobject_cast<const QListWidget *>(object))
            for (int i = 0; i < list->count(); ++i)
                check(object, list->item(i)->text());
        if (const auto *grid = qobject_cast<const TDBGrid *>(object))
            for (int i = 0; grid->model() && i < grid->model()->columnCount(); ++i)
                check(object, grid->model()->headerData(i, Qt::Horizontal).toString());
    }
    return found;
}

QWidget *VisibleWindow(const QString &className)
{
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->inherits(qPrintable(className)))
            return window;
    return nullptr;
}

QAction *ActionAt(QMenu *menu, const QStringList &path)
{
    for (QAction *action : menu->actions()) {
        if (action->text().remove(QLatin1Char('&')) != path.first())
            continue;
        if (path.size() == 1)
            return action;
        return action->menu() ? ActionAt(action->menu(), path.mid(1)) : nullptr;
    }
    return nullptr;
}

} // namespace

// The whole program in English: the main window, its menu and every dialog, opened as a user
// opens them, with the dictionary the program ships.
class TestEnglishInterface : public QObject
{
    Q_OBJECT

    std::unique_ptr<TTranslationDictionary> FDictionary;
    std::unique_ptr<TForm1> FForm;
    QStringList FErrors;

    void ChooseMode(int mode)
    {
        FForm->CBox1->setCurrentIndex(mode);
        FForm->CBox1Change();
        // The first entry whose result opens: an exchange's table may be missing.
        for (int row = 0; row < FForm->DBLCombo1->count() && mode != TForm1::ModeCity; ++row) {
            FErrors.clear();
            FForm->DBLCombo1->ChooseRow(row);
            if (FErrors.isEmpty())
                break;
        }
    }

    // Right-clicks the first column: the grid builds its menu.
    QMenu *OpenMenu()
    {
        TmmDBGrid *grid = FForm->DBGrid1;
        const QPoint at
            = grid->viewport()->mapFrom(grid, grid->CellRect(grid->IndicatorOffset(), 2).center());
        QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent event(
            QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at), {});
        QCoreApplication::sendEvent(grid->viewport(), &event);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (menu)
            menu->hide();
        return menu;
    }

    // Runs the menu command at path (English captions).
    void RunCommand(const QStringList &path)
    {
        QMenu *menu = OpenMenu();
        QAction *action = menu ? ActionAt(menu, path) : nullptr;
        QVERIFY2(action, qPrintable(path.join(u'/')));
        action->trigger();
    }

    static void CheckWindow(QWidget *window, const QString &picture)
    {
        FormCheck::SavePicture(window, picture);
        QVERIFY2(RussianTexts(window).isEmpty(), qPrintable(RussianTexts(window).join(u'\n')));
        QVERIFY2(FormCheck::CutOffTexts(window).isEmpty(),
            qPrintable(FormCheck::CutOffTexts(window).join(u'\n')));
    }

    // Once a window of the class is up (a modal one from inside its own loop), act on it and
    // close it.
    void WhenUp(const QString &className, const std::function<void(QWidget *)> &step)
    {
        auto *timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [=] {
            if (QWidget *window = VisibleWindow(className)) {
                timer->deleteLater();
                timer->stop();
                step(window);
                window->close();
            }
        });
        timer->start(10);
    }

private slots:
    void initTestCase()
    {
        FDictionary = OpenDictionary(QStringLiteral("eng"),
            DictionaryCandidates(qEnvironmentVariable("PHONEBOOK_BIN_DIR"), QString()));
        TranslationDictionary = FDictionary.get();
        InstallColumnSearch();
        InstallConditionsDialog();
        InstallDetailDialog();
        InstallOptionsWizard();
        Application()->SetExceptionSink([this](const QString &message) { FErrors << message; });
        FForm = std::make_unique<TForm1>(qEnvironmentVariable("PHONEBOOK_TEST_DATA"));
        FForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
    }

    void cleanupTestCase()
    {
        FForm.reset();
        TranslationDictionary = nullptr;
    }

    void mainWindowIsInEnglish_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("lookupLabel");
        QTest::addColumn<QString>("firstTitle");
        QTest::newRow("town") << int(TForm1::ModeCity) << "Street"
                              << "Subscriber";
        QTest::newRow("organisations") << int(TForm1::ModeOrganisation) << "Organisation"
                                       << "Telephone";
        QTest::newRow("district") << int(TForm1::ModeDistrict) << "Exchange"
                                  << "Subscriber";
    }

    void mainWindowIsInEnglish()
    {
        QFETCH(int, mode);
        ChooseMode(mode);
        QTEST(FForm->Label4->text(), "lookupLabel");
        QTEST(FForm->DBGrid1->model()->headerData(0, Qt::Horizontal).toString(), "firstTitle");
        QCOMPARE(FForm->CBox1->currentIndex(), mode);
        CheckWindow(FForm.get(), QStringLiteral("english-window-%1").arg(mode));
        ChooseMode(TForm1::ModeCity);
    }

    // The menu's items belong to the grid once it has been opened.
    void menuIsInEnglish()
    {
        QVERIFY(OpenMenu());
        QVERIFY(!FForm->DBGrid1->findChildren<QAction *>().isEmpty());
        QVERIFY2(
            RussianTexts(FForm.get()).isEmpty(), qPrintable(RussianTexts(FForm.get()).join(u'\n')));
    }

    // One row per dialog: the menu command that opens it. Add a row for each new dialog.
    void dialogIsInEnglish_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("dialogClass");
        const QString table = QStringLiteral("Table settings");
        const QString column = QStringLiteral("Column settings");
        QTest::newRow("find") << QStringList {table, "Find"} << "TfrmDBFindDlg";
        QTest::newRow("conditions") << QStringList {table, "Conditional formatting",
            "Edit conditions"} << "TfrmConditionalFormatting";
        QTest::newRow("column chooser")
            << QStringList {table, "Choose visible columns"} << "TColumnsChooserDialog";
        QTest::newRow("data source viewer")
            << QStringList {table, "Data source..."} << "TdlgViewDataSource";
        QTest::newRow("detail") << QStringList {table, column, "Detail lines"} << "TfrmDetail";
        QTest::newRow("caption editor") << QStringList {table, column, "Title settings",
            "Change title"} << "TColumnCaptionDialog";
        QTest::newRow("options wizard")
            << QStringList {table, "Table settings wizard"} << "TfrmDBGridOptions";
    }

    void dialogIsInEnglish()
    {
        QFETCH(QStringList, command);
        QFETCH(QString, dialogClass);
        bool checked = false;
        WhenUp(dialogClass, [&](QWidget *dialog) {
            CheckWindow(dialog, QStringLiteral("english-") + dialogClass);
            checked = true;
        });
        RunCommand(command);
        QTRY_VERIFY(checked);
    }

    // Export into a folder that does not exist: the write error the user is shown.
    void exportErrorIsInEnglish()
    {
        QString caption;
        AskSaveFileName() = [&](QWidget *, const TSaveFileRequest &request) {
            caption = request.Caption;
            return QStringLiteral("/no/such/folder/result.csv");
        };
        FErrors.clear();
        QMenu *menu = OpenMenu();
        QAction *exportItem = menu ? ActionAt(menu, {QStringLiteral("Export...")}) : nullptr;
        QVERIFY(exportItem);
        // Queued, as a click arrives: the failure goes through the application's handler.
        QMetaObject::invokeMethod(exportItem, &QAction::trigger, Qt::QueuedConnection);
        QTRY_COMPARE(FErrors.size(), 1);
        ResetAskSaveFileName();
        QCOMPARE(caption, QStringLiteral("Export"));
        QVERIFY2(FErrors.first().startsWith(QStringLiteral("Could not write the file ")),
            qPrintable(FErrors.first()));
    }

    // The window a long read shows, while running and once the user has asked it to stop.
    void progressWindowIsInEnglish_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("what");
        QTest::newRow("running") << false << "Running the query...";
        QTest::newRow("cancelling") << true << "Cancelling the operation...";
    }

    void progressWindowIsInEnglish()
    {
        QFETCH(bool, cancel);
        TOperationProgress progress(QStringLiteral("Выполняется запрос"));
        progress.AddRows(123456);
        TProgressWindow window(progress, FForm.get());
        window.show();
        if (cancel)
            window.btnCancel->click();
        window.UpdateFromProgress();
        QTEST(window.lblWhat->text(), "what");
        QVERIFY(window.lblRows->text().startsWith(QStringLiteral("Rows read: ")));
        CheckWindow(&window, QStringLiteral("english-progress-") + QTest::currentDataTag());
    }

    // A message box the user meets: the find dialog's answer when nothing matches.
    void messageIsInEnglish()
    {
        RunCommand({QStringLiteral("Table settings"), QStringLiteral("Find")});
        auto *dialog
            = qobject_cast<TfrmDBFindDlg *>(VisibleWindow(QStringLiteral("TfrmDBFindDlg")));
        QVERIFY(dialog);
        dialog->comboSearchText->lineEdit()->setText(QStringLiteral("no such subscriber 123"));
        QString text;
        WhenUp(QStringLiteral("QMessageBox"),
            [&](QWidget *box) { text = static_cast<QMessageBox *>(box)->text(); });
        dialog->btnFind->Click();
        QTRY_COMPARE(text, QStringLiteral("No record found."));
        dialog->close();
    }
};

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    TestEnglishInterface test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_englishinterface.moc"
