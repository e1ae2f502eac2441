#include "widgets/ColCB.h"
#include "widgets/FlatLook.h"
#include "widgets/mmCheckBoxEx.h"
#include "widgets/mmComboBox.h"
#include "widgets/mmRadioButtonEx.h"

#include <QGroupBox>
#include <QTest>

class TestFlatLook : public QObject
{
    Q_OBJECT

private slots:
    void oneCallSwitchesTheWholeForm();
};

// A form as the dialogs build it: kit widgets on the form and inside a group box.
void TestFlatLook::oneCallSwitchesTheWholeForm()
{
    QWidget form;
    form.resize(300, 200);
    auto *box = new QGroupBox(&form);
    box->setGeometry(0, 0, 300, 150);
    auto *check = new TmmCheckBoxEx(QStringLiteral("Использовать цвет"), box);
    auto *radio = new TmmRadioButtonEx(QStringLiteral("С начала"), box);
    auto *group = new TmmRadioGroup(box);
    group->SetItems({QStringLiteral("Вперед"), QStringLiteral("Назад")});
    auto *combo = new TmmComboBox(&form);
    auto *picker = new TColorCombo(&form);
    auto ctl3D = [&] {
        return QList<bool> {check->Ctl3D(), radio->Ctl3D(), group->Ctl3D(),
            group->Button(1)->Ctl3D(), combo->Ctl3D(), picker->Ctl3D()};
    };
    QCOMPARE(ctl3D(), QList<bool>(6, true));

    SetFlatLook(&form, true);
    QCOMPARE(ctl3D(), QList<bool>(6, false));
    // Switched as a whole, a widget looks as if switched alone.
    TmmCheckBoxEx alone(QStringLiteral("Использовать цвет"), &form);
    alone.setGeometry(check->geometry());
    alone.SetCtl3D(false);
    QCOMPARE(check->grab().toImage(), alone.grab().toImage());

    SetFlatLook(&form, false);
    QCOMPARE(ctl3D(), QList<bool>(6, true));
}

QTEST_MAIN(TestFlatLook)
#include "tst_flatlook.moc"
