// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef PASSWORDACCESSIBILITY_H
#define PASSWORDACCESSIBILITY_H

/**
 * Keeps what is typed into password fields away from screen readers. Qt
 * tells the accessibility bus every character inserted into or removed from
 * a line edit, whatever its echo mode; from install() on, a line edit that
 * shows bullets tells a bullet for each character instead, and one that
 * shows nothing tells nothing. Typing, pasting, deleting and clearing the
 * field by program all pass here.
 *
 * A child forked by the process sends nothing: the bus connection is its
 * parent's, and the thread that writes to it lives in the parent only.
 */
class PasswordAccessibility
{
public:
    /** Takes over the accessibility events of the process; calling it again does nothing. */
    static void install();
};

#endif
