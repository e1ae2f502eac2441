#pragma once

#include "db/dataset/TDataSource.h"

#include <QComboBox>
#include <QStringList>

class LookupListModel;

// A drop-down list over the rows of a lookup table. The list shows the display field; choosing
// an entry makes that row the lookup table's current record and then tells OnChange, so the
// handler can read any field of the chosen row. Typing filters the list to the entries that
// contain the typed text.
class TvgDBLookupCombo : public QComboBox
{
    Q_OBJECT
public:
    explicit TvgDBLookupCombo(QWidget *parent = nullptr);
    ~TvgDBLookupCombo() override;

    TDataSource *LookupSource() const { return FLink.DataSource(); }
    void SetLookupSource(TDataSource *source);
    // The key field; may be cleared.
    const QString &LookupField() const { return FLookupField; }
    void SetLookupField(const QString &fieldName);
    // Display fields separated by ";"; may be cleared.
    const QString &LookupDisplay() const { return FLookupDisplay; }
    void SetLookupDisplay(const QString &fieldNames);
    // Which display field the list shows; an index beyond the fields falls back to the last.
    int LookupDisplayIndex() const { return FLookupDisplayIndex; }
    void SetLookupDisplayIndex(int index);
    int DropDownCount() const { return maxVisibleItems(); }
    void SetDropDownCount(int rows) { setMaxVisibleItems(rows); }

    // The key value of the chosen entry; invalid when nothing is chosen.
    QVariant Value() const;
    // The display text of the chosen entry.
    QString DisplayValue() const;
    // Chooses the row of the lookup table, as a click in the list does.
    void ChooseRow(int row);

signals:
    void OnChange();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    class Link : public TDataLink
    {
    public:
        explicit Link(TvgDBLookupCombo *owner)
            : FOwner(owner)
        { }

    protected:
        void ActiveChanged() override { FOwner->Rebuild(); }
        void DataSetChanged() override { FOwner->Rebuild(); }

    private:
        TvgDBLookupCombo *FOwner;
    };

    void Rebuild();
    QString DisplayFieldName() const;

    Link FLink {this};
    LookupListModel *FModel;
    QString FLookupField;
    QString FLookupDisplay;
    int FLookupDisplayIndex = 0;
    int FChosenRow = -1;
};
