// SPDX-License-Identifier: GPL-2.0-or-later
#include "spokenstatus.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QTimer>

// How long a hint must stand before it is said: long enough that one typed
// word is said once, short enough that it is heard within a second.
static const int settleMs = 300;

namespace {

/**
 * A notification whose name and text are the announcement. The toolkit's
 * bridge sends text changes only for objects that have a text.
 */
class AccessibleStatus : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit AccessibleStatus(QWidget *status)
        : QAccessibleWidget(status, QAccessible::Notification)
    { }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(int startOffset, int endOffset) const override
    {
        return announcement().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return announcement().size(); }
    QString text(QAccessible::Text type) const override { return QAccessibleWidget::text(type); }

    // The announcement is read, never edited, selected or pointed at.
    void selection(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override { }
    void removeSelection(int) override { }
    void setSelection(int, int, int) override { }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override { }
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override { }
    QString attributes(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
        return QString();
    }

private:
    QString announcement() const { return widget()->accessibleName(); }
};

QAccessibleInterface *accessibleStatus(const QString &className, QObject *object)
{
    if (className == QLatin1String("SpokenStatus") && object && object->isWidgetType())
        return new AccessibleStatus(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

SpokenStatus::SpokenStatus(QWidget *window)
    : QWidget(window, Qt::Tool | Qt::FramelessWindowHint)
    , m_settleTimer(new QTimer(this))
{
    static const bool factoryInstalled = (QAccessible::installFactory(&accessibleStatus), true);
    Q_UNUSED(factoryInstalled)
    setFocusPolicy(Qt::NoFocus);
    m_settleTimer->setSingleShot(true);
    m_settleTimer->setInterval(settleMs);
    connect(m_settleTimer, &QTimer::timeout, this, &SpokenStatus::announce);
}

void SpokenStatus::setHint(const QString &hint)
{
    m_pendingHint = hint;
    m_settleTimer->start();
}

void SpokenStatus::addNote(const QString &note)
{
    if (!m_notes.contains(note))
        m_notes.append(note);
    m_settleTimer->start();
}

void SpokenStatus::followList(QAbstractItemView *list)
{
    this->m_list = list;
    if (!list)
        return;
    list->installEventFilter(this);
    // The rows change with each key typed while the list is open: the count
    // is said once the typing settles.
    const auto typingGoesOn = [this] {
        if (m_listOpened)
            m_settleTimer->start();
    };
    connect(list->model(), &QAbstractItemModel::modelReset, this, typingGoesOn);
    connect(list->model(), &QAbstractItemModel::layoutChanged, this, typingGoesOn);
}

bool SpokenStatus::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && watched == m_list) {
        m_listOpened = true;
        m_settleTimer->start();
    }
    return QWidget::eventFilter(watched, event);
}

void SpokenStatus::announce()
{
    QStringList parts = m_notes;
    m_notes.clear();
    // A list that opened and closed again while the user typed is not worth a word.
    if (m_listOpened && m_list && m_list->isVisible()) {
        const int rows = m_list->model() ? m_list->model()->rowCount() : 0;
        //: Said by screen readers when the completion list opens
        parts.prepend(rows == 1 ? tr("One suggestion") : tr("%1 suggestions").arg(rows));
    }
    m_listOpened = false;
    if (!m_pendingHint.isEmpty() && m_pendingHint != m_spokenHint)
        parts.append(m_pendingHint);
    m_spokenHint = m_pendingHint;
    if (parts.isEmpty() || !parentWidget()->isVisible())
        return;
    // A window of its own, made when it is first needed: a reader says the
    // context of a notification first, and the dialog's would be read whole.
    if (!testAttribute(Qt::WA_WState_Created))
        create();
    //: Parts of one announcement for screen readers: a note, then the hint
    const QString text = parts.join(tr(". "));
    const QString previous = accessibleName();
    setAccessibleName(text);
    // The toolkit's name change carries no text; a text change does.
    QAccessibleTextUpdateEvent changed(this, 0, previous, text);
    QAccessible::updateAccessibility(&changed);
    // Readers speak a notification, by its name, when it shows.
    QAccessibleEvent shown(this, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}
