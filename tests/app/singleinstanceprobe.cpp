// SPDX-License-Identifier: GPL-2.0-or-later
// A stand-in instance for the single-instance tests: "singleinstanceprobe
// IDENTIFIER [MESSAGE]". The first one prints "primary" and then every message
// it receives ("quit" ends it); a later one hands MESSAGE (default "raise")
// over and prints "delivered" or "lost".
#include "app/qtsingleapplication.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 2)
        return 2;
    const QString identifier = QString::fromLocal8Bit(argv[1]);
    const QString message = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("raise");
    QtSingleApplication app(identifier, argc, argv);
    if (app.isRunning()) {
        std::puts(app.sendMessage(message, 5000) ? "delivered" : "lost");
        return 1;
    }
    QObject::connect(
        &app, &QtSingleApplication::messageReceived, &app, [&app](const QString &received) {
            std::printf("message %s\n", qPrintable(received));
            std::fflush(stdout);
            if (received == QLatin1String("quit"))
                app.quit();
        });
    std::puts("primary");
    std::fflush(stdout);
    return app.exec();
}
