#pragma once

#include "core/Exception.h"

#include <vector>

// A list of object pointers that, when it owns its objects, frees them on Clear, Delete and
// destruction. Deleting an entry closes the gap.
template <class T> class TExList
{
public:
    explicit TExList(bool ownsObjects = true)
        : FOwnsObjects(ownsObjects)
    { }
    ~TExList() { Clear(); }
    TExList(const TExList &) = delete;
    TExList &operator=(const TExList &) = delete;

    bool OwnsObjects() const { return FOwnsObjects; }
    int Count() const { return int(FItems.size()); }
    bool IsEmpty() const { return FItems.empty(); }

    T *Items(int index) const
    {
        CheckIndex(index);
        return FItems[size_t(index)];
    }
    T *operator[](int index) const { return Items(index); }

    int Add(T *item)
    {
        FItems.push_back(item);
        return Count() - 1;
    }
    void Insert(int index, T *item)
    {
        if (index < 0 || index > Count())
            throw EListError::IndexOutOfBounds(index);
        FItems.insert(FItems.begin() + index, item);
    }
    int IndexOf(const T *item) const
    {
        for (size_t i = 0; i < FItems.size(); ++i)
            if (FItems[i] == item)
                return int(i);
        return -1;
    }
    void Delete(int index)
    {
        CheckIndex(index);
        T *item = FItems[size_t(index)];
        FItems.erase(FItems.begin() + index);
        if (FOwnsObjects)
            delete item;
    }
    // Takes an entry out without freeing it.
    T *Extract(int index)
    {
        CheckIndex(index);
        T *item = FItems[size_t(index)];
        FItems.erase(FItems.begin() + index);
        return item;
    }
    void Move(int from, int to)
    {
        T *item = Extract(from);
        Insert(to, item);
    }
    void Clear()
    {
        std::vector<T *> items;
        items.swap(FItems);
        if (FOwnsObjects)
            for (T *item : items)
                delete item;
    }

    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    void CheckIndex(int index) const
    {
        if (index < 0 || index >= Count())
            throw EListError::IndexOutOfBounds(index);
    }

    std::vector<T *> FItems;
    bool FOwnsObjects;
};
