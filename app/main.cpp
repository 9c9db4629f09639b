// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandline.h"
#include "desktop/kavdesktop.h"
#include "dialog/afterfirstframe.h"
#include "dialog/roderuz.h"
#include "handover.h"
#include "heldkeyboard.h"
#include "keyboardhold.h"
#include "qtsingleapplication.h"
#include "residentdialog.h"
#include "startrequest.h"
#include "windowsystem.h"

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QOpenGLContext>

#include <cstdio>
#include <cstring>
#include <optional>
#include <unistd.h>

// The running dialog was brought to the front, or did not answer.
static const int raisedStatus = 255;

// Our client buffer integration of Qt's Wayland platform, which Qt finds in
// this program's folder; null when it was not built.
#ifdef KAVRUN_WAYLAND_BUFFER_INTEGRATION
static const char *const waylandBufferIntegration = KAVRUN_WAYLAND_BUFFER_INTEGRATION;
#else
static const char *const waylandBufferIntegration = nullptr;
#endif

// The xcb platform loads OpenGL with the first native window, which costs a
// widgets dialog most of its start-up and is never used; so does Qt's Wayland
// platform through its default client buffer integration, which ours replaces.
// Only our own process goes without it, and a user's explicit choice stands.
// Returns the variable set here, or null.
static const char *disableGlIntegration(WindowSystem::Platform platform)
{
    const bool wayland = platform == WindowSystem::Wayland && waylandBufferIntegration;
    const char *variable =
        wayland ? "QT_WAYLAND_CLIENT_BUFFER_INTEGRATION" : "QT_XCB_GL_INTEGRATION";
    if (qEnvironmentVariableIsSet(variable))
        return nullptr;
    qputenv(variable, wayland ? waylandBufferIntegration : "none");
    // Widgets' windows would else be made for OpenGL too, which ours cannot.
    if (wayland)
        QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
    return variable;
}

// Gives commands started from the dialog the environment the user gave us,
// once the platform has read @p variable (which may be null). Qt's platforms
// load their OpenGL integration when first asked about OpenGL, on Wayland not
// before a window is shown.
static void restoreGlIntegration(const char *variable)
{
    if (!variable)
        return;
    QOpenGLContext::supportsThreadedOpenGL();
    qunsetenv(variable);
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
// be starting, with the keyboard that this start holds.
static std::optional<int> handOver(
    const std::string &identifier, const QStringList &arguments, int keyboardHold)
{
    HandOver handOver;
    handOver.directory = QFile::encodeName(QDir::currentPath()).toStdString();
    for (const QString &argument : arguments)
        handOver.arguments.push_back(argument.toLocal8Bit().toStdString());
    return handOver.deliver(identifier, InstanceClient::WaitForListener, keyboardHold);
}

static void ignoreMessage(QtMsgType, const QMessageLogContext &, const QString &) { }

// Help, the version and faulty options need no display and no running kav-run;
// a start without a display can answer nothing else. A platform that draws
// nowhere lets --help-all list the toolkit's options, and what it has to say
// about the session, such as a missing runtime directory, answers nothing
// that the user asked.
static int answerWithoutWindowSystem(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    const QtMessageHandler previousHandler = qInstallMessageHandler(ignoreMessage);
    QApplication app(argc, argv);
    qInstallMessageHandler(previousHandler);
    kavInit("0.2.2", "Kav command runner");
    CommandLine().process(QCoreApplication::arguments());
    reportMissingDisplay();
    return 1;
}

// Whether a command line that holds the toolkit's own options asks for a
// resident; a wrong guess costs only a start without the small-block cache.
static bool namesResident(int argc, char *argv[])
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--resident") == 0)
            return true;
    }
    return false;
}

// The dialog program, which the kav-run launcher starts when no running
// instance took its command line, or when it left the command line to it.
int main(int argc, char *argv[])
{
    const StartRequest request = startRequest(argc, argv);
    if (request == StartRequest::Resident
        || (request == StartRequest::Undecided && namesResident(argc, argv)))
        ResidentDialog::startWithoutSmallBlockCache(argv);
    // Taken first, so that nothing this program starts inherits it.
    const int keyboardHold = KeyboardHold::takeInherited();
    const WindowSystem windowSystem = WindowSystem::of(argc, argv);
    if (request == StartRequest::Answer || windowSystem.platform == WindowSystem::NoWindowSystem)
        return answerWithoutWindowSystem(argc, argv);

    const char *const glIntegrationVariable = disableGlIntegration(windowSystem.platform);
    // Named before the application object takes the toolkit's options out.
    const std::string identifier = windowSystem.instanceIdentifier();
    // The X display that the dialog shows on; empty elsewhere. Later starts'
    // keys are held by this program only on an X server.
    const std::string xDisplay =
        windowSystem.platform == WindowSystem::X11 ? windowSystem.display : std::string();
    defaultMessageHandler = qInstallMessageHandler(exitOnFatalStartupMessage);
    QtSingleApplication app(QString::fromStdString(identifier), argc, argv);
    qInstallMessageHandler(defaultMessageHandler);

    kavInit("0.2.2", "Kav command runner");
    // Help, the version and faulty options end the start here, whatever runs elsewhere.
    CommandLine commandLine;
    commandLine.process(QCoreApplication::arguments());

    if (app.isRunning()) {
        // It started at the same moment or does not listen yet, or our
        // command line held the toolkit's own options, which are gone now.
        const std::optional<int> status =
            handOver(identifier, QCoreApplication::arguments(), keyboardHold);
        return status && *status != HandOver::answerItself ? *status : raisedStatus;
    }

    // Later starts hand over at once and leave the keyboard to this instance.
    if (!xDisplay.empty())
        app.holdKeyboardForLaterStarts(xDisplay, commandLine.isResident());

    if (commandLine.isResident()) {
        if (keyboardHold >= 0)
            close(keyboardHold);
        QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("system-run")));
        ResidentDialog resident(app, xDisplay);
        restoreGlIntegration(glIntegrationVariable);
        return app.exec();
    }

    Roderuz dialog;
    app.setActivationWindow(&dialog, true);
    new HeldKeyboard(keyboardHold, &app);
    commandLine.applyPresets(dialog);
    dialog.show();
    // The window manager gets the icon in every size the theme has, each one
    // decoded; that waits until the dialog is on the screen.
    new AfterFirstFrame(&dialog,
        [] { QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("system-run"))); });

    restoreGlIntegration(glIntegrationVariable);

    return app.exec();
}
