// SPDX-License-Identifier: GPL-2.0-or-later
#include "xdisplayauthority.h"

#include <QList>

#include <stdio.h>

void XDisplayAuthority::readDisplayAuthority()
{
    displayName = qgetenv("DISPLAY");
    if (displayName.isEmpty())
        return;

    // xauth files its entries under the display without the host name "localhost".
    QByteArray lookupName = displayName;
    if (lookupName.startsWith("localhost:"))
        lookupName.remove(0, 9);

    const QByteArray command = QByteArrayLiteral("xauth list ") + lookupName;
    FILE *xauth = popen(command.constData(), "r");
    if (!xauth)
        return;
    char buffer[255];
    const size_t length = fread(buffer, 1, sizeof(buffer), xauth);
    pclose(xauth);
    if (length == 0)
        return;

    // One entry is "display protocol key"; anything else is not one entry.
    const QList<QByteArray> fields = QByteArray(buffer, int(length)).simplified().split(' ');
    if (fields.size() == 3)
        authorityLine = fields.at(1) + ' ' + fields.at(2);
}
