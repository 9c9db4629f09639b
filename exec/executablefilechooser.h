// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef EXECUTABLEFILECHOOSER_H
#define EXECUTABLEFILECHOOSER_H

#include <QCoreApplication>
#include <QString>
#include <QVariant>

#include <memory>

class QSettings;
class QWidget;

/**
 * Lets the user pick an executable file with a file chooser that shows only
 * directories and executables. The chooser opens in the folder of the last
 * executable chosen and at the size it had when it was last closed; both are
 * kept in the settings ("Roderuz/defaultSelectDialogDir",
 * "Roderuz/fileDialogSize").
 */
class ExecutableFileChooser
{
    Q_DECLARE_TR_FUNCTIONS(Roderuz)
public:
    /** The chooser and its warnings are shown modal to @p parent. */
    explicit ExecutableFileChooser(QWidget *parent);
    ~ExecutableFileChooser();
    Q_DISABLE_COPY(ExecutableFileChooser)

    /**
     * Shows the chooser, again after each file that does not exist or cannot be
     * executed, until the user picks an executable or gives up.
     *
     * @return the chosen file's path with links resolved, or an empty string
     *         when the user cancelled
     */
    QString choose();

private:
    /** The file accepted in the chooser, or an empty string when cancelled. */
    QString askForFile();
    /** Whether the user wants to pick another file instead of @p path. */
    bool askToChooseAgain(const QString &path);
    QString startDirectory() const;
    /** Stores @p value under @p key; a file that cannot be written only loses it. */
    void store(const QString &key, const QVariant &value);

    QWidget *parent;
    std::unique_ptr<QSettings> settings;
};

#endif
