// SPDX-License-Identifier: GPL-2.0-or-later
#include "usagerecord.h"

#include "desktop/storedfile.h"

#include <QDateTime>
#include <QFile>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

static const char header[] = "kav-run usage 1";
static const qint64 halfLifeSeconds = 14 * 24 * 3600;
static const double forgottenBelow = 1.0 / 64;
static const int maxCommands = 1000;
static const int maxCommandLength = 4096;
// Every command at its longest, in UTF-8, with its numbers.
static const qint64 maxFileSize = qint64(maxCommands) * (maxCommandLength * 3 + 64);

UsageRecord::UsageRecord(const QString &fileName)
    : m_fileName(fileName)
{ }

QString UsageRecord::standardFileName()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
        + QStringLiteral("/usage");
}

void UsageRecord::load()
{
    m_uses.clear();
    QByteArray content;
    QString error;
    const QByteArray name = QFile::encodeName(m_fileName);
    if (!StoredFile::read(m_fileName, maxFileSize, &content, &error)) {
        if (!error.isEmpty())
            qWarning("kav-run: the usage record %s cannot be read (%s); the completion list is "
                     "ordered without it",
                name.constData(), qPrintable(error));
        return;
    }
    const QList<QByteArray> lines = content.split('\n');
    if (lines.constFirst() != header) {
        qWarning("kav-run: %s does not start with \"%s\"; the completion list is ordered "
                 "without it",
            name.constData(), header);
        return;
    }
    int damaged = 0;
    for (int number = 1; number < lines.size(); ++number) {
        const QByteArray &line = lines.at(number);
        if (line.isEmpty() && number == lines.size() - 1)
            break;
        const int scoreEnd = line.indexOf('\t');
        const int timeEnd = line.indexOf('\t', scoreEnd + 1);
        bool scoreRead = false;
        bool timeRead = false;
        const double score = line.left(scoreEnd).toDouble(&scoreRead);
        const qint64 lastRun = line.mid(scoreEnd + 1, timeEnd - scoreEnd - 1).toLongLong(&timeRead);
        const QString command = QString::fromUtf8(line.mid(timeEnd + 1));
        if (scoreEnd == -1 || timeEnd == -1 || !scoreRead || !timeRead || !std::isfinite(score)
            || score <= 0 || command.isEmpty() || command.size() > maxCommandLength
            || m_uses.size() >= maxCommands) {
            ++damaged;
            continue;
        }
        m_uses.insert(command, { score, lastRun });
    }
    if (damaged > 0)
        qWarning("kav-run: %d damaged lines of the usage record %s are left out", damaged,
            name.constData());
}

bool UsageRecord::noteRun(const QString &command, QString *error)
{
    return noteRun(command, QDateTime::currentSecsSinceEpoch(), error);
}

bool UsageRecord::noteRun(const QString &command, qint64 now, QString *error)
{
    // A line of the file holds one command.
    const QString key = command.simplified();
    if (key.isEmpty() || key.size() > maxCommandLength)
        return true;
    Use &use = m_uses[key];
    use = { decayedScore(use, now) + 1, now };
    forgetFaded(now);
    return save(error);
}

bool UsageRecord::clear()
{
    m_uses.clear();
    if (QFile::remove(m_fileName) || !QFile::exists(m_fileName))
        return true;
    qWarning("kav-run: cannot remove the usage record %s", qPrintable(m_fileName));
    return false;
}

double UsageRecord::score(const QString &command, qint64 now) const
{
    const auto use = m_uses.constFind(command);
    if (use == m_uses.cend())
        return 0;
    const double score = decayedScore(*use, now);
    return score < forgottenBelow ? 0 : score;
}

double UsageRecord::decayedScore(const Use &use, qint64 now)
{
    // A clock set back makes no run younger than now.
    const qint64 age = std::max<qint64>(0, now - use.lastRun);
    return use.score * std::exp2(-double(age) / halfLifeSeconds);
}

void UsageRecord::forgetFaded(qint64 now)
{
    QVector<QPair<double, QString>> kept;
    for (auto use = m_uses.cbegin(); use != m_uses.cend(); ++use) {
        const double score = decayedScore(*use, now);
        if (score >= forgottenBelow)
            kept.append({ score, use.key() });
    }
    if (kept.size() == m_uses.size() && kept.size() <= maxCommands)
        return;
    std::sort(kept.begin(), kept.end(),
        [](const auto &left, const auto &right) { return left.first > right.first; });
    QHash<QString, Use> highest;
    for (int index = 0; index < std::min(int(kept.size()), maxCommands); ++index)
        highest.insert(kept.at(index).second, m_uses.value(kept.at(index).second));
    m_uses.swap(highest);
}

bool UsageRecord::save(QString *error) const
{
    QByteArray content = QByteArray(header) + '\n';
    for (auto use = m_uses.cbegin(); use != m_uses.cend(); ++use) {
        content += QByteArray::number(use->score, 'g', 10) + '\t' + QByteArray::number(use->lastRun)
            + '\t' + use.key().toUtf8() + '\n';
    }
    QString reason;
    if (StoredFile::write(m_fileName, content, &reason))
        return true;
    if (error)
        *error = QStringLiteral("%1: %2").arg(m_fileName, reason);
    return false;
}
