// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DETACHEDSTART_H
#define DETACHEDSTART_H

#include <QCoreApplication>
#include <QStringList>

#include <functional>

/**
 * Starts command lines as the caller, detached, split into words as
 * splitCommandWords() says (QProcess's splitting, in which "" is an empty word).
 */
class DetachedStart
{
    Q_DECLARE_TR_FUNCTIONS(Roderuz)

public:
    /**
     * Starts @p commandLines one after the other in @p workingDirectory (the
     * dialog's own when empty), stopping at the first that does not start.
     * @p announce, when given, is asked for a startup notice's id for each
     * line's program, which the program then finds in DESKTOP_STARTUP_ID.
     * @return empty when every line started, else the message that says why one did not
     */
    static QString run(const QStringList &commandLines, const QString &workingDirectory = QString(),
        const std::function<QString(const QString &program)> &announce = {});

    /** @p command as a message box shows it: markup escaped, every blank kept. */
    static QString forMessage(const QString &command);
};

#endif
