// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef PATHCOMPLETIONMODEL_H
#define PATHCOMPLETIONMODEL_H

#include "directorylister.h"

#include <QAbstractListModel>
#include <QIcon>

/**
 * The files and folders that complete a path as it is typed: the word before
 * the cursor, when it starts with "/", "~/", "./" or "../", is a folder and
 * the start of a name in it. Each row shows a matching name, a folder's with
 * "/" after it, and holds (edit role) the whole text with that word
 * completed. Names starting with "." are offered only once a "." is typed,
 * and a file whose name is typed in full is not offered.
 * The folders are read in the background: rows appear when a reading arrives.
 */
class PathCompletionModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit PathCompletionModel(QObject *parent = nullptr);

    /** Offers the completions of the word that ends at @p cursor in @p text. */
    void setText(const QString &text, int cursor);
    /** Whether @p row shows a folder. */
    bool isFolderRow(int row) const { return row < m_rows.size() && m_rows.at(row).isFolder; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    /** A row's name (display role), completed text (edit role) or icon; an invalid QVariant
     *  otherwise. */
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    /** The folder of the text last given was read, and the rows changed with it. */
    void listingArrived();

private:
    void slotListed(const QString &folder);
    /** @return whether the rows changed */
    bool updateRows(const QVector<FolderEntry> *entries);

    DirectoryLister *m_lister;
    // The text split around the path word: before it, its folder part as
    // typed and expanded, the name part, and what follows the cursor.
    QString m_textBefore;
    QString m_typedFolder;
    QString m_folder;
    QString m_namePart;
    QString m_textAfter;
    QVector<FolderEntry> m_rows;
    QIcon m_folderIcon;
    QIcon m_fileIcon;
};

#endif
