// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef HISTORYMODEL_H
#define HISTORYMODEL_H

#include <QStringListModel>

/**
 * The history box's entries, most recent first: a string list model whose
 * search for an exact text compares the strings themselves. The combo box
 * looks for the field's text whenever Enter is pressed; through a QVariant
 * per row that took longer than the rest of a run with 100 000 entries.
 */
class HistoryModel : public QStringListModel
{
    Q_OBJECT

public:
    explicit HistoryModel(QObject *parent = nullptr);

    /** As QAbstractItemModel::match(); exact text searches of the display or edit
     *  role without wrapping compare the strings directly. */
    QModelIndexList match(const QModelIndex &start, int role, const QVariant &value, int hits = 1,
        Qt::MatchFlags flags = Qt::MatchFlags(Qt::MatchStartsWith | Qt::MatchWrap)) const override;
};

#endif
