#include "app/TvgDBLookupCombo.h"

#include "app/ComboLists.h"

#include "db/dataset/TDataSet.h"

#include <QAbstractItemView>
#include <QAbstractListModel>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>

// The display texts of the lookup rows, read once per rebuild: a few thousand short texts that
// the list, the filter and the typed-text search all use.
class LookupListModel : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    void SetTexts(QStringList texts)
    {
        beginResetModel();
        FTexts = std::move(texts);
        endResetModel();
    }
    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(FTexts.size());
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        return FTexts.at(index.row());
    }

private:
    QStringList FTexts;
};

TvgDBLookupCombo::TvgDBLookupCombo(QWidget *parent)
    : QComboBox(parent)
    , FModel(new LookupListModel(this))
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(10);
    setModel(FModel);
    auto *completer = new QCompleter(FModel, this);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setMaxVisibleItems(10);
    setCompleter(completer);
    // A suggestion taken from the completer reaches us as activated() too: the combo maps it
    // back to its own row, so one connection sees every choice exactly once.
    connect(this, qOverload<int>(&QComboBox::activated), this, &TvgDBLookupCombo::ChooseRow);
    view()->installEventFilter(this);
    FollowWheelOnlyWithFocus(this);
    HighlightRowsLikeTheGrid(view());
    HighlightRowsLikeTheGrid(completer->popup());
}

TvgDBLookupCombo::~TvgDBLookupCombo() = default;

void TvgDBLookupCombo::SetLookupSource(TDataSource *source)
{
    FLink.SetDataSource(source);
}

void TvgDBLookupCombo::SetLookupField(const QString &fieldName)
{
    if (fieldName == FLookupField)
        return;
    FLookupField = fieldName;
    Rebuild();
}

void TvgDBLookupCombo::SetLookupDisplay(const QString &fieldNames)
{
    if (fieldNames == FLookupDisplay)
        return;
    FLookupDisplay = fieldNames;
    Rebuild();
}

void TvgDBLookupCombo::SetLookupDisplayIndex(int index)
{
    if (index == FLookupDisplayIndex)
        return;
    FLookupDisplayIndex = index;
    Rebuild();
}

QString TvgDBLookupCombo::DisplayFieldName() const
{
    const QStringList names = FLookupDisplay.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (names.isEmpty())
        return {};
    return names.at(std::clamp(FLookupDisplayIndex, 0, int(names.size()) - 1)).trimmed();
}

void TvgDBLookupCombo::Rebuild()
{
    FChosenRow = -1;
    QStringList texts;
    TDataSet *ds = FLink.DataSet();
    const QString displayName = DisplayFieldName();
    TField *display
        = ds && ds->Active() && !displayName.isEmpty() ? ds->FindField(displayName) : nullptr;
    if (display && !FLookupField.isEmpty()) {
        texts.reserve(ds->RecordCount());
        for (int row = 0; row < ds->RecordCount(); ++row) {
            TActiveRecordGuard guard(ds, row);
            texts.append(display->DisplayText());
        }
    }
    const QSignalBlocker blocker(this);
    FModel->SetTexts(std::move(texts));
    setCurrentIndex(-1);
    lineEdit()->clear();
}

void TvgDBLookupCombo::ChooseRow(int row)
{
    TDataSet *ds = FLink.DataSet();
    if (!ds || !ds->Active() || row < 0 || row >= ds->RecordCount())
        return;
    {
        const QSignalBlocker blocker(this);
        setCurrentIndex(row);
    }
    FChosenRow = row;
    ds->MoveTo(row);
    emit OnChange();
}

void TvgDBLookupCombo::keyPressEvent(QKeyEvent *event)
{
    // Enter takes the entry of the typed text (its exact name, else the first that contains
    // it), also while the suggestions are open with none highlighted; a highlighted suggestion
    // is the completer's to take.
    QAbstractItemView *suggestions = completer()->popup();
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && (!suggestions->isVisible() || !suggestions->currentIndex().isValid())) {
        const QString typed = lineEdit()->text();
        int row = findText(typed, Qt::MatchFixedString);
        if (row < 0 && !typed.isEmpty())
            row = findText(typed, Qt::MatchContains);
        if (row >= 0) {
            suggestions->hide();
            ChooseRow(row);
            event->accept();
            return;
        }
    }
    QComboBox::keyPressEvent(event);
}

// The open list closes on Alt+Up as well, as desktop combo boxes do; Qt knows only F4,
// Alt+Down and Escape.
bool TvgDBLookupCombo::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == view() && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Up && (key->modifiers() & Qt::AltModifier)) {
            hidePopup();
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

// Text typed but not chosen would stand beside a result it does not belong to: leaving the
// combo shows the chosen entry again. A popup or another window taking the focus is no leaving.
void TvgDBLookupCombo::focusOutEvent(QFocusEvent *event)
{
    QComboBox::focusOutEvent(event);
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason)
        return;
    const QString chosen = DisplayValue();
    if (lineEdit()->text() != chosen)
        lineEdit()->setText(chosen);
}

// The suggestions are a window of their own and would keep the application's font; they show
// the same entries as the list, so they take the combo's font as the list does.
void TvgDBLookupCombo::changeEvent(QEvent *event)
{
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::FontChange && completer())
        completer()->popup()->setFont(font());
}

QVariant TvgDBLookupCombo::Value() const
{
    TDataSet *ds = FLink.DataSet();
    if (FChosenRow < 0 || !ds || !ds->Active() || FLookupField.isEmpty())
        return {};
    TField *key = ds->FindField(FLookupField);
    if (!key)
        return {};
    TActiveRecordGuard guard(ds, FChosenRow);
    return key->AsVariant();
}

QString TvgDBLookupCombo::DisplayValue() const
{
    return FChosenRow >= 0 ? itemText(FChosenRow) : QString();
}
