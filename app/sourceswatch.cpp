// SPDX-License-Identifier: GPL-2.0-or-later
#include "sourceswatch.h"

#include <QFile>

#include <dirent.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

static const int deepestFolder = 16;
static const int mostWatches = 256;
static const uint32_t changes = IN_CREATE | IN_DELETE | IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE
    | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;

// Whether the kernel reports every change to @p folder's file system, made
// on any host.
static bool reportsEveryChange(const char *folder)
{
    struct statfs info;
    if (statfs(folder, &info) != 0)
        return false;
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0x6969: // NFS
    case 0x517b: // SMB
    case 0xff534d42: // CIFS
    case 0xfe534d42: // SMB2
    case 0x65735546: // FUSE
    case 0x01021997: // 9P
    case 0x00c36400: // Ceph
    case 0x5346414f: // AFS
    case 0x73757245: // Coda
        return false;
    default:
        return true;
    }
}

SourcesWatch::~SourcesWatch()
{
    if (m_fd >= 0)
        close(m_fd);
}

void SourcesWatch::watch(const QStringList &folders)
{
    if (m_fd >= 0)
        close(m_fd);
    m_watches = 0;
    m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    for (const QString &folder : folders) {
        QByteArray existing = QFile::encodeName(folder);
        struct stat info;
        while (stat(existing.constData(), &info) != 0 && existing.lastIndexOf('/') > 0)
            existing.truncate(existing.lastIndexOf('/'));
        if (m_fd >= 0
            && !add(existing, existing == QFile::encodeName(folder) ? 0 : deepestFolder)) {
            close(m_fd);
            m_fd = -1;
        }
    }
}

// Watches @p folder and, above @p depth deepestFolder, the folders below it.
bool SourcesWatch::add(const QByteArray &folder, int depth)
{
    if (++m_watches > mostWatches || !reportsEveryChange(folder.constData())
        || inotify_add_watch(m_fd, folder.constData(), changes) < 0)
        return false;
    if (depth >= deepestFolder)
        return true;
    DIR *directory = opendir(folder.constData());
    if (!directory)
        return false;
    bool watched = true;
    while (const dirent *entry = readdir(directory)) {
        const QByteArray path = folder + '/' + entry->d_name;
        struct stat info;
        if (entry->d_name[0] != '.' && stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode)
            && !add(path, depth + 1)) {
            watched = false;
            break;
        }
    }
    closedir(directory);
    return watched;
}

bool SourcesWatch::mayHaveChanged() const
{
    pollfd reported { m_fd, POLLIN, 0 };
    return m_fd < 0 || poll(&reported, 1, 0) != 0;
}
