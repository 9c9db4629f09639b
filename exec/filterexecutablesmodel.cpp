// SPDX-License-Identifier: GPL-2.0-or-later
#include "filterexecutablesmodel.h"

#include <QFileSystemModel>

FilterExecutablesModel::FilterExecutablesModel(QObject *parent)
    : QIdentityProxyModel(parent)
{ }

Qt::ItemFlags FilterExecutablesModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags flags = QIdentityProxyModel::flags(index);
    const QModelIndex source = mapToSource(index);
    const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
    if (!files || !source.isValid() || files->isDir(source)
        || files->permissions(source).testFlag(QFileDevice::ExeUser))
        return flags;
    return flags & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
}
