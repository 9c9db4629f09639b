// SPDX-License-Identifier: GPL-2.0-or-later
#include "passwordaccessibility.h"

#include <QAccessible>
#include <QLineEdit>

#include <memory>
#include <unistd.h>

// The process that installed the handler; 0 before that.
static pid_t installingProcess = 0;

static QString bullets(const QString &text)
{
    return QString(text.size(), QChar(0x25CF));
}

static void maskEvent(QAccessibleEvent *event);

// Hands @p event on to the platform's accessibility bridge.
static void forward(QAccessibleEvent *event)
{
    // Qt sends an event to the bridge only when no handler is installed.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(&maskEvent);
}

// The event to send instead of @p event of the field @p field; null when nothing may be sent.
static std::unique_ptr<QAccessibleEvent> masked(QLineEdit *field, QAccessibleEvent *event)
{
    if (field->echoMode() == QLineEdit::NoEcho)
        return nullptr;
    switch (event->type()) {
    case QAccessible::TextInserted: {
        const auto *inserted = static_cast<QAccessibleTextInsertEvent *>(event);
        return std::make_unique<QAccessibleTextInsertEvent>(
            field, inserted->changePosition(), bullets(inserted->textInserted()));
    }
    case QAccessible::TextRemoved: {
        const auto *removed = static_cast<QAccessibleTextRemoveEvent *>(event);
        return std::make_unique<QAccessibleTextRemoveEvent>(
            field, removed->changePosition(), bullets(removed->textRemoved()));
    }
    case QAccessible::TextUpdated: {
        const auto *updated = static_cast<QAccessibleTextUpdateEvent *>(event);
        return std::make_unique<QAccessibleTextUpdateEvent>(field, updated->changePosition(),
            bullets(updated->textRemoved()), bullets(updated->textInserted()));
    }
    default:
        return nullptr;
    }
}

// The events of a line edit that carry its text; the others tell the caret, the selection, the
// state.
static bool carriesText(QAccessible::Event type)
{
    return type == QAccessible::TextInserted || type == QAccessible::TextRemoved
        || type == QAccessible::TextUpdated;
}

static void maskEvent(QAccessibleEvent *event)
{
    if (getpid() != installingProcess)
        return;
    auto *field = qobject_cast<QLineEdit *>(event->object());
    if (!field || field->echoMode() == QLineEdit::Normal || !carriesText(event->type())) {
        forward(event);
        return;
    }
    if (const std::unique_ptr<QAccessibleEvent> replacement = masked(field, event))
        forward(replacement.get());
}

void PasswordAccessibility::install()
{
    if (installingProcess != 0)
        return;
    installingProcess = getpid();
    QAccessible::installUpdateHandler(&maskEvent);
}
