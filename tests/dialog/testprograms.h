// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef TESTPROGRAMS_H
#define TESTPROGRAMS_H

#include <QByteArray>
#include <QString>

/** Writes a shell script with @p body to @p path and makes it executable. */
bool writeScript(const QString &path, const QByteArray &body);

/**
 * Waits up to @p timeoutMs for a program to create @p path (programs write
 * their file elsewhere and move it into place, so it is complete).
 * @return its contents, or a null byte array when it did not appear in time
 */
QByteArray waitForFile(const QString &path, int timeoutMs = 10000);

/** Sets the environment variable @p name for the object's life, then restores it. */
class ScopedEnvironment
{
public:
    /** A null @p value removes the variable. */
    ScopedEnvironment(const char *name, const QByteArray &value);
    ~ScopedEnvironment();
    Q_DISABLE_COPY(ScopedEnvironment)

private:
    const char *name;
    QByteArray previous;
    bool wasSet;
};

#endif
