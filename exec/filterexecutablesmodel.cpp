// SPDX-License-Identifier: GPL-2.0-or-later
#include "filterexecutablesmodel.h"

#include <QFileSystemModel>

FilterExecutablesModel::FilterExecutablesModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{ }

bool FilterExecutablesModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    // A top-level row has a parent without a model; its index stays invalid
    // and counts as a directory, so the file system's roots always show.
    const QModelIndex index = sourceParent.model()
        ? sourceParent.model()->index(sourceRow, 0, sourceParent)
        : QModelIndex();
    if (isDirectory(index))
        return true;
    const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
    return files && files->permissions(index).testFlag(QFileDevice::ExeUser);
}

bool FilterExecutablesModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const bool leftIsDirectory = isDirectory(left);
    if (leftIsDirectory != isDirectory(right))
        return leftIsDirectory;
    return QSortFilterProxyModel::lessThan(left, right);
}

bool FilterExecutablesModel::isDirectory(const QModelIndex &sourceIndex) const
{
    if (!sourceIndex.isValid())
        return true;
    const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
    return files && files->isDir(sourceIndex);
}
