// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef MAPPEDDRAWINGEXPOSURES_H
#define MAPPEDDRAWINGEXPOSURES_H

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>

#include <string>

class QWidget;
class QWindow;

/**
 * Spares an X window that is drawn right after its map request the second
 * sending of the same image.
 *
 * The toolkit sends a window's image again when the X server reports the
 * window mapped and exposed. Whether that report is news is told by the
 * order of the server's reports, which is the order in which it did things:
 * right before the drawing, the window's role is set again (nothing
 * changes), which the server reports once it has done it. The map and the
 * exposures reported before that came before the drawing, which therefore
 * went onto the mapped window; the toolkit still learns of them, but sends
 * no image for them. Those reported later, as under a window manager that
 * maps the window after the drawing, are left alone.
 */
class MappedDrawingExposures : public QObject, public QAbstractNativeEventFilter
{
public:
    /** For windows on the X display @p display; does nothing when it cannot be reached. */
    explicit MappedDrawingExposures(const std::string &display, QObject *parent = nullptr);

    /** Call right before @p window, whose map was just requested, is drawn. */
    void drawingFollows(QWidget *window);

    bool nativeEventFilter(const QByteArray &eventType, void *message, long *result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /** The server's number for the role property's name; 0 when unknown. */
    quint32 m_roleAtom = 0;
    /** The window whose role report is awaited; 0 when none is. */
    quint32 m_awaited = 0;
    QPointer<QWindow> m_window;
    /** The toolkit's exposure events to come that the drawing has answered. */
    int m_answered = 0;
};

#endif
