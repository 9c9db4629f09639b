// SPDX-License-Identifier: GPL-2.0-or-later
// Times the applications index over 2 000 desktop entries: what its model costs
// the GUI thread when it is made, how long the background reading takes, and a
// key press (matching and the first rows' names and icons), beside the path
// completion of a folder of 2 000 files, then key presses in the command field
// with both in its completion list. Prints its figures; it is not a test.
#include "completion/applicationsmodel.h"
#include "completion/historybox.h"
#include "completion/pathcompletionmodel.h"
#include "fieldtiming.h"
#include "typicalapplications.h"

#include <QApplication>
#include <QCompleter>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

static const int entryCount = 2000;

static void writeFiles(const QString &folder)
{
    QDir().mkpath(folder);
    const QStringList words = applicationNameWords();
    QRandomGenerator random(23);
    for (int n = 0; n < entryCount; ++n) {
        QFile file(folder + QLatin1Char('/') + words.at(random.bounded(int(words.size())))
            + QString::number(n));
        file.open(QIODevice::WriteOnly);
    }
}

// Every prefix of every word, typed letter by letter.
static QStringList typedTexts()
{
    QStringList texts;
    for (const QString &whole : applicationNameWords()) {
        for (int length = 1; length <= whole.size(); ++length)
            texts.append(whole.left(length));
    }
    return texts;
}

static void benchApplications()
{
    ApplicationsModel *model = nullptr;
    const double made = milliseconds([&] { model = new ApplicationsModel; });
    QElapsedTimer loading;
    loading.start();
    QSignalSpy loaded(model, &ApplicationsModel::indexLoaded);
    loaded.wait(60000);
    std::printf("applications model made:        %.3f ms on the GUI thread\n", made);
    std::printf("index read in the background:   %.1f ms for %d entries\n",
        loading.nsecsElapsed() / 1e6, entryCount);

    QVector<double> presses;
    int rows = 0;
    for (const QString &typed : typedTexts()) {
        presses.append(milliseconds([&] {
            model->setTypedText(typed);
            readShownRows(*model);
        }));
        rows += model->rowCount();
    }
    std::printf("key press, applications:        median %.3f ms, slowest %.3f ms "
                "(%d presses, %d rows offered on average)\n",
        median(presses), slowest(presses), int(presses.size()), rows / int(presses.size()));
    delete model;
}

static void benchPaths(const QString &folder)
{
    PathCompletionModel model;
    model.setText(folder + QLatin1Char('/'), folder.size() + 1);
    QElapsedTimer listing;
    listing.start();
    while (model.rowCount() == 0 && !listing.hasExpired(60000))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    std::printf("folder read in the background:  %.1f ms for %d files\n",
        listing.nsecsElapsed() / 1e6, model.rowCount());

    QVector<double> presses;
    for (const QString &typed : typedTexts()) {
        const QString text = folder + QLatin1Char('/') + typed;
        presses.append(milliseconds([&] {
            model.setText(text, text.size());
            readShownRows(model);
        }));
    }
    std::printf("key press, paths:               median %.3f ms, slowest %.3f ms (%d presses)\n",
        median(presses), slowest(presses), int(presses.size()));
}

static void benchCommandField(const QString &folder)
{
    HistoryBox box;
    box.setHistoryItems({ QStringLiteral("make -j2"), QStringLiteral("ls -l") });
    showCommandField(box);
    // The applications arrive in the background; the presses below time their use.
    QTest::qWait(2000);

    QVector<double> words;
    for (const char *word : { "edit", "term", "calc", "mus", "set", "deve" }) {
        box.lineEdit()->clear();
        QCoreApplication::processEvents();
        for (const char *letter = word; *letter; ++letter)
            words.append(keyPressToList(box, *letter));
    }
    std::printf("key press, command field:       median %.3f ms, slowest %.3f ms "
                "(%d presses, applications and programs)\n",
        median(words), slowest(words), int(words.size()));

    QVector<double> paths;
    box.lineEdit()->setText(folder + QLatin1Char('/'));
    for (const char *word : { "te", "ed", "mu" }) {
        for (const char *letter = word; *letter; ++letter)
            paths.append(keyPressToList(box, *letter));
        for (const char *letter = word; *letter; ++letter)
            QTest::keyClick(box.lineEdit(), Qt::Key_Backspace);
    }
    std::printf("key press, command field path:  median %.3f ms, slowest %.3f ms (%d presses)\n",
        median(paths), slowest(paths), int(paths.size()));
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir root;
    if (!root.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    writeTypicalApplications(root.filePath(QStringLiteral("data/applications")), entryCount);
    writeFiles(root.filePath(QStringLiteral("files")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath(QStringLiteral("data"))));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(root.filePath(QStringLiteral("none"))));

    benchApplications();
    benchPaths(root.filePath(QStringLiteral("files")));
    benchCommandField(root.filePath(QStringLiteral("files")));
    return 0;
}
