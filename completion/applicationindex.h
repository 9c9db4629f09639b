// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef APPLICATIONINDEX_H
#define APPLICATIONINDEX_H

#include "desktop/applicationentry.h"
#include "desktop/applicationkeys.h"

#include <QList>
#include <QVector>

class QThreadPool;

/**
 * The installed applications, searchable by their names (ApplicationKeys):
 * by a word of their Name, GenericName or Keywords, the initials or a part
 * of their Name, ignoring case and accents ("edi" finds "Éditeur de texte").
 * Building one reads every desktop entry, so do it off the GUI thread;
 * searching is quick.
 */
class ApplicationIndex
{
public:
    ApplicationIndex() = default;
    /** An index of @p entries, in the order of their names. */
    explicit ApplicationIndex(QList<ApplicationEntry> entries);
    /** An index of ApplicationEntry::installed(). */
    static ApplicationIndex installed();
    /** The threads that read the installed applications' desktop entries. */
    static QThreadPool *threadPool();

    int size() const { return m_entries.size(); }
    const ApplicationEntry &entry(int position) const { return m_entries.at(position); }

    /**
     * The applications that @p typed matches, the best matches first, each
     * class in the order of the names. Empty for a text without letters or digits.
     */
    QVector<Match> matches(const QString &typed) const;

private:
    QList<ApplicationEntry> m_entries;
    QVector<ApplicationKeys> m_keys;
};

#endif
