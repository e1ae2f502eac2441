#include "db/dataset/TDataSource.h"

#include "db/dataset/TDataSet.h"

#include <algorithm>

TDataLink::~TDataLink()
{
    SetDataSource(nullptr);
}

void TDataLink::SetDataSource(TDataSource *source)
{
    if (source == FDataSource)
        return;
    if (FDataSource)
        FDataSource->RemoveLink(this);
    FDataSource = source;
    if (FDataSource)
        FDataSource->AddLink(this);
    ActiveChanged();
}

TDataSet *TDataLink::DataSet() const
{
    return FDataSource ? FDataSource->DataSet() : nullptr;
}

bool TDataLink::Active() const
{
    TDataSet *ds = DataSet();
    return ds && ds->Active();
}

TDataSource::TDataSource(QObject *parent)
    : QObject(parent)
{ }

TDataSource::~TDataSource()
{
    SetDataSet(nullptr);
    for (TDataLink *link : std::vector<TDataLink *>(FLinks))
        link->FDataSource = nullptr;
}

void TDataSource::SetDataSet(TDataSet *dataSet)
{
    if (dataSet == FDataSet)
        return;
    if (FDataSet)
        FDataSet->DetachSource(this);
    FDataSet = dataSet;
    if (FDataSet)
        FDataSet->AttachSource(this);
    NotifyActiveChanged();
}

void TDataSource::AddLink(TDataLink *link)
{
    FLinks.push_back(link);
}

void TDataSource::RemoveLink(TDataLink *link)
{
    FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), link), FLinks.end());
}

// Links may detach themselves (or others) while being told; walk a copy and skip the gone.
template <class F> void TDataSource::ForEachLink(F f)
{
    const std::vector<TDataLink *> links = FLinks;
    for (TDataLink *link : links)
        if (std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end())
            f(link);
}

void TDataSource::NotifyActiveChanged()
{
    ForEachLink([](TDataLink *link) { link->ActiveChanged(); });
    emit StateChanged();
}

void TDataSource::NotifyDataSetChanged()
{
    ForEachLink([](TDataLink *link) { link->DataSetChanged(); });
    emit DataChanged();
}

void TDataSource::NotifyScrolled(int distance)
{
    ForEachLink([distance](TDataLink *link) { link->DataSetScrolled(distance); });
    emit DataChanged();
}

void TDataSource::NotifyLayoutChanged()
{
    ForEachLink([](TDataLink *link) { link->LayoutChanged(); });
}
