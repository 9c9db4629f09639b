// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandclassifier.h"

#include "core/backgroundthreadpool.h"
#include "exec/commandparser.h"

#include <QtConcurrent>

#include <chrono>
#include <memory>

static CommandClassification classification(
    const QString &text, const QString &chosenEntry, const QString &applicationsDirectory)
{
    CommandParser parser;
    if (!applicationsDirectory.isEmpty())
        parser.setApplicationsDirectory(applicationsDirectory);
    parser.parseChosen(text, chosenEntry);
    return parser.classification();
}

CommandClassifier::CommandClassifier(QObject *parent)
    : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcher<void>::finished, this, [this] {
        // Delivered already when it was waited for; an older look's report
        // may still come after a newer look started.
        if (m_running.valid()
            && m_running.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
            deliver(m_running.get());
    });
}

CommandClassifier::~CommandClassifier() = default;

void CommandClassifier::setApplicationsDirectory(const QString &directory)
{
    m_applicationsDirectory = directory;
}

void CommandClassifier::classify(const QString &text, const QString &chosenEntry)
{
    const QString simplified = text.simplified();
    if (m_latest.text == simplified && m_latest.chosenEntry == chosenEntry
        && m_runningText.isNull())
        return;
    if (m_running.valid() && m_runningText == simplified && m_runningEntry == chosenEntry)
        return;

    auto promise = std::make_shared<std::promise<CommandClassification>>();
    m_running = promise->get_future().share();
    m_runningText = simplified;
    m_runningEntry = chosenEntry;
    m_runningFor.start();
    // Each typed text may wait on a stuck file until a newer text is typed;
    // only the newest one is watched.
    static QThreadPool *const classifications = newBackgroundThreadPool(16);
    m_watcher.setFuture(QtConcurrent::run(
        classifications, [promise, simplified, chosenEntry, directory = m_applicationsDirectory] {
            promise->set_value(classification(simplified, chosenEntry, directory));
        }));
}

std::optional<CommandClassification> CommandClassifier::waitFor(
    const QString &text, const QString &chosenEntry, int timeoutMs)
{
    const QString simplified = text.simplified();
    if (m_latest.text == simplified && m_latest.chosenEntry == chosenEntry
        && m_runningText.isNull())
        return m_latest;
    classify(simplified, chosenEntry);
    // A look that has taken long already is not waited for again.
    const qint64 left = qMax<qint64>(0, timeoutMs - m_runningFor.elapsed());
    if (m_running.wait_for(std::chrono::milliseconds(left)) != std::future_status::ready)
        return std::nullopt;
    // Delivered now rather than when the watcher's notification arrives.
    deliver(m_running.get());
    return m_latest;
}

void CommandClassifier::deliver(const CommandClassification &result)
{
    // Only the newest text counts; an older one came back late.
    if (result.text != m_runningText || result.chosenEntry != m_runningEntry)
        return;
    m_latest = result;
    m_runningText = QString();
    m_running = {};
    Q_EMIT classified(m_latest);
}
