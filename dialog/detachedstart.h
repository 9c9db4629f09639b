// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DETACHEDSTART_H
#define DETACHEDSTART_H

#include <QCoreApplication>
#include <QStringList>

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
     * @return empty when every line started, else the message that says why one did not
     */
    static QString run(
        const QStringList &commandLines, const QString &workingDirectory = QString());

    /** @p command as a message box shows it: markup escaped, every blank kept. */
    static QString forMessage(const QString &command);
};

#endif
