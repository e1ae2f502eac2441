#include "search/mmDBFindDlg.h"

#include "core/TFont.h"
#include "i18n/zrMultilingualSupport.h"
#include "search/FindAnimation.h"
#include "widgets/mBitButton.h"
#include "widgets/mmCheckBoxEx.h"
#include "widgets/mmComboBox.h"
#include "widgets/mmGroupBox.h"
#include "widgets/mmRadioButtonEx.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QToolButton>

namespace {

// The classic dialog faces at 11 pixels.
TFont DialogFont(const QString &name)
{
    TFont font(name, 8, 0, Colors::clBlack);
    font.SetHeight(-11);
    return font;
}

} // namespace

TfrmDBFindDlg::TfrmDBFindDlg(QWidget *parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint
            | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmDBFindDlg"));
    setWindowTitle(QStringLiteral("Поиск"));
    setModal(false);
    // It has no parent window, yet an open find dialog must not keep the program running.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFont(DialogFont(QStringLiteral("MS Sans Serif")).ToQFont());
    setAutoFillBackground(true);
    setFixedWidth(ClientWidth);

    gbFind = new TmmGroupBox(QStringLiteral(" &Найти "), this);
    gbFind->setGeometry(5, 2, 297, 73);
    gbFind->SetCtl3D(false);

    btnFull = new QToolButton(gbFind);
    btnFull->setGeometry(12, 19, 40, 40);
    btnFull->setAutoRaise(true);
    btnFull->setFocusPolicy(Qt::NoFocus);
    btnFull->setIconSize(QSize(32, 32));
    btnFull->setIcon(QPixmap::fromImage(FullGlyph()));
    btnFull->setToolTip(QStringLiteral("Свернуть или развернуть"));
    connect(btnFull, &QToolButton::clicked, this, &TfrmDBFindDlg::btnFullClick);

    comboSearchText = new TmmComboBox(gbFind);
    comboSearchText->setGeometry(59, 28, 226, 21);
    comboSearchText->setEditable(true);
    // The history is kept by the search; typing never adds items by itself.
    comboSearchText->setInsertPolicy(QComboBox::NoInsert);
    comboSearchText->SetCtl3D(false);
    // Only the user's edits and picks count as a change, as with the toolkit's combo box.
    connect(comboSearchText->lineEdit(), &QLineEdit::textEdited, this,
        &TfrmDBFindDlg::comboSearchTextChange);
    connect(comboSearchText, &QComboBox::activated, this, &TfrmDBFindDlg::comboSearchTextChange);
    gbFind->setFocusProxy(comboSearchText);

    rgDirection = new TmmRadioGroup(this);
    rgDirection->setGeometry(5, 81, 109, 70);
    rgDirection->SetCaption(QStringLiteral(" Напр&авление "));
    rgDirection->SetItems(
        {QStringLiteral("Вперед"), QStringLiteral("Назад"), QStringLiteral("С начала")});
    rgDirection->SetItemIndex(2);
    rgDirection->SetCtl3D(false);

    gbParameters = new TmmGroupBox(QStringLiteral(" Параме&тры "), this);
    gbParameters->setGeometry(123, 81, 180, 70);
    gbParameters->SetCtl3D(false);

    cbMatchCase = new TmmCheckBoxEx(QStringLiteral("Регистр &имеет значение"), gbParameters);
    cbMatchCase->setGeometry(12, 20, 158, 17);
    cbMatchCase->SetAlignment(TAlignment::taLeftJustify);
    cbMatchCase->SetCtl3D(false);

    cbWholeField = new TmmCheckBoxEx(QStringLiteral("Це&лое поле"), gbParameters);
    cbWholeField->setGeometry(12, 39, 158, 17);
    cbWholeField->SetAlignment(TAlignment::taLeftJustify);
    cbWholeField->SetCtl3D(false);
    connect(cbWholeField, &QCheckBox::toggled, this, &TfrmDBFindDlg::cbWholeFieldClick);
    gbParameters->setFocusProxy(cbMatchCase);

    const TFont buttonFont = DialogFont(QStringLiteral("Tahoma"));
    btnFind = new TmBitButton(this);
    btnFind->setGeometry(310, 16, 81, 22);
    btnFind->SetCaption(QStringLiteral("&Поиск"));
    btnFind->SetDefault(true);
    btnFind->SetFont(buttonFont);

    btnCancel = new TmBitButton(this);
    btnCancel->setGeometry(310, 43, 81, 22);
    btnCancel->SetCaption(QStringLiteral("&Отмена"));
    btnCancel->SetCancel(true);
    btnCancel->SetFont(buttonFont);

    antFind = new TFindAnimation(this);
    antFind->setGeometry(327, 92, 48, 50);

    setTabOrder(comboSearchText, rgDirection->Button(0));
    setTabOrder(rgDirection->Button(0), rgDirection->Button(1));
    setTabOrder(rgDirection->Button(1), rgDirection->Button(2));
    setTabOrder(rgDirection->Button(2), cbMatchCase);
    setTabOrder(cbMatchCase, cbWholeField);
    setTabOrder(cbWholeField, btnFind);
    setTabOrder(btnFind, btnCancel);

    zrMultilingualSupport = new TzrMultilingualSupport(this);
    zrMultilingualSupport->setObjectName(QStringLiteral("zrMultilingualSupport"));
    zrMultilingualSupport->SetEnabled(true);
    zrMultilingualSupport->SetLanguage(QStringLiteral("rus"));
    zrMultilingualSupport->SetContext(QStringLiteral("TfrmDBFindDlg"));

    FFoldTimer.setInterval(FoldInterval);
    connect(&FFoldTimer, &QTimer::timeout, this, &TfrmDBFindDlg::FoldStepTo);

    SetColor(DefaultColor);
    FormCreate();
}

TfrmDBFindDlg::~TfrmDBFindDlg() = default;

void TfrmDBFindDlg::SetHeight(int value)
{
    setFixedHeight(value - CaptionHeight);
}

void TfrmDBFindDlg::SetColor(TColor value)
{
    FColor = value;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(value, pal));
    setPalette(pal);
    // The search text sits on the form's colour.
    comboSearchText->SetColor(value);
}

void TfrmDBFindDlg::SetSearching(bool value)
{
    FSearching = value;
    btnFind->setEnabled(!value);
    btnCancel->setEnabled(!value);
    if (value) {
        antFind->Play();
        return;
    }
    rgDirection->setEnabled(true);
    gbParameters->setEnabled(true);
    gbFind->setEnabled(true);
    antFind->Stop();
}

void TfrmDBFindDlg::FormCreate()
{
    SetHeight(UnfoldedHeight);
}

void TfrmDBFindDlg::FormActivate()
{
    comboSearchText->setFocus(Qt::ActiveWindowFocusReason);
}

void TfrmDBFindDlg::btnFullClick()
{
    FFoldTarget = Height() < FoldedHeight + 1 ? UnfoldedHeight : FoldedHeight;
    FFoldTimer.start();
}

void TfrmDBFindDlg::FoldStepTo()
{
    const int height = Height();
    if (std::abs(FFoldTarget - height) > FoldStep) {
        SetHeight(height + (FFoldTarget > height ? FoldStep : -FoldStep));
        return;
    }
    SetHeight(FFoldTarget);
    FFoldTimer.stop();
}

void TfrmDBFindDlg::cbWholeFieldClick()
{
    // A whole-field comparison is exact, letter case included.
    if (cbWholeField->isChecked())
        cbMatchCase->setChecked(false);
    cbMatchCase->setEnabled(!cbWholeField->isChecked());
}

void TfrmDBFindDlg::comboSearchTextChange()
{
    btnFind->setEnabled(!comboSearchText->currentText().isEmpty());
}

void TfrmDBFindDlg::done(int result)
{
    if (FSearching)
        return;
    QDialog::done(result);
    emit OnClose();
}

void TfrmDBFindDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (FPlaced)
        return;
    // Centred on the screen the first time; afterwards it stays where the user put it.
    FPlaced = true;
    if (const QScreen *where = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(where->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TfrmDBFindDlg::closeEvent(QCloseEvent *event)
{
    if (FSearching) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

bool TfrmDBFindDlg::event(QEvent *event)
{
    const bool result = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return result;
}

QImage TfrmDBFindDlg::FullGlyph()
{
    // A 32 x 32 glyph in the 16 classic colours: a page with two chevrons, folding the
    // dialog up and down.
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setPen(QColor(0, 0, 0));
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(6, 2, 17, 27);
    p.setPen(QColor(128, 128, 128));
    for (int y = 7; y <= 13; y += 3)
        p.drawLine(9, y, 19, y);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 128));
    p.drawPolygon(QPolygon({QPoint(15, 16), QPoint(27, 16), QPoint(21, 22)}));
    p.setBrush(QColor(0, 128, 128));
    p.drawPolygon(QPolygon({QPoint(15, 23), QPoint(27, 23), QPoint(21, 29)}));
    return image;
}
