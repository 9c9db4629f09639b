// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef COMMANDCLASSIFIER_H
#define COMMANDCLASSIFIER_H

#include "exec/commandclassification.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QObject>

#include <future>
#include <optional>

/**
 * Classifies typed texts (CommandParser) on background threads, so that a
 * text naming a file on a mount that does not answer never stops the window.
 * A newer text supersedes an older one: only the newest result is reported.
 */
class CommandClassifier : public QObject
{
    Q_OBJECT

public:
    explicit CommandClassifier(QObject *parent = nullptr);
    ~CommandClassifier() override;
    Q_DISABLE_COPY(CommandClassifier)

    /** Reads desktop entries from @p directory only; tests point it elsewhere. */
    void setApplicationsDirectory(const QString &directory);

    /**
     * Starts classifying the simplified @p text, as the application of the
     * desktop entry @p chosenEntry when it is not empty
     * (CommandParser::parseChosen()), unless that is what was classified last
     * or is being classified; classified() reports the result.
     */
    void classify(const QString &text, const QString &chosenEntry = QString());

    /**
     * The classification of the simplified @p text as classify() makes it,
     * started here when needed, waiting for it until it has taken @p timeoutMs
     * since it started.
     * @return the classification; nothing when it has not arrived in time,
     *         in which case classified() reports it once it does
     */
    std::optional<CommandClassification> waitFor(
        const QString &text, const QString &chosenEntry, int timeoutMs);

    /** The newest classification that arrived; an empty one before the first. */
    const CommandClassification &latest() const { return m_latest; }

Q_SIGNALS:
    /** The classification of the newest text asked for arrived: @p result. */
    void classified(const CommandClassification &result);

private:
    void deliver(const CommandClassification &result);

    QString m_applicationsDirectory;
    CommandClassification m_latest;
    QString m_runningText;
    QString m_runningEntry;
    std::shared_future<CommandClassification> m_running;
    QElapsedTimer m_runningFor;
    /** Watches the newest look; made once, as making one asks the system for its processors. */
    QFutureWatcher<void> m_watcher;
};

#endif
