#include "conditions/mmDBGridConditionDialog.h"
#include "grid/GridDialogs.h"
#include "tests/support/DialogGridFixture.h"
#include "tests/support/FormCheck.h"
#include "tests/support/ModalScript.h"
#include "tests/support/UserInput.h"
#include "widgets/mBitButton.h"
#include "widgets/mmCheckBoxEx.h"
#include "widgets/mmComboBox.h"

#include <QLineEdit>
#include <QListWidget>
#include <QtTest>

using namespace ModalScript;
using namespace UserInput;
using Dialog = TfrmConditionalFormatting;

class TestConditionsDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<TDialogGridFixture> FFixture;
    TmmDBGrid *FGrid = nullptr;

    // What the menu's "Задать условия" does around the installed dialog.
    bool SetConditions()
    {
        if (!GridDialogs().EditConditions(*FGrid))
            return false;
        FGrid->PrepareConditions();
        FGrid->Invalidate();
        return true;
    }
    void AddCondition(const QString &field, const QString &value)
    {
        auto condition = std::make_unique<TCondition>();
        condition->FieldName = field;
        condition->Value1 = value;
        condition->ShowInFields = {field};
        FGrid->Conditions().Add(condition.release());
    }
    // The dialog on the grid's conditions, open as the user sees it.
    std::unique_ptr<Dialog> Open()
    {
        auto dialog = std::make_unique<Dialog>(FGrid);
        dialog->SetGrid(FGrid);
        dialog->LoadConditions(FGrid->Conditions());
        if (!OpenActive(dialog.get()))
            QTest::qFail("the dialog did not come up", __FILE__, __LINE__);
        return dialog;
    }

private slots:
    void initTestCase() { InstallConditionsDialog(); }
    void init()
    {
        FFixture = std::make_unique<TDialogGridFixture>();
        FGrid = &FFixture->Grid();
        FGrid->SetConditionalFormatting(true);
    }
    void cleanup()
    {
        Dialog::SetColorDialog({});
        FFixture.reset();
    }

    void editorsFollowTheChoices_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<bool>("color");
        QTest::addColumn<bool>("font");
        QTest::addColumn<QString>("caption");
        const QString sample = QStringLiteral("AaBbБбЯя");
        QTest::newRow("между, colour") << "между" << true << false << sample;
        QTest::newRow("вне, font") << "вне" << false << true << sample;
        QTest::newRow("больше, neither") << "больше" << false << false << "Формат не задан";
    }
    void editorsFollowTheChoices()
    {
        QFETCH(QString, operation);
        QFETCH(bool, color);
        QFETCH(bool, font);
        QFETCH(QString, caption);
        AddCondition(QStringLiteral("TELE"), QStringLiteral("1"));
        FGrid->Conditions()[0]->Color = Colors::clAqua;
        auto dialog = Open();
        Choose(dialog->cbOperation, QStringLiteral("между")); // from a range test ...
        Choose(dialog->cbOperation, operation); // ... to the one of the row
        const bool range = operation != QStringLiteral("больше");
        QCOMPARE(dialog->edCondition2->isVisibleTo(dialog.get()), range);
        QCOMPARE(dialog->lblAnd->isVisibleTo(dialog.get()), range);
        // Both format checks on, then the row's ones off again.
        Click(dialog->chColor);
        Click(dialog->chFont);
        if (!color)
            Click(dialog->chColor);
        if (!font)
            Click(dialog->chFont);
        QCOMPARE(dialog->pnlFormat->text(), caption);
        QCOMPARE(dialog->btnColor->isEnabled(), color);
        QCOMPARE(dialog->btnFont->isEnabled(), font);
        const QImage preview = dialog->pnlFormat->grab().toImage();
        QCOMPARE(preview.pixelColor(3, 3),
            ToQColor(color ? Colors::clAqua : dialog->DialogColor(), dialog->palette()));
    }

    void navigationAndDelete_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("steps"); // presses of "Следующее >>"
        QTest::addColumn<bool>("next");
        QTest::addColumn<bool>("prev");
        QTest::addColumn<int>("answer"); // to "Удалить условие?", 0 for no delete
        QTest::addColumn<QString>("shown"); // the operand shown afterwards, empty for none
        QTest::newRow("one") << 1 << 0 << false << false << 0 << "v0";
        QTest::newRow("first of three") << 3 << 0 << true << false << 0 << "v0";
        QTest::newRow("middle") << 3 << 1 << true << true << 0 << "v1";
        QTest::newRow("last") << 3 << 2 << false << true << 0 << "v2";
        QTest::newRow("delete the last")
            << 3 << 2 << false << true << int(QMessageBox::Yes) << "v1";
        QTest::newRow("delete, no") << 3 << 2 << false << true << int(QMessageBox::No) << "v2";
        QTest::newRow("delete the only") << 1 << 0 << false << false << int(QMessageBox::Yes) << "";
    }
    void navigationAndDelete()
    {
        QFETCH(int, count);
        QFETCH(int, steps);
        QFETCH(bool, next);
        QFETCH(bool, prev);
        QFETCH(int, answer);
        QFETCH(QString, shown);
        for (int i = 0; i < count; ++i)
            AddCondition(QStringLiteral("TELE"), QStringLiteral("v%1").arg(i));
        auto dialog = Open();
        for (int i = 0; i < steps; ++i)
            Click(dialog->btnNext);
        QCOMPARE(dialog->btnNext->isEnabled(), next);
        QCOMPARE(dialog->btnPrev->isEnabled(), prev);
        if (answer) {
            QString question;
            AnswerMessage(QMessageBox::StandardButton(answer), &question);
            Click(dialog->btnDelete);
            QCOMPARE(question, QStringLiteral("Удалить условие?"));
        }
        QCOMPARE(dialog->edCondition1->text(), shown);
        QCOMPARE(dialog->cbColumn->isEnabled(), !shown.isEmpty());
        // Nothing reaches the grid before "Готово".
        QCOMPARE(FGrid->Conditions().Count(), count);
        if (!shown.isEmpty())
            return;
        // With nothing left, "Добавить" starts afresh on the first field.
        QCOMPARE(dialog->pnlFormat->text(), QStringLiteral("Формат не задан"));
        Click(dialog->btnAdd);
        QCOMPARE(dialog->cbColumn->currentText(), QStringLiteral("Фамилия"));
        QCOMPARE(dialog->cbOperation->currentText(), QStringLiteral("равно"));
        QVERIFY(dialog->edCondition1->isEnabled());
    }

    // Through the menu's command: a new condition typed in and confirmed with Enter, or
    // refused with its message, after which Esc leaves the grid as it was.
    void okChecksEveryCondition_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("formula");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored");
        QTest::newRow("value") << "Телефон"
                               << "TELE"
                               << "20002" << false << ""
                               << "20002";
        QTest::newRow("formula with captions") << "Цена"
                                               << "PRICE"
                                               << "Цена*2+Телефон" << true << ""
                                               << "PRICE*2+TELE";
        QTest::newRow("formula that does not evaluate") << "Цена"
                                                        << "PRICE"
                                                        << "Цена*" << true << "Ошибка в формуле!"
                                                        << "";
        QTest::newRow("hidden column")
            << "Адрес"
            << "ADR"
            << "ул. 1" << false
            << "Выбранная колонка \"ADR\" условия не является видимой в таблице!"
               "Необходимо выбрать отображаемое поле!"
            << "";
    }
    void okChecksEveryCondition()
    {
        QFETCH(QString, column);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(bool, formula);
        QFETCH(QString, message);
        QFETCH(QString, stored);
        AddCondition(QStringLiteral("FAM"), QStringLiteral("Абонент 1"));
        QString shownMessage;
        QString shownAgain;
        WhenShown<Dialog>([&](Dialog *dialog) {
            Click(dialog->btnAdd);
            dialog->edCondition1->setFocus();
            Type(dialog->edCondition1, typed);
            if (formula)
                QTest::keyClick(dialog->chFormula, Qt::Key_Space);
            Choose(dialog->cbColumn, column);
            if (!message.isEmpty())
                AnswerMessage(QMessageBox::Ok, &shownMessage);
            QTest::keyClick(dialog->cbColumn, Qt::Key_Return);
            if (message.isEmpty())
                return;
            // Still open, on the failing condition.
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->CurrentIndex(), 1);
            QTest::keyClick(dialog->edCondition1, Qt::Key_Escape);
        });
        QCOMPARE(SetConditions(), message.isEmpty());
        QCOMPARE(shownMessage, message);
        if (!message.isEmpty()) {
            QCOMPARE(FGrid->Conditions().Count(), 1);
            QCOMPARE(FGrid->Conditions()[0]->Value1, QStringLiteral("Абонент 1"));
            return;
        }
        QCOMPARE(FGrid->Conditions().Count(), 2);
        const TCondition *added = FGrid->Conditions()[1];
        QCOMPARE(added->Value1, stored);
        QCOMPARE(added->FieldName, field);
        QCOMPARE(added->ShowInFields, QStringList {field});
        // Opened again, the formula is shown with the captions it was typed with.
        WhenShown<Dialog>([&](Dialog *dialog) {
            Click(dialog->btnNext);
            shownAgain = dialog->edCondition1->text();
            Click(dialog->btnCancel);
        });
        QVERIFY(!SetConditions());
        QCOMPARE(shownAgain, typed);
    }

    // What users ask for most: one column coloured by another column's value, chosen with the
    // mouse and the keyboard, and seen in the grid after "Готово".
    void conditionOnOneColumnColoursAnother()
    {
        Dialog::SetColorDialog([](TColor, QWidget *) { return Colors::clAqua; });
        WhenShown<Dialog>([&](Dialog *dialog) {
            Click(dialog->btnAdd);
            Choose(dialog->cbColumn, QStringLiteral("Телефон"));
            Choose(dialog->cbOperation, QStringLiteral("больше"));
            QTest::keyClicks(dialog->edCondition1, QStringLiteral("20002"));
            Click(dialog->chColor);
            Click(dialog->btnColor);
            WhenShown<QDialog>([](QDialog *window) {
                auto *list = window->findChild<QListWidget *>();
                QCOMPARE(list->count(), 4);
                QCOMPARE(FormCheck::CutOffTexts(window), QStringList());
                FormCheck::SavePicture(window, QStringLiteral("show-in-window"));
                list->setCurrentRow(0);
                QTest::keyClick(list, Qt::Key_Space); // Фамилия on
                QTest::keyClick(list, Qt::Key_Return);
            });
            Click(dialog->btnShow);
            QTest::mouseMove(dialog, QPoint(330, 150)); // on no control: nothing lit
            QCOMPARE(dialog->size(), QSize(Dialog::ClientWidth, Dialog::ClientHeight));
            QCOMPARE(FormCheck::CutOffTexts(dialog), QStringList());
            FormCheck::SavePicture(dialog, QStringLiteral("conditions-dialog"));
            Click(dialog->btnOk);
        });
        QVERIFY(SetConditions());
        const TCondition *condition = FGrid->Conditions()[0];
        QCOMPARE(condition->ShowInFields, QStringList {QStringLiteral("FAM")});
        QCOMPARE(condition->Color, Colors::clAqua);
        QVERIFY(condition->UseColor);
        const QImage image = FGrid->grab().toImage();
        const auto background = [&](int aCol, int record) {
            const QRect cell = FFixture->Cell(aCol, record);
            return image.pixelColor(cell.right() - 1, cell.bottom() - 1);
        };
        const QColor aqua = ToQColor(Colors::clAqua);
        for (int record = 0; record < TDialogGridFixture::RowCount; ++record)
            QCOMPARE(background(1, record) == aqua, record > 2);
        QVERIFY(background(2, 4) != aqua); // the tested column itself stays as it was
    }

    void keyboardWalksTheDialogInItsTabOrder()
    {
        AddCondition(QStringLiteral("TELE"), QStringLiteral("1"));
        auto dialog = Open();
        dialog->edCondition1->setFocus();
        QStringList order;
        for (int i = 0; i < 11; ++i) {
            order << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        // The second operand is hidden; "Шрифт", "Цвет" and both steps are disabled.
        QCOMPARE(order.join(QLatin1Char(' ')),
            QStringLiteral("edCondition1 chFormula chFont chColor btnShow cbColumn cbOperation "
                           "btnOk btnCancel btnAdd btnDelete"));
    }
};

QTEST_MAIN(TestConditionsDialog)
#include "tst_conditions_dialog.moc"
