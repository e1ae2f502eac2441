#include "core/Exception.h"
#include "core/TColor.h"
#include "core/TExList.h"
#include "core/TFont.h"
#include "core/TFormatSettings.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPalette>
#include <QtTest>

using namespace Colors;

namespace {

// Counts its living instances, to see what a list deletes.
struct TCounted
{
    static inline int Living = 0;
    TCounted() { ++Living; }
    ~TCounted() { --Living; }
};

// Puts the process-wide formats back after each test.
class TFormatsSaved
{
public:
    ~TFormatsSaved() { FormatSettings() = FSaved; }

private:
    TFormatSettings FSaved = FormatSettings();
};

} // namespace

class TestCore : public QObject
{
    Q_OBJECT

private slots:
    // Runs first, before any test changes the process-wide formats; main() chose the locale.
    void numberSeparatorsComeFromTheLocale()
    {
        QCOMPARE(FormatSettings().DecimalSeparator, QChar(u','));
        QCOMPARE(FormatSettings().ThousandSeparator, QChar(0xA0));
        QCOMPARE(FloatToStr(2.5), QStringLiteral("2,5"));
    }

    void classicFacesResolveToMetricCompatibleFonts_data()
    {
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("drawnWith");
        QTest::newRow("the dialogs' Tahoma") << "Tahoma"
                                             << "Tahoma";
        QTest::newRow("MS Sans Serif") << "MS Sans Serif"
                                       << "Liberation Sans";
        QTest::newRow("Arial") << "Arial"
                               << "Liberation Sans";
    }
    void classicFacesResolveToMetricCompatibleFonts()
    {
        QFETCH(QString, asked);
        QFETCH(QString, drawnWith);
        QCOMPARE(QFontInfo(TFont(asked, 8).ToQFont()).family(), drawnWith);
    }

    // Labels that size themselves to their text must end before what the form puts beside them.
    void dialogLabelsFitTheirPlaces_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("room");
        // The detail dialog: beside the right-aligned field name at 215, and inside the display
        // format group box, 286 wide, from 8.
        QTest::newRow("display in") << "&Отображение в колонке:" << 215 - 4;
        QTest::newRow("detail format") << "Формат &колонки детального отображения:" << 286 - 8 - 2;
        QTest::newRow("column format") << "&Формат колонки:" << 286 - 8 - 2;
    }
    void dialogLabelsFitTheirPlaces()
    {
        QFETCH(QString, caption);
        QFETCH(int, room);
        TFont font(QStringLiteral("Tahoma"), 8, 0, clBlack, Charsets::RUSSIAN_CHARSET);
        const QFontMetrics metrics(font.ToQFont());
        const QString shown = QString(caption).remove(u'&');
        QVERIFY2(metrics.horizontalAdvance(shown) < room,
            qPrintable(QString::number(metrics.horizontalAdvance(shown))));
    }

    void colourTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("color");
        QTest::addColumn<QString>("written");
        QTest::newRow("identifier") << "clRed" << true << int(clRed) << "clRed";
        QTest::newRow("identifier, any case") << "CLBTNFACE" << true << int(clBtnFace)
                                              << "clBtnFace";
        QTest::newRow("system colour by number") << "-2147483633" << true << int(clBtnFace)
                                                 << "clBtnFace";
        QTest::newRow("hex of a plain colour") << "$00E6E7F7" << true << 0x00E6E7F7
                                               << "$00E6E7F7";
        QTest::newRow("hex that names a colour") << "$000000FF" << true << int(clRed) << "clRed";
        QTest::newRow("decimal") << "14084071" << true << 14084071 << "$00D6E7E7";
        QTest::newRow("none") << "clNone" << true << int(clNone) << "clNone";
        QTest::newRow("unknown identifier") << "clRosy" << false << 0 << "";
        QTest::newRow("hex with a stray letter") << "$00GG00" << false << 0 << "";
        QTest::newRow("empty") << "" << false << 0 << "";
        QTest::newRow("beyond 32 bits") << "99999999999" << false << 0 << "";
    }
    void colourTexts()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, color);
        QFETCH(QString, written);
        const std::optional<TColor> read = StringToColor(text);
        QCOMPARE(read.has_value(), valid);
        if (!valid)
            return;
        QCOMPARE(*read, TColor(color));
        QCOMPARE(ColorToString(*read), written);
        QCOMPARE(StringToColor(ColorToString(*read)), read);
    }

    void everyIdentifierReadsBackItsColour()
    {
        QCOMPARE(ColorIdentCount(), 42);
        for (int i = 0; i < ColorIdentCount(); ++i) {
            const QString name = ColorIdentName(i);
            QCOMPARE(IdentToColor(name), std::optional<TColor>(ColorIdentValue(i)));
            QCOMPARE(ColorToString(ColorIdentValue(i)), name);
        }
    }

    void systemColoursComeFromThePalette()
    {
        QPalette palette;
        palette.setColor(QPalette::Active, QPalette::Button, QColor(1, 2, 3));
        palette.setColor(QPalette::Active, QPalette::Base, QColor(4, 5, 6));
        palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 121, 122));
        QCOMPARE(ColorToRGB(clBtnFace, palette), RGBColor(1, 2, 3));
        QCOMPARE(ColorToRGB(clWindow, palette), RGBColor(4, 5, 6));
        QCOMPARE(ColorToRGB(clGrayText, palette), RGBColor(120, 121, 122));
        QCOMPARE(ColorToRGB(clRed, palette), RGBColor(255, 0, 0));
        QCOMPARE(ToQColor(clRed, palette), QColor(255, 0, 0));
        QCOMPARE(ToQColor(clNone, palette).alpha(), 0);
        // A system index the toolkit never had is black, not a read beyond the table.
        QCOMPARE(ColorToRGB(System(200), palette), clBlack);
    }

    void datesInTheDirectoryFormats_data()
    {
        QTest::addColumn<QString>("shortFormat");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("text");
        QTest::newRow("two-digit year") << "dd.mm.yy" << QDate(1998, 8, 21) << "21.08.98";
        QTest::newRow("four-digit year") << "dd.mm.yyyy" << QDate(2003, 1, 5) << "05.01.2003";
        QTest::newRow("separator placeholder") << "dd/mm/yyyy" << QDate(2003, 1, 5)
                                               << "05.01.2003";
        QTest::newRow("short day and month") << "d.m.yyyy" << QDate(2003, 1, 5) << "5.1.2003";
    }
    void datesInTheDirectoryFormats()
    {
        QFETCH(QString, shortFormat);
        QFETCH(QDate, date);
        QFETCH(QString, text);
        TFormatsSaved saved;
        FormatSettings().ShortDateFormat = shortFormat;
        QCOMPARE(DateToStr(date), text);
        QCOMPARE(StrToDate(text), date);
    }

    void textThatIsNoDate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("letters") << "вчера";
        QTest::newRow("31 February") << "31.02.2003";
        QTest::newRow("month 13") << "01.13.2003";
        QTest::newRow("trailing text") << "01.02.2003x";
    }
    void textThatIsNoDate()
    {
        QFETCH(QString, text);
        QVERIFY(!StrToDate(text).isValid());
    }

    void numbersFollowTheDecimalSeparator_data()
    {
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("point") << QChar('.') << 1.5 << "1.5";
        QTest::newRow("comma") << QChar(',') << 1.5 << "1,5";
        QTest::newRow("whole") << QChar(',') << 42.0 << "42";
        QTest::newRow("negative") << QChar('.') << -0.25 << "-0.25";
    }
    void numbersFollowTheDecimalSeparator()
    {
        QFETCH(QChar, separator);
        QFETCH(double, value);
        QFETCH(QString, text);
        TFormatsSaved saved;
        FormatSettings().DecimalSeparator = separator;
        QCOMPARE(FloatToStr(value), text);
        double read = 0;
        QVERIFY(TryStrToFloat(text, read));
        QCOMPARE(read, value);
        QVERIFY(!TryStrToFloat(QStringLiteral("1.2.3"), read));
        QVERIFY(!TryStrToFloat(QString(), read));
    }

    void listOwnershipAndBounds()
    {
        {
            TExList<TCounted> owning(true);
            owning.Add(new TCounted);
            owning.Add(new TCounted);
            owning.Insert(0, new TCounted);
            QCOMPARE(TCounted::Living, 3);
            owning.Delete(1);
            QCOMPARE(TCounted::Living, 2);
            std::unique_ptr<TCounted> taken(owning.Extract(0));
            QCOMPARE(owning.Count(), 1);
            QCOMPARE(TCounted::Living, 2);
            QVERIFY_THROWS_EXCEPTION(EListError, owning.Items(1));
            QVERIFY_THROWS_EXCEPTION(EListError, owning.Items(-1));
            QVERIFY_THROWS_EXCEPTION(EListError, owning.Insert(3, nullptr));
        }
        QCOMPARE(TCounted::Living, 0);
        TCounted kept;
        {
            TExList<TCounted> borrowing(false);
            borrowing.Add(&kept);
            borrowing.Delete(0);
        }
        QCOMPARE(TCounted::Living, 1);
    }
};

int main(int argc, char *argv[])
{
    // A Russian user's regional settings: a decimal comma.
    qputenv("LC_ALL", "ru_RU.UTF-8");
    QGuiApplication app(argc, argv);
    TestCore test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_core.moc"
