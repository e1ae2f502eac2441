#pragma once

#include <QString>

class TmmDBGrid;
class TxAppRegistry;

// Keeps the look of a result grid between runs, one look per kind of result (the window knows
// which kind it shows), when the user has switched it on. Everything lives in the settings store
// below the grid's own key: the switch, and a sub-key per kind with the fonts, colours, stripes,
// scaling, conditions, and the columns' widths and visibility by field name. A stored value that
// does not fit the grid any more (a field gone, a damaged entry) is skipped with a warning.
// Without a settings store nothing is kept and the switch stays off.
class TGridSettingsMemory
{
public:
    // The kinds the directory window shows.
    static inline const QString StreetKind = QStringLiteral("Street");
    static inline const QString OrganisationKind = QStringLiteral("Organisation");
    static inline const QString ExchangeKind = QStringLiteral("Exchange");
    // The switch, an integer value of the grid's key.
    static inline const QString EnabledValue = QStringLiteral("RememberSettings");

    explicit TGridSettingsMemory(TmmDBGrid &grid);

    // The grid's key below the application key: "Form1\DBGrid1".
    QString GridKey() const;

    bool Enabled() const;
    // Switching on keeps the look of the kind shown now; switching off forgets every kind.
    void SetEnabled(bool enabled);

    // The grid now shows a result of this kind. When it is another kind than before, the look
    // is that kind's stored one (the kind left was saved by KindLeaving).
    void KindShown(const QString &kind);
    // The result shown is about to go: its look is saved, and the next KindShown restores.
    void KindLeaving();
    // Saves the look of the kind shown (the window closes).
    void SaveShown();

    // The look of one kind, saved from the grid or put back into it; nothing happens while the
    // switch is off. Failures to write are warned about, never raised.
    void Save(const QString &kind);
    void Restore(const QString &kind);

private:
    TxAppRegistry *Store() const;
    QString KindKey(const QString &kind) const;
    bool KeyExists(const QString &subKey) const;
    void SaveLook(TxAppRegistry &store, const QString &key);
    void SaveColumns(TxAppRegistry &store, const QString &key);
    void SaveConditions(TxAppRegistry &store, const QString &key);
    void RestoreLook(TxAppRegistry &store, const QString &key);
    void RestoreColumns(TxAppRegistry &store, const QString &key);
    void RestoreConditions(TxAppRegistry &store, const QString &key);

    TmmDBGrid &FGrid;
    QString FShownKind;
};
