#include "widgets/gallery/WidgetGallery.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

// Shows every widget of the kit in each of its looks; with --png, writes the stills instead, and
// with --window-png a picture of the window as it opens.
int main(int argc, char **argv)
{
    // A picture needs no screen.
    for (int i = 1; i < argc; ++i) {
        if ((QByteArray(argv[i]).startsWith("--png")
                || QByteArray(argv[i]).startsWith("--window-png"))
            && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption png(QStringLiteral("png"),
        QStringLiteral("Write the gallery to a PNG file."), QStringLiteral("file"));
    const QCommandLineOption scale(QStringLiteral("scale"),
        QStringLiteral("Scale of the picture: 1 for 100 %, 2 for 200 %."), QStringLiteral("factor"),
        QStringLiteral("1"));
    const QCommandLineOption windowPng(QStringLiteral("window-png"),
        QStringLiteral("Write a picture of the gallery window to a PNG file."),
        QStringLiteral("file"));
    parser.addOption(png);
    parser.addOption(windowPng);
    parser.addOption(scale);
    parser.process(app);

    if (parser.isSet(png)) {
        bool ok = false;
        const double factor = parser.value(scale).toDouble(&ok);
        if (!ok || factor < 1 || factor > 4) {
            std::fprintf(stderr, "The scale must be a number from 1 to 4.\n");
            return 2;
        }
        const TGallerySheet sheet = RenderGallery(factor);
        if (!sheet.image.save(parser.value(png))) {
            std::fprintf(stderr, "Cannot write %s\n", qPrintable(parser.value(png)));
            return 1;
        }
        return 0;
    }
    TWidgetGallery gallery;
    gallery.show();
    if (parser.isSet(windowPng)) {
        QApplication::processEvents();
        if (!gallery.grab().save(parser.value(windowPng))) {
            std::fprintf(stderr, "Cannot write %s\n", qPrintable(parser.value(windowPng)));
            return 1;
        }
        return 0;
    }
    return app.exec();
}
