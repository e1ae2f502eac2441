#pragma once

#include "core/Exception.h"
#include "core/TColor.h"
#include "db/dataset/TDataSource.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <memory>

class TDBGrid;
class TField;
class TRecordWalk;
class TfrmDBFindDlg;
class TUpperColumnCache;

enum class TSearchDirection : quint8 {
    sdUp = 0, // toward the first record
    sdDown = 1, // toward the last record
    sdAll = 2, // from the first record
};

enum class TSearchOption : quint8 {
    soCaseSensitive = 0,
    soWholeWordsOnly = 1, // kept for the set's layout; nothing reads it
    soWholeFieldOnly = 2,
};

// A set of search options in one byte, bit n for option n.
class TSearchOptions
{
public:
    constexpr TSearchOptions() = default;
    constexpr TSearchOptions(std::initializer_list<TSearchOption> options)
    {
        for (TSearchOption option : options)
            Include(option);
    }
    constexpr bool Contains(TSearchOption option) const { return FBits & Bit(option); }
    constexpr void Include(TSearchOption option) { FBits |= Bit(option); }
    constexpr void Exclude(TSearchOption option) { FBits &= quint8(~Bit(option)); }
    constexpr quint8 Bits() const { return FBits; }
    constexpr bool operator==(const TSearchOptions &) const = default;

private:
    static constexpr quint8 Bit(TSearchOption option) { return quint8(1u << quint8(option)); }
    quint8 FBits = 0;
};

class TmmDBSearch;

// Lets the owner take over a search: a handler that sets custom reports the outcome in found.
using TOnCustomSearchEvent
    = std::function<void(TmmDBSearch *sender, const QString &text, bool &custom, bool &found)>;

// A search that cannot run: the dataset closed or lost the searched field while the find
// dialog was open.
class ESearchError : public Exception
{
public:
    using Exception::Exception;
};

// Finds, in one field of a dataset, the next record whose value contains or equals a text the
// user types into its find dialog, moves the dataset there, and keeps the last search texts in
// the settings store. Every grid owns one; its Find command points it at the selected column.
class TmmDBSearch : public QObject
{
    Q_OBJECT
public:
    static constexpr TColor DefaultColorDialog = 15266807; // RGB 247, 243, 232
    static constexpr int HistoryLimit = 5;
    static inline const QString SettingsSection = QStringLiteral("Search_Settings");
    static inline const QString HistoryValue = QStringLiteral("SearchValues");

    explicit TmmDBSearch(QObject *owner = nullptr);
    ~TmmDBSearch() override;

    // Published properties.
    TDBGrid *Grid() const;
    void SetGrid(TDBGrid *grid);
    TSearchOptions SearchOptions() const { return FSearchOptions; }
    void SetSearchOptions(TSearchOptions options) { FSearchOptions = options; }
    TSearchDirection SearchDirection() const { return FSearchDirection; }
    void SetSearchDirection(TSearchDirection direction) { FSearchDirection = direction; }
    TColor ColorDialog() const { return FColorDialog; }
    void SetColorDialog(TColor color) { FColorDialog = color; }
    // The caller sets DataSource and DataField itself instead of taking the focused grid's.
    bool CustomSearch() const { return FCustomSearch; }
    void SetCustomSearch(bool value) { FCustomSearch = value; }
    TDataSource *DataSource() const { return FDataLink.DataSource(); }
    void SetDataSource(TDataSource *source);
    const QString &DataField() const { return FDataField; }
    void SetDataField(const QString &name) { FDataField = name; }
    TOnCustomSearchEvent OnCustomSearch;

    // Fills and shows the find dialog for the field searched.
    void Execute();
    // The find button: one search from the current record in the chosen direction.
    void DoSearch();
    // The close button.
    void CloseDialog();
    // The dialog closed: keeps the history in the settings store and hands the focus back.
    void DialogClose();
    // Moves the dataset to the next matching record; leaves it where it was when none
    // matches. Raises ESearchError when the dataset is closed or lacks the field.
    bool SearchRecords();
    // Whether the dataset's active record matches the search text and options.
    bool MatchesRecord();
    // Reads the search text as a number or date of the searched field's type.
    void PrepareWholeFieldValue();

    TfrmDBFindDlg *Dialog() const { return FDialog.get(); }
    // The text and options the next SearchRecords uses; DoSearch takes them from the dialog.
    const QString &SearchText() const { return FSearchText; }
    void SetSearchText(const QString &text) { FSearchText = text; }
    // True while a search walks the records.
    bool Searching() const { return FSearching; }

    // The history as the settings store keeps it: each text followed by CR LF.
    static QString JoinHistory(const QStringList &texts);
    static QStringList SplitHistory(const QString &value);

private:
    TField *SearchedField() const;
    // The dataset's rows are scanned straight from its record set; only the end position
    // goes through the cursor, with the grid muted.
    bool ScanRecords(TField &field);
    // The first row of the walk that matches; -1 for none, -2 when the data changed meanwhile.
    int FindRow(const TRecordWalk &walk, TField &field, const std::function<bool()> &tick);
    bool Matches(const TField &field, const QString &upperText) const;
    void LoadHistory();
    void AddToHistory(const QString &text);

    QPointer<TDBGrid> FGrid;
    TSearchOptions FSearchOptions;
    TSearchDirection FSearchDirection = TSearchDirection::sdAll;
    TColor FColorDialog = DefaultColorDialog;
    bool FCustomSearch = false;
    TDataLink FDataLink;
    QString FDataField;
    QMetaObject::Connection FSourceGone;

    std::unique_ptr<TfrmDBFindDlg> FDialog;
    QString FSearchText;
    double FWholeFieldNumber = 0;
    bool FWholeFieldValid = false;
    bool FSearching = false;
    std::unique_ptr<TUpperColumnCache> FUpperCache;
};

// Makes every grid's Find command ("Найти", F3) open the column search on its selected field.
// The program calls it once at start-up.
void InstallColumnSearch();
