// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef ZERODEVICE_H
#define ZERODEVICE_H

#include <QString>

/**
 * Makes @p link a symbolic link to a device that reads as endless zero
 * bytes. Root gets a node of its own in @p deviceFolder: a program under
 * test that wrongly replaced the link's target as root would otherwise
 * replace /dev/zero for the whole machine. Others link to /dev/zero, which
 * they cannot replace.
 *
 * @return the device the link points to; empty when it could not be made
 */
QString linkToZeroDevice(const QString &link, const QString &deviceFolder);

#endif
