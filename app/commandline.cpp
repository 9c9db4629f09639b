// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandline.h"

#include "dialog/roderuz.h"

#include <QDebug>

static const int normalPriorityLow = -20;
static const int normalPriorityHigh = 19;
static const int realtimePriorityLow = 1;
static const int realtimePriorityHigh = 99;

CommandLine::CommandLine()
    : m_terminal(
        { QStringLiteral("t"), QStringLiteral("terminal") }, QObject::tr("Run in terminal"))
    , m_user({ QStringLiteral("u"), QStringLiteral("user") }, QObject::tr("Run as user <username>"),
          QStringLiteral("username"))
    , m_su(QStringLiteral("su"), QObject::tr("Use su by default"))
    , m_sudo(QStringLiteral("sudo"), QObject::tr("Use sudo by default"))
    , m_realtime({ QStringLiteral("r"), QStringLiteral("realtime") },
          QObject::tr("Run with real-time scheduling"))
    , m_priority({ QStringLiteral("p"), QStringLiteral("priority") },
          QObject::tr("Set priority. It ranges from 19 to -20 for normal scheduling (as "
                      "parameter for nice command). For realtime scheduling priority "
                      "ranges from 1 to 99."),
          QStringLiteral("priority"))
    , m_resident(QStringLiteral("resident"),
          QObject::tr("Wait in the background without a window; later starts show the dialog "
                      "at once"))
{
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    m_parser.addOptions({ m_terminal, m_user, m_su, m_sudo, m_realtime, m_priority, m_resident });
    m_parser.addPositionalArgument(
        QStringLiteral("command"), QObject::tr("Command to run"), QString());
}

void CommandLine::process(const QStringList &arguments)
{
    m_parser.process(arguments);
}

bool CommandLine::read(const QStringList &arguments)
{
    return m_parser.parse(arguments) && !m_parser.isSet(QStringLiteral("help"))
        && !m_parser.isSet(QStringLiteral("help-all"))
        && !m_parser.isSet(QStringLiteral("version"));
}

bool CommandLine::isResident() const
{
    return m_parser.isSet(m_resident);
}

// The priority option's value; a value that is no number counts as 0 and a
// value outside the range of the chosen scheduling is left to the slider to
// clamp. Each problem is reported.
int CommandLine::priority() const
{
    bool isNumber = false;
    int value = m_parser.value(m_priority).toInt(&isNumber, 10);
    if (!isNumber) {
        qCritical() << QObject::tr("wrong priority");
        value = 0;
    }
    const bool realtime = m_parser.isSet(m_realtime);
    const int low = realtime ? realtimePriorityLow : normalPriorityLow;
    const int high = realtime ? realtimePriorityHigh : normalPriorityHigh;
    if (value < low || value > high)
        qCritical() << QObject::tr("wrong priority");
    return value;
}

void CommandLine::applyPresets(Roderuz &dialog) const
{
    if (m_parser.isSet(m_user))
        dialog.setUser(m_parser.value(m_user));
    if (m_parser.isSet(m_su) && m_parser.isSet(m_sudo))
        qCritical() << QObject::tr("su can't be used with sudo");
    if (m_parser.isSet(m_su))
        dialog.setUseSu();
    if (m_parser.isSet(m_realtime))
        dialog.setRealtime();
    if (m_parser.isSet(m_priority))
        dialog.setPriority(priority());
    if (m_parser.isSet(m_sudo))
        dialog.setUseSudo();
    const QStringList words = m_parser.positionalArguments();
    if (!words.isEmpty())
        dialog.setCommandText(words.join(QLatin1Char(' ')));
    if (m_parser.isSet(m_terminal))
        dialog.setRunInTerminal(true);
}
