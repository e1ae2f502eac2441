// Writes the benchmarks' made-up town into a folder, for measuring the tools by hand and for
// comparing their output before and after a change:
//   make_town FOLDER SUBSCRIBERS [STREETS]
#include "bench/TownGenerator.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool ok = args.size() >= 3;
    const int subscribers = ok ? args.at(2).toInt(&ok) : 0;
    const int streets = ok && args.size() > 3 ? args.at(3).toInt(&ok) : 2'000;
    if (!ok || subscribers < 0 || streets < 1) {
        std::fputs("usage: make_town FOLDER SUBSCRIBERS [STREETS]\n", stderr);
        return 2;
    }
    GenerateTown(args.at(1), subscribers, streets);
    return 0;
}
