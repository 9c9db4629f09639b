// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef PATHEXECSMODEL_H
#define PATHEXECSMODEL_H

#include "desktop/matchkey.h"

#include <QAbstractListModel>
#include <QBitArray>
#include <QIcon>
#include <QSet>
#include <QStringList>
#include <QVector>

/**
 * The command names that can be run from the search path: one row per file
 * name found in the directories of "PATH", sorted by name (UTF-16 code units),
 * each name taken from the first directory that holds it.
 *
 * Reading the directories is cheap and done for every name at once; whether a
 * file is executable is tested lazily, for the names a typed text matches
 * (matchExecutables()), and names that fail the test are removed from the rows
 * until the next rescan, announced together as one layout change.
 * Any change in one of the directories rescans everything (a model reset).
 */
class PathExecsModel : public QAbstractListModel
{
    Q_OBJECT

public:
    /** Reads "PATH", scans its directories and watches them. Names in @p excludedNames are never
     * listed. */
    PathExecsModel(const QSet<QString> &excludedNames, QObject *parent);

    /** The number of names not found to be non-executable; 0 for a valid @p parent. */
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    /** The name (display and edit roles) or the executable icon (decoration role) of a row;
     *  an invalid QVariant for any other role or an index that is not a row. */
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    /**
     * The rows whose names @p typed, already MatchKey::folded(), matches, in
     * row order, with how well; none for an empty text. The untested names
     * among them are tested first, and the rows of those that are not
     * executable removed, all in one layout change (persistent indexes of
     * removed rows become invalid).
     */
    QVector<Match> matchExecutables(const QString &typed);

    /** Lists the names but @p names from now on, rescanning when they change (a reset). */
    void setExcludedNames(const QSet<QString> &names);

private Q_SLOTS:
    void rebuild();

private:
    /** A name found on the search path and the index in paths of its directory. */
    struct Entry
    {
        QString name;
        int directory;
    };

    static bool nameLess(const Entry &left, const Entry &right);
    static QStringList scanDirectory(const QString &directory);
    /** The position in m_execs of @p row, or -1 when there is no such row. */
    int rowToEntry(int row) const;
    /** The number of rows before the entry at @p position (its row while it is shown),
     *  or -1 when @p position is out of range. */
    int entryToRow(int position) const;
    /** Tests the untested entries at @p positions; those that are not executable. */
    QVector<int> failExecutableTest(const QVector<int> &positions);
    /** Hides the entries at @p positions (ascending, all shown). */
    void hideEntries(const QVector<int> &positions);

    QStringList m_paths;
    // Sorted by name; directory is the index in m_paths of the folder that holds the name.
    QVector<Entry> m_execs;
    // The entries' names prepared for matching, at the same positions.
    QVector<MatchKey> m_keys;
    QBitArray m_hiddenBits;
    QBitArray m_testedBits;
    QSet<QString> m_excludedNames;
    // The positions of the entries whose hidden bit is clear, ascending: row r
    // is entry m_shownPositions[r]. A completer reads every row per key press, so
    // a row must find its entry at once.
    QVector<int> m_shownPositions;
    // Every row shows this one icon; the theme is asked once.
    QIcon m_executableIcon;
};

#endif
