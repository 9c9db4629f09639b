// SPDX-License-Identifier: GPL-2.0-or-later
#include "executablefilechooser.h"

#include "desktop/settingsstore.h"
#include "filterexecutablesmodel.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>

static const QString directoryKey = QStringLiteral("Roderuz/defaultSelectDialogDir");
static const QString sizeKey = QStringLiteral("Roderuz/fileDialogSize");
static const QString defaultDirectory = QStringLiteral("/usr/bin");
static const QSize defaultSize(600, 400);

ExecutableFileChooser::ExecutableFileChooser(QWidget *parent)
    : parent(parent)
    , settings(SettingsStore::open())
{ }

ExecutableFileChooser::~ExecutableFileChooser() = default;

void ExecutableFileChooser::store(const QString &key, const QVariant &value)
{
    QString error;
    if (!SettingsStore::change([&](QSettings &stored) { stored.setValue(key, value); }, &error))
        qWarning("kav-run: %s", qPrintable(error));
    // What the next chooser of this choice opens with.
    settings = SettingsStore::open();
}

QString ExecutableFileChooser::choose()
{
    for (;;) {
        const QString path = askForFile();
        if (path.isEmpty())
            return QString();
        const QFileInfo file(path);
        if (file.exists() && file.isExecutable()) {
            store(directoryKey, file.canonicalPath());
            return file.canonicalFilePath();
        }
        if (!askToChooseAgain(path))
            return QString();
    }
}

QString ExecutableFileChooser::askForFile()
{
    QFileDialog chooser(parent, tr("Open executable"), startDirectory());
    chooser.setViewMode(QFileDialog::List);
    QSize size = settings->value(sizeKey, defaultSize).toSize();
    if (!size.isValid() || size.isEmpty())
        size = defaultSize;
    chooser.resize(size);
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    // The chooser does not take ownership of its proxy: make it the proxy's parent.
    chooser.setProxyModel(new FilterExecutablesModel(&chooser));

    QString path;
    if (chooser.exec() == QDialog::Accepted)
        path = chooser.selectedFiles().value(0);
    store(sizeKey, chooser.size());
    return path;
}

bool ExecutableFileChooser::askToChooseAgain(const QString &path)
{
    const bool missing = !QFileInfo::exists(path);
    const QString title = missing ? tr("File doesn't exist") : tr("File isn't executable");
    const QString text = missing
        ? tr("File you have selected doesn't exist. Do you want to choose another one?")
        : tr("You can't exec selected file. Do you want to choose another one?");
    return QMessageBox::warning(
               parent, title, text, QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::NoButton)
        != QMessageBox::Cancel;
}

// The stored folder may have gone since it was chosen: open the nearest folder
// that still exists above it rather than wherever the chooser would fall back.
QString ExecutableFileChooser::startDirectory() const
{
    const QString stored = settings->value(directoryKey, defaultDirectory).toString();
    if (QDir::isAbsolutePath(stored)) {
        QDir directory(QDir::cleanPath(stored));
        while (!directory.exists() && !directory.isRoot())
            directory.setPath(QFileInfo(directory.path()).path());
        if (directory.exists())
            return directory.path();
    }
    if (QFileInfo(defaultDirectory).isDir())
        return defaultDirectory;
    return QDir::homePath();
}
