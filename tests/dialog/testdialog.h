// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef TESTDIALOG_H
#define TESTDIALOG_H

#include <memory>

class Roderuz;

/**
 * A run dialog with its settings read and its default user arrived from the
 * pool thread, so that the look-up neither outlives the dialog nor changes it
 * during a test.
 *
 * @return the dialog; nullptr when the look-up did not finish in time
 */
std::unique_ptr<Roderuz> createSettledDialog();

#endif
