// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef XDRIVER_H
#define XDRIVER_H

#include <QProcessEnvironment>
#include <QRect>
#include <QStringList>

#include <memory>

class XvfbServer;
struct xcb_connection_t;

/**
 * Drives an X server the way a user would: finds windows, gives them the
 * input focus, types and presses keys (xdotool) and reads the clipboard
 * (xclip). Every call waits for its tool with a time-out and kills it when
 * the time is up.
 */
class XDriver
{
public:
    explicit XDriver(const XvfbServer &server);

    /** The display and authority of the server, for the programs under test. */
    QProcessEnvironment environment() const { return m_environment; }

    /**
     * The first visible window whose whole name is @p name, as an xdotool
     * window id; empty when none appeared within @p timeout ms.
     */
    QString waitForWindow(const QString &name, int timeout = 10000) const;
    /** waitForWindow() and focus() in one: the window's id, empty when either failed. */
    QString waitForFocusedWindow(const QString &name) const;
    /** The visible windows of the process @p pid; empty when it shows none. */
    QStringList visibleWindows(qint64 pid) const;
    /** Gives @p window the input focus; false when xdotool failed. */
    bool focus(const QString &window) const;
    /** Types @p text into the focused window; false when xdotool failed. */
    bool type(const QString &text) const;
    /** Presses key combinations such as "ctrl+a" or "Return", one after the other. */
    bool key(const QStringList &keys) const;
    /** Where @p window is on the screen, and its size; an invalid rectangle when xdotool failed. */
    QRect windowGeometry(const QString &window) const;
    QSize windowSize(const QString &window) const { return windowGeometry(window).size(); }
    /** The text property @p property of @p window, such as "WM_NAME"; null when xprop failed. */
    QString textProperty(const QString &window, const QString &property) const;
    /**
     * The pixels of @p window, as the server has them now, whose colour is
     * @p rgb (0xRRGGBB); -1 when they could not be read.
     */
    int pixelsOfColour(const QString &window, quint32 rgb) const;
    /** The top-level windows, bottom-most first; empty on failure. */
    QStringList stackingOrder() const;
    /** The text of the clipboard; null when xclip could not read it. */
    QString clipboard() const;
    /** Whether a client holds the keyboard grabbed; false when that cannot be told. */
    bool keyboardIsGrabbed() const;

private:
    /** A connection of its own to the server; one with an error when that failed. */
    std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t *)> connect() const;
    /**
     * Runs @p program and stores its standard output in @p output when given;
     * false when it failed or was still running after @p timeout ms.
     */
    bool run(const QString &program, const QStringList &arguments, QString *output = nullptr,
        int timeout = 5000) const;
    bool xdotool(const QStringList &arguments, QString *output = nullptr, int timeout = 5000) const;

    QProcessEnvironment m_environment;
    QByteArray m_cookie;
    bool m_windowManager;
};

#endif
