// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef FIELDTIMING_H
#define FIELDTIMING_H

#include <QVector>

#include <functional>

class HistoryBox;
class QAbstractItemModel;

/** How long @p work takes, in milliseconds. */
double milliseconds(const std::function<void()> &work);
/** The median of @p values; 0 for none. */
double median(QVector<double> values);
/** The largest of @p values; 0 for none. */
double slowest(const QVector<double> &values);

/** Reads what a completion list reads of the rows it shows: their texts and icons. */
void readShownRows(const QAbstractItemModel &model);

/** Shows @p box active, with the focus in its field, as the dialog shows its command field. */
void showCommandField(HistoryBox &box);

/**
 * What the user waits for: the milliseconds from a press of @p key in the
 * field of @p box to a settled completion list whose shown rows are read.
 */
double keyPressToList(HistoryBox &box, char key);

#endif
