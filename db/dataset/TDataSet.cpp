#include "db/dataset/TDataSet.h"

#include "core/OperationProgress.h"
#include "db/dataset/TDataSource.h"
#include "db/dataset/TDatabase.h"
#include "db/paradox/EDatabaseError.h"
#include "db/paradox/TRecordSet.h"

#include <algorithm>

namespace {
quint64 NextGeneration()
{
    static quint64 generation = 0;
    return ++generation;
}
} // namespace

TDataSet::TDataSet(QObject *parent)
    : QObject(parent)
{ }

TDataSet::~TDataSet()
{
    // Observers must not be told anything by a half-destroyed dataset.
    FDisableCount = 1;
    if (FDatabase)
        FDatabase->DetachDataSet(this);
    for (TDataSource *source : std::vector<TDataSource *>(FSources))
        source->SetDataSet(nullptr);
}

void TDataSet::SetDatabaseName(const QString &name)
{
    if (name == FDatabaseName)
        return;
    CheckInactive();
    FDatabaseName = name;
}

void TDataSet::CheckActive() const
{
    if (!Active())
        throw EDatabaseError(QStringLiteral("%1: Cannot perform this operation on a closed dataset")
                                 .arg(DescribeForErrors()));
}

void TDataSet::CheckInactive() const
{
    if (Active())
        throw EDatabaseError(QStringLiteral("%1: Cannot perform this operation on an open dataset")
                                 .arg(DescribeForErrors()));
}

void TDataSet::SetActive(bool active)
{
    if (active)
        Open();
    else
        Close();
}

void TDataSet::Open()
{
    if (Active())
        return;
    TDatabase *database = TSession::Default().FindDatabase(FDatabaseName);
    if (!database)
        throw EDatabaseError(
            QStringLiteral("%1: Unknown database '%2'").arg(DescribeForErrors(), FDatabaseName));
    database->Open();
    std::shared_ptr<const TRecordSet> rows = ReadRows(*database);

    FRows = std::move(rows);
    FGeneration = NextGeneration();
    FDatabase = database;
    FDatabase->AttachDataSet(this);
    FFields.clear();
    for (int i = 0; i < FRows->ColumnCount(); ++i) {
        const TRecordSet::ColumnInfo &info = FRows->Info(i);
        FFields.push_back(std::make_unique<TField>(this, i, info.Name, info.Type, info.Size));
    }
    const bool empty = FRows->RowCount() == 0;
    FCurrent = FActive = empty ? -1 : 0;
    FBof = true;
    FEof = empty;
    Notify(Event::ActiveChanged);
}

void TDataSet::Close()
{
    if (!Active())
        return;
    if (FDatabase)
        FDatabase->DetachDataSet(this);
    FDatabase = nullptr;
    FRows.reset();
    FFields.clear();
    FCurrent = FActive = -1;
    FBof = FEof = true;
    Notify(Event::ActiveChanged);
}

void TDataSet::Refresh()
{
    CheckActive();
    const int row = FCurrent;
    TDatabase *database = FDatabase;
    std::shared_ptr<const TRecordSet> rows = ReadRows(*database);
    // Fields keep their settings when the layout is the same.
    bool sameLayout = rows->ColumnCount() == FRows->ColumnCount();
    for (int i = 0; sameLayout && i < rows->ColumnCount(); ++i)
        sameLayout = rows->Info(i).Name == FRows->Info(i).Name
            && rows->Info(i).Type == FRows->Info(i).Type;
    FRows = std::move(rows);
    FGeneration = NextGeneration();
    if (!sameLayout) {
        FFields.clear();
        for (int i = 0; i < FRows->ColumnCount(); ++i) {
            const TRecordSet::ColumnInfo &info = FRows->Info(i);
            FFields.push_back(std::make_unique<TField>(this, i, info.Name, info.Type, info.Size));
        }
    }
    const int count = FRows->RowCount();
    FCurrent = FActive = count == 0 ? -1 : std::clamp(row, 0, count - 1);
    FBof = FEof = count == 0;
    Notify(sameLayout ? Event::DataSetChanged : Event::ActiveChanged);
}

std::shared_ptr<const TRecordSet> TDataSet::ReadRows(TDatabase &database)
{
    // Reading touches nothing but the rows it makes, so the waiter may do it on another
    // thread; observers hear of the result only here, afterwards.
    std::shared_ptr<const TRecordSet> rows;
    TOperationProgress progress(TOperationTitle::Or(DescribeOperation()));
    progress.Run([&] {
        rows = OpenRows(database);
        // A table file is read in one piece: a cancel that came meanwhile counts at its end.
        progress.ThrowIfCancelled();
    });
    return rows;
}

TField *TDataSet::Fields(int index) const
{
    if (index < 0 || index >= FieldCount())
        throw EListError::IndexOutOfBounds(index);
    return FFields[size_t(index)].get();
}

TField *TDataSet::FindField(const QString &name) const
{
    for (const auto &field : FFields)
        if (field->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return field.get();
    return nullptr;
}

TField *TDataSet::FieldByName(const QString &name) const
{
    if (TField *field = FindField(name))
        return field;
    throw EDatabaseError(QStringLiteral("%1: Field '%2' not found").arg(DescribeForErrors(), name));
}

QStringList TDataSet::FieldDisplayLabels() const
{
    QStringList labels;
    if (Active())
        for (int i = 0; i < FieldCount(); ++i)
            labels << Fields(i)->DisplayLabel();
    return labels;
}

void TDataSet::SetFieldDisplayLabels(const QStringList &labels)
{
    if (!Active())
        return;
    for (int i = 0; i < FieldCount() && i < labels.size(); ++i)
        Fields(i)->SetDisplayLabel(labels[i]);
}

int TDataSet::RecordCount() const
{
    return FRows ? FRows->RowCount() : 0;
}

void TDataSet::SetCurrent(int row, bool bof, bool eof)
{
    const int distance = row - FCurrent;
    FCurrent = row;
    FActive = row;
    FBof = bof;
    FEof = eof;
    if (distance != 0)
        Notify(Event::Scrolled, distance);
}

void TDataSet::First()
{
    CheckActive();
    SetCurrent(IsEmpty() ? -1 : 0, true, IsEmpty());
}

void TDataSet::Last()
{
    CheckActive();
    SetCurrent(RecordCount() - 1, IsEmpty(), true);
}

void TDataSet::Next()
{
    CheckActive();
    // An empty dataset stays at both ends, whatever moves it is asked for.
    if (IsEmpty())
        return;
    if (FCurrent + 1 < RecordCount())
        SetCurrent(FCurrent + 1, false, false);
    else
        SetCurrent(FCurrent, false, true);
}

void TDataSet::Prior()
{
    CheckActive();
    if (IsEmpty())
        return;
    if (FCurrent > 0)
        SetCurrent(FCurrent - 1, false, false);
    else
        SetCurrent(FCurrent, true, false);
}

int TDataSet::MoveBy(int distance)
{
    CheckActive();
    if (IsEmpty() || distance == 0)
        return 0;
    const int target = std::clamp(FCurrent + distance, 0, RecordCount() - 1);
    const int moved = target - FCurrent;
    const bool bof = distance < 0 && moved != distance;
    const bool eof = distance > 0 && moved != distance;
    SetCurrent(target, bof, eof);
    return moved;
}

void TDataSet::MoveTo(int row)
{
    CheckActive();
    if (IsEmpty())
        return;
    SetCurrent(std::clamp(row, 0, RecordCount() - 1), false, false);
}

TBookmark TDataSet::GetBookmark() const
{
    if (!Active())
        return {};
    return {FCurrent, FGeneration};
}

bool TDataSet::BookmarkValid(const TBookmark &bookmark) const
{
    return Active() && bookmark.Generation == FGeneration && bookmark.Row >= 0
        && bookmark.Row < RecordCount();
}

void TDataSet::GotoBookmark(const TBookmark &bookmark)
{
    CheckActive();
    if (!BookmarkValid(bookmark))
        throw EDatabaseError(QStringLiteral("%1: Record not found").arg(DescribeForErrors()));
    SetCurrent(bookmark.Row, false, false);
}

void TDataSet::DisableControls()
{
    ++FDisableCount;
}

void TDataSet::EnableControls()
{
    if (FDisableCount == 0)
        return;
    if (--FDisableCount > 0)
        return;
    const bool activeChanged = std::exchange(FPendingActive, false);
    const bool layoutChanged = std::exchange(FPendingLayout, false);
    const bool changed = std::exchange(FPendingChange, false);
    if (activeChanged) {
        Notify(Event::ActiveChanged);
        return;
    }
    // A field hidden or relabelled meanwhile needs the columns rebuilt, not only a repaint.
    if (layoutChanged)
        Notify(Event::LayoutChanged);
    if (changed)
        Notify(Event::DataSetChanged);
}

void TDataSet::SetActiveRecord(int row)
{
    FActive = row;
}

void TDataSet::FieldLayoutChanged()
{
    Notify(Event::LayoutChanged);
}

void TDataSet::Notify(Event event, int distance)
{
    if (FDisableCount > 0) {
        if (event == Event::ActiveChanged)
            FPendingActive = true;
        else if (event == Event::LayoutChanged)
            FPendingLayout = true;
        else
            FPendingChange = true;
        return;
    }
    for (TDataSource *source : std::vector<TDataSource *>(FSources)) {
        if (std::find(FSources.begin(), FSources.end(), source) == FSources.end())
            continue;
        switch (event) {
        case Event::ActiveChanged:
            source->NotifyActiveChanged();
            break;
        case Event::DataSetChanged:
            source->NotifyDataSetChanged();
            break;
        case Event::Scrolled:
            source->NotifyScrolled(distance);
            break;
        case Event::LayoutChanged:
            source->NotifyLayoutChanged();
            break;
        }
    }
}

void TDataSet::AttachSource(TDataSource *source)
{
    FSources.push_back(source);
}

void TDataSet::DetachSource(TDataSource *source)
{
    FSources.erase(std::remove(FSources.begin(), FSources.end(), source), FSources.end());
}
