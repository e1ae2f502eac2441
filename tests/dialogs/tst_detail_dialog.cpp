#include "dialogs/mmDBGridDetail.h"
#include "grid/GridDialogs.h"
#include "tests/support/DialogGridFixture.h"
#include "tests/support/FormCheck.h"
#include "tests/support/ModalScript.h"
#include "tests/support/UserInput.h"

#include <QLineEdit>
#include <QListWidget>
#include <QtTest>

using namespace ModalScript;
using namespace UserInput;

namespace {

const QString NoPlaceholder = QStringLiteral("Строка не содержит \"%s\"!");

QStringList CheckedItems(const QListWidget *list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->checkState() == Qt::Checked)
            names << list->item(i)->text();
    return names;
}

} // namespace

class TestDetailDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<TDialogGridFixture> FFixture;
    TmmDBGrid *FGrid = nullptr;
    QStringList FLines;

    TColumn &FamColumn() { return *FGrid->Columns().FindColumn(QStringLiteral("FAM")); }
    // The dialog for the FAM column, open as the user sees it, with the list focused.
    std::unique_ptr<TfrmDetail> Open()
    {
        auto dialog = std::make_unique<TfrmDetail>(FGrid);
        dialog->SetGrid(FGrid);
        dialog->SetColumnField(QStringLiteral("FAM"));
        FGrid->GetColumnLines(QStringLiteral("FAM"), FLines);
        dialog->LoadDetail(FLines);
        if (!OpenActive(dialog.get()))
            QTest::qFail("the dialog did not come up", __FILE__, __LINE__);
        dialog->clbFields->setFocus(Qt::TabFocusReason);
        return dialog;
    }

private slots:
    void initTestCase() { InstallDetailDialog(); }
    void init()
    {
        FFixture = std::make_unique<TDialogGridFixture>();
        FGrid = &FFixture->Grid();
    }
    void cleanup() { FFixture.reset(); }

    void loadsTheColumnsBlock_data()
    {
        QTest::addColumn<QString>("lineFields"); // entries separated by "|"
        QTest::addColumn<QString>("checked");
        QTest::addColumn<QString>("columnFormat");
        QTest::addColumn<QString>("teleFormat");
        QTest::newRow("no block") << "field TELE|FAM"
                                  << ""
                                  << ""
                                  << "";
        QTest::newRow("field alone") << "field FAM|tele"
                                     << "Телефон"
                                     << ""
                                     << "";
        QTest::newRow("field and format") << "field FAM|TELE|т. %s|ADR"
                                          << "Телефон Адрес"
                                          << ""
                                          << "т. %s";
        QTest::newRow("column format") << "field fam|format Имя: %s|PRICE"
                                       << "Цена"
                                       << "Имя: %s"
                                       << "";
    }
    void loadsTheColumnsBlock()
    {
        QFETCH(QString, lineFields);
        QFETCH(QString, checked);
        QFETCH(QString, columnFormat);
        QFETCH(QString, teleFormat);
        FGrid->SetLineFields(lineFields.split(QLatin1Char('|')));
        auto dialog = Open();
        QCOMPARE(dialog->lblFieldName->text(), QStringLiteral("Фамилия"));
        QCOMPARE(CheckedItems(dialog->clbFields).join(QLatin1Char(' ')), checked);
        QCOMPARE(dialog->edFieldFormat->text(), columnFormat);
        QTest::keyClick(dialog->clbFields, Qt::Key_Down); // from Фамилия to Телефон
        QCOMPARE(dialog->clbFields->currentItem()->text(), QStringLiteral("Телефон"));
        QCOMPARE(dialog->edFormat->text(), teleFormat);
    }

    void formatWithoutPlaceholderIsRefused_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("byList"); // leaving the field in the list, else "Готово"
        QTest::newRow("line format, another field") << "edFormat" << true;
        QTest::newRow("line format, Готово") << "edFormat" << false;
        QTest::newRow("column format, Готово") << "edFieldFormat" << false;
    }
    void formatWithoutPlaceholderIsRefused()
    {
        QFETCH(QString, box);
        QFETCH(bool, byList);
        auto dialog = Open();
        QTest::keyClick(dialog->clbFields, Qt::Key_Down);
        auto *edit = dialog->findChild<QLineEdit *>(box);
        edit->setFocus();
        Type(edit, QStringLiteral("кг"));
        QString message;
        AnswerMessage(QMessageBox::Ok, &message);
        if (byList)
            Click(dialog->clbFields->viewport()); // the middle item, not Телефон
        else
            QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(message, NoPlaceholder);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->focusWidget(), edit);
        QCOMPARE(dialog->clbFields->currentRow(), 1);
        QCOMPARE(dialog->CurrentIndex(), 1);
    }

    // Through the menu's command: a field and its format, a column format and a format typed
    // for a field left unchecked; after "Готово" the grid shows the second line.
    void confirmedDetailShowsASecondLine()
    {
        WhenShown<TfrmDetail>([](TfrmDetail *dialog) {
            QListWidget *list = dialog->clbFields;
            list->setFocus();
            QTest::keyClick(list, Qt::Key_Down); // Телефон, checked with the space bar
            QTest::keyClick(list, Qt::Key_Space);
            Type(dialog->edFormat, QStringLiteral("т. %s"));
            QTest::keyClick(list, Qt::Key_Down); // Цена stays unchecked
            Type(dialog->edFormat, QStringLiteral("%s руб."));
            Type(dialog->edFieldFormat, QStringLiteral("Имя: %s"));
            QCOMPARE(dialog->size(), QSize(TfrmDetail::ClientWidth, TfrmDetail::ClientHeight));
            QCOMPARE(FormCheck::CutOffTexts(dialog), QStringList());
            QTRY_VERIFY(!dialog->xylDisplayFormat->Animating()); // the note has its text
            FormCheck::SavePicture(dialog, QStringLiteral("detail-dialog"));
            QTest::keyClick(dialog->edFieldFormat, Qt::Key_Return);
        });
        GridDialogs().Detail(*FGrid, FamColumn());
        QCOMPARE(FGrid->LineFields(),
            QStringList({QStringLiteral("field FAM"), QStringLiteral("format Имя: %s"),
                QStringLiteral("TELE"), QStringLiteral("т. %s")}));
        QCOMPARE(FGrid->LineCount(), 2);
        const auto secondLineInk = [&] {
            const QImage image = FGrid->grab().toImage();
            const QRect cell = FFixture->Cell(1, 0);
            const QColor background = image.pixelColor(cell.right() - 1, cell.bottom() - 1);
            const int secondLine = cell.top() + FGrid->LineHeight();
            for (int y = secondLine; y < cell.bottom() - 1; ++y)
                for (int x = cell.left() + 1; x < cell.right() - 1; ++x)
                    if (image.pixelColor(x, y) != background)
                        return true;
            return false;
        };
        FGrid->SetShowLines(true); // "Детальное отображение", offered now that rows have two lines
        QApplication::processEvents();
        QVERIFY(secondLineInk());
    }

    void cancelLeavesTheLinesAlone()
    {
        const QStringList lines {QStringLiteral("field FAM"), QStringLiteral("TELE")};
        FGrid->SetLineFields(lines);
        WhenShown<TfrmDetail>([](TfrmDetail *dialog) {
            QTest::keyClick(dialog->clbFields, Qt::Key_Space);
            QTest::keyClick(dialog->clbFields, Qt::Key_Escape);
        });
        GridDialogs().Detail(*FGrid, FamColumn());
        QCOMPARE(FGrid->LineFields(), lines);
        QCOMPARE(FGrid->LineCount(), 2);
    }

    void columnWithoutFieldSaysWhy()
    {
        TColumn &column = FamColumn();
        TDisabledControls muted(&FFixture->DataSet());
        FFixture->DataSet().Close(); // the grid's column outlives its field
        QString message;
        AnswerMessage(QMessageBox::Ok, &message);
        GridDialogs().Detail(*FGrid, column);
        QVERIFY(message.startsWith(QStringLiteral("Колонка не связана с полем")));
        QVERIFY(FGrid->LineFields().isEmpty());
    }
};

QTEST_MAIN(TestDetailDialog)
#include "tst_detail_dialog.moc"
