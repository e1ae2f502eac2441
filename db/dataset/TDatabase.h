#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class SqlEngine;
class TDataSet;

// A named connection to a folder of Paradox tables, configured by parameter lines:
//   PATH=<folder>            the folder the tables are read from
//   DEFAULT DRIVER=PARADOX   the only table format there is
//   ENABLE BCD=FALSE         decimals are delivered as floating point (always so here)
//   CODEPAGE=<n>             code page of tables whose header names none (1251 by default)
// Disconnecting closes every dataset opened through it.
class TDatabase : public QObject
{
    Q_OBJECT
public:
    explicit TDatabase(QObject *parent = nullptr);
    ~TDatabase() override;

    const QString &DatabaseName() const { return FDatabaseName; }
    void SetDatabaseName(const QString &name);

    const QStringList &Params() const { return FParams; }
    void SetParams(const QStringList &params) { FParams = params; }
    void ClearParams() { FParams.clear(); }
    void AddParam(const QString &line) { FParams.append(line); }
    // The value of a "NAME=value" line, the name ignoring case.
    QString ParamValue(const QString &name) const;

    bool Connected() const { return FConnected; }
    void SetConnected(bool connected);
    void Open();
    void Close();

    // Valid while connected.
    const QString &Path() const { return FPath; }
    int CodePage() const { return FCodePage; }
    SqlEngine &Engine();

    // Datasets opened through this connection.
    const std::vector<TDataSet *> &DataSets() const { return FDataSets; }

private:
    friend class TDataSet;
    void AttachDataSet(TDataSet *dataSet);
    void DetachDataSet(TDataSet *dataSet);

    QString FDatabaseName;
    QStringList FParams;
    bool FConnected = false;
    QString FPath;
    int FCodePage = 1251;
    std::unique_ptr<SqlEngine> FEngine;
    std::vector<TDataSet *> FDataSets;
};

// The process-wide list of connections, found by name ignoring letter case.
class TSession
{
public:
    static TSession &Default();
    TDatabase *FindDatabase(const QString &name) const;

private:
    friend class TDatabase;
    std::vector<TDatabase *> FDatabases;
};
