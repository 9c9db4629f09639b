// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef TYPICALHISTORY_H
#define TYPICALHISTORY_H

#include <QStringList>

/**
 * A command history of @p entries different commands as people type them:
 * programs with arguments, paths and addresses, most recent first.
 */
QStringList typicalHistory(int entries);

#endif
