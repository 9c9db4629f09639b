// SPDX-License-Identifier: GPL-2.0-or-later
#include "applicationkeys.h"

ApplicationKeys::ApplicationKeys(const ApplicationEntry &entry)
    : name(entry.name)
    , otherTerms((QStringList { entry.genericName } + entry.keywords + entry.untranslatedTerms)
                     .join(QLatin1Char('\n')))
{ }

MatchClass ApplicationKeys::match(const QString &typed) const
{
    const MatchClass byName = name.match(typed);
    if (byName <= MatchClass::WordStart)
        return MatchClass::Start;
    if (otherTerms.match(typed) <= MatchClass::WordStart)
        return MatchClass::WordStart;
    return byName;
}
