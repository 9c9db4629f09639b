// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef USAGERECORD_H
#define USAGERECORD_H

#include <QHash>
#include <QString>

/**
 * How often and how recently the user ran each command: the "frecency" that
 * orders the completion list within a match class. Each run adds 1 to a
 * command's score, and a score halves every two weeks, so recent runs weigh
 * more and old ones fade; a command whose score falls below 1/64 (one run
 * about three months ago) is forgotten, and only the 1 000 commands with the
 * highest scores are kept.
 *
 * The record is a file of its own, "usage" in the application's data folder
 * (QStandardPaths::AppDataLocation, ~/.local/share/kav/kav-run/ for kav-run),
 * beside the history in the settings, which it never changes. It starts with
 * the line "kav-run usage 1", followed by one line per command: its score, the
 * time of its last run in seconds since the epoch, and the command, separated
 * by tabs. It is written whole (StoredFile), so a crash or a full disk leaves
 * the old one.
 */
class UsageRecord
{
public:
    /** An empty record kept in @p fileName; nothing is read yet. */
    explicit UsageRecord(const QString &fileName = standardFileName());

    /** The file of the record in the application's data folder. */
    static QString standardFileName();

    /**
     * Replaces the record by the file's. A missing file is an empty record;
     * damaged lines are left out, with one warning, and a damaged first line,
     * a file larger than any record or anything but a regular file (a FIFO,
     * a link to a device) leaves the record empty, with one warning.
     */
    void load();

    /**
     * Counts a run of @p command now (seconds since the epoch) and writes the
     * file. Commands longer than 4 096 characters are not counted.
     *
     * @return false when the file could not be written, and was left as it
     *         was; @p error then names it and says why (the run is counted in memory)
     */
    bool noteRun(const QString &command, qint64 now, QString *error = nullptr);
    bool noteRun(const QString &command, QString *error = nullptr);

    /** Forgets every command and removes the file; false, with a warning, when it could
     *  not be removed. */
    bool clear();

    /** @p command's score at @p now: 0 when it was never run or is forgotten. */
    double score(const QString &command, qint64 now) const;

    /** Whether no command is recorded. */
    bool isEmpty() const { return m_uses.isEmpty(); }

private:
    struct Use
    {
        double score;
        qint64 lastRun;
    };

    static double decayedScore(const Use &use, qint64 now);
    void forgetFaded(qint64 now);
    bool save(QString *error) const;

    QString m_fileName;
    QHash<QString, Use> m_uses;
};

#endif
