#pragma once

#include <QString>

class QObject;
class TxAppRegistry;

// The save and restore procedures the store registers for the toolkit's own classes, and the
// pieces from which the dataset layer builds its procedures.

// The dynamic properties a form may carry for the procedures below: "Position" set to
// "poScreenCenter" when the form centres itself (its place is then not kept), "BorderStyle" set
// to "bsDialog" for a dialog frame (its size is then not kept; a form of fixed size counts as
// one too), and "Tag", a number that tells apart unnamed forms of one class.
inline constexpr char FormPositionProperty[] = "Position";
inline constexpr char FormBorderStyleProperty[] = "BorderStyle";
inline constexpr char ComponentTagProperty[] = "Tag";
inline const QString ScreenCenterPosition = QStringLiteral("poScreenCenter");
inline const QString DialogBorderStyle = QStringLiteral("bsDialog");

// A form is a top-level widget.
bool IsForm(const QObject *object);
int ComponentTag(const QObject *component);

// The key below the application key where the procedures keep a component: path + "\FormData"
// for a form, path + "\" + name otherwise, and the component's own ComponentPath when path is
// empty.
QString HandlerKey(const QString &path, const QObject *component);

// Registers, in this order: forms (top-level widgets), tabbed notebooks (QTabWidget), notebooks
// (QStackedWidget), tab sets (QTabBar) and the kit's TExtTabSet.
void RegisterBuiltInHandlers(TxAppRegistry &registry);

// What the dataset procedures need of a dataset. The dataset layer implements it and registers
// procedures that call SaveDataSetLayout and LoadDataSetLayout (the store itself does not know
// datasets, fields or data-aware grids).
class TDataSetLayout
{
public:
    virtual ~TDataSetLayout() = default;

    virtual QObject *DataSet() const = 0;
    // Whether a DB grid owned by form shows this dataset through its data source.
    virtual bool ShownByGridOf(const QObject *form) const = 0;

    virtual int FieldCount() const = 0;
    virtual QString FieldName(int index) const = 0;
    virtual bool FieldVisible(int index) const = 0;
    virtual int FieldDisplayWidth(int index) const = 0;
    virtual void SetFieldDisplayWidth(int index, int width) = 0;
    // Moves the field at index to position (0 <= position < FieldCount()).
    virtual void SetFieldIndex(int index, int position) = 0;
};

// Display width and position of each visible field, kept only for a dataset whose owner is a
// form with a DB grid showing it.
void SaveDataSetLayout(TxAppRegistry &registry, const QString &path, const TDataSetLayout &layout);
void LoadDataSetLayout(TxAppRegistry &registry, const QString &path, TDataSetLayout &layout);

// The prefix of a DB grid's font values: the procedures for grids are
//   save: registry.WriteFont(HandlerKey(path, grid), DBGridFontPrefix, grid font)
//   load: registry.ReadFont(HandlerKey(path, grid), DBGridFontPrefix, grid font)
inline const QString DBGridFontPrefix = QStringLiteral("Font");
