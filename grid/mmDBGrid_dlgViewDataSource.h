#pragma once

#include <QDialog>
#include <QStringList>

class QFrame;
class QPlainTextEdit;
class TQuery;
class TmBitButton;
class TmmCheckBoxEx;
class TzrMultilingualSupport;

// "Просмотр источника данных ": shows the grid's table name or the query's SQL, and lets the
// user replace the query's text. One window serves the whole program; it keeps its text and
// check box between uses and is destroyed when the application quits.
class TdlgViewDataSource : public QDialog
{
    Q_OBJECT
public:
    // The shared window, created on first use.
    static TdlgViewDataSource &Instance();
    // Whether it exists yet (for tests and the application's shutdown).
    static bool Exists();

    QFrame *Panel1;
    QPlainTextEdit *Memo;
    TmBitButton *btnOk;
    TmmCheckBoxEx *chbxEditSQL;
    TzrMultilingualSupport *zrMultilingualSupport1;

    QStringList MemoLines() const;
    void SetMemoLines(const QStringList &lines);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    TdlgViewDataSource();
};

// Runs the query with new SQL lines. When they fail to open, the previous lines are put back
// and reopened, and the first error is returned so that the user learns why; an error of that
// second opening propagates and leaves the query closed. A run the user cancelled is put back
// the same way and returns no error.
QString ReplaceQuerySql(TQuery &query, const QStringList &lines);
