// SPDX-License-Identifier: GPL-2.0-or-later
#include "historymodel.h"

// The kind of match is the number in the low four bits of the flags.
static const int matchTypeBits = 0x0F;

HistoryModel::HistoryModel(QObject *parent)
    : QStringListModel(parent)
{ }

QModelIndexList HistoryModel::match(
    const QModelIndex &start, int role, const QVariant &value, int hits, Qt::MatchFlags flags) const
{
    const int matchType = int(flags) & matchTypeBits;
    const bool exactText = matchType == Qt::MatchExactly || matchType == Qt::MatchFixedString;
    if (!exactText || (flags & (Qt::MatchWrap | Qt::MatchRecursive))
        || (role != Qt::DisplayRole && role != Qt::EditRole) || start.model() != this
        || value.userType() != QMetaType::QString)
        return QStringListModel::match(start, role, value, hits, flags);

    // An exact match compares variants, which for two strings is their comparison.
    const Qt::CaseSensitivity sensitivity =
        (matchType == Qt::MatchExactly || (flags & Qt::MatchCaseSensitive)) ? Qt::CaseSensitive
                                                                            : Qt::CaseInsensitive;
    const QString text = value.toString();
    const QStringList &entries = stringList();
    QModelIndexList found;
    for (int row = start.row(); row < entries.size() && (hits == -1 || found.size() < hits);
         ++row) {
        if (entries.at(row).compare(text, sensitivity) == 0)
            found.append(index(row, start.column()));
    }
    return found;
}
