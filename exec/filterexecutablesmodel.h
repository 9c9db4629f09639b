// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef FILTEREXECUTABLESMODEL_H
#define FILTEREXECUTABLESMODEL_H

#include <QSortFilterProxyModel>

/**
 * Sits between a file chooser and its QFileSystemModel: shows directories and
 * the files the user may execute, directories first.
 */
class FilterExecutablesModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit FilterExecutablesModel(QObject *parent = nullptr);

protected:
    /** True for directories and for files with the user-execute permission. */
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    /** Directories sort before files; entries of one kind keep the base order. */
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    bool isDirectory(const QModelIndex &sourceIndex) const;
};

#endif
