// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef QTSINGLEAPPLICATION_H
#define QTSINGLEAPPLICATION_H

#include <QApplication>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class InstanceKeyboardHold;
class InstanceServer;
class QLockFile;

/**
 * An application of which one instance runs per identifier and per user.
 *
 * The first instance holds a lock file and listens on a local socket
 * (InstanceServer) in the user's runtime directory (or a private folder of
 * the user's, see InstanceClient::instanceFiles()); later instances find the
 * lock held and can hand a message to the first one. A lock or socket left
 * behind by a killed instance does not count.
 *
 * A later start may pass the release descriptor of its keyboard hold along
 * with its message (KeyboardHold), or leave the keyboard to this instance
 * (holdKeyboardForLaterStarts()): the keyboard is given back once a window
 * of this application has the focus, or at once when the activation window
 * is hidden after the message has been answered.
 */
class QtSingleApplication : public QApplication
{
    Q_OBJECT

public:
    /**
     * Answers a received message in place of the acknowledgement
     * (InstanceClient::acknowledgement); see setMessageHandler().
     */
    using MessageHandler = std::function<QByteArray(const QString &message)>;

    QtSingleApplication(const QString &identifier, int &argc, char **argv);
    ~QtSingleApplication() override;
    Q_DISABLE_COPY(QtSingleApplication)

    /** The identifier given to the constructor. */
    QString id() const { return m_identifier; }

    /**
     * True when another instance with this identifier runs for this user;
     * false for the instance that runs first (and when no private directory
     * for the lock could be found, so that the application still starts).
     */
    bool isRunning() const { return m_running; }

    /**
     * Hands @p message to the running instance, waiting at most @p timeout
     * milliseconds. Returns true once that instance has acknowledged it,
     * false when no instance answered in time.
     */
    bool sendMessage(const QString &message, int timeout = 5000);

    /**
     * Makes @p window the window that activateWindow() brings to the front;
     * with @p activateOnMessage every received message does so.
     */
    void setActivationWindow(QWidget *window, bool activateOnMessage = true);
    /** The activation window, or nullptr when none is set or it was deleted. */
    QWidget *activationWindow() const { return m_activationWindow; }

    /**
     * Shows, un-minimises, raises and activates the activation window; on
     * Wayland and XWayland a window on the screen is hidden and shown again
     * for that.
     */
    void activateWindow();

    /**
     * Makes @p handler answer every message from now on: what it returns is
     * sent back instead of the acknowledgement, and messageReceived() is
     * still emitted afterwards. An empty function restores the
     * acknowledgement.
     */
    void setMessageHandler(MessageHandler handler) { m_messageHandler = std::move(handler); }

    /**
     * Holds the keyboard of the X display @p display from the moment that a
     * message without a hold of its own arrives while no window of this
     * application has the focus (InstanceKeyboardHold). The connection for
     * that is made now with @p connectNow, else with the first such message.
     */
    void holdKeyboardForLaterStarts(const std::string &display, bool connectNow);

Q_SIGNALS:
    void messageReceived(const QString &message);

private:
    void startServer();
    QByteArray answer(const QString &message, int keyboardHold);
    /** Makes the activation window, just shown, the active one before it is drawn. */
    void drawActiveFromFirstFrame();

    QString m_identifier;
    QString m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<InstanceKeyboardHold> m_keyboardHold;
    InstanceServer *m_server = nullptr;
    QPointer<QWidget> m_activationWindow;
    QMetaObject::Connection m_activateOnMessage;
    MessageHandler m_messageHandler;
    bool m_running = false;
};

#endif
