#include "app/ProgressWindow.h"

#include "app/Application.h"
#include "core/OperationProgress.h"
#include "i18n/zrMultilingualSupport.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TProgressWindow::TProgressWindow(TOperationProgress &progress, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , FProgress(progress)
{
    setWindowTitle(TApplication::Title());
    setWindowModality(Qt::ApplicationModal);
    lblWhat = new QLabel(this);
    lblRows = new QLabel(this);
    lblElapsed = new QLabel(this);
    btnCancel = new QPushButton(TranslateText(QStringLiteral("Отменить")), this);
    // Enter typed for the main window just as this one comes up must not cancel: only a click,
    // Space on the button, Esc or the close box do.
    btnCancel->setAutoDefault(false);
    connect(btnCancel, &QPushButton::clicked, this, &TProgressWindow::CancelOperation);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblWhat);
    layout->addWidget(lblRows);
    layout->addWidget(lblElapsed);
    layout->addLayout(buttons);
    setMinimumWidth(320);
    UpdateFromProgress();
}

QString TProgressWindow::ElapsedText(qint64 msecs)
{
    const qint64 seconds = msecs / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

void TProgressWindow::UpdateFromProgress()
{
    lblWhat->setText(FProgress.Cancelled()
            ? TranslateText(QStringLiteral("Операция отменяется..."))
            : TranslateText(FProgress.What()) + QStringLiteral("..."));
    lblRows->setText(TranslateText(QStringLiteral("Прочитано строк: %1"))
                         .arg(QLocale().toString(FProgress.Rows())));
    lblElapsed->setText(TranslateText(QStringLiteral("Прошло времени: %1"))
                            .arg(ElapsedText(FProgress.ElapsedMs())));
}

void TProgressWindow::CancelOperation()
{
    FProgress.Cancel();
    btnCancel->setEnabled(false);
    UpdateFromProgress();
}

void TProgressWindow::reject()
{
    CancelOperation();
}

void TProgressWindow::closeEvent(QCloseEvent *event)
{
    // The window goes with the operation, not before it.
    event->ignore();
    CancelOperation();
}
