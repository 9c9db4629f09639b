// SPDX-License-Identifier: GPL-2.0-or-later
#include "exec/iorvanrunner.h"
#include "exec/runnerpluginloader.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <dirent.h>
#include <memory>

static const QString pluginBuildDir = QStringLiteral(TEST_PLUGIN_DIR);

/** A plug-in folder holding copies of the named test plug-ins. */
static std::unique_ptr<QTemporaryDir> pluginFolder(
    const QStringList &plugins, bool withBrokenLibrary = false)
{
    auto folder = std::make_unique<QTemporaryDir>();
    for (const QString &plugin : plugins) {
        const QString name = plugin + QStringLiteral(".so");
        if (!QFile::copy(pluginBuildDir + QLatin1Char('/') + name, folder->filePath(name)))
            qFatal("cannot copy the test plug-in %s", qPrintable(name));
    }
    if (withBrokenLibrary) {
        QFile broken(folder->filePath(QStringLiteral("broken.so")));
        if (!broken.open(QIODevice::WriteOnly) || broken.write("not a shared library\n") < 0)
            qFatal("cannot write broken.so");
    }
    return folder;
}

static QStringList names(std::initializer_list<const char *> list)
{
    QStringList result;
    for (const char *name : list)
        result.append(QLatin1String(name));
    return result;
}

/** Which test plug-in @p runner is: its prefix before a command. */
static QString runnerName(IOrvanRunner *runner)
{
    return runner ? runner->wrapCommand(QString()).trimmed() : QString();
}

/** The end of the run dialog's advanced options, chained as the form chains it. */
struct OptionsForm
{
    OptionsForm()
    {
        auto *layout = new QVBoxLayout(&window);
        for (const char *name : { "cbRunInTerminal", "cbRunAsOther", "cbPriority", "cbRealtime" }) {
            auto *box = new QCheckBox(&window);
            box->setObjectName(QLatin1String(name));
            layout->addWidget(box);
            options.append(box);
        }
        orvanWidget = new QWidget(&window);
        layout->addWidget(orvanWidget);
        pbRun = new QPushButton(QStringLiteral("Run"), &window);
        pbRun->setObjectName(QStringLiteral("pbRun"));
        layout->addWidget(pbRun);
        pbCancel = new QPushButton(QStringLiteral("Cancel"), &window);
        pbCancel->setObjectName(QStringLiteral("pbCancel"));
        layout->addWidget(pbCancel);
        QWidget::setTabOrder(options.last(), pbRun);
        QWidget::setTabOrder(pbRun, pbCancel);
    }

    /** Object names of the widgets Tab reaches after cbRealtime, up to pbCancel. */
    QStringList tabOrderAfterRealtime() const
    {
        QStringList names;
        for (QWidget *widget = options.last()->nextInFocusChain(); widget != options.last();
             widget = widget->nextInFocusChain()) {
            if (!(widget->focusPolicy() & Qt::TabFocus))
                continue;
            names.append(widget->objectName());
            if (widget == pbCancel)
                break;
        }
        return names;
    }

    QWidget window;
    QList<QCheckBox *> options;
    QWidget *orvanWidget;
    QPushButton *pbRun;
    QPushButton *pbCancel;
};

class RunnerPluginLoaderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void noFolderOrNoRunner();
    void skipsLibrariesThatAreNotRunners();
    void firstRunnerInFolderOrderWins();
    void focusableControlsJoinTheTabOrder();
    void tabOrderUnchangedWithoutControlsOrWhenDeclined_data();
    void tabOrderUnchangedWithoutControlsOrWhenDeclined();
};

void RunnerPluginLoaderTest::noFolderOrNoRunner()
{
    QTemporaryDir parent;
    QCOMPARE(loadFirstRunner(parent.filePath(QStringLiteral("missing"))), nullptr);
    QCOMPARE(loadFirstRunner(parent.path()), nullptr);

    const auto folder = pluginFolder({ QStringLiteral("otherinterfaceplugin") }, true);
    QCOMPARE(loadFirstRunner(folder->path()), nullptr);

    OptionsForm form;
    QVERIFY(
        !installRunner(nullptr, form.orvanWidget, form.options, form.options.last(), form.pbRun));
    QCOMPARE(form.tabOrderAfterRealtime(), names({ "pbRun", "pbCancel" }));
}

void RunnerPluginLoaderTest::skipsLibrariesThatAreNotRunners()
{
    const auto folder = pluginFolder(
        { QStringLiteral("otherinterfaceplugin"), QStringLiteral("prefixrunner") }, true);
    IOrvanRunner *runner = loadFirstRunner(folder->path());
    QVERIFY(runner);
    QVERIFY(runner->isActive());
    QCOMPARE(runner->wrapCommand(QStringLiteral("xterm -e top")),
        QStringLiteral("prefixrunner xterm -e top"));
}

// The names in @p folder in the order the file system lists them.
static QStringList directoryOrder(const QString &folder)
{
    QStringList names;
    DIR *directory = opendir(QFile::encodeName(folder).constData());
    while (const dirent *entry = directory ? readdir(directory) : nullptr) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name != QLatin1String(".") && name != QLatin1String(".."))
            names.append(name);
    }
    if (directory)
        closedir(directory);
    return names;
}

void RunnerPluginLoaderTest::firstRunnerInFolderOrderWins()
{
    // Two runners under names whose sorted order is not the folder's order;
    // the file system decides the order, so a few name pairs are tried.
    for (int attempt = 0; attempt < 20; ++attempt) {
        QTemporaryDir folder;
        const QString first = QStringLiteral("a%1.so").arg(attempt);
        const QString second = QStringLiteral("b%1.so").arg(attempt);
        QVERIFY(QFile::copy(
            pluginBuildDir + QStringLiteral("/prefixrunner.so"), folder.filePath(first)));
        QVERIFY(QFile::copy(
            pluginBuildDir + QStringLiteral("/widgetlessrunner.so"), folder.filePath(second)));
        if (directoryOrder(folder.path()) != QStringList { second, first })
            continue;
        QCOMPARE(runnerName(loadFirstRunner(folder.path())), QStringLiteral("widgetlessrunner"));
        return;
    }
    QFAIL("the file system lists every name pair in sorted order");
}

void RunnerPluginLoaderTest::focusableControlsJoinTheTabOrder()
{
    const auto folder = pluginFolder({ QStringLiteral("prefixrunner") });
    IOrvanRunner *runner = loadFirstRunner(folder->path());
    QVERIFY(runner);

    OptionsForm form;
    QVERIFY(installRunner(runner, form.orvanWidget, form.options, form.options.last(), form.pbRun));
    QCOMPARE(form.orvanWidget->property("optionNames").toStringList(),
        names({ "cbRunInTerminal", "cbRunAsOther", "cbPriority", "cbRealtime" }));
    QCOMPARE(form.tabOrderAfterRealtime(), names({ "first", "second", "pbRun", "pbCancel" }));
}

void RunnerPluginLoaderTest::tabOrderUnchangedWithoutControlsOrWhenDeclined_data()
{
    QTest::addColumn<QString>("plugin");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<bool>("active");
    QTest::newRow("no controls") << QStringLiteral("widgetlessrunner") << true << false;
    QTest::newRow("declined") << QStringLiteral("refusingrunner") << false << true;
}

void RunnerPluginLoaderTest::tabOrderUnchangedWithoutControlsOrWhenDeclined()
{
    QFETCH(QString, plugin);
    QFETCH(bool, installed);
    QFETCH(bool, active);
    const auto folder = pluginFolder({ plugin });
    IOrvanRunner *runner = loadFirstRunner(folder->path());
    QCOMPARE(runnerName(runner), plugin);

    OptionsForm form;
    QCOMPARE(installRunner(runner, form.orvanWidget, form.options, form.options.last(), form.pbRun),
        installed);
    QCOMPARE(form.tabOrderAfterRealtime(), names({ "pbRun", "pbCancel" }));
    // A runner that declined stays loaded and is still asked at every launch.
    QCOMPARE(runner->isActive(), active);
    QCOMPARE(runner->wrapCommand(QStringLiteral("ls")), plugin + QStringLiteral(" ls"));
}

QTEST_MAIN(RunnerPluginLoaderTest)

#include "tst_runnerpluginloader.moc"
