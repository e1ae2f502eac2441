#pragma once

#include <QObject>
#include <vector>

class TDataSet;
class TDataSource;

// An observer of the dataset behind a data source. Grids and lookup lists own one and override
// the notifications they care about.
class TDataLink
{
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink &) = delete;
    TDataLink &operator=(const TDataLink &) = delete;

    TDataSource *DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource *source);
    TDataSet *DataSet() const;
    // The dataset is there and open.
    bool Active() const;

protected:
    friend class TDataSource;
    // Opened or closed, or the link now observes another dataset.
    virtual void ActiveChanged() { }
    // The rows or the current record changed in a way that needs a full redisplay.
    virtual void DataSetChanged() { }
    // The current record moved by distance rows.
    virtual void DataSetScrolled(int distance) { Q_UNUSED(distance); }
    // A field's label, visibility, width or alignment changed.
    virtual void LayoutChanged() { }

private:
    TDataSource *FDataSource = nullptr;
};

// Binds observers to one dataset.
class TDataSource : public QObject
{
    Q_OBJECT
public:
    explicit TDataSource(QObject *parent = nullptr);
    ~TDataSource() override;

    TDataSet *DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet *dataSet);

signals:
    // For plain Qt observers; links get the same notices through their hooks.
    void StateChanged();
    void DataChanged();

private:
    friend class TDataLink;
    friend class TDataSet;
    void AddLink(TDataLink *link);
    void RemoveLink(TDataLink *link);
    void NotifyActiveChanged();
    void NotifyDataSetChanged();
    void NotifyScrolled(int distance);
    void NotifyLayoutChanged();
    template <class F> void ForEachLink(F f);

    TDataSet *FDataSet = nullptr;
    std::vector<TDataLink *> FLinks;
};
