// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandline.h"
#include "dialog/roderuz.h"
#include "kavdesktop.h"
#include "qtsingleapplication.h"

#include <QIcon>

#include <cstdio>
#include <unistd.h>

static const char glIntegrationVariable[] = "QT_XCB_GL_INTEGRATION";

// The xcb platform loads OpenGL with the first native window, which costs a
// widgets dialog most of its start-up and is never used. Only our own process
// goes without it, and a user's explicit choice stands. Returns whether the
// variable was set here.
static bool disableGlIntegration()
{
    if (qEnvironmentVariableIsSet(glIntegrationVariable))
        return false;
    qputenv(glIntegrationVariable, QByteArrayLiteral("none"));
    return true;
}

static QtMessageHandler defaultMessageHandler = nullptr;

// Without a display the toolkit gives up with an abort, as after a crash. While
// the application object is built, a fatal message ends the start with a plain
// explanation and an error status instead.
static void exitOnFatalStartupMessage(
    QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtFatalMsg) {
        defaultMessageHandler(type, context, message);
        return;
    }
    Q_UNUSED(message)
    fprintf(stderr, "kav-run: cannot start without a usable display (DISPLAY=\"%s\")\n",
        qgetenv("DISPLAY").constData());
    fflush(stderr);
    _exit(1);
}

int main(int argc, char *argv[])
{
    const bool glIntegrationDisabled = disableGlIntegration();

    defaultMessageHandler = qInstallMessageHandler(exitOnFatalStartupMessage);
    QtSingleApplication app(QStringLiteral("kav-run"), argc, argv);
    qInstallMessageHandler(defaultMessageHandler);
    if (app.isRunning()) {
        app.sendMessage(QStringLiteral("raise"), 5000);
        return -1;
    }

    kavInit("0.2.2", "Kav command runner");

    CommandLine commandLine;
    commandLine.process(QCoreApplication::arguments());

    Roderuz dialog;
    app.setActivationWindow(&dialog, true);
    commandLine.applyPresets(dialog);
    dialog.show();
    // The window manager gets the icon in every size the theme has, each one
    // decoded; that waits until the window has asked to be mapped.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("system-run")));

    // The native window exists now; commands started from the dialog get the
    // environment the user gave us.
    if (glIntegrationDisabled)
        qunsetenv(glIntegrationVariable);

    return app.exec();
}
