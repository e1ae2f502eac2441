#include "search/mmDBSearch.h"

#include "conditions/ConditionOperand.h"
#include "core/OperationProgress.h"
#include "core/TFormatSettings.h"
#include "db/dataset/TDataSet.h"
#include "db/dataset/TField.h"
#include "db/paradox/TRecordSet.h"
#include "grid/GridDialogs.h"
#include "grid/mmDBGrid.h"
#include "i18n/zrMultilingualSupport.h"
#include "search/RecordScan.h"
#include "search/mmDBFindDlg.h"
#include "settings/xAppRegistry.h"
#include "widgets/mBitButton.h"
#include "widgets/mmCheckBoxEx.h"
#include "widgets/mmComboBox.h"
#include "widgets/mmRadioButtonEx.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QScopeGuard>
#include <cmath>

namespace {

// The UI is let in this often while a search runs, so that it never waits 50 ms; never once
// per record.
constexpr int UiInterval = 25; // milliseconds
// Rows scanned between two looks at the clock.
constexpr int RowsPerTick = 1024;
// A scan's outcome besides a row.
constexpr int NotFound = -1;
constexpr int Stopped = -2;

// Direction group items.
constexpr int ItemForward = 0;
constexpr int ItemBackward = 1;
constexpr int ItemFromStart = 2;

const QString LineBreak = QStringLiteral("\r\n");

// Lets the UI repaint and run its timers (the animation); the user's input waits until the
// search is over, so nothing the user does can pull the data from under the walk.
void ProcessUiEvents()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// Text fields show their stored text as it is; their cells can be read straight from the rows.
bool IsPlainTextField(TFieldType type)
{
    return type == TFieldType::ftString || type == TFieldType::ftFixedChar
        || type == TFieldType::ftWideString;
}

// Whether a text could read as a finite number: no ASCII character the number reader refuses,
// and signs only in front or after the exponent. Characters outside ASCII are left to the
// reader.
bool MayReadAsNumber(std::string_view text)
{
    const QChar separator = FormatSettings().DecimalSeparator;
    char previous = ' ';
    for (const char c : text) {
        const uchar u = uchar(c);
        if (u < 0x80) {
            const bool blank = c == ' ' || (c >= '\t' && c <= '\r');
            if (c == '+' || c == '-') {
                if (previous != 'e' && previous != 'E' && previous != ' '
                    && !(previous >= '\t' && previous <= '\r'))
                    return false;
            } else if (!blank && !(c >= '0' && c <= '9') && c != '.' && c != ',' && c != 'e'
                && c != 'E' && QChar(c) != separator) {
                return false;
            }
        }
        previous = c;
    }
    return true;
}

template <class Test> int ScanWalk(const TRecordWalk &walk, const TScanTick &tick, Test test)
{
    for (int i = 0; i < walk.Count(); ++i) {
        if (i % RowsPerTick == RowsPerTick - 1 && !tick())
            return Stopped;
        const int row = walk.RowAt(i);
        if (test(row))
            return row;
    }
    return NotFound;
}

QString DialogTitle()
{
    return QApplication::applicationDisplayName();
}

} // namespace

TmmDBSearch::TmmDBSearch(QObject *owner)
    : QObject(owner)
    , FDialog(std::make_unique<TfrmDBFindDlg>())
    , FUpperCache(std::make_unique<TUpperColumnCache>())
{
    connect(FDialog->btnFind, &TmBitButton::OnClick, this, &TmmDBSearch::DoSearch);
    connect(FDialog->btnCancel, &TmBitButton::OnClick, this, &TmmDBSearch::CloseDialog);
    connect(FDialog.get(), &TfrmDBFindDlg::OnClose, this, &TmmDBSearch::DialogClose);
}

TmmDBSearch::~TmmDBSearch()
{
    // Hidden without the on-close handler: the owner and its grid may be half gone by now.
    FDialog->disconnect(this);
    FDialog->hide();
}

TDBGrid *TmmDBSearch::Grid() const
{
    return FGrid;
}

// A grid that goes away clears the reference by itself.
void TmmDBSearch::SetGrid(TDBGrid *grid)
{
    FGrid = grid;
}

void TmmDBSearch::SetDataSource(TDataSource *source)
{
    if (source == DataSource())
        return;
    disconnect(FSourceGone);
    FDataLink.SetDataSource(source);
    // The source going away takes the field name with it.
    if (source)
        FSourceGone = connect(source, &QObject::destroyed, this, [this] { FDataField.clear(); });
}

TField *TmmDBSearch::SearchedField() const
{
    TDataSet *dataSet = FDataLink.DataSet();
    return dataSet && dataSet->Active() ? dataSet->FindField(FDataField) : nullptr;
}

void TmmDBSearch::Execute()
{
    if (FSearching)
        return;
    if (FCustomSearch) {
        if (FDataField.isEmpty() && FGrid && FGrid->SelectedField())
            FDataField = FGrid->SelectedField()->FieldName();
    } else {
        // The grid is the owner form's active control.
        auto *owner = qobject_cast<QWidget *>(parent());
        QWidget *focused = owner ? owner->window()->focusWidget() : nullptr;
        while (focused && !qobject_cast<TDBGrid *>(focused))
            focused = focused->parentWidget();
        FGrid = qobject_cast<TDBGrid *>(focused);
        if (FGrid) {
            SetDataSource(FGrid->DataSource());
            if (FGrid->SelectedField())
                FDataField = FGrid->SelectedField()->FieldName();
        }
        if (!FGrid || !FGrid->SelectedField()) {
            QMessageBox::warning(owner ? owner->window() : nullptr, DialogTitle(),
                TranslateText(
                    QStringLiteral("Курсор должен быть установлен на одно из полей таблицы.")));
            return;
        }
    }
    TField *field = SearchedField();
    if (!field)
        return;

    TfrmDBFindDlg &dialog = *FDialog;
    dialog.setWindowTitle(TranslateText(QStringLiteral("Поиск по колонке")) + QStringLiteral(" \"")
        + field->DisplayLabel() + QLatin1Char('"'));
    dialog.SetColor(FColorDialog);
    dialog.SetSearching(false);
    dialog.btnFind->SetCaption(TranslateText(QStringLiteral("&Поиск")));
    dialog.btnCancel->SetCaption(TranslateText(QStringLiteral("&Закрыть")));
    dialog.cbMatchCase->setChecked(FSearchOptions.Contains(TSearchOption::soCaseSensitive));
    dialog.cbWholeField->setChecked(FSearchOptions.Contains(TSearchOption::soWholeFieldOnly));
    dialog.rgDirection->SetItemIndex(ItemFromStart);
    LoadHistory();

    dialog.comboSearchText->setFocus();
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
}

void TmmDBSearch::LoadHistory()
{
    // A missing value, or no store at all, gives an empty history.
    const QString value = AppRegistry
        ? AppRegistry->ReadString(SettingsSection, HistoryValue, QString())
        : QString();
    TmmComboBox *combo = FDialog->comboSearchText;
    combo->clear();
    combo->addItems(SplitHistory(value));
    combo->clearEditText();
}

void TmmDBSearch::AddToHistory(const QString &text)
{
    // An empty search finds nothing worth remembering.
    if (text.isEmpty())
        return;
    TmmComboBox *combo = FDialog->comboSearchText;
    if (combo->count() > 0 && combo->itemText(0) == text)
        return;
    combo->insertItem(0, text);
    combo->setCurrentIndex(0);
}

void TmmDBSearch::DoSearch()
{
    if (FSearching)
        return;
    TfrmDBFindDlg &dialog = *FDialog;
    FSearching = true;
    dialog.SetSearching(true);
    ProcessUiEvents();

    const QString text = dialog.comboSearchText->currentText();
    AddToHistory(text);
    FSearchOptions = {};
    if (dialog.cbMatchCase->isChecked())
        FSearchOptions.Include(TSearchOption::soCaseSensitive);
    if (dialog.cbWholeField->isChecked())
        FSearchOptions.Include(TSearchOption::soWholeFieldOnly);
    switch (dialog.rgDirection->ItemIndex()) {
    case ItemForward:
        FSearchDirection = TSearchDirection::sdDown;
        break;
    case ItemBackward:
        FSearchDirection = TSearchDirection::sdUp;
        break;
    default:
        FSearchDirection = TSearchDirection::sdAll;
        break;
    }
    FSearchText = text;

    bool custom = false;
    bool found = false;
    QString failure;
    bool cancelled = false;
    try {
        if (OnCustomSearch)
            OnCustomSearch(this, FSearchText, custom, found);
        if (!custom)
            found = SearchRecords();
    } catch (const EOperationCancelled &) {
        cancelled = true; // the user knows: nothing to say
    } catch (const Exception &e) {
        failure = e.Message();
    } catch (const std::exception &e) {
        failure = QString::fromLocal8Bit(e.what());
    }

    dialog.btnFind->SetCaption(TranslateText(QStringLiteral("&Поиск")));
    dialog.btnCancel->SetCaption(TranslateText(QStringLiteral("&Закрыть")));
    FSearching = false;
    dialog.SetSearching(false);
    ProcessUiEvents();

    if (!failure.isEmpty()) {
        QMessageBox::warning(&dialog, DialogTitle(), failure);
    } else if (found) {
        // Pressing the button again finds the next match.
        if (dialog.rgDirection->ItemIndex() == ItemFromStart)
            dialog.rgDirection->SetItemIndex(ItemForward);
    } else if (!cancelled) {
        QMessageBox::information(
            &dialog, DialogTitle(), TranslateText(QStringLiteral("Запись не найдена.")));
    }
    // The message box may have taken the activation with it.
    dialog.activateWindow();
    dialog.comboSearchText->setFocus();
}

void TmmDBSearch::CloseDialog()
{
    FDialog->close();
}

void TmmDBSearch::DialogClose()
{
    try {
        TmmComboBox *combo = FDialog->comboSearchText;
        while (combo->count() > HistoryLimit)
            combo->removeItem(HistoryLimit);
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
        if (AppRegistry)
            AppRegistry->WriteString(SettingsSection, HistoryValue, JoinHistory(texts));
    } catch (const std::exception &) {
        // A history that cannot be saved is lost; the dialog closes all the same.
    }
    if (FGrid) {
        FGrid->activateWindow();
        FGrid->setFocus(Qt::OtherFocusReason);
    }
}

bool TmmDBSearch::SearchRecords()
{
    TDataSet *dataSet = FDataLink.DataSet();
    if (!dataSet || !dataSet->Active())
        throw ESearchError(TranslateText(QStringLiteral("Поиск невозможен: набор данных закрыт.")));
    TField *field = dataSet->FindField(FDataField);
    if (!field)
        throw ESearchError(
            TranslateText(QStringLiteral("Поиск невозможен: в наборе данных нет поля \"%1\"."))
                .arg(FDataField));
    if (FSearchOptions.Contains(TSearchOption::soWholeFieldOnly))
        PrepareWholeFieldValue();
    return ScanRecords(*field);
}

bool TmmDBSearch::ScanRecords(TField &field)
{
    TDataSet &dataSet = *field.DataSet();
    const TBookmark bookmark = dataSet.GetBookmark();
    const quint64 generation = bookmark.Generation;
    QPointer<TDataSet> guarded(&dataSet);
    QPointer<TmmDBSearch> self(this);
    dataSet.DisableControls();
    const auto enable = qScopeGuard([&] {
        if (guarded)
            guarded->EnableControls();
    });

    QElapsedTimer clock;
    clock.start();
    // A long walk shows its progress and may be cancelled (EOperationCancelled); the cursor
    // then stays where it was.
    TOperationProgress progress(TranslateText(QStringLiteral("Поиск \"%1\" в колонке \"%2\""))
                                    .arg(FSearchText, field.DisplayLabel()));
    // The UI may run a little; the walk goes on only over the same opening of the data.
    const TScanTick tick = [&] {
        progress.AddRows(RowsPerTick);
        if (clock.elapsed() >= UiInterval) {
            ProcessUiEvents();
            clock.restart();
        }
        progress.Tick();
        return self && guarded && guarded->Active()
            && guarded->GetBookmark().Generation == generation;
    };

    const TRecordWalk walk(FSearchDirection, dataSet);
    int row = NotFound;
    if (!walk.IsEmpty())
        row = FindRow(walk, field, tick);
    if (row == Stopped)
        throw ESearchError(
            TranslateText(QStringLiteral("Данные изменились во время поиска. Повторите поиск.")));
    if (row >= 0)
        walk.PlaceCursor(dataSet, row);
    else if (dataSet.BookmarkValid(bookmark))
        dataSet.GotoBookmark(bookmark);
    return row >= 0;
}

int TmmDBSearch::FindRow(const TRecordWalk &walk, TField &field, const TScanTick &tick)
{
    TDataSet &dataSet = *field.DataSet();
    const TRecordSet &rows = *dataSet.RecordSet();
    const int column = field.Index();
    const bool wholeField = FSearchOptions.Contains(TSearchOption::soWholeFieldOnly);
    const bool caseSensitive = FSearchOptions.Contains(TSearchOption::soCaseSensitive);

    if (IsPlainTextField(field.DataType())) {
        if (wholeField && FWholeFieldValid) {
            const double number = FWholeFieldNumber;
            const bool finite = std::isfinite(number);
            return ScanWalk(walk, tick, [&](int row) {
                const std::string_view cell = rows.Raw(row, column);
                if (cell.empty() && rows.IsNull(row, column))
                    return number == 0; // a null reads as 0
                if (finite && !MayReadAsNumber(cell))
                    return false;
                double value = 0;
                return TryStrToFloat(QString::fromUtf8(cell.data(), qsizetype(cell.size())), value)
                    && value == number;
            });
        }
        if (wholeField || caseSensitive) {
            const TTextMatcher matcher(FSearchText, wholeField);
            return ScanWalk(
                walk, tick, [&](int row) { return matcher.Matches(rows.Raw(row, column)); });
        }
        if (FSearchText.isEmpty())
            return NotFound;
        if (!FUpperCache->Prepare(dataSet, column, tick))
            return Stopped;
        const TTextMatcher matcher(SearchUpper(FSearchText), false);
        return ScanWalk(
            walk, tick, [&](int row) { return matcher.Matches(FUpperCache->Text(row)); });
    }

    // Other fields are read through the field itself, record by record, without moving the
    // cursor.
    const QString upperText = SearchUpper(FSearchText);
    TActiveRecordGuard active(&dataSet, dataSet.ActiveRecord());
    return ScanWalk(walk, tick, [&](int row) {
        dataSet.SetActiveRecord(row);
        return Matches(field, upperText);
    });
}

bool TmmDBSearch::MatchesRecord()
{
    TField *field = SearchedField();
    return field && Matches(*field, SearchUpper(FSearchText));
}

bool TmmDBSearch::Matches(const TField &field, const QString &upperText) const
{
    if (FSearchOptions.Contains(TSearchOption::soWholeFieldOnly)) {
        if (!FWholeFieldValid)
            return field.DisplayText() == FSearchText;
        try {
            return field.AsFloat() == FWholeFieldNumber;
        } catch (const Exception &) {
            return false; // not a number: no match
        }
    }
    if (FSearchText.isEmpty())
        return false;
    if (FSearchOptions.Contains(TSearchOption::soCaseSensitive))
        return field.DisplayText().contains(FSearchText);
    return SearchUpper(field.DisplayText()).contains(upperText);
}

void TmmDBSearch::PrepareWholeFieldValue()
{
    FWholeFieldNumber = 0;
    FWholeFieldValid = false;
    TField *field = SearchedField();
    if (!field)
        return;
    const TFieldType type = field->DataType();
    if (type == TFieldType::ftString || IsPlainNumberType(type))
        FWholeFieldValid = TryStrToFloat(FSearchText, FWholeFieldNumber);
    else if (IsDateTimeType(type))
        FWholeFieldValid = TryStrToDateTime(FSearchText, FWholeFieldNumber);
    if (!FWholeFieldValid)
        FWholeFieldNumber = 0;
}

QString TmmDBSearch::JoinHistory(const QStringList &texts)
{
    QString value;
    for (const QString &text : texts)
        value += text + LineBreak;
    return value;
}

QStringList TmmDBSearch::SplitHistory(const QString &value)
{
    // Lines end at CR LF, CR or LF; a break at the very end starts no further line.
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines << value.mid(start, i - start);
        if (c == u'\r' && i + 1 < value.size() && value.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < value.size())
        lines << value.mid(start);
    return lines;
}

void InstallColumnSearch()
{
    GridDialogs().Find = [](TmmDBGrid &grid) {
        // The grid's own search, made on first use and kept with the grid.
        auto *search = grid.findChild<TmmDBSearch *>(QString(), Qt::FindDirectChildrenOnly);
        if (!search)
            search = new TmmDBSearch(&grid);
        search->SetCustomSearch(true);
        search->SetGrid(&grid);
        search->SetDataField(QString());
        search->SetDataSource(nullptr);
        search->SetDataSource(grid.DataSource());
        search->SetDataField(grid.SelectedField()->FieldName());
        search->SetColorDialog(grid.ColorDialogs());
        search->Execute();
    };
}
