// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DIRECTORYLISTER_H
#define DIRECTORYLISTER_H

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QVector>

/** One entry of a folder as the path completion offers it. */
struct FolderEntry
{
    QString name;
    /** A folder, or a link to one. */
    bool isFolder = false;
};

/**
 * Lists folders on background threads (newBackgroundThreadPool()), so that a
 * slow or unreachable mount never blocks its caller, and keeps the listings.
 */
class DirectoryLister : public QObject
{
    Q_OBJECT

public:
    explicit DirectoryLister(QObject *parent = nullptr);

    /**
     * The entries of @p folder from its last reading, sorted by name, "." and
     * ".." left out; nullptr before the first reading has arrived. Asking for
     * another folder than last time reads @p folder anew in the background,
     * unless a reading of it is still under way; listed() tells when it arrives.
     */
    const QVector<FolderEntry> *entries(const QString &folder);

Q_SIGNALS:
    /** A reading of @p folder arrived; a folder that cannot be read has no entries. */
    void listed(const QString &folder);

private:
    void startReading(const QString &folder);

    QHash<QString, QVector<FolderEntry>> m_listings;
    QSet<QString> m_reading;
    QString m_lastFolder;
};

#endif
