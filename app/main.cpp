// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandline.h"
#include "dialog/roderuz.h"
#include "handover.h"
#include "instanceclient.h"
#include "kavdesktop.h"
#include "qtsingleapplication.h"
#include "residentdialog.h"

#include <QDir>
#include <QIcon>

#include <cstdio>
#include <cstring>
#include <optional>
#include <unistd.h>

static const char glIntegrationVariable[] = "QT_XCB_GL_INTEGRATION";
static const int handOverTimeoutMs = 5000;
// The running dialog was brought to the front, or did not answer.
static const int raisedStatus = 255;

static QString instanceIdentifier()
{
    return QStringLiteral("kav-run");
}

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

// Whether this start can reach a window system: a platform other than X11 is
// chosen, or an X display is named.
static bool windowSystemNamed(int argc, char *argv[])
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb"))
        return true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-display") == 0 || std::strcmp(argv[i], "--display") == 0)
            return true;
    }
    return !qEnvironmentVariableIsEmpty("DISPLAY");
}

// The arguments as the application object would give them, before it has
// taken out the toolkit's own options.
static QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

/**
 * Hands @p arguments to the running kav-run. Returns the exit status of this
 * start, which may be HandOver::answerItself, or nothing when no instance
 * runs.
 */
static std::optional<int> handOver(const QStringList &arguments, InstanceClient::ListenerWait wait)
{
    InstanceClient client(QtSingleApplication::serverPath(instanceIdentifier()));
    const HandOver handOver { QDir::currentPath(), arguments };
    switch (client.send(handOver.message(), handOverTimeoutMs, wait)) {
    case InstanceClient::NotRunning:
        return std::nullopt;
    case InstanceClient::Unanswered:
        return raisedStatus;
    case InstanceClient::Answered:
        break;
    }
    return HandOver::finish(client.answer());
}

/**
 * Answers what a resident kav-run left to this start, once the application
 * object exists: help, the version and faulty options end the process here;
 * any other command line goes to the resident without the toolkit's options.
 */
static int answerCommandLine()
{
    kavInit("0.2.2", "Kav command runner");
    CommandLine().process(QCoreApplication::arguments());
    const std::optional<int> status =
        handOver(QCoreApplication::arguments(), InstanceClient::WaitForListener);
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

int main(int argc, char *argv[])
{
    if (!windowSystemNamed(argc, argv))
        return startWithoutWindowSystem(argc, argv);

    // A later start builds no application object unless the running kav-run
    // leaves the command line to it.
    const std::optional<int> handedOver =
        handOver(argumentList(argc, argv), InstanceClient::NoWait);
    if (handedOver && *handedOver != HandOver::answerItself)
        return *handedOver;

    const bool glIntegrationDisabled = disableGlIntegration();
    defaultMessageHandler = qInstallMessageHandler(exitOnFatalStartupMessage);
    QtSingleApplication app(instanceIdentifier(), argc, argv);
    qInstallMessageHandler(defaultMessageHandler);
    if (app.isRunning()) {
        // It started at the same moment, it does not listen yet, or it left
        // the command line to us.
        const std::optional<int> status =
            handOver(QCoreApplication::arguments(), InstanceClient::WaitForListener);
        if (status == HandOver::answerItself)
            return answerCommandLine();
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
    // decoded; that waits until the window has asked to be mapped.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("system-run")));

    // The native window exists now; commands started from the dialog get the
    // environment the user gave us.
    if (glIntegrationDisabled)
        qunsetenv(glIntegrationVariable);

    return app.exec();
}
