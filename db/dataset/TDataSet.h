#pragma once

#include "db/dataset/TField.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TDatabase;
class TDataSource;
class TRecordSet;

// A place in a dataset that can be returned to while the dataset stays open.
struct TBookmark
{
    int Row = -1;
    quint64 Generation = 0; // which opening of the dataset it belongs to
    bool IsValid() const { return Generation != 0; }
};

// A table or query result with a current record. Rows are materialised when it opens and then
// only read. Observers (grids, lookup lists) attach through data sources and are told when it
// opens, closes, moves or changes, unless controls are disabled.
class TDataSet : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QStringList FieldDisplayLabels READ FieldDisplayLabels WRITE SetFieldDisplayLabels)
public:
    explicit TDataSet(QObject *parent = nullptr);
    ~TDataSet() override;

    virtual bool IsQuery() const = 0;
    bool IsTable() const { return !IsQuery(); }

    // The name of the connection it is opened through.
    const QString &DatabaseName() const { return FDatabaseName; }
    void SetDatabaseName(const QString &name);
    TDatabase *Database() const { return FDatabase; }

    bool Active() const { return FRows != nullptr; }
    void SetActive(bool active);
    // Reading the rows is one operation the user may cancel (EOperationCancelled): a
    // cancelled Open leaves the dataset closed, as a failed one does.
    void Open();
    void Close();
    // Reopens, keeping the current record where it still exists. Failed or cancelled, it
    // leaves the dataset as it was.
    void Refresh();

    int FieldCount() const { return int(FFields.size()); }
    TField *Fields(int index) const;
    TField *FindField(const QString &name) const; // ignores letter case; nullptr when absent
    TField *FieldByName(const QString &name) const; // raises when absent
    // The display label of every field while open, in field order; for translation.
    QStringList FieldDisplayLabels() const;
    void SetFieldDisplayLabels(const QStringList &labels);

    int RecordCount() const;
    bool IsEmpty() const { return RecordCount() == 0; }
    // Index of the current record, 0 based; -1 when the dataset is empty or closed.
    int CurrentRow() const { return FCurrent; }
    int RecNo() const { return FCurrent + 1; }
    void SetRecNo(int recNo) { MoveTo(recNo - 1); }
    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance);
    void MoveTo(int row);
    bool Eof() const { return FEof; }
    bool Bof() const { return FBof; }

    TBookmark GetBookmark() const;
    bool BookmarkValid(const TBookmark &bookmark) const;
    void GotoBookmark(const TBookmark &bookmark);
    void FreeBookmark(TBookmark &bookmark) { bookmark = {}; }

    // Observers are not told of moves between these; nested calls count.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount > 0; }

    // The record fields read from. It follows the current record; a painter may move it to any
    // row and must put it back (TActiveRecordGuard does).
    int ActiveRecord() const { return FActive; }
    void SetActiveRecord(int row);

    const TRecordSet *RecordSet() const { return FRows.get(); }
    void CheckActive() const;
    void CheckInactive() const;

    // Called by fields when a label, visibility, width or alignment changes.
    void FieldLayoutChanged();

protected:
    // Produces the rows; raises EDatabaseError on failure.
    virtual std::shared_ptr<const TRecordSet> OpenRows(TDatabase &database) = 0;
    // A short name for messages: the table name or "Query".
    virtual QString DescribeForErrors() const = 0;
    // What the user is told is running while the rows are read.
    virtual QString DescribeOperation() const { return DescribeForErrors(); }

private:
    friend class TDataSource;
    friend class TDatabase;
    enum class Event { ActiveChanged, DataSetChanged, Scrolled, LayoutChanged };
    // OpenRows as one operation the user may wait for and cancel (EOperationCancelled).
    std::shared_ptr<const TRecordSet> ReadRows(TDatabase &database);
    void Notify(Event event, int distance = 0);
    void SetCurrent(int row, bool bof, bool eof);
    void AttachSource(TDataSource *source);
    void DetachSource(TDataSource *source);

    QString FDatabaseName;
    TDatabase *FDatabase = nullptr;
    std::shared_ptr<const TRecordSet> FRows;
    std::vector<std::unique_ptr<TField>> FFields;
    int FCurrent = -1;
    int FActive = -1;
    bool FBof = true;
    bool FEof = true;
    quint64 FGeneration = 0;
    int FDisableCount = 0;
    bool FPendingActive = false;
    bool FPendingLayout = false;
    bool FPendingChange = false;
    std::vector<TDataSource *> FSources;
};

// Moves a dataset's active record for the lifetime of the guard and puts it back afterwards,
// also when an exception leaves the scope.
class TActiveRecordGuard
{
public:
    TActiveRecordGuard(TDataSet *dataSet, int row)
        : FDataSet(dataSet)
        , FSaved(dataSet->ActiveRecord())
    {
        FDataSet->SetActiveRecord(row);
    }
    ~TActiveRecordGuard() { FDataSet->SetActiveRecord(FSaved); }
    TActiveRecordGuard(const TActiveRecordGuard &) = delete;
    TActiveRecordGuard &operator=(const TActiveRecordGuard &) = delete;

private:
    TDataSet *FDataSet;
    int FSaved;
};

// DisableControls for a scope.
class TDisabledControls
{
public:
    explicit TDisabledControls(TDataSet *dataSet)
        : FDataSet(dataSet)
    {
        FDataSet->DisableControls();
    }
    ~TDisabledControls() { FDataSet->EnableControls(); }
    TDisabledControls(const TDisabledControls &) = delete;
    TDisabledControls &operator=(const TDisabledControls &) = delete;

private:
    TDataSet *FDataSet;
};
