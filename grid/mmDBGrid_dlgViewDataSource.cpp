#include "grid/mmDBGrid_dlgViewDataSource.h"

#include "core/Exception.h"
#include "core/OperationProgress.h"
#include "core/TFont.h"
#include "db/dataset/TQuery.h"
#include "db/dataset/TTable.h"
#include "grid/GridStandardDialogs.h"
#include "grid/mmDBGrid.h"
#include "i18n/zrMultilingualSupport.h"
#include "widgets/mBitButton.h"
#include "widgets/mmCheckBoxEx.h"

#include <QCoreApplication>
#include <QFrame>
#include <QPlainTextEdit>
#include <QPointer>
#include <QVBoxLayout>

namespace {
QPointer<TdlgViewDataSource> SharedViewer;

// The form's outer size is 420 x 265 with a sizeable frame: 4-pixel borders and a 19-pixel
// caption bar around the client area.
constexpr QSize ClientSize(420 - 2 * 4, 265 - 2 * 4 - 19);
constexpr QPoint FormPosition(232, 175);

TFont Tahoma(int height)
{
    TFont font;
    font.SetName(SubstituteFontFamily(QStringLiteral("Tahoma")));
    font.SetHeight(height);
    return font;
}
} // namespace

TdlgViewDataSource::TdlgViewDataSource()
    : QDialog(nullptr)
    , Panel1(new QFrame(this))
    , Memo(new QPlainTextEdit(Panel1))
    , btnOk(new TmBitButton(this))
    , chbxEditSQL(new TmmCheckBoxEx(this))
    , zrMultilingualSupport1(new TzrMultilingualSupport(this))
{
    setObjectName(QStringLiteral("dlgViewDataSource"));
    setWindowTitle(QStringLiteral("Просмотр источника данных "));
    setFont(Tahoma(-11).ToQFont()); // 8 points
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, ToQColor(Colors::clWindow, palette));
    setPalette(palette);
    setAutoFillBackground(true);

    // A single frame with a 3-pixel white margin around the memo.
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Box | QFrame::Plain);
    QPalette white = Panel1->palette();
    white.setColor(QPalette::Window, Qt::white);
    Panel1->setPalette(white);
    Panel1->setAutoFillBackground(true);
    auto *panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(4, 4, 4, 4);
    panelLayout->addWidget(Memo);

    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setFrameStyle(QFrame::NoFrame);
    Memo->setFont(Tahoma(-9).ToQFont());
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->SetCaption(QStringLiteral("Закрыть"));
    btnOk->SetModalResult(TModalResult::mrOk);
    btnOk->SetDefault(true);

    chbxEditSQL->setObjectName(QStringLiteral("chbxEditSQL"));
    chbxEditSQL->SetCaption(QStringLiteral("Заменить SQL запрос"));
    chbxEditSQL->SetAlignment(TAlignment::taLeftJustify);
    chbxEditSQL->SetCtl3D(false);

    zrMultilingualSupport1->setObjectName(QStringLiteral("zrMultilingualSupport1"));
    zrMultilingualSupport1->SetContext(QStringLiteral("TdlgViewDataSource"));

    setTabOrder(chbxEditSQL, btnOk);
    setTabOrder(btnOk, Memo);
    resize(ClientSize);
    move(FormPosition);
}

void TdlgViewDataSource::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    // The memo grows with the window; the buttons stay on its bottom line.
    const int bottomRow = height() - (ClientSize.height() - 211);
    Panel1->setGeometry(
        5, 3, width() - (ClientSize.width() - 403), height() - (ClientSize.height() - 201));
    btnOk->setGeometry(6, bottomRow, 97, 21);
    chbxEditSQL->setGeometry(width() - (ClientSize.width() - 230), bottomRow + 2, 177, 17);
}

TdlgViewDataSource &TdlgViewDataSource::Instance()
{
    if (!SharedViewer) {
        SharedViewer = new TdlgViewDataSource();
        // The application owns it: it goes when the program ends.
        QObject::connect(
            qApp, &QCoreApplication::aboutToQuit, SharedViewer.data(), &QObject::deleteLater);
    }
    return *SharedViewer;
}

bool TdlgViewDataSource::Exists()
{
    return !SharedViewer.isNull();
}

QStringList TdlgViewDataSource::MemoLines() const
{
    return Memo->toPlainText().split(QLatin1Char('\n'));
}

void TdlgViewDataSource::SetMemoLines(const QStringList &lines)
{
    Memo->setPlainText(lines.join(QLatin1Char('\n')));
}

QString ReplaceQuerySql(TQuery &query, const QStringList &lines)
{
    const QStringList previous = query.SQL();
    // A text without the previous parameters drops their values: keep them for the way back.
    QList<std::pair<QString, QVariant>> parameters;
    for (int i = 0; i < query.ParamCount(); ++i)
        parameters.append({query.Params(i).Name(), query.Params(i).Value()});
    query.SetSQL(lines);
    try {
        query.Close();
        query.Open();
        return {};
    } catch (const Exception &error) {
        // A run the user cancelled puts the previous query back as a failed one does, but
        // without a word about it.
        const bool cancelled = dynamic_cast<const EOperationCancelled *>(&error) != nullptr;
        // Someone who edits SQL wants the engine's own words too.
        const QString message = cancelled ? QString()
            : error.Detail().isEmpty()    ? error.Message()
                                          : error.Message() + QLatin1Char('\n') + error.Detail();
        query.SetSQL(previous);
        for (const auto &[name, value] : parameters)
            if (TParam *parameter = query.FindParam(name))
                parameter->SetValue(value);
        query.Close();
        query.Open();
        return message;
    }
}

void TmmDBGrid::ShowDataSource()
{
    if (!DataLinkActive())
        return;
    TDataSet *dataSet = DataSet();
    TdlgViewDataSource &viewer = TdlgViewDataSource::Instance();
    if (auto *table = dynamic_cast<TTable *>(dataSet)) {
        viewer.SetMemoLines({QStringLiteral("Table name: ") + table->TableName()});
        viewer.chbxEditSQL->setChecked(false);
        viewer.chbxEditSQL->setEnabled(false);
        viewer.exec();
        return;
    }
    auto *query = dynamic_cast<TQuery *>(dataSet);
    if (!query)
        return;
    viewer.SetMemoLines(query->SQL());
    viewer.chbxEditSQL->setEnabled(true);
    viewer.chbxEditSQL->setChecked(false);
    // Closed by its button or its close box alike: only the check box decides.
    viewer.exec();
    if (!viewer.chbxEditSQL->isChecked())
        return;
    const QString error = ReplaceQuerySql(*query, viewer.MemoLines());
    if (!error.isEmpty())
        GridStandardDialogs().Warn(this,
            QStringLiteral("%1\n%2\n\n%3")
                .arg(TranslateText(QStringLiteral("Изменённый SQL запрос не выполнен:")), error,
                    TranslateText(QStringLiteral("Показан прежний запрос."))));
}
