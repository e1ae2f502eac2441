#include "tests/support/GridFixture.h"

#include "core/Exception.h"
#include "db/dataset/TDataSource.h"
#include "db/dataset/TField.h"
#include "grid/mmDBGrid.h"

#include <QHeaderView>
#include <QtTest>

namespace {
// Counts the check operations, so that a double click shows both of its toggles.
class TCountingGrid : public TmmDBGrid
{
public:
    using TmmDBGrid::TmmDBGrid;
    int Checks = 0;
    int Unchecks = 0;
    bool FailNextPress = false;
    void MouseDown(
        Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &pos) override
    {
        if (std::exchange(FailNextPress, false))
            throw Exception(QStringLiteral("the press failed"));
        TmmDBGrid::MouseDown(button, modifiers, pos);
    }
    void CheckValue(TCheckField *checkField, const QString &keyValue) override
    {
        ++Checks;
        TmmDBGrid::CheckValue(checkField, keyValue);
    }
    void UncheckValue(TCheckField *checkField, int index) override
    {
        ++Unchecks;
        TmmDBGrid::UncheckValue(checkField, index);
    }
};

const int FamCol = 1; // grid column of FAM, after the indicator
const int WideGlyph = 21;

// Shows what escapes an event handler as the application object does, by keeping its message.
class TCatchingApplication : public QApplication
{
public:
    using QApplication::QApplication;
    QStringList Errors;
    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception &e) {
            Errors << QString::fromUtf8(e.what());
        }
        return true;
    }
};

QStringList &ApplicationErrors()
{
    return static_cast<TCatchingApplication *>(QCoreApplication::instance())->Errors;
}
} // namespace

class TestGridInput : public QObject
{
    Q_OBJECT

    std::unique_ptr<TGridFixture> FFixture;
    std::unique_ptr<TMemoryDataSet> FData;
    std::unique_ptr<TDataSource> FSource;
    std::unique_ptr<QWidget> FHost;
    TCountingGrid *FGrid = nullptr;

    QStringList Checked() const { return FGrid->CheckFieldList().Items(0)->CheckedValues; }
    // A point of a data cell relative to its top left corner, in viewport coordinates.
    QPoint InCell(int aCol, int record, int dx, int dy) const
    {
        const QRect rect = FGrid->CellRect(aCol, FGrid->RowOfRecord(record));
        return FGrid->viewport()->mapFrom(FGrid, rect.topLeft() + QPoint(dx, dy));
    }
    void Click(const QPoint &at, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(FGrid->viewport(), button, {}, at);
    }

private slots:
    void init()
    {
        FFixture = std::make_unique<TGridFixture>();
        FHost = std::make_unique<QWidget>();
        FHost->resize(760, 360);
        FGrid = new TCountingGrid(FHost.get());
        FGrid->setGeometry(0, 0, 740, 340);
        FGrid->SetGlyphChecked(QImage(WideGlyph, TmmDBGrid::GlyphSize, QImage::Format_RGB32));
        FGrid->SetCheckFields({QStringLiteral("TELE"), QStringLiteral("FAM")});
        FGrid->SetShowCheckBoxes(true);
        FData = FFixture->OpenDataSet(TGridFixture::Subscribers(30));
        FSource = std::make_unique<TDataSource>();
        FSource->SetDataSet(FData.get());
        FGrid->SetDataSource(FSource.get());
        FHost->show();
        QVERIFY(QTest::qWaitForWindowExposed(FHost.get()));
        QCOMPARE(FGrid->CheckFieldList().Count(), 1);
        ApplicationErrors().clear();
    }
    void cleanup()
    {
        FHost.reset();
        FGrid = nullptr;
        FSource.reset();
        FData.reset();
        FFixture.reset();
    }

    void leftClickTogglesOnlyOnTheGlyph_data()
    {
        QTest::addColumn<bool>("checkedBefore");
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("dy");
        QTest::addColumn<bool>("toggles");
        // The glyph starts 2 pixels into the cell; its edges count as inside.
        QTest::newRow("middle") << false << 8 << 0 << 6 << true;
        QTest::newRow("left edge") << false << 2 << 0 << 0 << true;
        QTest::newRow("right edge") << false << 2 + TmmDBGrid::GlyphSize << 0 << 3 << true;
        QTest::newRow("beside") << false << 3 + TmmDBGrid::GlyphSize << 0 << 3 << false;
        QTest::newRow("left margin") << false << 1 << 0 << 3 << false;
        QTest::newRow("on the text") << false << 40 << 0 << 3 << false;
        // A checked record has the wider glyph.
        QTest::newRow("checked, wide glyph") << true << 2 + WideGlyph << 0 << 3 << true;
        QTest::newRow("checked, beside") << true << 3 + WideGlyph << 0 << 3 << false;
        // Three text lines: only the first line's glyph toggles.
        QTest::newRow("first of three lines") << false << 8 << 0 << 3 << true;
        QTest::newRow("first line's lower edge") << false << 8 << 1 << 0 << true;
        QTest::newRow("second line") << false << 8 << 1 << 3 << false;
        QTest::newRow("third line") << false << 8 << 2 << 3 << false;
    }
    void leftClickTogglesOnlyOnTheGlyph()
    {
        QFETCH(bool, checkedBefore);
        QFETCH(int, dx);
        QFETCH(int, line);
        QFETCH(int, dy);
        QFETCH(bool, toggles);
        if (QByteArray(QTest::currentDataTag()).contains("line")) {
            FGrid->SetLineFields(
                {QStringLiteral("field FAM"), QStringLiteral("TELE"), QStringLiteral("ADR_D")});
            FGrid->SetShowLines(true);
            QCOMPARE(FGrid->LinesPerRow(), 3);
        }
        const int record = 3;
        const QString key = QString::number(20000 + record);
        if (checkedBefore)
            FGrid->CheckValue(FGrid->CheckFieldList().Items(0), key);
        const QRect cell = FGrid->CellRect(FamCol, FGrid->RowOfRecord(record));
        const int lineHeight = cell.height() / FGrid->LinesPerRow();
        Click(InCell(FamCol, record, dx, line * lineHeight + dy));
        // The click makes the record current in any case.
        QCOMPARE(FData->CurrentRow(), record);
        QCOMPARE(FGrid->SelectedField()->FieldName(), QStringLiteral("FAM"));
        QCOMPARE(Checked().contains(key), checkedBefore != toggles);
    }

    void secondClickUnchecks()
    {
        const QPoint glyph = InCell(FamCol, 5, 8, 5);
        Click(glyph);
        QCOMPARE(Checked(), QStringList {"20005"});
        Click(glyph);
        QCOMPARE(Checked(), QStringList());
        QCOMPARE(FGrid->Checks, 1);
        QCOMPARE(FGrid->Unchecks, 1);
    }

    void doubleClickTogglesTwice()
    {
        const QPoint glyph = InCell(FamCol, 2, 8, 5);
        QTest::mouseClick(FGrid->viewport(), Qt::LeftButton, {}, glyph);
        QTest::mouseDClick(FGrid->viewport(), Qt::LeftButton, {}, glyph);
        QTest::mouseRelease(FGrid->viewport(), Qt::LeftButton, {}, glyph);
        QCOMPARE(FGrid->Checks, 1);
        QCOMPARE(FGrid->Unchecks, 1);
        QCOMPARE(Checked(), QStringList());
    }

    void spaceBarTogglesTheSelectedColumn_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("showCheckBoxes");
        QTest::addColumn<bool>("toggles");
        QTest::newRow("check-box column") << "FAM" << true << true;
        QTest::newRow("column without a check box") << "ADR_D" << true << false;
        QTest::newRow("check boxes off") << "FAM" << false << false;
    }
    void spaceBarTogglesTheSelectedColumn()
    {
        QFETCH(QString, field);
        QFETCH(bool, showCheckBoxes);
        QFETCH(bool, toggles);
        FGrid->SetShowCheckBoxes(showCheckBoxes);
        FGrid->setFocus();
        FData->MoveTo(6);
        FGrid->SetSelectedField(FData->FieldByName(field));
        const QModelIndex before = FGrid->currentIndex();
        QTest::keyClick(FGrid, Qt::Key_Space);
        QCOMPARE(Checked(), toggles ? QStringList {"20006"} : QStringList());
        QCOMPARE(FGrid->currentIndex(), before);
        QCOMPARE(FData->CurrentRow(), 6);
        QTest::keyClick(FGrid, Qt::Key_Space);
        QCOMPARE(Checked(), QStringList());
        QCOMPARE(FGrid->Checks + FGrid->Unchecks, toggles ? 2 : 0);
    }

    void failureReachesTheApplicationAndTheGridGoesOn_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("message");
        QTest::newRow("an observer of the move") << "observer"
                                                 << "the detail cannot open";
        QTest::newRow("a press on a title") << "title"
                                            << "the press failed";
        QTest::newRow("a press on the indicator") << "indicator"
                                                  << "the press failed";
        // The check-box definition outlives a reopening without its key field.
        QTest::newRow("a click on a glyph without its key field") << "glyph"
                                                                  << "Field 'TELE' not found";
        QTest::newRow("the space bar without the key field") << "space"
                                                             << "Field 'TELE' not found";
    }
    void failureReachesTheApplicationAndTheGridGoesOn()
    {
        QFETCH(QString, failure);
        QFETCH(QString, message);
        FData->MoveTo(2);
        if (failure == QLatin1String("observer")) {
            // The observer stays connected for the rest of the test: it fails once only.
            auto fail = std::make_shared<bool>(true);
            connect(FSource.get(), &TDataSource::DataChanged, FGrid, [fail, message] {
                if (std::exchange(*fail, false))
                    throw Exception(message);
            });
            Click(InCell(3, 4, 20, 5));
        } else if (failure == QLatin1String("title")) {
            FGrid->FailNextPress = true;
            QTest::mouseClick(FGrid->horizontalHeader()->viewport(), Qt::LeftButton, {}, {30, 5});
        } else if (failure == QLatin1String("indicator")) {
            FGrid->FailNextPress = true;
            QTest::mouseClick(FGrid->verticalHeader()->viewport(), Qt::LeftButton, {}, {4, 30});
        } else {
            FData->Close();
            auto rows = std::make_shared<TRecordSet>();
            rows->AddColumn(QStringLiteral("FAM"), TFieldType::ftString, 30);
            rows->AddColumn(QStringLiteral("ADR_D"), TFieldType::ftString, 6);
            for (int i = 0; i < 30; ++i) {
                rows->AppendText(0, QStringLiteral("Name %1").arg(i).toStdString());
                rows->AppendText(1, QString::number(i).toStdString());
                rows->EndRow();
            }
            FData->Rows = rows;
            FData->Open();
            QCOMPARE(FGrid->CheckFieldList().Count(), 1);
            FData->MoveTo(2);
            if (failure == QLatin1String("glyph")) {
                Click(InCell(FamCol, 4, 8, 5));
            } else {
                FGrid->setFocus();
                FGrid->SetSelectedField(FData->FieldByName(QStringLiteral("FAM")));
                QTest::keyClick(FGrid, Qt::Key_Space);
            }
            QCOMPARE(FData->CurrentRow(), 2);
        }
        QCOMPARE(ApplicationErrors().size(), 1);
        QVERIFY2(
            ApplicationErrors().first().contains(message), qPrintable(ApplicationErrors().first()));
        QCOMPARE(FData->ActiveRecord(), FData->CurrentRow());
        // The view and the dataset still move together.
        Click(InCell(2, 9, 20, 5));
        QCOMPARE(FData->CurrentRow(), 9);
        QCOMPARE(FGrid->currentIndex().row(), 9);
        QTest::keyClick(FGrid, Qt::Key_Down);
        QCOMPARE(FData->CurrentRow(), 10);
        QCOMPARE(FGrid->currentIndex().row(), 10);
        QCOMPARE(ApplicationErrors().size(), 1);
    }

    void rightPressSelectsAndRemembersTheColumn_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("popupColumn");
        QTest::addColumn<int>("currentRow");
        QTest::newRow("data cell") << "cell"
                                   << "ADR_D" << 7;
        QTest::newRow("check glyph") << "glyph"
                                     << "FAM" << 4;
        QTest::newRow("title") << "title"
                               << "TELE" << 0;
        QTest::newRow("right of the columns") << "empty"
                                              << "" << 0;
        QTest::newRow("indicator") << "indicator"
                                   << "" << 0;
    }
    void rightPressSelectsAndRemembersTheColumn()
    {
        QFETCH(QString, place);
        QFETCH(QString, popupColumn);
        QFETCH(int, currentRow);
        for (int i = 0; i < FGrid->Columns().Count(); ++i)
            FGrid->Columns().Items(i)->SetWidth(90);
        QHeaderView *title = FGrid->horizontalHeader();
        if (place == QLatin1String("cell"))
            Click(InCell(3, 7, 10, 4), Qt::RightButton);
        else if (place == QLatin1String("glyph"))
            Click(InCell(FamCol, 4, 8, 5), Qt::RightButton);
        else if (place == QLatin1String("title"))
            QTest::mouseClick(title->viewport(), Qt::RightButton, {},
                {title->sectionViewportPosition(1) + 20, title->height() / 2});
        else if (place == QLatin1String("empty"))
            Click({FGrid->viewport()->width() - 5, 5}, Qt::RightButton);
        else
            QTest::mouseClick(FGrid->verticalHeader()->viewport(), Qt::RightButton, {}, {4, 30});
        QCOMPARE(FGrid->PopupColumn() ? FGrid->PopupColumn()->FieldName() : QString(), popupColumn);
        QCOMPARE(FData->CurrentRow(), currentRow);
        // The right button never toggles a check box.
        QCOMPARE(FGrid->Checks + FGrid->Unchecks, 0);
    }
};

int main(int argc, char **argv)
{
    TCatchingApplication app(argc, argv);
    TestGridInput test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_gridinput.moc"
