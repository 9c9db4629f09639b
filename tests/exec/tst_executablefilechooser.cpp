// SPDX-License-Identifier: GPL-2.0-or-later
#include "exec/executablefilechooser.h"

#include <QAbstractProxyModel>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>

static const QString directoryKey = QStringLiteral("Roderuz/defaultSelectDialogDir");
static const QString sizeKey = QStringLiteral("Roderuz/fileDialogSize");

/**
 * Plays the user's part: each step waits for the next modal chooser or
 * message box to be shown and acts on it.
 */
class UserScript : public QObject
{
public:
    void chooseFile(const QString &path, const QSize &size = QSize())
    {
        steps.push_back([=](QWidget *widget) {
            auto *chooser = qobject_cast<QFileDialog *>(widget);
            if (!chooser)
                return false;
            seenDirectories.append(chooser->directory().absolutePath());
            seenSizes.append(chooser->size());
            seenSetups.append(chooser->windowTitle() + QLatin1Char('|')
                + QString::number(chooser->viewMode()) + QLatin1Char('|')
                + QString::number(chooser->testOption(QFileDialog::DontUseNativeDialog))
                + QLatin1Char('|')
                + QLatin1String(chooser->proxyModel()->metaObject()->className()));
            if (size.isValid())
                chooser->resize(size);
            if (path.isEmpty()) {
                chooser->reject();
            } else {
                // selectFile() leaves the name field alone while it has the
                // focus, so type the path as the user would.
                chooser->selectFile(path);
                chooser->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
                static_cast<QDialog *>(chooser)->accept();
            }
            return true;
        });
    }
    void cancelChooser(const QSize &size = QSize()) { chooseFile(QString(), size); }

    void answer(QMessageBox::StandardButton button)
    {
        steps.push_back([=](QWidget *widget) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (!box)
                return false;
            seenMessages.append(box->windowTitle() + QLatin1Char('|') + box->text());
            box->button(button)->click();
            return true;
        });
    }

    /** Starts acting; steps left over when the call returns are a failure. */
    void start()
    {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, this, &UserScript::act);
        timer.start();
    }
    bool finished() const { return steps.empty(); }

    QStringList seenDirectories;
    QList<QSize> seenSizes;
    QStringList seenSetups;
    QStringList seenMessages;

private:
    void act()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (steps.empty() || !modal || !modal->isVisible())
            return;
        if (steps.front()(modal))
            steps.pop_front();
    }

    std::deque<std::function<bool(QWidget *)>> steps;
    QTimer timer;
};

class ExecutableFileChooserTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void firstUseOpensUsrBinAtDefaultSize();
    void cancelStoresOnlyTheSize();
    void choosingAnExecutableRemembersItsFolderAndSize();
    void linkYieldsTheResolvedTarget();
    void nonExecutableAskedAgain_data();
    void nonExecutableAskedAgain();
    void missingFileCancelled();
    void missingStoredFolderOpensNearestParent();
    void corruptedSizeFallsBackToDefault();

private:
    QString choose(UserScript &script);

    QTemporaryDir sandbox;
    QString binDir;
    QString tool;
};

void ExecutableFileChooserTest::initTestCase()
{
    QVERIFY(sandbox.isValid());
    QSettings::setPath(
        QSettings::NativeFormat, QSettings::UserScope, sandbox.filePath(QStringLiteral("config")));
    QCoreApplication::setOrganizationName(QStringLiteral("kav-test"));
    QCoreApplication::setApplicationName(QStringLiteral("chooser-test"));

    QDir root(sandbox.path());
    QVERIFY(root.mkpath(QStringLiteral("tools/bin")));
    QVERIFY(root.mkpath(QStringLiteral("links")));
    binDir = QDir(sandbox.filePath(QStringLiteral("tools/bin"))).canonicalPath();
    tool = binDir + QStringLiteral("/tool");
    QFile script(tool);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n");
    script.close();
    QVERIFY(
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser));
    QFile notes(binDir + QStringLiteral("/notes.txt"));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.close();
    QVERIFY(QFile::link(tool, sandbox.filePath(QStringLiteral("links/tool-link"))));
}

void ExecutableFileChooserTest::init()
{
    QSettings().clear();
}

QString ExecutableFileChooserTest::choose(UserScript &script)
{
    QWidget parent;
    script.start();
    const QString chosen = ExecutableFileChooser(&parent).choose();
    if (!script.finished())
        qWarning("the chooser ended before the user was done");
    return chosen;
}

void ExecutableFileChooserTest::firstUseOpensUsrBinAtDefaultSize()
{
    if (!QFileInfo(QStringLiteral("/usr/bin")).isDir())
        QSKIP("there is no /usr/bin here");
    UserScript script;
    script.cancelChooser();
    QVERIFY(choose(script).isEmpty());
    QVERIFY(script.finished());
    QCOMPARE(script.seenDirectories, QStringList { QStringLiteral("/usr/bin") });
    QCOMPARE(script.seenSizes.value(0), QSize(600, 400));
    QCOMPARE(script.seenSetups,
        QStringList {
            QStringLiteral("Open executable|%1|1|FilterExecutablesModel").arg(QFileDialog::List) });
}

void ExecutableFileChooserTest::cancelStoresOnlyTheSize()
{
    QSettings().setValue(directoryKey, binDir);
    UserScript script;
    script.cancelChooser(QSize(640, 480));
    QVERIFY(choose(script).isEmpty());
    QVERIFY(script.finished());
    QSettings settings;
    QCOMPARE(settings.value(sizeKey).toSize(), QSize(640, 480));
    QCOMPARE(settings.value(directoryKey).toString(), binDir);
}

void ExecutableFileChooserTest::choosingAnExecutableRemembersItsFolderAndSize()
{
    UserScript first;
    first.chooseFile(tool, QSize(700, 500));
    QCOMPARE(choose(first), tool);
    QCOMPARE(QSettings().value(directoryKey).toString(), binDir);

    UserScript second;
    second.cancelChooser();
    choose(second);
    QCOMPARE(second.seenDirectories, QStringList { binDir });
    QCOMPARE(second.seenSizes.value(0), QSize(700, 500));
}

void ExecutableFileChooserTest::linkYieldsTheResolvedTarget()
{
    UserScript script;
    script.chooseFile(sandbox.filePath(QStringLiteral("links/tool-link")));
    QCOMPARE(choose(script), tool);
    QCOMPARE(QSettings().value(directoryKey).toString(), binDir);
}

void ExecutableFileChooserTest::nonExecutableAskedAgain_data()
{
    QTest::addColumn<bool>("chooseAnother");
    QTest::newRow("yes, then an executable") << true;
    QTest::newRow("cancel") << false;
}

void ExecutableFileChooserTest::nonExecutableAskedAgain()
{
    QFETCH(bool, chooseAnother);
    const QString startDir = sandbox.filePath(QStringLiteral("links"));
    QSettings().setValue(directoryKey, startDir);

    UserScript script;
    script.chooseFile(binDir + QStringLiteral("/notes.txt"));
    script.answer(chooseAnother ? QMessageBox::Yes : QMessageBox::Cancel);
    if (chooseAnother)
        script.chooseFile(tool);
    const QString chosen = choose(script);
    QVERIFY(script.finished());
    QCOMPARE(script.seenMessages,
        QStringList { QStringLiteral("File isn't executable|You can't exec selected file. Do "
                                     "you want to choose another one?") });
    QCOMPARE(chosen, chooseAnother ? tool : QString());
    QCOMPARE(QSettings().value(directoryKey).toString(), chooseAnother ? binDir : startDir);
}

void ExecutableFileChooserTest::missingFileCancelled()
{
    UserScript script;
    script.chooseFile(binDir + QStringLiteral("/no-such-program"));
    script.answer(QMessageBox::Cancel);
    QVERIFY(choose(script).isEmpty());
    QVERIFY(script.finished());
    QCOMPARE(script.seenMessages,
        QStringList { QStringLiteral("File doesn't exist|File you have selected doesn't "
                                     "exist. Do you want to choose another one?") });
    QVERIFY(!QSettings().contains(directoryKey));
}

void ExecutableFileChooserTest::missingStoredFolderOpensNearestParent()
{
    QSettings().setValue(directoryKey, binDir + QStringLiteral("/gone/deeper"));
    UserScript script;
    script.cancelChooser();
    choose(script);
    QCOMPARE(script.seenDirectories, QStringList { binDir });
}

void ExecutableFileChooserTest::corruptedSizeFallsBackToDefault()
{
    QSettings().setValue(sizeKey, QStringLiteral("garbage"));
    UserScript script;
    script.cancelChooser();
    choose(script);
    QCOMPARE(script.seenSizes.value(0), QSize(600, 400));
    QCOMPARE(QSettings().value(sizeKey).toSize(), QSize(600, 400));
}

QTEST_MAIN(ExecutableFileChooserTest)

#include "tst_executablefilechooser.moc"
