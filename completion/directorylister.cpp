// SPDX-License-Identifier: GPL-2.0-or-later
#include "directorylister.h"

#include "core/backgroundthreadpool.h"

#include <QCollator>
#include <QFile>
#include <QFutureWatcher>
#include <QtConcurrent>

#include <algorithm>

#include <dirent.h>
#include <sys/stat.h>

// Runs on a background thread.
static QVector<FolderEntry> readFolder(const QString &folder)
{
    QVector<FolderEntry> entries;
    const QByteArray encodedFolder = QFile::encodeName(folder);
    DIR *dir = opendir(encodedFolder.constData());
    if (!dir)
        return entries;
    while (const dirent *entry = readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        // Only a link or an untyped entry needs a look at what it is.
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat status;
            isFolder = stat((encodedFolder + '/' + name).constData(), &status) == 0
                && S_ISDIR(status.st_mode);
        }
        entries.append({ QFile::decodeName(name), isFolder });
    }
    closedir(dir);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::sort(entries.begin(), entries.end(),
        [&collator](const FolderEntry &left, const FolderEntry &right) {
            return collator.compare(left.name, right.name) < 0;
        });
    return entries;
}

DirectoryLister::DirectoryLister(QObject *parent)
    : QObject(parent)
{ }

const QVector<FolderEntry> *DirectoryLister::entries(const QString &folder)
{
    const auto known = m_listings.constFind(folder);
    if (folder != m_lastFolder || known == m_listings.cend())
        startReading(folder);
    m_lastFolder = folder;
    return known == m_listings.cend() ? nullptr : &known.value();
}

void DirectoryLister::startReading(const QString &folder)
{
    if (m_reading.contains(folder))
        return;
    m_reading.insert(folder);
    auto *watcher = new QFutureWatcher<QVector<FolderEntry>>(this);
    connect(
        watcher, &QFutureWatcher<QVector<FolderEntry>>::finished, this, [this, watcher, folder] {
            m_listings.insert(folder, watcher->result());
            m_reading.remove(folder);
            watcher->deleteLater();
            Q_EMIT listed(folder);
        });
    // A few stuck reads still leave threads for the next folder.
    static QThreadPool *const folderReads = newBackgroundThreadPool(4);
    watcher->setFuture(QtConcurrent::run(folderReads, readFolder, folder));
}
