// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef FILTEREXECUTABLESMODEL_H
#define FILTEREXECUTABLESMODEL_H

#include <QIdentityProxyModel>

/**
 * Sits between a file chooser and its QFileSystemModel: directories and the
 * files the user may execute can be chosen, other files are shown disabled.
 * The rows are the file system model's own, directories first.
 *
 * It hides no rows on purpose: a proxy that filters rows keeps tables of
 * them that it rebuilds whenever the file system model sorts itself, and
 * screen readers that read the list while it fills read freed tables. An
 * identity proxy's rows are the file system model's, which stay valid.
 */
class FilterExecutablesModel : public QIdentityProxyModel
{
    Q_OBJECT
public:
    explicit FilterExecutablesModel(QObject *parent = nullptr);

    /** The source's flags; neither enabled nor selectable for a file the user may not execute. */
    Qt::ItemFlags flags(const QModelIndex &index) const override;
};

#endif
