// SPDX-License-Identifier: GPL-2.0-or-later
#include "typicalhistory.h"

QStringList typicalHistory(int entries)
{
    static const char *const shapes[] = { "ssh host%1", "vim notes/%1.txt", "make -C project%1 -j2",
        "xdg-open https://example.org/page/%1", "man %1",
        "firefox --new-window file:///srv/doc/%1.html", "konsole -e top -d %1", "bc -l %1" };
    QStringList history;
    history.reserve(entries);
    for (int entry = 0; entry < entries; ++entry)
        history.append(QString::fromLatin1(shapes[entry % 8]).arg(entry));
    return history;
}
