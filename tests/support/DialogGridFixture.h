#pragma once

#include "tests/support/ConditionsFixture.h"

#include "db/dataset/TDataSource.h"
#include "db/dataset/TField.h"
#include "grid/mmDBGrid.h"

#include <QtTest>

// A grid on screen over six subscribers whose fields carry Russian captions, as the grid's
// dialogs meet it: FAM "Фамилия", TELE "Телефон" (20000 + row), PRICE "Цена" (1.5 × row) and
// the hidden ADR "Адрес".
class TDialogGridFixture
{
public:
    static constexpr int RowCount = 6;

    TDialogGridFixture()
    {
        QList<QVariantList> rows;
        for (int i = 0; i < RowCount; ++i)
            rows << QVariantList {QStringLiteral("Абонент %1").arg(i), 20000 + i, 1.5 * i,
                QStringLiteral("ул. %1").arg(i)};
        TDataSet &data = FData.Open({{QStringLiteral("FAM"), TFieldType::ftString},
                                        {QStringLiteral("TELE"), TFieldType::ftInteger},
                                        {QStringLiteral("PRICE"), TFieldType::ftFloat},
                                        {QStringLiteral("ADR"), TFieldType::ftString}},
            rows);
        const QStringList labels {QStringLiteral("Фамилия"), QStringLiteral("Телефон"),
            QStringLiteral("Цена"), QStringLiteral("Адрес")};
        for (int i = 0; i < labels.size(); ++i)
            data.Fields(i)->SetDisplayLabel(labels.at(i));
        data.FieldByName(QStringLiteral("ADR"))->SetVisible(false);
        FSource.SetDataSet(&data);
        FGrid.setFocusPolicy(Qt::NoFocus); // no highlighted current cell
        FGrid.resize(480, 240);
        FGrid.SetDataSource(&FSource);
        FGrid.show();
        if (!QTest::qWaitForWindowExposed(&FGrid))
            QTest::qFail("the grid did not come up", __FILE__, __LINE__);
    }

    TmmDBGrid &Grid() { return FGrid; }
    TDataSet &DataSet() { return FData.DataSet; }
    // A data cell as the grid shows it, in the grid's coordinates.
    QRect Cell(int aCol, int record) const
    {
        return FGrid.CellRect(aCol, FGrid.TitleOffset() + record);
    }

private:
    ConditionsFixture FData;
    TDataSource FSource;
    TmmDBGrid FGrid;
};
