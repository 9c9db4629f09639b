// SPDX-License-Identifier: GPL-2.0-or-later
// Times the applications index over 2 000 desktop entries: what its model costs
// the GUI thread when it is made, how long the background reading takes, and a
// key press (matching and the first rows' names and icons), beside the path
// completion of a folder of 2 000 files, then key presses in the command field
// with both in its completion list. Prints its figures; it is not a test.
#include "completion/applicationsmodel.h"
#include "completion/historybox.h"
#include "completion/pathcompletionmodel.h"

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

#include <algorithm>
#include <cstdio>
#include <functional>

static const int entryCount = 2000;
static const int shownRows = 10;

static const char *const words[] = { "text", "editor", "image", "viewer", "music", "player",
    "terminal", "office", "calculator", "browser", "mail", "chat", "video", "game", "system",
    "monitor", "file", "manager", "settings", "développement" };

static QString randomWord(QRandomGenerator &random)
{
    return QString::fromUtf8(words[random.bounded(int(std::size(words)))]);
}

static void writeEntries(const QString &folder)
{
    QDir().mkpath(folder);
    QRandomGenerator random(17);
    for (int n = 0; n < entryCount; ++n) {
        QFile file(folder + QStringLiteral("/org.example.App%1.desktop").arg(n));
        if (!file.open(QIODevice::WriteOnly))
            continue;
        const QString name = randomWord(random) + QLatin1Char(' ') + randomWord(random);
        file.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=%1 %2\n"
                                  "Name[de]=%1 %2 de\nGenericName=%3\nKeywords=%4;%5;\n"
                                  "Icon=app-%2\nExec=app%2 %U\n")
                       .arg(name)
                       .arg(n)
                       .arg(randomWord(random), randomWord(random), randomWord(random))
                       .toUtf8());
    }
}

static void writeFiles(const QString &folder)
{
    QDir().mkpath(folder);
    QRandomGenerator random(23);
    for (int n = 0; n < entryCount; ++n) {
        QFile file(folder + QLatin1Char('/') + randomWord(random) + QString::number(n));
        file.open(QIODevice::WriteOnly);
    }
}

static double milliseconds(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

static double median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0.0 : values.at(values.size() / 2);
}

static double slowest(const QVector<double> &values)
{
    return values.isEmpty() ? 0.0 : *std::max_element(values.cbegin(), values.cend());
}

// What the completion list reads of the rows it shows.
static void readShownRows(const QAbstractItemModel &model)
{
    for (int row = 0; row < std::min(shownRows, model.rowCount()); ++row) {
        model.index(row, 0).data(Qt::DisplayRole);
        model.index(row, 0).data(Qt::DecorationRole);
    }
}

// Every prefix of every word, typed letter by letter.
static QStringList typedTexts()
{
    QStringList texts;
    for (const char *word : words) {
        const QString whole = QString::fromUtf8(word);
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

// What the user waits for: from the key press to a settled completion list.
static double keyPress(QLineEdit *lineEdit, const QAbstractItemModel *matches, char key)
{
    return milliseconds([&] {
        QTest::keyClick(lineEdit, key);
        int rows = -1;
        while (rows != matches->rowCount()) {
            rows = matches->rowCount();
            QCoreApplication::processEvents();
        }
        readShownRows(*matches);
    });
}

static void benchCommandField(const QString &folder)
{
    HistoryBox box;
    box.setHistoryItems({ QStringLiteral("make -j2"), QStringLiteral("ls -l") });
    box.show();
    box.activateWindow();
    box.lineEdit()->setFocus();
    if (!QTest::qWaitForWindowActive(&box))
        std::printf("the history box did not become active; key presses may not complete\n");
    // The applications arrive in the background; the presses below time their use.
    QTest::qWait(2000);
    const QAbstractItemModel *matches = box.completer()->completionModel();

    QVector<double> words;
    for (const char *word : { "edit", "term", "calc", "mus", "set", "deve" }) {
        box.lineEdit()->clear();
        QCoreApplication::processEvents();
        for (const char *letter = word; *letter; ++letter)
            words.append(keyPress(box.lineEdit(), matches, *letter));
    }
    std::printf("key press, command field:       median %.3f ms, slowest %.3f ms "
                "(%d presses, applications and programs)\n",
        median(words), slowest(words), int(words.size()));

    QVector<double> paths;
    box.lineEdit()->setText(folder + QLatin1Char('/'));
    for (const char *word : { "te", "ed", "mu" }) {
        for (const char *letter = word; *letter; ++letter)
            paths.append(keyPress(box.lineEdit(), matches, *letter));
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
    writeEntries(root.filePath(QStringLiteral("data/applications")));
    writeFiles(root.filePath(QStringLiteral("files")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath(QStringLiteral("data"))));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(root.filePath(QStringLiteral("none"))));

    benchApplications();
    benchPaths(root.filePath(QStringLiteral("files")));
    benchCommandField(root.filePath(QStringLiteral("files")));
    return 0;
}
