#include "app/Application.h"
#include "app/DataFolder.h"
#include "app/Form1.h"
#include "app/TStatusBar.h"
#include "app/TvgDBLookupCombo.h"
#include "core/TFormatSettings.h"
#include "db/paradox/EDatabaseError.h"
#include "db/dataset/TDataSource.h"
#include "db/dataset/TDatabase.h"
#include "db/dataset/TQuery.h"
#include "db/dataset/TTable.h"
#include "grid/mmDBGrid.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSpontaneKeyEvent>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

// The directory window on the sample data the build writes.
class TestForm1 : public QObject
{
    Q_OBJECT

    QString FData = qEnvironmentVariable("PHONEBOOK_TEST_DATA");
    std::unique_ptr<TForm1> FForm;
    QStringList FErrors;

    void ChooseMode(int mode)
    {
        FForm->CBox1->setCurrentIndex(mode);
        FForm->CBox1Change();
    }

    int RowWhere(TDataSet *ds, const std::function<bool()> &match)
    {
        for (int row = 0; row < ds->RecordCount(); ++row) {
            TActiveRecordGuard guard(ds, row);
            if (match())
                return row;
        }
        return -1;
    }

    // Cyrillic letters go as text: QTest's key tables know only ASCII.
    static void TypeText(QWidget *widget, const QString &text)
    {
        for (const QChar letter : text) {
            QTest::sendKeyEvent(
                QTest::Press, widget, Qt::Key_unknown, QString(letter), Qt::NoModifier);
            QTest::sendKeyEvent(
                QTest::Release, widget, Qt::Key_unknown, QString(letter), Qt::NoModifier);
        }
    }

    // Where the pointer is moved to in the hint tests.
    enum Place { BareWindow, GridCells, GridTitle, StatusBar, StatusPanel, Category };

    void ShowActive()
    {
        FForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
        FForm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FForm.get()));
    }

    // The rows of the lookup table whose result can be shown (an exchange's table may be
    // missing).
    QList<int> ShowableRows()
    {
        QList<int> rows;
        TTable *lookup = FForm->Table2;
        for (int row = 0; row < lookup->RecordCount(); ++row) {
            TActiveRecordGuard guard(lookup, row);
            if (FForm->CBox1->currentIndex() != TForm1::ModeDistrict
                || QFileInfo::exists(FForm->FolderPath(QStringLiteral("Data\\Region"))
                    + QStringLiteral("/Tel_k%1.db")
                          .arg(lookup->FieldByName(QStringLiteral("K_s"))->AsString())))
                rows << row;
        }
        return rows;
    }

    // Where the dark strokes of a list row's text are, relative to the row.
    static QSet<QPoint> DarkStrokes(QAbstractItemView *list, int row)
    {
        const QImage image = list->viewport()->grab().toImage();
        const QRect rect = list->visualRect(list->model()->index(row, 0)) & image.rect();
        QSet<QPoint> strokes;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                if (qGray(image.pixel(x, y)) < 100)
                    strokes.insert(QPoint(x, y) - rect.topLeft());
        return strokes;
    }

    QStringList Captions() const
    {
        QStringList captions;
        for (int i = 0; i < FForm->DBGrid1->Columns().Count(); ++i)
            captions << FForm->DBGrid1->Columns().Items(i)->Title().Caption();
        return captions;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(FData).isDir(), "the sample Data folder is built before the tests");
        FormatSettings().ShortDateFormat = QStringLiteral("dd.mm.yy");
        Application()->SetExceptionSink([this](const QString &message) { FErrors << message; });
    }
    void init()
    {
        FErrors.clear();
        FForm = std::make_unique<TForm1>(FData);
    }
    void cleanup() { FForm.reset(); }

    void startsOnTheWholeTownTable()
    {
        QVERIFY(FErrors.isEmpty());
        QCOMPARE(
            FForm->windowTitle(), QStringLiteral("Телефонный справочник г.Верболинск и района"));
        QCOMPARE(FForm->CBox1->currentIndex(), 0);
        QVERIFY(FForm->DBLCombo1->isHidden());
        QVERIFY(FForm->Label4->text().isEmpty());
        QVERIFY(FForm->Table1->Active());
        QCOMPARE(FForm->DBGrid1->DataSource(), FForm->DSource1);
        QVERIFY(FForm->Table1->RecordCount() > 1000);
        QVERIFY(!FForm->DBGrid1->Columns().Items(2)->Visible());
        const QStringList captions = Captions();
        QCOMPARE(captions.mid(0, 2), (QStringList {"Абонент", "Телефон"}));
        QCOMPARE(captions.mid(3, 2), (QStringList {"Дом", "Квартира"}));
        QCOMPARE(FForm->DBGrid1->Columns().Items(0)->Title().Alignment(), TAlignment::taCenter);
    }

    // Places, sizes and fonts of the controls, in client coordinates of the shown window.
    void controlsSitWhereTheLayoutPutsThem_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QRect>("geometry"); // an empty size: only the place is fixed
        QTest::addColumn<QString>("family");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<int>("pointSize"); // 0: the font is given in pixels
        QTest::newRow("CBox1") << "CBox1" << QRect(6, 26, 107, 22) << "MS Sans Serif" << true << 8;
        QTest::newRow("Label4") << "Label4" << QRect(131, 5, 0, 0) << "MS Sans Serif" << true << 0;
        QTest::newRow("DBLCombo1")
            << "DBLCombo1" << QRect(122, 26, 145, 22) << "Arial" << true << 8;
        QTest::newRow("DBGrid1") << "DBGrid1" << QRect(1, 55, 630, 291) << "MS Sans Serif" << false
                                 << 8;
    }
    void controlsSitWhereTheLayoutPutsThem()
    {
        QFETCH(QString, control);
        QFETCH(QRect, geometry);
        QFETCH(QString, family);
        QFETCH(bool, bold);
        QFETCH(int, pointSize);
        ChooseMode(TForm1::ModeCity);
        FForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
        const QHash<QString, QWidget *> controls {{"CBox1", FForm->CBox1},
            {"Label4", FForm->Label4}, {"DBLCombo1", FForm->DBLCombo1},
            {"DBGrid1", FForm->DBGrid1}};
        QWidget *widget = controls.value(control);
        QVERIFY(widget);
        if (geometry.isEmpty())
            QCOMPARE(widget->pos(), geometry.topLeft());
        else
            QCOMPARE(widget->geometry(), geometry);
        QCOMPARE(widget->font().family(), family);
        QCOMPARE(widget->font().bold(), bold);
        if (pointSize > 0)
            QCOMPARE(widget->font().pointSize(), pointSize);
        else
            QCOMPARE(widget->font().pixelSize(), 15);
    }

    // The grid fills the client area to a pixel from its sides and from the status bar, which
    // runs along the bottom edge, 19 pixels high, with panels of 60, 60 and the rest.
    void gridAndStatusBarFillTheWindow()
    {
        FForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
        const QRect client = FForm->rect();
        const QRect status = FForm->StatusBar1->geometry();
        QCOMPARE(status, QRect(0, client.height() - 19, client.width(), 19));
        const QRect grid = FForm->DBGrid1->geometry();
        // One free pixel on each side: QRect's right and bottom are the last pixels inside.
        QCOMPARE(grid.left() - client.left(), 1);
        QCOMPARE(client.right() - grid.right(), 1);
        QCOMPARE(status.top() - grid.bottom(), 2);
        QCOMPARE(FForm->StatusBar1->PanelRect(0).width(), 60);
        QCOMPARE(FForm->StatusBar1->PanelRect(1).width(), 60);
        QVERIFY(FForm->StatusBar1->PanelRect(2).right() >= client.width() - 20);
        QCOMPARE(FForm->font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(FForm->font().pointSize(), 8);
    }

    // Tab goes from the category to the grid, then to the lookup list, then back (inside the
    // grid Tab moves between cells, so the grid is left with Shift+Tab from the list).
    void tabOrderIsCategoryGridLookup()
    {
        FForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
        ChooseMode(TForm1::ModeCity);
        FForm->CBox1->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(FForm->DBGrid1->hasFocus());
        FForm->DBLCombo1->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(FForm->CBox1->hasFocus());
        FForm->DBLCombo1->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(FForm->DBGrid1->hasFocus());
    }

    void modeChangeSetsLookupAndGrid_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("comboWidth");
        QTest::addColumn<QString>("lookupTable");
        QTest::addColumn<bool>("gridVisible");
        QTest::newRow("city") << 0 << "Улица" << 145 << "spr_adr1.db" << true;
        QTest::newRow("organisation") << 1 << "Организация" << 350 << "spr_org1.db" << false;
        QTest::newRow("district") << 2 << "АТС" << 145 << "spr_sity.db" << false;
    }
    void modeChangeSetsLookupAndGrid()
    {
        QFETCH(int, mode);
        FForm->show();
        ChooseMode(mode);
        QTEST(FForm->Label4->text(), "label");
        QTEST(FForm->DBLCombo1->width(), "comboWidth");
        QTEST(FForm->Table2->TableName(), "lookupTable");
        QVERIFY(FForm->DBLCombo1->isVisible());
        QTEST(FForm->DBGrid1->isVisible(), "gridVisible");
        QVERIFY(FForm->Table2->RecordCount() > 0);
        QVERIFY(FForm->DBLCombo1->count() == FForm->Table2->RecordCount());
    }

    void streetChoiceShowsItsSubscribersOnce()
    {
        ChooseMode(TForm1::ModeCity);
        TTable *streets = FForm->Table2;
        const int row = 3;
        FForm->DBLCombo1->ChooseRow(row);
        TActiveRecordGuard guard(streets, row);
        const int street = streets->FieldByName(QStringLiteral("K_Y"))->AsInteger();
        TQuery *q = FForm->Query1;
        QVERIFY(q->Active());
        QCOMPARE(FForm->DBGrid1->DataSource(), FForm->DSource3);
        QVERIFY(q->RecordCount() > 0);
        QSet<QString> rows;
        for (q->First(); !q->Eof(); q->Next()) {
            QCOMPARE(q->FieldByName(QStringLiteral("K_Y"))->AsInteger(), street);
            QString key;
            for (int f = 0; f < q->FieldCount(); ++f)
                key += q->Fields(f)->AsString() + QLatin1Char('|');
            QVERIFY2(!rows.contains(key), qPrintable(key));
            rows.insert(key);
        }
        QVERIFY(!FForm->DBGrid1->Columns().Items(2)->Visible());
        QCOMPARE(Captions().at(0), QStringLiteral("Абонент"));
    }

    // Pictures of the window in each mode (kept in the build folder for a look); the grid
    // must show striped rows of text, not an empty area.
    void windowShowsItsRows_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("town") << -1;
        QTest::newRow("city") << int(TForm1::ModeCity);
        QTest::newRow("organisation") << int(TForm1::ModeOrganisation);
        QTest::newRow("district") << int(TForm1::ModeDistrict);
    }
    void windowShowsItsRows()
    {
        QFETCH(int, mode);
        if (mode >= 0) {
            ChooseMode(mode);
            FForm->DBLCombo1->ChooseRow(1);
        }
        QVERIFY(FErrors.isEmpty());
        FForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
        const QImage picture = FForm->grab().toImage();
        picture.save(
            QDir(QStringLiteral(QT_TESTCASE_BUILDDIR))
                .filePath(QStringLiteral("phonebook_%1.png").arg(QTest::currentDataTag())));
        const QRect grid = FForm->DBGrid1->geometry();
        QVERIFY(FForm->DBGrid1->isVisible());
        // Two stripes and dark text make at least three colours in the grid's middle.
        QSet<QRgb> colours;
        for (int y = grid.top() + grid.height() / 3; y < grid.bottom() - 20; ++y)
            for (int x = grid.left() + 20; x < grid.right() - 20; x += 3)
                colours.insert(picture.pixel(x, y));
        QVERIFY2(colours.size() >= 3, qPrintable(QString::number(colours.size())));
    }

    // A user with only the keyboard: the category list, then typing part of a street's name.
    void keyboardChoosesCategoryAndStreet()
    {
        FForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
        FForm->CBox1->setFocus();
        QTest::keyClick(FForm->CBox1, Qt::Key_Down);
        QCOMPARE(FForm->CBox1->currentIndex(), int(TForm1::ModeOrganisation));
        QCOMPARE(FForm->Label4->text(), QStringLiteral("Организация"));
        QTest::keyClick(FForm->CBox1, Qt::Key_Up);
        QCOMPARE(FForm->CBox1->currentIndex(), int(TForm1::ModeCity));
        QCOMPARE(FForm->Label4->text(), QStringLiteral("Улица"));
        QVERIFY(FForm->DBLCombo1->isVisible());

        // Type a piece from the middle of a street's name, in other letter case, close the
        // suggestions and press Enter: the first street whose name holds the piece is chosen.
        TTable *streets = FForm->Table2;
        QString piece;
        {
            TActiveRecordGuard guard(streets, std::min(5, streets->RecordCount() - 1));
            const QString name = streets->FieldByName(QStringLiteral("ADR_Y"))->AsString();
            piece = name.mid(name.size() / 3, 4).toUpper();
        }
        QVERIFY(piece.size() >= 3);
        const int expected = RowWhere(streets, [streets, &piece] {
            return streets->FieldByName(QStringLiteral("ADR_Y"))
                ->AsString()
                .contains(piece, Qt::CaseInsensitive);
        });
        int street = 0;
        {
            TActiveRecordGuard guard(streets, expected);
            street = streets->FieldByName(QStringLiteral("K_Y"))->AsInteger();
        }
        FForm->DBLCombo1->setFocus();
        QWidget *typing = QApplication::focusWidget();
        QVERIFY(typing);
        TypeText(typing, piece);
        QVERIFY(FForm->DBLCombo1->completer()->popup()->isVisible());
        // The suggestions look like the list: the combo's bold Arial.
        QCOMPARE(FForm->DBLCombo1->completer()->popup()->font(), FForm->DBLCombo1->font());
        QVERIFY(FForm->DBLCombo1->font().bold());
        QTest::keyClick(FForm->DBLCombo1->completer()->popup(), Qt::Key_Escape);
        QVERIFY(!FForm->DBLCombo1->completer()->popup()->isVisible());
        QTest::keyClick(typing, Qt::Key_Return);
        QVERIFY(FErrors.isEmpty());
        QCOMPARE(FForm->DBGrid1->DataSource(), FForm->DSource3);
        QVERIFY(FForm->Query1->Active());
        QVERIFY(FForm->Query1->RecordCount() > 0);
        QCOMPARE(FForm->Query1->FieldByName(QStringLiteral("K_Y"))->AsInteger(), street);
    }

    // Every way a user picks a street reaches the window exactly once, with the lookup table
    // on the picked row.
    void lookupChoiceReachesTheWindowOnce_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("F4, arrows, Enter") << "F4";
        QTest::newRow("Alt+Down, arrows, Enter") << "AltDown";
        QTest::newRow("arrow button, mouse") << "listMouse";
        QTest::newRow("typed piece, arrows, Enter") << "filterKeys";
        QTest::newRow("typed piece, mouse") << "filterMouse";
        QTest::newRow("typed piece, Enter at once") << "filterEnter";
    }
    void lookupChoiceReachesTheWindowOnce()
    {
        QFETCH(QString, way);
        FForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
        ChooseMode(TForm1::ModeCity);
        TvgDBLookupCombo *combo = FForm->DBLCombo1;
        TTable *streets = FForm->Table2;
        QVERIFY(streets->RecordCount() > 6);
        combo->setFocus();
        QWidget *typing = QApplication::focusWidget();
        QVERIFY(typing);
        QSignalSpy changes(combo, &TvgDBLookupCombo::OnChange);

        int expected = -1;
        if (way == QLatin1String("F4") || way == QLatin1String("AltDown")) {
            if (way == QLatin1String("F4"))
                QTest::keyClick(typing, Qt::Key_F4);
            else
                QTest::keyClick(typing, Qt::Key_Down, Qt::AltModifier);
            QVERIFY(combo->view()->isVisible());
            QTest::keyClick(combo->view(), Qt::Key_Home);
            QTest::keyClick(combo->view(), Qt::Key_Down);
            QTest::keyClick(combo->view(), Qt::Key_Down);
            QTest::keyClick(combo->view(), Qt::Key_Return);
            expected = 2;
        } else if (way == QLatin1String("listMouse")) {
            QTest::mouseClick(combo, Qt::LeftButton, {}, QPoint(combo->width() - 6, 11));
            QVERIFY(combo->view()->isVisible());
            expected = 4;
            // The list ignores a release that comes as quickly as a double click after it
            // opened (the release of the click that opened it).
            QTest::qWait(QApplication::doubleClickInterval() + 50);
            const QModelIndex index = combo->view()->model()->index(expected, 0);
            QTest::mouseClick(combo->view()->viewport(), Qt::LeftButton, {},
                combo->view()->visualRect(index).center());
        } else {
            // A piece from the middle of a name, in the other letter case; the first
            // suggestion is the first street that holds it.
            QString piece;
            {
                TActiveRecordGuard guard(streets, 5);
                const QString name = streets->FieldByName(QStringLiteral("ADR_Y"))->AsString();
                piece = name.mid(name.size() / 3, 4).toUpper();
            }
            expected = RowWhere(streets, [streets, &piece] {
                return streets->FieldByName(QStringLiteral("ADR_Y"))
                    ->AsString()
                    .contains(piece, Qt::CaseInsensitive);
            });
            TypeText(typing, piece);
            QAbstractItemView *suggestions = combo->completer()->popup();
            QVERIFY(suggestions->isVisible());
            if (way == QLatin1String("filterKeys")) {
                QTest::keyClick(suggestions, Qt::Key_Down);
                QTest::keyClick(suggestions, Qt::Key_Return);
            } else if (way == QLatin1String("filterEnter")) {
                QTest::keyClick(suggestions, Qt::Key_Return);
            } else {
                const QModelIndex first = suggestions->model()->index(0, 0);
                QTest::mouseClick(suggestions->viewport(), Qt::LeftButton, {},
                    suggestions->visualRect(first).center());
            }
        }
        QVERIFY(FErrors.isEmpty());
        QCOMPARE(changes.count(), 1);
        QVERIFY(!combo->view()->isVisible());
        QVERIFY(!combo->completer()->popup()->isVisible());
        QCOMPARE(streets->RecNo(), expected + 1);
        QString name;
        int street = 0;
        {
            TActiveRecordGuard guard(streets, expected);
            name = streets->FieldByName(QStringLiteral("ADR_Y"))->AsString();
            street = streets->FieldByName(QStringLiteral("K_Y"))->AsInteger();
        }
        QCOMPARE(combo->currentText(), name);
        QVERIFY(FForm->Query1->Active());
        QVERIFY(FForm->Query1->RecordCount() > 0);
        QCOMPARE(FForm->Query1->FieldByName(QStringLiteral("K_Y"))->AsInteger(), street);
    }

    // Opening and closing the list with the keyboard chooses nothing.
    void keyboardOpensAndClosesTheList_data()
    {
        QTest::addColumn<int>("openKey");
        QTest::addColumn<int>("openModifiers");
        QTest::addColumn<int>("closeKey");
        QTest::addColumn<int>("closeModifiers");
        QTest::newRow("F4, F4") << int(Qt::Key_F4) << 0 << int(Qt::Key_F4) << 0;
        QTest::newRow("F4, Escape") << int(Qt::Key_F4) << 0 << int(Qt::Key_Escape) << 0;
        QTest::newRow("Alt+Down, Alt+Up")
            << int(Qt::Key_Down) << int(Qt::AltModifier) << int(Qt::Key_Up) << int(Qt::AltModifier);
        QTest::newRow("Alt+Down, Escape")
            << int(Qt::Key_Down) << int(Qt::AltModifier) << int(Qt::Key_Escape) << 0;
    }
    void keyboardOpensAndClosesTheList()
    {
        QFETCH(int, openKey);
        QFETCH(int, openModifiers);
        QFETCH(int, closeKey);
        QFETCH(int, closeModifiers);
        FForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
        ChooseMode(TForm1::ModeCity);
        TvgDBLookupCombo *combo = FForm->DBLCombo1;
        combo->ChooseRow(1);
        const QString chosen = combo->currentText();
        combo->setFocus();
        QSignalSpy changes(combo, &TvgDBLookupCombo::OnChange);
        QTest::keyClick(
            QApplication::focusWidget(), Qt::Key(openKey), Qt::KeyboardModifiers(openModifiers));
        QVERIFY(combo->view()->isVisible());
        QCOMPARE(combo->view()->currentIndex().row(), 1);
        QTest::keyClick(combo->view(), Qt::Key_Down);
        QTest::keyClick(combo->view(), Qt::Key(closeKey), Qt::KeyboardModifiers(closeModifiers));
        QVERIFY(!combo->view()->isVisible());
        QCOMPARE(changes.count(), 0);
        QCOMPARE(combo->currentText(), chosen);
        QCOMPARE(FForm->Table2->RecNo(), 2);
    }

    // Typed text that chose nothing does not stay beside the result when the user moves on.
    void leavingTheComboShowsTheChosenEntryAgain_data()
    {
        QTest::addColumn<int>("chosenRow");
        QTest::addColumn<bool>("byMouse");
        QTest::newRow("chosen, Tab") << 1 << false;
        QTest::newRow("chosen, click on the grid") << 1 << true;
        QTest::newRow("nothing chosen, Tab") << -1 << false;
    }
    void leavingTheComboShowsTheChosenEntryAgain()
    {
        QFETCH(int, chosenRow);
        QFETCH(bool, byMouse);
        FForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
        ChooseMode(TForm1::ModeCity);
        TvgDBLookupCombo *combo = FForm->DBLCombo1;
        QString chosen;
        if (chosenRow >= 0) {
            combo->ChooseRow(chosenRow);
            chosen = combo->itemText(chosenRow);
        }
        combo->setFocus();
        QSignalSpy changes(combo, &TvgDBLookupCombo::OnChange);
        QWidget *typing = QApplication::focusWidget();
        combo->lineEdit()->selectAll();
        TypeText(typing, QStringLiteral("Нет такой улицы"));
        QTest::keyClick(typing, Qt::Key_Return);
        QCOMPARE(combo->lineEdit()->text(), QStringLiteral("Нет такой улицы"));
        if (byMouse)
            QTest::mouseClick(FForm->DBGrid1->viewport(), Qt::LeftButton, {}, QPoint(40, 30));
        else
            QTest::keyClick(typing, Qt::Key_Tab);
        QVERIFY(!combo->hasFocus());
        QCOMPARE(combo->lineEdit()->text(), chosen);
        QCOMPARE(changes.count(), 0);
        QVERIFY(FErrors.isEmpty());
    }

    void organisationChoiceUsesKodOrgNotTheLookupKey()
    {
        ChooseMode(TForm1::ModeOrganisation);
        TTable *orgs = FForm->Table2;
        const int row = RowWhere(orgs, [orgs] {
            return orgs->FieldByName(QStringLiteral("Inc"))->AsInteger()
                != orgs->FieldByName(QStringLiteral("Kod_org"))->AsInteger();
        });
        QVERIFY2(row >= 0, "the sample has organisations whose code differs from their key");
        FForm->DBLCombo1->ChooseRow(row);
        QVERIFY(FForm->Query1->Active());
        QVERIFY(FForm->Query1->RecordCount() > 0);
        QCOMPARE(FForm->Query1->FieldCount(), 3);
        QCOMPARE(Captions(), (QStringList {"Телефон", "Должность", "Отдел"}));
        QVERIFY(!FForm->DBGrid1->isHidden());
    }

    void exchangeChoiceOpensItsTable()
    {
        FForm->show();
        ChooseMode(TForm1::ModeDistrict);
        TTable *exchanges = FForm->Table2;
        const int row = RowWhere(exchanges, [this, exchanges] {
            const QString name
                = QStringLiteral("Tel_k%1.db")
                      .arg(exchanges->FieldByName(QStringLiteral("K_s"))->AsString());
            return QFileInfo::exists(
                FForm->FolderPath(QStringLiteral("Data\\Region")) + QLatin1Char('/') + name);
        });
        QVERIFY(row >= 0);
        FForm->DBLCombo1->ChooseRow(row);
        QVERIFY(FForm->Table1->Active());
        QVERIFY(FForm->Table1->TableName().startsWith(QLatin1String("Tel_k")));
        QCOMPARE(FForm->DBGrid1->DataSource(), FForm->DSource1);
        QCOMPARE(
            Captions().mid(0, 5), (QStringList {"Абонент", "Телефон", "Адрес", "Дом", "Квартира"}));
        QVERIFY(FForm->DBGrid1->isVisible());
    }

    void missingExchangeTableLeavesGridHiddenAndTableClosed()
    {
        ChooseMode(TForm1::ModeDistrict);
        TTable *exchanges = FForm->Table2;
        const int row = RowWhere(exchanges, [this, exchanges] {
            const QString name
                = QStringLiteral("Tel_k%1.db")
                      .arg(exchanges->FieldByName(QStringLiteral("K_s"))->AsString());
            return !QFileInfo::exists(
                FForm->FolderPath(QStringLiteral("Data\\Region")) + QLatin1Char('/') + name);
        });
        QVERIFY2(row >= 0, "the sample lists an exchange whose table is missing");
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, FForm->DBLCombo1->ChooseRow(row));
        QVERIFY(!FForm->Table1->Active());
        QVERIFY(FForm->DBGrid1->isHidden());
    }

    // Picked as a user does, the missing table's error reaches the application object once;
    // the grid stays hidden, Table1 closed, and the list still works afterwards.
    void missingExchangeChosenByTheUserIsReportedOnce_data()
    {
        QTest::addColumn<bool>("typed");
        QTest::newRow("clicked in the list") << false;
        QTest::newRow("typed, suggestion taken with Enter") << true;
    }
    void missingExchangeChosenByTheUserIsReportedOnce()
    {
        QFETCH(bool, typed);
        FForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
        ChooseMode(TForm1::ModeDistrict);
        TTable *exchanges = FForm->Table2;
        auto tableExists = [this, exchanges] {
            const QString name
                = QStringLiteral("Tel_k%1.db")
                      .arg(exchanges->FieldByName(QStringLiteral("K_s"))->AsString());
            return QFileInfo::exists(
                FForm->FolderPath(QStringLiteral("Data\\Region")) + QLatin1Char('/') + name);
        };
        const int missing = RowWhere(exchanges, [&] { return !tableExists(); });
        const int present = RowWhere(exchanges, tableExists);
        QVERIFY(missing >= 0 && present >= 0);
        TvgDBLookupCombo *combo = FForm->DBLCombo1;
        combo->setFocus();
        QWidget *typing = QApplication::focusWidget();
        if (typed) {
            TypeText(typing, combo->itemText(missing));
            QAbstractItemView *suggestions = combo->completer()->popup();
            QVERIFY(suggestions->isVisible());
            QTest::keyClick(suggestions, Qt::Key_Down);
            QTest::keyClick(suggestions, Qt::Key_Return);
            QVERIFY(!suggestions->isVisible());
        } else {
            QTest::keyClick(typing, Qt::Key_F4);
            const QModelIndex index = combo->view()->model()->index(missing, 0);
            combo->view()->scrollTo(index);
            QTest::mouseClick(combo->view()->viewport(), Qt::LeftButton, {},
                combo->view()->visualRect(index).center());
            QVERIFY(!combo->view()->isVisible());
        }
        QCOMPARE(FErrors.size(), 1);
        QVERIFY2(FErrors.first().contains(QStringLiteral("Tel_k")), qPrintable(FErrors.first()));
        QVERIFY(!FForm->Table1->Active());
        QVERIFY(FForm->DBGrid1->isHidden());

        FErrors.clear();
        QTest::keyClick(typing, Qt::Key_F4);
        QVERIFY(combo->view()->isVisible());
        const QModelIndex index = combo->view()->model()->index(present, 0);
        combo->view()->setCurrentIndex(index);
        QTest::keyClick(combo->view(), Qt::Key_Return);
        QVERIFY(FErrors.isEmpty());
        QVERIFY(FForm->Table1->Active());
        QVERIFY(FForm->DBGrid1->isVisible());
    }

    // A result with fewer columns than captions: the column list's index error is shown, the
    // captions before it stay set and the steps after it (showing the grid, focusing it) are
    // skipped. The short table is the two-field position table under the result's name.
    void shortResultStopsAtTheFirstMissingColumn_data()
    {
        QTest::addColumn<QString>("replaced");
        QTest::addColumn<bool>("atStartUp");
        QTest::newRow("town table at start-up") << "Gorod/kvtel_1.DB" << true;
        QTest::newRow("exchange table") << "Region/Tel_k1.db" << false;
    }
    void shortResultStopsAtTheFirstMissingColumn()
    {
        QFETCH(QString, replaced);
        QFETCH(bool, atStartUp);
        FForm.reset();
        QTemporaryDir copy;
        QVERIFY(copy.isValid());
        for (const QString &folder : QStringList {"Gorod", "Main", "Org", "Region"}) {
            QDir().mkpath(copy.filePath(folder));
            const QDir from(QDir(FData).filePath(folder));
            for (const QString &file : from.entryList(QDir::Files))
                QVERIFY(QFile::copy(from.filePath(file), copy.filePath(folder + '/' + file)));
        }
        QVERIFY(QFile::remove(copy.filePath(replaced)));
        QVERIFY(QFile::copy(QDir(FData).filePath("Org/SPR_DOL.DB"), copy.filePath(replaced)));

        FForm = std::make_unique<TForm1>(copy.path());
        FForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
        if (!atStartUp) {
            QVERIFY(FErrors.isEmpty());
            ChooseMode(TForm1::ModeDistrict);
            TvgDBLookupCombo *combo = FForm->DBLCombo1;
            QCOMPARE(combo->itemText(0), QStringLiteral("Каменка")); // K_s 1
            combo->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4);
            QTest::keyClick(combo->view(), Qt::Key_Home);
            QTest::keyClick(combo->view(), Qt::Key_Return);
            QVERIFY(FForm->DBGrid1->isHidden());
            QVERIFY(!FForm->DBGrid1->hasFocus());
        }
        QCOMPARE(FErrors, QStringList {QStringLiteral("List index out of bounds (2)")});
        QVERIFY(FForm->Table1->Active());
        QCOMPARE(FForm->DBGrid1->DataSource(), FForm->DSource1);
        QCOMPARE(Captions(), (QStringList {"Абонент", "Телефон"}));
        QCOMPARE(FForm->DBGrid1->Columns().Items(1)->Title().Alignment(), TAlignment::taCenter);
    }

    void switchingModesClosesThePreviousResult()
    {
        ChooseMode(TForm1::ModeCity);
        FForm->DBLCombo1->ChooseRow(0);
        QVERIFY(FForm->Query1->Active());
        ChooseMode(TForm1::ModeOrganisation);
        QVERIFY(!FForm->Query1->Active());
        QVERIFY(!FForm->Table1->Active());
        QCOMPARE(FForm->Dbase1->Path(), FForm->FolderPath(QStringLiteral("Data\\Org")));
    }

    void statusBarShowsDateClockAndLongHints()
    {
        FForm->show();
        FForm->IdleProc();
        const QString date = FForm->StatusBar1->PanelText(0);
        QVERIFY2(
            QRegularExpression(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d\\d$")).match(date).hasMatch(),
            qPrintable(date));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"))
                    .match(FForm->StatusBar1->PanelText(1))
                    .hasMatch());

        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(FForm->DBGrid1->viewport(), &enter);
        QCOMPARE(FForm->StatusBar1->PanelText(2), QStringLiteral("Таблица результата"));
        QApplication::sendEvent(FForm->StatusBar1, &enter);
        QCOMPARE(FForm->StatusBar1->PanelText(2), QStringLiteral("Панель состояния"));
        QCOMPARE(FForm->StatusBar1->toolTip(), QStringLiteral("Панель"));
        QVERIFY(FForm->DBGrid1->toolTip().isEmpty());
    }

    // The pointer moved as a user moves it: panel 2 shows the long hint of what is under it,
    // and nothing over a control without a hint or over the bare window.
    // The application's message box shows the user's sentence and keeps the technical account
    // under its details.
    void failureShowsItsDetailsInTheMessageBox()
    {
        Application()->SetExceptionSink({});
        QString text;
        QString details;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            text = box->text();
            details = box->detailedText();
            box->grab().save(QDir(QStringLiteral(QT_TESTCASE_BUILDDIR))
                                 .filePath(QStringLiteral("phonebook_failure_box.png")));
            box->accept();
        });
        Application()->HandleException(
            EDatabaseError::MissingTable(QStringLiteral("/srv/Data/Region/Tel_k12.db")));
        Application()->SetExceptionSink([this](const QString &message) { FErrors << message; });
        QCOMPARE(text, QStringLiteral("Таблица «Tel_k12.db» не найдена в папке «Region»."));
        QCOMPARE(details, QStringLiteral("Table does not exist: /srv/Data/Region/Tel_k12.db"));
    }

    // A cell that cannot be drawn is reported through the application's message, once, after
    // the paint, however often the grid repaints.
    void cellPaintFailureReachesTheApplicationsMessage()
    {
        FForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
        FForm->DBGrid1->OnDrawColumnCell
            = [](TDBGrid *, const QRect &, int dataCol, TColumn *, QPainter &, TGridDrawState) {
                  if (dataCol == 1)
                      throw Exception(QStringLiteral("cannot show the value"));
              };
        for (int paint = 0; paint < 3; ++paint) {
            FForm->DBGrid1->viewport()->repaint();
            QCoreApplication::processEvents();
        }
        FForm->DBGrid1->OnDrawColumnCell = nullptr;
        QCOMPARE(FErrors, QStringList {QStringLiteral("cannot show the value")});
    }

    void hintFollowsThePointer_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("hint");
        QTest::newRow("onto the grid") << int(BareWindow) << int(GridCells) << "Таблица результата";
        QTest::newRow("onto a grid title")
            << int(BareWindow) << int(GridTitle) << "Таблица результата";
        QTest::newRow("onto the status bar")
            << int(GridCells) << int(StatusBar) << "Панель состояния";
        QTest::newRow("onto a status panel")
            << int(GridCells) << int(StatusPanel) << "Панель состояния";
        QTest::newRow("grid to category") << int(GridCells) << int(Category) << QString();
        QTest::newRow("grid to bare window") << int(GridCells) << int(BareWindow) << QString();
        QTest::newRow("status panel to bare window")
            << int(StatusPanel) << int(BareWindow) << QString();
    }
    void hintFollowsThePointer()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        FForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
        const std::pair<QWidget *, QPoint> places[] {
            {FForm.get(), QPoint(400, 12)},
            {FForm->DBGrid1->viewport(), QPoint(60, 60)},
            {FForm->DBGrid1->horizontalHeader(), QPoint(30, 5)},
            {FForm->StatusBar1, QPoint(400, 10)},
            {FForm->StatusBar1, QPoint(30, 10)},
            {FForm->CBox1, QPoint(20, 10)},
        };
        QTest::mouseMove(places[from].first, places[from].second);
        QTest::mouseMove(places[to].first, places[to].second);
        QTEST(FForm->StatusBar1->PanelText(2), "hint");
    }

    // The clock runs by itself, turning over with the seconds of the system clock, and the date
    // beside it is today's.
    void clockRunsWithoutBeingAsked()
    {
        FForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
        TStatusBar *bar = FForm->StatusBar1;
        const QString before = bar->PanelText(1);
        QTRY_VERIFY_WITH_TIMEOUT(bar->PanelText(1) != before, 2500);
        const QTime now = QTime::currentTime();
        QVERIFY2(now.msec() < 500, qPrintable(now.toString(QStringLiteral("hh:mm:ss.zzz"))));
        QCOMPARE(bar->PanelText(1), now.toString(QStringLiteral("hh:mm:ss")));
        QCOMPARE(bar->PanelText(0), QDate::currentDate().toString(QStringLiteral("dd.MM.yy")));
    }

    // The platform appends the application's display name to every window caption once one is
    // set: the program sets none, so the window shows its caption alone.
    void windowCaptionIsTheCaptionAlone()
    {
        QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("phonebook"));
        FForm->show();
        QCOMPARE(FForm->windowHandle()->title(),
            QStringLiteral("Телефонный справочник г.Верболинск и района"));
    }

    // The user moves a column, then chooses another entry: every caption sits over its own
    // field and only the street code is hidden; the moved column stays where the user put it.
    void captionsFollowTheirFieldsAfterAColumnMoved_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("captions"); // field=caption
        QTest::newRow("street") << int(TForm1::ModeCity)
                                << QStringList {"FAM=Абонент", "TELE=Телефон", "ADR_D=Дом",
                                       "ADR_K=Квартира"};
        QTest::newRow("organisation")
            << int(TForm1::ModeOrganisation)
            << QStringList {"TELE=Телефон", "NAIM_DOL=Должность", "NAIM_OTD=Отдел"};
        QTest::newRow("exchange") << int(TForm1::ModeDistrict)
                                  << QStringList {"FAM=Абонент", "TELE=Телефон", "ADR=Адрес",
                                         "DOM=Дом", "KV=Квартира"};
    }
    void captionsFollowTheirFieldsAfterAColumnMoved()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, captions);
        QHash<QString, QString> captionOf;
        for (const QString &pair : captions)
            captionOf.insert(pair.section(QLatin1Char('='), 0, 0), pair.section('=', 1));
        FForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
        ChooseMode(mode);
        const QList<int> rows = ShowableRows();
        QVERIFY(rows.size() >= 2);
        FForm->DBLCombo1->ChooseRow(rows.at(0));
        TDBGridColumns &columns = FForm->DBGrid1->Columns();
        const QString first = columns.Items(0)->FieldName();
        // The second column dragged before the first, as the title row does at the drop.
        FForm->DBGrid1->horizontalHeader()->moveSection(1, 0);
        QCOMPARE(columns.Items(1)->FieldName(), first);
        const QString moved = columns.Items(0)->FieldName();
        FForm->DBLCombo1->ChooseRow(rows.at(1));
        QVERIFY(FErrors.isEmpty());
        QCOMPARE(columns.Items(0)->FieldName(), moved);
        for (int i = 0; i < columns.Count(); ++i) {
            const TColumn *column = columns.Items(i);
            const QString field = column->FieldName().toUpper();
            QCOMPARE(column->Title().Caption(), captionOf.value(field, column->FieldName()));
            QCOMPARE(column->Visible(), field != QLatin1String("K_Y"));
        }
    }

    // One turn of the wheel over a closed combo box changes it only while it has the focus, and
    // does not give it the focus.
    void wheelChangesAClosedComboOnlyWithTheFocus_data()
    {
        QTest::addColumn<bool>("lookup");
        QTest::addColumn<bool>("focused");
        QTest::addColumn<bool>("fromTheWindowSystem");
        QTest::newRow("category, grid focused") << false << false << true;
        QTest::newRow("category, grid focused, sent") << false << false << false;
        QTest::newRow("category, focused") << false << true << true;
        QTest::newRow("lookup, grid focused") << true << false << true;
        QTest::newRow("lookup, focused") << true << true << true;
    }
    void wheelChangesAClosedComboOnlyWithTheFocus()
    {
        QFETCH(bool, lookup);
        QFETCH(bool, focused);
        QFETCH(bool, fromTheWindowSystem);
        ShowActive();
        ChooseMode(TForm1::ModeCity);
        QComboBox *combo = lookup ? static_cast<QComboBox *>(FForm->DBLCombo1) : FForm->CBox1;
        if (lookup)
            FForm->DBLCombo1->ChooseRow(1);
        (focused ? static_cast<QWidget *>(combo) : FForm->DBGrid1)->setFocus();
        const int before = combo->currentIndex();
        QSignalSpy choices(combo, &QComboBox::activated);
        // The wheel reaches the widget under the pointer: the lookup box's text field.
        const QPoint centre = combo->rect().center();
        QWidget *under = combo->childAt(centre) ? combo->childAt(centre) : combo;
        const QPoint pos = under->mapFrom(combo, centre);
        QWheelEvent wheel(pos, under->mapToGlobal(pos), QPoint(), QPoint(0, -120), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        if (fromTheWindowSystem) {
            QSpontaneKeyEvent::setSpontaneous(&wheel);
            QApplication::instance()->notify(under, &wheel);
        } else {
            QApplication::sendEvent(under, &wheel);
        }
        QVERIFY(FErrors.isEmpty());
        QCOMPARE(combo->currentIndex(), focused ? before + 1 : before);
        QCOMPARE(choices.count(), focused ? 1 : 0);
        QCOMPARE(combo->hasFocus(), focused);
    }

    // Tab moves between the grid's cells; Ctrl+Tab and Ctrl+Shift+Tab leave the grid.
    void ctrlTabLeavesTheGrid_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("focused");
        QTest::newRow("Ctrl+Tab") << int(Qt::Key_Tab) << int(Qt::ControlModifier) << "DBLCombo1";
        QTest::newRow("Ctrl+Shift+Tab")
            << int(Qt::Key_Tab) << int(Qt::ControlModifier | Qt::ShiftModifier) << "CBox1";
        QTest::newRow("Ctrl+Shift+Backtab")
            << int(Qt::Key_Backtab) << int(Qt::ControlModifier | Qt::ShiftModifier) << "CBox1";
        QTest::newRow("Tab") << int(Qt::Key_Tab) << 0 << "DBGrid1";
    }
    void ctrlTabLeavesTheGrid()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, focused);
        ShowActive();
        ChooseMode(TForm1::ModeCity);
        TmmDBGrid *grid = FForm->DBGrid1;
        grid->setFocus();
        QVERIFY(grid->hasFocus());
        const int column = grid->SelectedIndex();
        QTest::keyClick(grid, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        const QHash<QString, QWidget *> controls {
            {"CBox1", FForm->CBox1}, {"DBGrid1", grid}, {"DBLCombo1", FForm->DBLCombo1}};
        QVERIFY(controls.value(focused)->hasFocus());
        // Only plain Tab moves the current cell.
        QCOMPARE(grid->SelectedIndex() != column, focused == QLatin1String("DBGrid1"));
    }

    // The pointer resting on the grid shows the grid's short hint, which is empty: no tooltip,
    // neither the cell's value nor anything else.
    void tooltipIsTheShortHint_data()
    {
        QTest::addColumn<int>("place");
        QTest::addColumn<QString>("tooltip");
        QTest::newRow("cell") << int(GridCells) << QString();
        QTest::newRow("title") << int(GridTitle) << QString();
        QTest::newRow("status bar") << int(StatusBar) << "Панель";
    }
    void tooltipIsTheShortHint()
    {
        QFETCH(int, place);
        QFETCH(QString, tooltip);
        FForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
        const QHash<int, std::pair<QWidget *, QPoint>> places {
            {GridCells, {FForm->DBGrid1->viewport(), QPoint(60, 30)}},
            {GridTitle, {FForm->DBGrid1->horizontalHeader()->viewport(), QPoint(30, 5)}},
            {StatusBar, {FForm->StatusBar1, QPoint(400, 10)}},
        };
        const auto [widget, pos] = places.value(place);
        QHelpEvent help(QEvent::ToolTip, pos, widget->mapToGlobal(pos));
        QApplication::sendEvent(widget, &help);
        QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), tooltip);
        QToolTip::hideText();
    }

    // The highlighted row of the drop-down and suggestion lists is drawn with the same bold,
    // dark strokes as when it is not highlighted.
    void highlightedListRowKeepsItsBoldStrokes_data()
    {
        QTest::addColumn<QString>("list");
        QTest::newRow("lookup drop-down") << "drop-down";
        QTest::newRow("suggestions") << "suggestions";
        QTest::newRow("category drop-down") << "category";
    }
    void highlightedListRowKeepsItsBoldStrokes()
    {
        QFETCH(QString, list);
        ShowActive();
        ChooseMode(TForm1::ModeCity);
        TvgDBLookupCombo *combo = FForm->DBLCombo1;
        QAbstractItemView *view = nullptr;
        if (list == QLatin1String("category")) {
            FForm->CBox1->setFocus();
            FForm->CBox1->showPopup();
            view = FForm->CBox1->view();
        } else if (list == QLatin1String("drop-down")) {
            combo->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4);
            view = combo->view();
        } else {
            combo->setFocus();
            TypeText(QApplication::focusWidget(), QStringLiteral("ул"));
            view = combo->completer()->popup();
        }
        QVERIFY(view->isVisible());
        QVERIFY(view->font().bold());
        view->setCurrentIndex(view->model()->index(0, 0));
        const QSet<QPoint> highlighted = DarkStrokes(view, 0);
        view->setCurrentIndex(view->model()->index(1, 0));
        const QSet<QPoint> plain = DarkStrokes(view, 0);
        QVERIFY(plain.size() > 20);
        // Every stroke is there; a menu-like list may smooth a few edge pixels differently.
        QVERIFY(highlighted.contains(plain));
        QVERIFY2(highlighted.size() <= plain.size() * 11 / 10,
            qPrintable(QStringLiteral("%1 of %2").arg(highlighted.size()).arg(plain.size())));
    }

    void dataFolderIsLookedForInOrder_data()
    {
        QTest::addColumn<bool>("giveCommandLine");
        QTest::addColumn<bool>("besideProgram");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<int>("expected"); // 0 command line, 1 beside, 2 installed, -1 none
        QTest::newRow("command line wins") << true << true << true << 0;
        QTest::newRow("beside the program") << false << true << true << 1;
        QTest::newRow("installed copy") << false << false << true << 2;
        QTest::newRow("nothing") << false << false << false << -1;
    }
    void dataFolderIsLookedForInOrder()
    {
        QFETCH(bool, giveCommandLine);
        QFETCH(bool, besideProgram);
        QFETCH(bool, installed);
        QFETCH(int, expected);
        QTemporaryDir root;
        const QString given = root.filePath(QStringLiteral("given"));
        const QString program = root.filePath(QStringLiteral("bin"));
        const QString installedDir = root.filePath(QStringLiteral("share/Data"));
        QDir().mkpath(program);
        QDir().mkpath(given);
        if (besideProgram)
            QDir().mkpath(program + QStringLiteral("/Data"));
        if (installed)
            QDir().mkpath(installedDir);
        const TDataFolderSearch search
            = FindDataFolder(giveCommandLine ? given : QString(), program, installedDir);
        const QStringList places {given, program + QStringLiteral("/Data"), installedDir};
        QCOMPARE(search.Found, expected < 0 ? QString() : places.at(expected));
        QVERIFY(!search.Candidates.isEmpty());
    }
};

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    TestForm1 test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_form1.moc"
