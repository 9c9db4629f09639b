// SPDX-License-Identifier: GPL-2.0-or-later
#include "applicationindex.h"

#include <QCollator>

#include <algorithm>

// Whether a word of @p text starts with @p folded, which is already folded.
static bool hasWordStartingWith(const QString &text, const QString &folded)
{
    for (int at = text.indexOf(folded); at != -1; at = text.indexOf(folded, at + 1)) {
        if (at == 0 || !text.at(at - 1).isLetterOrNumber())
            return true;
    }
    return false;
}

ApplicationIndex::ApplicationIndex(QList<ApplicationEntry> entries)
    : entries(std::move(entries))
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::sort(this->entries.begin(), this->entries.end(),
        [&collator](const ApplicationEntry &left, const ApplicationEntry &right) {
            return collator.compare(left.name, right.name) < 0;
        });
    nameKeys.reserve(this->entries.size());
    otherKeys.reserve(this->entries.size());
    for (const ApplicationEntry &entry : qAsConst(this->entries)) {
        nameKeys.append(folded(entry.name));
        const QStringList others =
            QStringList { entry.genericName } + entry.keywords + entry.untranslatedTerms;
        otherKeys.append(folded(others.join(QLatin1Char('\n'))));
    }
}

ApplicationIndex ApplicationIndex::installed()
{
    return ApplicationIndex(ApplicationEntry::installed());
}

QVector<int> ApplicationIndex::matches(const QString &typed) const
{
    const QString needle = folded(typed.simplified());
    if (std::none_of(needle.cbegin(), needle.cend(), [](QChar c) { return c.isLetterOrNumber(); }))
        return {};
    QVector<int> byName;
    QVector<int> byOtherWords;
    for (int position = 0; position < entries.size(); ++position) {
        if (hasWordStartingWith(nameKeys.at(position), needle))
            byName.append(position);
        else if (hasWordStartingWith(otherKeys.at(position), needle))
            byOtherWords.append(position);
    }
    return byName + byOtherWords;
}

QString ApplicationIndex::folded(const QString &text)
{
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
