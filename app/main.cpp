// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandline.h"
#include "desktop/kavdesktop.h"
#include "dialog/afterfirstframe.h"
#include "dialog/roderuz.h"
#include "handover.h"
#include "qtsingleapplication.h"
#include "residentdialog.h"

#include <QDir>
#include <QFile>
#include <QIcon>

#include <cstdio>
#include <optional>
#include <unistd.h>

static const char glIntegrationVariable[] = "QT_XCB_GL_INTEGRATION";
// The running dialog was brought to the front, or did not answer.
static const int raisedStatus = 255;

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

static void reportMissingDisplay()
{
    fprintf(stderr, "kav-run: cannot start without a usable display (DISPLAY=\"%s\")\n",
        qgetenv("DISPLAY").constData());
    fflush(stderr);
}

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
    reportMissingDisplay();
    _exit(1);
}

// Hands @p arguments to the running kav-run of @p identifier, which may still
// be starting.
static std::optional<int> handOver(const std::string &identifier, const QStringList &arguments)
{
    HandOver handOver;
    handOver.directory = QFile::encodeName(QDir::currentPath()).toStdString();
    for (const QString &argument : arguments)
        handOver.arguments.push_back(argument.toLocal8Bit().toStdString());
    return handOver.deliver(identifier, InstanceClient::WaitForListener);
}

/**
 * Answers what a resident kav-run left to this start, once the application
 * object exists: help, the version and faulty options end the process here;
 * any other command line goes to the resident without the toolkit's options.
 */
static int answerCommandLine(const std::string &identifier)
{
    kavInit("0.2.2", "Kav command runner");
    CommandLine().process(QCoreApplication::arguments());
    const std::optional<int> status = handOver(identifier, QCoreApplication::arguments());
    return status && *status != HandOver::answerItself ? *status : raisedStatus;
}

// Help and the version need no display; anything else does.
static int startWithoutWindowSystem(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    kavInit("0.2.2", "Kav command runner");
    CommandLine().process(QCoreApplication::arguments());
    reportMissingDisplay();
    return 1;
}

// The dialog program, which the kav-run launcher starts when no running
// instance took its command line, or when it left the command line to it.
int main(int argc, char *argv[])
{
    if (!HandOver::windowSystemNamed(argc, argv))
        return startWithoutWindowSystem(argc, argv);

    const bool glIntegrationDisabled = disableGlIntegration();
    // Named before the application object takes the toolkit's options out.
    const std::string identifier = HandOver::instanceIdentifier(argc, argv);
    defaultMessageHandler = qInstallMessageHandler(exitOnFatalStartupMessage);
    QtSingleApplication app(QString::fromStdString(identifier), argc, argv);
    qInstallMessageHandler(defaultMessageHandler);
    if (app.isRunning()) {
        // It started at the same moment, it does not listen yet, or it left
        // the command line to us, now without the toolkit's own options.
        const std::optional<int> status = handOver(identifier, QCoreApplication::arguments());
        if (status == HandOver::answerItself)
            return answerCommandLine(identifier);
        return status.value_or(raisedStatus);
    }

    kavInit("0.2.2", "Kav command runner");

    CommandLine commandLine;
    commandLine.process(QCoreApplication::arguments());

    if (commandLine.isResident()) {
        QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("system-run")));
        ResidentDialog resident(app);
        if (glIntegrationDisabled)
            qunsetenv(glIntegrationVariable);
        return app.exec();
    }

    Roderuz dialog;
    app.setActivationWindow(&dialog, true);
    commandLine.applyPresets(dialog);
    dialog.show();
    // The window manager gets the icon in every size the theme has, each one
    // decoded; that waits until the dialog is on the screen.
    new AfterFirstFrame(&dialog,
        [] { QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("system-run"))); });

    // The native window exists now; commands started from the dialog get the
    // environment the user gave us.
    if (glIntegrationDisabled)
        qunsetenv(glIntegrationVariable);

    return app.exec();
}
