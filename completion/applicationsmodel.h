// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef APPLICATIONSMODEL_H
#define APPLICATIONSMODEL_H

#include "applicationindex.h"

#include <QAbstractListModel>
#include <QHash>
#include <QIcon>

/**
 * The installed applications that match the typed text (ApplicationIndex),
 * the best matches first, as rows of the completion list: each shows the application's icon and
 * name, and completes the field (edit role) with its name too; its desktop-file
 * id without ".desktop" (EntryIdRole) says which entry that name runs. The
 * index is read on a background thread from construction on; until it
 * arrives there are no rows.
 */
class ApplicationsModel : public QAbstractListModel
{
    Q_OBJECT

public:
    /** A row's desktop-file id without ".desktop". */
    static constexpr int EntryIdRole = Qt::UserRole + 2;

    explicit ApplicationsModel(QObject *parent = nullptr);

    /** Offers the applications that @p typed matches. */
    void setTypedText(const QString &typed);
    /** Whether the installed applications have been read. */
    bool isLoaded() const { return m_loaded; }
    /** The names of the installed applications by their desktop-file ids without ".desktop". */
    QHash<QString, QString> namesByEntry() const;
    /** How well the typed text matches the application of @p row, which must be a row. */
    MatchClass matchQuality(int row) const { return m_rows.at(row).quality; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    /** A row's name (display and edit roles), id (EntryIdRole), icon or comment
     *  (tool tip role); an invalid QVariant otherwise. */
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    /** The installed applications have been read; the rows now show those that match. */
    void indexLoaded();

private:
    void setIndex(const ApplicationIndex &loadedIndex);
    void setRows(const QVector<Match> &matches);

    ApplicationIndex m_applications;
    bool m_loaded = false;
    QString m_typedText;
    // Positions in the index, one per row, best matches first.
    QVector<Match> m_rows;
    // Icons by index position, made when a row is first shown.
    mutable QHash<int, QIcon> m_icons;
};

#endif
