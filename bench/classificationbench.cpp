// SPDX-License-Identifier: GPL-2.0-or-later
// Times the classification of one typed text while its desktop entry is
// already loaded, as happens on every pause in typing. Prints its figures;
// it is not a test.
#include "exec/commandparser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

static const int repeats = 20000;

static double microsecondsPerParse(CommandParser &parser, const QString &text)
{
    parser.parse(text); // loads the entry once
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < repeats; ++i)
        parser.parse(text);
    return timer.nsecsElapsed() / 1000.0 / repeats;
}

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir applications;
    QFile entry(applications.filePath(QStringLiteral("kavbench.desktop")));
    if (!entry.open(QIODevice::WriteOnly))
        return 1;
    entry.write("[Desktop Entry]\nType=Application\nName=Bench\nExec=kavbench %U\nIcon=kavbench\n");
    entry.close();

    CommandParser parser;
    parser.setApplicationsDirectory(applications.path());
    const struct
    {
        const char *label;
        QString text;
    } cases[] = {
        { "desktop entry", QStringLiteral("kavbench some.txt") },
        { "executable on the search path", QStringLiteral("sh -c true") },
        { "address", QStringLiteral("https://example.org/") },
    };
    for (const auto &benchCase : cases) {
        std::printf("classification, %-30s %8.2f us per text\n", benchCase.label,
            microsecondsPerParse(parser, benchCase.text));
    }
    return 0;
}
