#include "app/Form1.h"

#include "app/Application.h"
#include "app/ComboLists.h"
#include "app/GridSettingsMemory.h"
#include "app/ResultExport.h"
#include "app/ResultPrint.h"
#include "app/ResultTable.h"
#include "app/ResultText.h"
#include "app/SaveFile.h"
#include "app/TStatusBar.h"
#include "app/TvgDBLookupCombo.h"
#include "core/TColor.h"
#include "core/TFont.h"
#include "core/TFormatSettings.h"
#include "db/dataset/TDataSource.h"
#include "db/dataset/TDatabase.h"
#include "db/dataset/TField.h"
#include "db/dataset/TQuery.h"
#include "db/dataset/TTable.h"
#include "grid/TPopupMenu.h"
#include "grid/mmDBGrid.h"
#include "i18n/zrMultilingualSupport.h"
#include "settings/xAppRegistry.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

namespace {

const QString CityFolder = QStringLiteral("Data\\Gorod");
const QString MainFolder = QStringLiteral("Data\\Main");
const QString OrgFolder = QStringLiteral("Data\\Org");
const QString RegionFolder = QStringLiteral("Data\\Region");

struct ModeSettings
{
    QString Folder;
    QString LookupConnection;
    QString LookupTable;
    QString KeyField;
    QString DisplayField;
    QString Label;
    int ComboWidth;
};

const ModeSettings &SettingsOf(int mode)
{
    static const ModeSettings modes[] = {
        {CityFolder, QStringLiteral("Main"), QStringLiteral("spr_adr1.db"), QStringLiteral("K_Y"),
            QStringLiteral("ADR_Y"), QStringLiteral("Улица"), 145},
        {OrgFolder, QStringLiteral("Gorod"), QStringLiteral("spr_org1.db"), QStringLiteral("Inc"),
            QStringLiteral("Naim"), QStringLiteral("Организация"), 350},
        {RegionFolder, QStringLiteral("Main"), QStringLiteral("spr_sity.db"), QStringLiteral("K_s"),
            QStringLiteral("Name_s"), QStringLiteral("АТС"), 145},
    };
    return modes[std::clamp(mode, 0, 2)];
}

// A variant read from a key field, as a 32-bit integer; a null or a text that is no number is
// an error, as the conversion of a variant is.
int VariantToInteger(const QVariant &value, const QString &fieldName)
{
    bool ok = false;
    const qlonglong v = value.toLongLong(&ok);
    if (!value.isValid() || !ok || v < INT_MIN || v > INT_MAX)
        throw Exception(
            QStringLiteral("Could not convert variant of field %1 (%2) to an integer")
                .arg(fieldName, value.isValid() ? value.toString() : QStringLiteral("Null")));
    return int(v);
}

// The client area of the 640 x 393 window (a 4-pixel sizing frame and a 19-pixel caption):
// the grid then ends a pixel from the sides and from the status bar.
constexpr int ClientWidth = 632;
constexpr int ClientHeight = 366;
constexpr int StatusBarHeight = 19;
constexpr int GridMargin = 1;

} // namespace

TForm1::TForm1(const QString &dataFolder, QWidget *parent)
    : QWidget(parent)
    , FDataFolder(dataFolder)
{
    CreateComponents();
    try {
        FormCreate();
    } catch (const std::exception &e) {
        // The window still opens; the failure is shown as any other.
        if (TApplication *app = Application())
            app->HandleException(e);
        else
            throw;
    }
}

TForm1::~TForm1() = default;

void TForm1::CreateComponents()
{
    setWindowTitle(QStringLiteral("Телефонный справочник г.Верболинск и района"));
    zrMultilingualSupport1 = new TzrMultilingualSupport(this);
    resize(ClientWidth, ClientHeight);
    setMinimumSize(400, 200);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(Colors::clBtnFace));
    setPalette(pal);
    setAutoFillBackground(true);
    setFont(TFont(QStringLiteral("MS Sans Serif"), 8).ToQFont());
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    Dbase1 = new TDatabase(this);
    Dbase1->SetDatabaseName(QStringLiteral("Gorod"));
    Mbase1 = new TDatabase(this);
    Mbase1->SetDatabaseName(QStringLiteral("Main"));
    Table1 = new TTable(this);
    Table1->SetDatabaseName(QStringLiteral("Gorod"));
    Table2 = new TTable(this);
    Query1 = new TQuery(this);
    Query1->setObjectName(QStringLiteral("Query1")); // the options wizard names it in its caption
    Query1->SetDatabaseName(QStringLiteral("Gorod"));
    DSource1 = new TDataSource(this);
    DSource1->SetDataSet(Table1);
    DSource2 = new TDataSource(this);
    DSource2->SetDataSet(Table2);
    DSource3 = new TDataSource(this);
    DSource3->SetDataSet(Query1);

    CBox1 = new QComboBox(this);
    CBox1->setGeometry(6, 26, 107, 22);
    CBox1->addItems(
        {QStringLiteral("Город"), QStringLiteral("Организации"), QStringLiteral("Район ")});
    CBox1->setFont(TFont(QStringLiteral("MS Sans Serif"), 8, int(TFontStyle::fsBold),
        Colors::clWindowText, Charsets::RUSSIAN_CHARSET)
                       .ToQFont());
    connect(CBox1, qOverload<int>(&QComboBox::activated), this, [this] { CBox1Change(); });
    FollowWheelOnlyWithFocus(CBox1);
    HighlightRowsLikeTheGrid(CBox1->view());

    Label4 = new QLabel(this);
    Label4->move(131, 5);
    TFont labelFont(QStringLiteral("MS Sans Serif"), 8, int(TFontStyle::fsBold),
        Colors::clWindowText, Charsets::RUSSIAN_CHARSET);
    labelFont.SetHeight(-15);
    Label4->setFont(labelFont.ToQFont());

    DBLCombo1 = new TvgDBLookupCombo(this);
    DBLCombo1->setGeometry(122, 26, 145, 22);
    DBLCombo1->SetDropDownCount(10);
    DBLCombo1->SetLookupDisplayIndex(1);
    DBLCombo1->setFont(TFont(QStringLiteral("Arial"), 8, int(TFontStyle::fsBold),
        Colors::clWindowText, Charsets::RUSSIAN_CHARSET)
                           .ToQFont());
    connect(DBLCombo1, &TvgDBLookupCombo::OnChange, this, [this] { DBLCombo1Change(); });

    DBGrid1 = new TmmDBGrid(this);
    DBGrid1->setGeometry(1, 55, 630, 291);
    DBGrid1->SetTitleFont(TFont(QStringLiteral("MS Sans Serif"), 8));
    DBGrid1->SetLineCount(1);
    DBGrid1->SetShowLines(false);
    DBGrid1->SetShowCheckBoxes(false);
    DBGrid1->SetUseSorting(false);
    TApplication::SetWidgetHint(DBGrid1, QStringLiteral("|Таблица результата"));
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    FGridMemory = std::make_unique<TGridSettingsMemory>(*DBGrid1);
    CreateResultMenu();

    StatusBar1 = new TStatusBar(this);
    StatusBar1->SetPanels({{60, Qt::AlignHCenter}, {60, Qt::AlignHCenter}, {50, Qt::AlignLeft}});
    TApplication::SetWidgetHint(StatusBar1, QStringLiteral("Панель|Панель состояния"));

    setTabOrder(CBox1, DBGrid1);
    setTabOrder(DBGrid1, DBLCombo1);

    FClock = new QTimer(this);
    FClock->setSingleShot(true);
    FClock->setTimerType(Qt::PreciseTimer);
    connect(FClock, &QTimer::timeout, this, [this] {
        IdleProc();
        ScheduleClock();
    });
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The grid keeps its margins as the window grows; the status bar stays at the bottom.
    StatusBar1->setGeometry(0, height() - StatusBarHeight, width(), StatusBarHeight);
    DBGrid1->setGeometry(GridMargin, 55, std::max(100, width() - 2 * GridMargin),
        std::max(50, height() - 55 - StatusBarHeight - GridMargin));
}

void TForm1::closeEvent(QCloseEvent *event)
{
    FGridMemory->SaveShown();
    QWidget::closeEvent(event);
}

// Off unless the user switched it on in an earlier run; without a settings store it cannot be.
void TForm1::AddRememberSettingsItem(QMenu *menu)
{
    RememberSettingsItem
        = menu->addAction(TranslateText(QStringLiteral("Запоминать установки таблицы")));
    RememberSettingsItem->setCheckable(true);
    RememberSettingsItem->setChecked(FGridMemory->Enabled());
    RememberSettingsItem->setEnabled(AppRegistry != nullptr);
    connect(RememberSettingsItem, &QAction::toggled, this,
        [this](bool checked) { FGridMemory->SetEnabled(checked); });
}

QString TForm1::FolderPath(const QString &subPath) const
{
    QStringList parts = QString(subPath)
                            .replace(QLatin1Char('\\'), QLatin1Char('/'))
                            .split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (!parts.isEmpty() && parts.first().compare(QLatin1String("Data"), Qt::CaseInsensitive) == 0)
        parts.removeFirst();
    return QDir(FDataFolder).filePath(parts.join(QLatin1Char('/')));
}

void TForm1::RepointConnection(TDatabase *database, const QString &subPath)
{
    database->Close();
    database->ClearParams();
    database->AddParam(QStringLiteral("PATH=") + FolderPath(subPath));
    database->AddParam(QStringLiteral("DEFAULT DRIVER=PARADOX"));
    database->AddParam(QStringLiteral("ENABLE BCD=FALSE"));
    database->Open();
}

void TForm1::FormCreate()
{
    if (TApplication *app = Application())
        connect(app, &TApplication::HintChanged, this, [this] { StatHint(); });
    IdleProc();
    ScheduleClock();
    CBox1->setCurrentIndex(0);
    DBLCombo1->hide();
    RepointConnection(Dbase1, CityFolder);
    RepointConnection(Mbase1, MainFolder);
    Table1->SetTableName(QStringLiteral("kvtel_1.DB"));
    Table1->Open();
    DBGrid1->SetDataSource(DSource1);
    DBGridGor();
    FGridMemory->KindShown(TGridSettingsMemory::StreetKind);
}

void TForm1::CBox1Change()
{
    const int mode = CBox1->currentIndex();
    const ModeSettings &settings = SettingsOf(mode);
    // While the result still has its columns.
    FGridMemory->KindLeaving();
    AliasPath(settings.Folder, settings.LookupConnection, settings.LookupTable);
    DBLCombo1->SetLookupSource(DSource2);
    DBLCombo1->SetLookupField(settings.KeyField);
    DBLCombo1->SetLookupDisplay(settings.DisplayField);
    Label4->setText(TranslateText(settings.Label));
    Label4->adjustSize();
    if (mode == ModeCity) {
        Table1->SetTableName(QStringLiteral("kvtel_1.DB"));
        Table1->Open();
        DBGrid1->SetDataSource(DSource1);
        DBGridGor();
        FGridMemory->KindShown(TGridSettingsMemory::StreetKind);
    }
    DBLCombo1->resize(settings.ComboWidth, DBLCombo1->height());
    DBLCombo1->show();
    DBGrid1->setVisible(mode == ModeCity);
}

void TForm1::AliasPath(const QString &folder, const QString &connection, const QString &table)
{
    DBLCombo1->SetLookupField(QString());
    DBLCombo1->SetLookupDisplay(QString());
    RepointConnection(Dbase1, folder);
    Table2->Close();
    Table2->SetDatabaseName(connection);
    Table2->SetTableName(table);
    Table2->Open();
    DSource2->SetDataSet(Table2);
}

void TForm1::DBLCombo1Change()
{
    switch (CBox1->currentIndex()) {
    case ModeCity: {
        Query1->Close();
        Query1->ClearSQL();
        Query1->AddSQL(QStringLiteral("SELECT DISTINCT FAM, TELE, K_Y, ADR_D, ADR_K"));
        Query1->AddSQL(QStringLiteral("FROM \"KVTEL_1.DB\" "));
        Query1->AddSQL(QStringLiteral("WHERE(K_Y = :str)"));
        const QVariant street = Table2->FieldByName(QStringLiteral("K_Y"))->AsVariant();
        Query1->ParamByName(QStringLiteral("str"))
            .SetAsInteger(VariantToInteger(street, QStringLiteral("K_Y")));
        Query1->AddSQL(QStringLiteral("ORDER BY FAM, TELE, K_Y, ADR_D, ADR_K"));
        Query1->Open();
        DBGrid1->SetDataSource(DSource3);
        DBGridGor();
        FGridMemory->KindShown(TGridSettingsMemory::StreetKind);
        break;
    }
    case ModeOrganisation: {
        Query1->Close();
        Query1->ClearSQL();
        Query1->AddSQL(QStringLiteral("SELECT DISTINCT D.TELE, D1.NAIM_DOL, D2.NAIM_OTD"));
        Query1->AddSQL(
            QStringLiteral("FROM \"SPR_TEL2.DB\" D, \"SPR_DOL.DB\" D1, \"SPR_OTD1.DB\" D2"));
        Query1->AddSQL(QStringLiteral("WHERE(D.KOD_ORG = :str)"));
        Query1->AddSQL(QStringLiteral("AND (D1.DOLJNOST = D.DOLJNOST)"));
        Query1->AddSQL(QStringLiteral("AND (D2.OTDEL = D.OTDEL)"));
        const QVariant organisation = Table2->FieldByName(QStringLiteral("Kod_org"))->AsVariant();
        Query1->ParamByName(QStringLiteral("str"))
            .SetAsInteger(VariantToInteger(organisation, QStringLiteral("Kod_org")));
        Query1->AddSQL(QStringLiteral("ORDER BY D.TELE, D1.NAIM_DOL, D2.NAIM_OTD"));
        Query1->Open();
        DBGrid1->SetDataSource(DSource3);
        SetCaptions(
            {QStringLiteral("Телефон"), QStringLiteral("Должность"), QStringLiteral("Отдел")});
        DBGrid1->show();
        FGridMemory->KindShown(TGridSettingsMemory::OrganisationKind);
        break;
    }
    case ModeDistrict: {
        const QVariant code = Table2->FieldByName(QStringLiteral("K_s"))->AsVariant();
        const QString codeText = code.isValid() ? code.toString() : QString();
        Table1->Close();
        Table1->SetTableName(QStringLiteral("Tel_k") + codeText + QStringLiteral(".db"));
        Table1->Open();
        DBGrid1->SetDataSource(DSource1);
        SetCaptions({QStringLiteral("Абонент"), QStringLiteral("Телефон"), QStringLiteral("Адрес"),
            QStringLiteral("Дом"), QStringLiteral("Квартира")});
        DBGrid1->show();
        DBGrid1->setFocus();
        FGridMemory->KindShown(TGridSettingsMemory::ExchangeKind);
        break;
    }
    }
}

// The grid keeps the columns of a result reopened with the same fields, in the order the user
// moved them to; a caption given by column index belongs to the result's field of that index.
// A field the user hid has no column (nullptr): its caption must not land on another one.
TColumn *TForm1::ResultColumn(int index) const
{
    TDBGridColumns &columns = DBGrid1->Columns();
    const TDataSet *result = DBGrid1->DataSet();
    if (result && result->Active() && index >= 0 && index < result->FieldCount())
        return columns.FindColumn(result->Fields(index)->FieldName());
    return columns.Items(index); // past the last column: the list's index error
}

void TForm1::SetCaption(int index, const QString &caption)
{
    TColumn *column = ResultColumn(index);
    if (!column)
        return;
    column->Title().SetCaption(TranslateText(caption));
    column->Title().SetAlignment(TAlignment::taCenter);
}

void TForm1::SetCaptions(const QStringList &captions)
{
    for (int i = 0; i < captions.size(); ++i)
        SetCaption(i, captions[i]);
}

void TForm1::DBGridGor()
{
    SetCaption(0, QStringLiteral("Абонент"));
    SetCaption(1, QStringLiteral("Телефон"));
    if (TColumn *streetCode = ResultColumn(2))
        streetCode->SetVisible(false);
    SetCaption(3, QStringLiteral("Дом"));
    SetCaption(4, QStringLiteral("Квартира"));
}

void TForm1::IdleProc()
{
    const QDateTime now = QDateTime::currentDateTime();
    StatusBar1->SetPanelText(0, DateToStr(now.date()));
    StatusBar1->SetPanelText(1, TimeToStr(now.time()));
}

void TForm1::StatHint()
{
    if (TApplication *app = Application())
        StatusBar1->SetPanelText(2, app->Hint());
}

// The clock wakes on each second boundary instead of spinning while the program is idle.
void TForm1::ScheduleClock()
{
    const int msecIntoSecond = QTime::currentTime().msec();
    FClock->start(1000 - msecIntoSecond + 1);
}

// The result's menu -------------------------------------------------------------------------

void TForm1::CreateResultMenu()
{
    FResultMenu = new TPopupMenu(this);
    AddApplicationItems(FResultMenu);
    // Runs after the grid has put its items back below the window's.
    FResultMenu->OnPopup = [this](QObject *) { EnableApplicationItems(); };
    // A disabled item would also disable its key until the next opening.
    connect(FResultMenu, &QMenu::aboutToHide, this, [this] {
        for (QAction *action : {FCopyCell, FCopyRow, FCopyAll, FExport, FPrint})
            action->setEnabled(true);
    });
    DBGrid1->SetPopupMenu(FResultMenu);
}

void TForm1::AddApplicationItems(QMenu *menu)
{
    auto add = [this, menu](const QString &caption, void (TForm1::*command)()) {
        QAction *action = menu->addAction(TranslateText(caption));
        connect(action, &QAction::triggered, this, command);
        return action;
    };
    FCopyCell = add(QStringLiteral("Копировать"), &TForm1::CopyCell);
    FCopyCell->setShortcut(QKeySequence::Copy);
    // The key copies while the grid has the focus; elsewhere it is the focused control's.
    FCopyCell->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    DBGrid1->addAction(FCopyCell);
    FCopyRow = add(QStringLiteral("Копировать строку"), &TForm1::CopyRow);
    FCopyAll = add(QStringLiteral("Копировать всё"), &TForm1::CopyAll);
    menu->addSeparator();
    FExport = add(QStringLiteral("Экспорт..."), &TForm1::ExportResult);
    FPrint = add(QStringLiteral("Печать..."), &TForm1::PrintResult);
    menu->addSeparator();
    AddRememberSettingsItem(menu);
}

void TForm1::EnableApplicationItems()
{
    const TResultTable result(*DBGrid1);
    const bool open = DBGrid1->DataLinkActive();
    const bool onRecord = result.CurrentRow() >= 0;
    FCopyCell->setEnabled(onRecord);
    FCopyRow->setEnabled(onRecord);
    FCopyAll->setEnabled(open);
    FExport->setEnabled(open);
    FPrint->setEnabled(open);
}

void TForm1::CopyCell()
{
    const TResultTable result(*DBGrid1);
    if (result.CurrentRow() >= 0)
        QGuiApplication::clipboard()->setText(ResultText::Cell(result));
}

void TForm1::CopyRow()
{
    const TResultTable result(*DBGrid1);
    if (result.CurrentRow() >= 0)
        QGuiApplication::clipboard()->setText(ResultText::Row(result));
}

void TForm1::CopyAll()
{
    if (DBGrid1->DataLinkActive())
        QGuiApplication::clipboard()->setText(ResultText::All(TResultTable(*DBGrid1)));
}

void TForm1::ExportResult()
{
    if (!DBGrid1->DataLinkActive())
        return;
    const QString fileName = SaveFileName(this,
        {TranslateText(QStringLiteral("Экспорт")), LookedUp(),
            TranslateText(QStringLiteral("Текст CSV (*.csv)")), QStringLiteral("csv")});
    if (!fileName.isEmpty())
        ExportResultCsv(TResultTable(*DBGrid1), fileName);
}

void TForm1::PrintResult()
{
    if (!DBGrid1->DataLinkActive())
        return;
    const TResultTable result(*DBGrid1);
    const TResultPrinter printer(result, ResultHeading(),
        FormatDateTime(FormatSettings().LongDateFormat, QDateTime::currentDateTime()),
        TPrintLook::Of(*DBGrid1));
    ShowPrintPreview(this, printer);
}

QString TForm1::LookedUp() const
{
    const QString chosen = DBLCombo1->isHidden() ? QString() : DBLCombo1->DisplayValue();
    return chosen.isEmpty() ? CBox1->currentText().trimmed() : chosen;
}

QString TForm1::ResultHeading() const
{
    const bool chosen = !DBLCombo1->isHidden() && !DBLCombo1->DisplayValue().isEmpty();
    return chosen ? Label4->text() + QStringLiteral(": ") + LookedUp() : LookedUp();
}
