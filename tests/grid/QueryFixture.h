#pragma once

#include "db/dataset/TDatabase.h"
#include "db/dataset/TQuery.h"

#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// A town on disk for the behaviour that needs a real query: the subscriber table KVTEL_1.DB
// (TSubscriberTable) in a temporary folder, reached through a connection of its own. Subscriber i
// lives on street 1 + i % streets and has the telephone 2-xx-xx made from i, so telephones do not
// follow the names' order.
class TQueryFixture
{
public:
    TQueryFixture(int subscribers, int streets);
    ~TQueryFixture();

    TDatabase &Database() { return *FDatabase; }
    QString Folder() const { return FFolder.path(); }

    // The main window's city query, lines as it writes them.
    static QStringList CityLines();
    // A closed query over this town with the given lines and :str set to street when the text
    // has that parameter.
    std::unique_ptr<TQuery> NewQuery(const QStringList &lines, int street = 1);
    std::unique_ptr<TQuery> OpenQuery(const QStringList &lines, int street = 1);

private:
    QTemporaryDir FFolder;
    std::unique_ptr<TDatabase> FDatabase;
};
