// SPDX-License-Identifier: GPL-2.0-or-later
#include "applicationindex.h"

#include "core/backgroundthreadpool.h"

#include <QCollator>

#include <algorithm>

ApplicationIndex::ApplicationIndex(QList<ApplicationEntry> entries)
    : m_entries(std::move(entries))
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::sort(m_entries.begin(), m_entries.end(),
        [&collator](const ApplicationEntry &left, const ApplicationEntry &right) {
            return collator.compare(left.name, right.name) < 0;
        });
    m_keys.reserve(m_entries.size());
    for (const ApplicationEntry &entry : qAsConst(m_entries))
        m_keys.append(ApplicationKeys(entry));
}

ApplicationIndex ApplicationIndex::installed()
{
    return ApplicationIndex(ApplicationEntry::installed());
}

QVector<Match> ApplicationIndex::matches(const QString &typed) const
{
    const QString needle = MatchKey::folded(typed.simplified());
    if (std::none_of(needle.cbegin(), needle.cend(), [](QChar c) { return c.isLetterOrNumber(); }))
        return {};
    QVector<Match> found;
    for (int position = 0; position < m_entries.size(); ++position) {
        const MatchClass quality = m_keys.at(position).match(needle);
        if (quality != MatchClass::None)
            found.append({ position, quality });
    }
    std::stable_sort(found.begin(), found.end(),
        [](const Match &left, const Match &right) { return left.quality < right.quality; });
    return found;
}

QThreadPool *ApplicationIndex::threadPool()
{
    static QThreadPool *const pool = newBackgroundThreadPool(2);
    return pool;
}
