// A long run of the real window: 10,000 scripted lookups (streets, organisations, exchanges,
// sorts, refreshes) on a Data folder, with resident memory reported at the start, after 1,000
// lookups and at the end. Every lookup list is gone through once before the start figure is
// taken; the run fails when memory then grows by 5 % or more.
// Run by hand: soak_form1 [--data DIR] [--lookups N]; not part of the test suite.
#include "app/Application.h"
#include "app/DataFolder.h"
#include "app/Form1.h"
#include "app/TvgDBLookupCombo.h"
#include "app/WindowedOperationWaiter.h"
#include "bench/BenchMemory.h"
#include "db/dataset/TQuery.h"
#include "db/dataset/TTable.h"
#include "grid/mmDBGrid.h"

#include <QComboBox>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QTextStream>
#include <cstdio>

namespace {

constexpr int DefaultLookups = 10'000;
constexpr int FirstReport = 1'000;
constexpr double AllowedGrowth = 0.05;

// One lookup a user makes, in the order the script repeats them.
enum class Step { Street, Sort, Refresh, Organisation, Exchange, Count };

class TSoak
{
public:
    explicit TSoak(TForm1 &form)
        : FForm(form)
    { }

    // Runs lookup number i; a failure the window would show (a missing exchange table) is
    // counted, not fatal.
    void Lookup(int i)
    {
        try {
            switch (Step(i % int(Step::Count))) {
            case Step::Street:
                Choose(TForm1::ModeCity, i);
                break;
            case Step::Sort:
                FForm.DBGrid1->SortBy(
                    (i / 2) % 2 ? QStringLiteral("TELE") : QStringLiteral("FAM"), (i / 3) % 2 == 0);
                break;
            case Step::Refresh:
                FForm.DBGrid1->RefreshData();
                break;
            case Step::Organisation:
                Choose(TForm1::ModeOrganisation, i);
                break;
            case Step::Exchange:
                Choose(TForm1::ModeDistrict, i);
                break;
            case Step::Count:
                break;
            }
        } catch (const Exception &) {
            ++FFailures;
        }
        // The grid paints what the lookup brought, as on the screen.
        QCoreApplication::processEvents();
        if (i % 50 == 0)
            FForm.grab();
    }

    // Every entry of every lookup list once, so that the start figure holds every table the
    // run reads and what grows afterwards is what the lookups leave behind.
    void WarmUp()
    {
        for (const TForm1::Mode mode :
            {TForm1::ModeCity, TForm1::ModeOrganisation, TForm1::ModeDistrict}) {
            FForm.CBox1->setCurrentIndex(mode);
            FForm.CBox1Change();
            for (int row = 0; row < FForm.Table2->RecordCount(); ++row) {
                FForm.Table2->MoveTo(row);
                try {
                    FForm.DBLCombo1Change();
                } catch (const Exception &) {
                    // a missing exchange table: shown to the user, as in the run
                }
                QCoreApplication::processEvents();
            }
        }
        for (int i = 0; i < int(Step::Count); ++i)
            Lookup(i);
        FFailures = 0;
    }

    int Failures() const { return FFailures; }

private:
    void Choose(TForm1::Mode mode, int i)
    {
        if (FForm.CBox1->currentIndex() != mode) {
            FForm.CBox1->setCurrentIndex(mode);
            FForm.CBox1Change();
        }
        TTable *lookup = FForm.Table2;
        if (lookup->RecordCount() == 0)
            return;
        lookup->MoveTo((i * 7919) % lookup->RecordCount());
        FForm.DBLCombo1Change();
    }

    TForm1 &FForm;
    int FFailures = 0;
};

double Megabytes(double bytes)
{
    return bytes / (1024.0 * 1024.0);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption dataOption(
        QStringLiteral("data"), QStringLiteral("The Data folder."), QStringLiteral("DIR"));
    const QCommandLineOption lookupsOption(
        QStringLiteral("lookups"), QStringLiteral("How many lookups."), QStringLiteral("N"));
    parser.addOptions({dataOption, lookupsOption});
    parser.addHelpOption();
    parser.process(app);
    const int lookups
        = parser.isSet(lookupsOption) ? parser.value(lookupsOption).toInt() : DefaultLookups;
    const QString programDir = QCoreApplication::applicationDirPath();
    const TDataFolderSearch data = FindDataFolder(
        parser.value(dataOption), programDir + QStringLiteral("/../bin"), QString());
    QTextStream out(stdout);
    if (data.Found.isEmpty()) {
        out << "No Data folder; give one with --data.\n";
        return 2;
    }

    TWindowedOperationWaiter waiter;
    SetOperationWaiter(&waiter);
    std::vector<QString> errors;
    app.SetExceptionSink([&errors](const QString &message) { errors.push_back(message); });
    int shownErrors = 0;
    {
        TForm1 form(data.Found);
        form.show();
        TSoak soak(form);
        soak.WarmUp();
        const double start = ResidentBytes();
        double afterFirst = start;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < lookups; ++i) {
            soak.Lookup(i);
            if (i + 1 == FirstReport)
                afterFirst = ResidentBytes();
        }
        const double end = ResidentBytes();
        const double growth = (end - afterFirst) / afterFirst;
        const double growthFromStart = (end - start) / start;
        out << QStringLiteral("lookups: %1 in %2 s (%3 failed, as the window would show)\n")
                   .arg(lookups)
                   .arg(double(clock.elapsed()) / 1000.0, 0, 'f', 1)
                   .arg(soak.Failures());
        out << QStringLiteral("resident memory: start %1 MB, after %2: %3 MB, end %4 MB\n")
                   .arg(Megabytes(start), 0, 'f', 1)
                   .arg(FirstReport)
                   .arg(Megabytes(afterFirst), 0, 'f', 1)
                   .arg(Megabytes(end), 0, 'f', 1);
        out << QStringLiteral("growth: %1 % from the start, %2 % after the first %3\n")
                   .arg(growthFromStart * 100.0, 0, 'f', 2)
                   .arg(growth * 100.0, 0, 'f', 2)
                   .arg(FirstReport);
        out.flush();
        shownErrors = int(errors.size());
        SetOperationWaiter(nullptr);
        if (growth >= AllowedGrowth || growthFromStart >= AllowedGrowth) {
            out << "FAILED: memory keeps growing\n";
            return 1;
        }
    }
    if (shownErrors > 0)
        out << QStringLiteral("errors shown: %1, the first: %2\n")
                   .arg(shownErrors)
                   .arg(errors.front());
    return 0;
}
