#pragma once

#include "db/dataset/TDataSet.h"

#include <QStringList>
#include <QVariant>

// One named parameter of a query (":str" in the text).
class TParam
{
public:
    explicit TParam(const QString &name)
        : FName(name)
    { }

    const QString &Name() const { return FName; }
    const QVariant &Value() const { return FValue; }
    void SetValue(const QVariant &value) { FValue = value; }
    bool Bound() const { return FValue.isValid(); }
    void Clear() { FValue = QVariant(); }

    void SetAsInteger(int value) { FValue = QVariant(value); }
    int AsInteger() const { return FValue.toInt(); }
    void SetAsString(const QString &value) { FValue = QVariant(value); }
    QString AsString() const { return FValue.toString(); }

private:
    QString FName;
    QVariant FValue;
};

// A read-only SELECT over the tables of its connection's folder. The text is kept as lines;
// parameters are found in it by name, ignoring letter case, and keep their values when the text
// changes. Changing the text closes the query.
class TQuery : public TDataSet
{
    Q_OBJECT
public:
    using TDataSet::TDataSet;

    bool IsQuery() const override { return true; }

    const QStringList &SQL() const { return FSQL; }
    void SetSQL(const QStringList &lines);
    void ClearSQL() { SetSQL({}); }
    void AddSQL(const QString &line);
    QString Text() const { return FSQL.join(QLatin1Char('\n')); }

    int ParamCount() const { return int(FParams.size()); }
    TParam &Params(int index);
    TParam *FindParam(const QString &name);
    TParam &ParamByName(const QString &name); // raises when absent

    // Parameter names in the order they first appear in a text, without the colon.
    static QStringList ParseParamNames(const QString &sql);

protected:
    std::shared_ptr<const TRecordSet> OpenRows(TDatabase &database) override;
    QString DescribeForErrors() const override { return QStringLiteral("Query"); }
    QString DescribeOperation() const override { return QStringLiteral("Выполняется запрос"); }

private:
    void TextChanged();

    QStringList FSQL;
    std::vector<TParam> FParams;
};
