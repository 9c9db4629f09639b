// SPDX-License-Identifier: GPL-2.0-or-later
#include "matchkey.h"

#include <algorithm>

static bool isAscii(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

static bool isCamelHump(QChar previous, QChar current)
{
    return previous.isLower() && current.isUpper();
}

MatchKey::MatchKey(const QString &name)
    : original(name)
    , foldedName(folded(name))
{ }

QString MatchKey::folded(const QString &text)
{
    // Most names are plain ASCII, which decomposes to itself; a name that
    // folding leaves alone shares its characters with the original.
    if (isAscii(text))
        return text.toCaseFolded();
    // Decomposed, an accented letter is its base letter and marks to drop.
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString result;
    result.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            result.append(c);
    }
    return result.toCaseFolded();
}

QChar MatchKey::shapeAt(int position) const
{
    // Folding loses the capitals; while it keeps one character for each, the
    // original still shows them. Otherwise only separators start words.
    return original.size() == foldedName.size() ? original.at(position) : foldedName.at(position);
}

bool MatchKey::startsWord(int position) const
{
    if (position == 0)
        return true;
    const QChar previous = shapeAt(position - 1);
    return !previous.isLetterOrNumber() || isCamelHump(previous, shapeAt(position));
}

bool MatchKey::endsWord(int position) const
{
    return position == foldedName.size() || !foldedName.at(position).isLetterOrNumber()
        || isCamelHump(shapeAt(position - 1), shapeAt(position));
}

bool MatchKey::spellsInitials(const QString &typed) const
{
    int next = 0;
    for (int position = 0; position < foldedName.size() && next < typed.size(); ++position) {
        if (!foldedName.at(position).isLetterOrNumber() || !startsWord(position))
            continue;
        if (foldedName.at(position) == typed.at(next))
            ++next;
        else if (next == 0)
            return false;
    }
    return next == typed.size();
}

MatchClass MatchKey::match(const QString &typed) const
{
    if (typed.isEmpty())
        return MatchClass::None;
    if (foldedName.startsWith(typed))
        return MatchClass::Start;
    bool inside = false;
    for (int at = foldedName.indexOf(typed, 1); at != -1; at = foldedName.indexOf(typed, at + 1)) {
        if (startsWord(at))
            return endsWord(at + typed.size()) ? MatchClass::Start : MatchClass::WordStart;
        inside = true;
    }
    if (typed.size() < 2)
        return MatchClass::None;
    if (spellsInitials(typed))
        return MatchClass::Initials;
    return inside ? MatchClass::Substring : MatchClass::None;
}
