// SPDX-License-Identifier: GPL-2.0-or-later
#include "terminalchoice.h"

void TerminalChoice::setByHand(bool on, const QString &program)
{
    m_byHand = true;
    m_on = on;
    m_program = program;
}

void TerminalChoice::fieldEmptied()
{
    if (!m_program.isEmpty())
        reset();
}

void TerminalChoice::reset()
{
    *this = TerminalChoice();
}

bool TerminalChoice::appliesTo(const QString &program) const
{
    return m_byHand && (m_program.isEmpty() || m_program == program);
}

bool TerminalChoice::ticked(const QString &program, bool asked) const
{
    return appliesTo(program) ? m_on : asked;
}

void TerminalChoice::teach(
    QStringList *terminalApplications, const QString &program, const QString &executableName) const
{
    if (executableName.isEmpty() || !appliesTo(program))
        return;
    if (!m_on)
        terminalApplications->removeAll(executableName);
    else if (!terminalApplications->contains(executableName))
        terminalApplications->append(executableName);
}
