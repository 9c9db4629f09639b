// SPDX-License-Identifier: GPL-2.0-or-later
#include "pseudoterminal.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

struct PseudoTerminal::Private
{
    int master = -1;
    int slave = -1;
    bool ownsMaster = true;
};

PseudoTerminal::PseudoTerminal()
    : d(std::make_unique<Private>())
{ }

PseudoTerminal::~PseudoTerminal()
{
    closePair();
}

bool PseudoTerminal::openPair()
{
    if (d->master >= 0)
        return true;
    d->ownsMaster = true;
    if (openpty(&d->master, &d->slave, nullptr, nullptr, nullptr) < 0) {
        d->master = -1;
        d->slave = -1;
        return false;
    }
    fcntl(d->master, F_SETFD, FD_CLOEXEC);
    fcntl(d->slave, F_SETFD, FD_CLOEXEC);
    return true;
}

void PseudoTerminal::closeSlaveSide()
{
    if (d->slave < 0)
        return;
    close(d->slave);
    d->slave = -1;
}

void PseudoTerminal::closePair()
{
    if (d->master < 0)
        return;
    closeSlaveSide();
    if (d->ownsMaster)
        close(d->master);
    d->master = -1;
}

void PseudoTerminal::makeControllingTerminal()
{
    setsid();
    ioctl(d->slave, TIOCSCTTY, 0);
    tcsetpgrp(d->slave, getpid());
}

bool PseudoTerminal::getAttributes(struct termios *attributes) const
{
    return ioctl(d->master, TCGETS, attributes) == 0;
}

bool PseudoTerminal::setAttributes(const struct termios *attributes)
{
    return ioctl(d->master, TCSETS, attributes) == 0;
}

bool PseudoTerminal::setSlaveEcho(bool on)
{
    struct termios attributes;
    if (!getAttributes(&attributes))
        return false;
    if (on)
        attributes.c_lflag |= ECHO;
    else
        attributes.c_lflag &= ~ECHO;
    return setAttributes(&attributes);
}

int PseudoTerminal::masterDescriptor() const
{
    return d->master;
}

int PseudoTerminal::slaveDescriptor() const
{
    return d->slave;
}
