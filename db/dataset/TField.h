#pragma once

#include "core/TAlignment.h"
#include "db/paradox/TFieldType.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

class TDataSet;
class TRecordSet;

// One field of an open dataset. Values are read from the dataset's active record; a null value
// reads as an empty text, 0 or false.
class TField
{
public:
    TField(TDataSet *dataSet, int index, const QString &name, TFieldType type, int size);

    TDataSet *DataSet() const { return FDataSet; }
    const QString &FieldName() const { return FFieldName; }
    int Index() const { return FIndex; }
    TFieldType DataType() const { return FDataType; }
    int Size() const { return FSize; }
    bool Calculated() const { return false; }

    // The caption of the field; the field name until one is set.
    QString DisplayLabel() const { return FDisplayLabel.isEmpty() ? FFieldName : FDisplayLabel; }
    void SetDisplayLabel(const QString &label);
    QString DisplayName() const { return DisplayLabel(); }

    bool Visible() const { return FVisible; }
    void SetVisible(bool visible);
    int DisplayWidth() const { return FDisplayWidth; }
    void SetDisplayWidth(int width);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment alignment);

    bool IsNull() const;
    QVariant AsVariant() const;
    QString AsString() const;
    QString DisplayText() const;
    int AsInteger() const;
    qint64 AsLargeInt() const;
    double AsFloat() const;
    bool AsBoolean() const;
    QDateTime AsDateTime() const;

private:
    const TRecordSet &Rows() const;
    int Row() const;
    QString BlobCaption() const;
    [[noreturn]] void ConversionError(const QString &text, const char *kind) const;

    TDataSet *FDataSet;
    int FIndex;
    QString FFieldName;
    TFieldType FDataType;
    int FSize;
    QString FDisplayLabel;
    bool FVisible = true;
    int FDisplayWidth;
    TAlignment FAlignment;
};

// The natural display width, in characters, of a field of a type.
int DefaultDisplayWidth(TFieldType type, int size);
