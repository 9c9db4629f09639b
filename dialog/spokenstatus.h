// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SPOKENSTATUS_H
#define SPOKENSTATUS_H

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QAbstractItemView;
class QTimer;

/**
 * Tells screen readers what changed in its window while the focus stays where
 * the user works: the hint once the typing has settled, and notes such as
 * "The password was cleared" together with it. The status is a window that
 * is never shown, whose accessible name is the last announcement; a screen
 * reader hears it as a notification that shows, and its text arrives in a
 * text change too (the toolkit sends name and description changes without
 * their text, so readers drop those).
 *
 * Nothing is said while the window is hidden, and a hint already said is not
 * said again.
 */
class SpokenStatus : public QWidget
{
    Q_OBJECT

public:
    /** A status of @p window; it says nothing while @p window is hidden. */
    explicit SpokenStatus(QWidget *window);

    /** Says @p hint once no other hint followed it for a moment. */
    void setHint(const QString &hint);
    /** Says @p note with the next announcement, which comes after the same moment; once
     *  when it is noted again before that. */
    void addNote(const QString &note);
    /** Says how many rows @p list offers when it opened and still shows; null: no list
     *  (inline completion has none). */
    void followList(QAbstractItemView *list);

    /** What was announced last; empty before the first announcement. */
    QString lastAnnouncement() const { return accessibleName(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void announce();

    QTimer *m_settleTimer;
    QString m_pendingHint;
    QString m_spokenHint;
    QStringList m_notes;
    QPointer<QAbstractItemView> m_list;
    // The list opened since the last announcement.
    bool m_listOpened = false;
};

#endif
