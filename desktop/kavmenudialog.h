// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef KAVMENUDIALOG_H
#define KAVMENUDIALOG_H

#include "applicationentry.h"
#include "applicationkeys.h"

#include <QDialog>

#include <functional>

class QDialogButtonBox;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

/**
 * Lets the user pick an application from the desktop's application menu: the
 * installed applications grouped by category, or, while a search text is
 * typed, the applications it finds in one list, the best matches first
 * (ApplicationKeys, as the command field ranks them), within a match class
 * those the user ran most (setUsageScore()), then the others whose
 * name, generic name, comment or keywords contain every word of it.
 * It is meant for the keyboard: the search field keeps the focus, the best
 * match is current, Up and Down move through the applications, Enter takes
 * the current one, Escape cancels.
 */
class KavMenuDialog : public QDialog
{
    Q_OBJECT
public:
    explicit KavMenuDialog(QWidget *parent = nullptr);
    ~KavMenuDialog() override;

    /**
     * Ranks the applications that match a search text equally well by
     * @p score, highest first, as the command field ranks them by the
     * record of what the user ran. Without one they stay in name order.
     */
    void setUsageScore(const std::function<double(const ApplicationEntry &)> &score);

    /**
     * The application chosen when the dialog was accepted.
     *
     * @return the entry; one with an empty id when nothing was chosen
     */
    ApplicationEntry chosenApplication() const;

public Q_SLOTS:
    /** Accepts the dialog when an application is current; does nothing otherwise. */
    void accept() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillMenu();
    void applyFilter(const QString &filter);
    /** Lists the applications that @p filter finds, best first, instead of the menu. */
    void showFound(const QString &filter);
    void moveCurrent(int step);
    void updateOkButton();
    QList<QTreeWidgetItem *> visibleApplications() const;
    /** The current item when it is a shown application, else nullptr. */
    const QTreeWidgetItem *currentApplication() const;

    QLineEdit *filterEdit;
    QTreeWidget *menuTree;
    QDialogButtonBox *buttons;
    QList<ApplicationEntry> applications;
    QVector<ApplicationKeys> applicationKeys;
    // Per application, its item in the menu.
    QVector<QTreeWidgetItem *> menuItems;
    // The applications found for the search text, in the place of the menu.
    QList<QTreeWidgetItem *> foundItems;
    std::function<double(const ApplicationEntry &)> usageScore;
    // Index of the chosen application; -1 for none.
    int chosen = -1;
};

#endif
