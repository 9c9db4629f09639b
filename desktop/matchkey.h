// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef MATCHKEY_H
#define MATCHKEY_H

#include <QString>
#include <QVector>

/** How well a typed text matches a name, from the best match to none. */
enum class MatchClass : quint8 {
    /** The name starts with it or has it as a whole word. */
    Start,
    /** A later word of the name starts with it. */
    WordStart,
    /** Its letters start words of the name in their order, the first word first
     *  ("lo" for "LibreOffice Writer", "gd" for "gnome-disks"). */
    Initials,
    /** It occurs inside a word of the name. */
    Substring,
    None
};

/** A candidate that a typed text matches: its place in a list, and how well. */
struct Match
{
    int position;
    MatchClass quality;
};

inline bool operator==(const Match &left, const Match &right)
{
    return left.position == right.position && left.quality == right.quality;
}

/**
 * A name prepared to be matched against typed texts, ignoring case and
 * accents. Words are separated by anything but letters and digits, and a
 * capital after a small letter starts a word too ("LibreOffice"). Initials
 * and inner occurrences count from the second letter typed on: one letter
 * inside a word matches nearly every name.
 */
class MatchKey
{
public:
    MatchKey() = default;
    explicit MatchKey(const QString &name);

    /** The name as given. */

    /**
     * How well @p typed, already folded(), matches the name; MatchClass::None
     * when it does not, or when @p typed is empty.
     */
    MatchClass match(const QString &typed) const;

    /** @p text as it is compared: accents dropped, case folded. */
    static QString folded(const QString &text);

private:
    /** The character that says where words start at @p position of the folded name. */
    QChar shapeAt(int position) const;
    bool startsWord(int position) const;
    bool endsWord(int position) const;
    bool spellsInitials(const QString &typed) const;

    QString original;
    QString foldedName;
};

#endif
