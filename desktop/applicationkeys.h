// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef APPLICATIONKEYS_H
#define APPLICATIONKEYS_H

#include "applicationentry.h"
#include "matchkey.h"

/**
 * What an application is found by, prepared for matching typed texts: its
 * Name, and its GenericName and Keywords, translated and as written without a
 * language. Every word of the Name is a name the user knows it by ("Editor"
 * of "Text Editor"), so a word of it that starts with the text is as good a
 * match as its start; a word of the other terms that does is a later word
 * start. Initials and inner occurrences count in the Name only.
 */
class ApplicationKeys
{
public:
    ApplicationKeys() = default;
    explicit ApplicationKeys(const ApplicationEntry &entry);

    /** How well @p typed, already MatchKey::folded(), matches; MatchClass::None when it does
     *  not. */
    MatchClass match(const QString &typed) const;

private:
    MatchKey name;
    MatchKey otherTerms;
};

#endif
