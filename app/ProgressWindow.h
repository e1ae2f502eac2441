#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class TOperationProgress;

// The small window shown while a long operation runs: what is running, how many rows it has
// read, how long it has taken, and "Отменить". Cancelling (the button, Esc or the close box)
// asks the operation to stop; the window goes when the operation has stopped.
class TProgressWindow : public QDialog
{
    Q_OBJECT
public:
    TProgressWindow(TOperationProgress &progress, QWidget *parent);

    // Reads the progress again.
    void UpdateFromProgress();

    QLabel *lblWhat;
    QLabel *lblRows;
    QLabel *lblElapsed;
    QPushButton *btnCancel;

    static QString ElapsedText(qint64 msecs);

protected:
    void reject() override;
    void closeEvent(QCloseEvent *event) override;

private:
    void CancelOperation();

    TOperationProgress &FProgress;
};
