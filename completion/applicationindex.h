// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef APPLICATIONINDEX_H
#define APPLICATIONINDEX_H

#include "desktop/applicationentry.h"

#include <QList>
#include <QVector>

/**
 * The installed applications, searchable by the words of their names: a typed
 * text matches an application when a word of its Name, GenericName or
 * Keywords (translated, or as written without a language) starts with it,
 * ignoring case and accents ("edi" finds "Éditeur de texte"). Building one
 * reads every desktop entry, so do it off the GUI thread; searching is quick.
 */
class ApplicationIndex
{
public:
    ApplicationIndex() = default;
    /** An index of @p entries, in the order of their names. */
    explicit ApplicationIndex(QList<ApplicationEntry> entries);
    /** An index of ApplicationEntry::installed(). */
    static ApplicationIndex installed();

    int size() const { return entries.size(); }
    const ApplicationEntry &entry(int position) const { return entries.at(position); }

    /**
     * The positions of the applications that @p typed matches: those whose
     * name matches first, then the others, each in the order of their names.
     * Empty for a text without letters or digits.
     */
    QVector<int> matches(const QString &typed) const;

    /** @p text as it is compared: accents dropped, case folded. */
    static QString folded(const QString &text);

private:
    QList<ApplicationEntry> entries;
    // Per entry, folded: the name, and the other words it is found by.
    QVector<QString> nameKeys;
    QVector<QString> otherKeys;
};

#endif
