// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SOURCESWATCH_H
#define SOURCESWATCH_H

#include <QStringList>

/**
 * Tells whether anything in some folders may have changed since they were
 * watched, without looking at their files: the kernel reports each change
 * to a watched folder as it is made. It answers yes whenever it cannot be
 * sure: for a folder on a network or user-space file system, where changes
 * made elsewhere go unreported, for a folder it could not watch, and for
 * more folders than it watches.
 */
class SourcesWatch
{
public:
    SourcesWatch() = default;
    ~SourcesWatch();
    SourcesWatch(const SourcesWatch &) = delete;
    SourcesWatch &operator=(const SourcesWatch &) = delete;

    /**
     * Forgets what was watched and watches @p folders and the folders below
     * them, links followed; a folder that does not exist is watched through
     * the nearest folder above it that does.
     */
    void watch(const QStringList &folders);
    /** Whether anything in the folders may have changed since watch(). */
    bool mayHaveChanged() const;

private:
    bool add(const QByteArray &folder, int depth);

    int m_fd = -1;
    int m_watches = 0;
};

#endif
