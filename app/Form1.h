#pragma once

#include <QString>
#include <QWidget>
#include <memory>

class QAction;
class QComboBox;
class QMenu;
class QLabel;
class QTimer;
class TDatabase;
class TDataSource;
class TColumn;
class TGridSettingsMemory;
class TQuery;
class TStatusBar;
class TTable;
class TmmDBGrid;
class TvgDBLookupCombo;
class TzrMultilingualSupport;

// The directory window: a category, a lookup list of streets, organisations or district
// exchanges, and the grid of the matching telephone numbers.
class TForm1 : public QWidget
{
    Q_OBJECT
public:
    // dataFolder is the folder holding Gorod, Main, Org and Region.
    explicit TForm1(const QString &dataFolder, QWidget *parent = nullptr);
    ~TForm1() override;

    enum Mode { ModeCity = 0, ModeOrganisation = 1, ModeDistrict = 2 };

    void FormCreate();
    void CBox1Change();
    void AliasPath(const QString &folder, const QString &connection, const QString &table);
    void DBLCombo1Change();
    void DBGridGor();
    void IdleProc();
    void StatHint();

    // The components, for the program and its tests.
    QComboBox *CBox1;
    QLabel *Label4;
    TvgDBLookupCombo *DBLCombo1;
    TmmDBGrid *DBGrid1;
    TStatusBar *StatusBar1;
    TDatabase *Dbase1;
    TDatabase *Mbase1;
    TTable *Table1;
    TTable *Table2;
    TQuery *Query1;
    TDataSource *DSource1;
    TDataSource *DSource2;
    TDataSource *DSource3;
    TzrMultilingualSupport *zrMultilingualSupport1;

    // The full path of a folder written as "Data\Gorod".
    QString FolderPath(const QString &subPath) const;

    // The window's menu item that keeps the grid's settings between runs.
    QAction *RememberSettingsItem = nullptr;
    TGridSettingsMemory &GridMemory() const { return *FGridMemory; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void CreateComponents();
    void RepointConnection(TDatabase *database, const QString &subPath);
    TColumn *ResultColumn(int index) const;
    void SetCaption(int index, const QString &caption);
    void SetCaptions(const QStringList &captions);
    void ScheduleClock();
    // The menu the grid opens with the window's own items above the grid's.
    QMenu *WindowMenu();
    void AddRememberSettingsItem(QMenu *menu);

    QString FDataFolder;
    QTimer *FClock;
    std::unique_ptr<TGridSettingsMemory> FGridMemory;
};
