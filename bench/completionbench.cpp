// SPDX-License-Identifier: GPL-2.0-or-later
// Times the search-path scan, the lazy executable test and the completion of a
// key press over 20 directories holding 20 000 and then 100 000 names, a
// quarter of them data files, and with a history of 100 000 commands; then the
// ranked list with 2 000 applications, 20 000 names and 1 000 history entries
// that all have usage records; counts the file-status calls of one scan.
// Prints its figures; it is not a test.
#include "completion/historybox.h"
#include "completion/pathexecsmodel.h"
#include "completion/usagerecord.h"
#include "fieldtiming.h"
#include "typicalapplications.h"
#include "typicalhistory.h"

#include <QApplication>
#include <QCompleter>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

static const int directoryCount = 20;
static const int repeats = 31;
static const int longHistory = 100000;
static const int rankedHistory = 1000;
static const int applicationCount = 2000;

static QStringList makeSearchPath(const QString &root, int names)
{
    const int namesPerDirectory = names / directoryCount;
    QStringList directories;
    QRandomGenerator random(42);
    for (int d = 0; d < directoryCount; ++d) {
        const QString directory = root + QStringLiteral("/bin%1").arg(d);
        QDir().mkpath(directory);
        directories.append(directory);
        for (int n = 0; n < namesPerDirectory; ++n) {
            const QChar letter = QLatin1Char(char('a' + random.bounded(26)));
            const QString name = letter + QString::number(d * namesPerDirectory + n);
            // A quarter are data files, which the executable test hides.
            const mode_t mode = random.bounded(4) == 0 ? 0644 : 0755;
            const int fd =
                ::open(QFile::encodeName(directory + QLatin1Char('/') + name).constData(),
                    O_CREAT | O_WRONLY | O_TRUNC, mode);
            if (fd >= 0)
                ::close(fd);
        }
    }
    return directories;
}

static int bareScan(const QStringList &directories)
{
    int names = 0;
    for (const QString &directory : directories) {
        DIR *dir = opendir(QFile::encodeName(directory).constData());
        if (!dir)
            continue;
        while (readdir(dir))
            ++names;
        closedir(dir);
    }
    return names;
}

static void rebuild(PathExecsModel &model)
{
    QMetaObject::invokeMethod(&model, "rebuild");
}

// Run as a child under strace: builds the model (one scan) and leaves.
static int scanOnce()
{
    PathExecsModel model({}, nullptr);
    std::printf("%d\n", model.rowCount());
    return 0;
}

static int statCalls(const QString &searchPath)
{
    QProcess strace;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), searchPath);
    strace.setProcessEnvironment(environment);
    strace.start(QStringLiteral("/usr/bin/strace"),
        { QStringLiteral("-c"), QStringLiteral("-f"), QStringLiteral("-e"),
            QStringLiteral("trace=stat,lstat,newfstatat,statx,fstatat64"),
            QCoreApplication::applicationFilePath(), QStringLiteral("--scan-once") });
    if (!strace.waitForFinished(60000))
        return -1;
    // The summary ends with a line "... total": its calls column is the count.
    const QString summary = QString::fromLocal8Bit(strace.readAllStandardError());
    const QRegularExpression total(
        QStringLiteral("^\\s*\\S+\\s+\\S+\\s+\\S+\\s+(\\d+)\\s+(?:\\d+\\s+)?total$"),
        QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = total.match(summary);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

static void benchScan(const QStringList &directories)
{
    PathExecsModel model({}, nullptr);
    QVector<double> bare;
    QVector<double> full;
    for (int run = 0; run < repeats; ++run) {
        bare.append(milliseconds([&] { bareScan(directories); }));
        full.append(milliseconds([&] { rebuild(model); }));
    }
    std::printf("rows after a scan:              %d of %d names\n", model.rowCount(),
        bareScan(directories));
    std::printf("bare opendir/readdir loop:      median %.2f ms\n", median(bare));
    std::printf("full rebuild:                   median %.2f ms (%.2f times the bare loop)\n",
        median(full), median(full) / median(bare));

    QVector<double> check;
    int hidden = 0;
    for (int run = 0; run < repeats; ++run) {
        rebuild(model);
        const int before = model.rowCount();
        check.append(milliseconds([&] { model.matchExecutables(QStringLiteral("m")); }));
        hidden = before - model.rowCount();
    }
    std::printf("matching and executable test, \"m\": median %.2f ms (%d rows hidden)\n",
        median(check), hidden);
}

// Two keys per prefix after an empty field, a letter and then a digit, for
// every letter: the first key has its names tested, the second narrows.
static void benchKeyPress(const QStringList &history, const char *label)
{
    HistoryBox box;
    const double filled = milliseconds([&] { box.setHistoryItems(history); });
    std::printf("history box filled and completer made: %.2f ms (%s)\n", filled, label);
    showCommandField(box);

    QVector<double> presses;
    QVector<double> firstKeys;
    QVector<double> secondKeys;
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        box.lineEdit()->clear();
        QCoreApplication::processEvents();
        for (const char key : { letter, char('1' + (letter - 'a') % 9) }) {
            presses.append(keyPressToList(box, key));
            (key == letter ? firstKeys : secondKeys).append(presses.last());
        }
    }
    std::printf("key press to completion list:   median %.2f ms, slowest %.2f ms (%s; %d presses, "
                "executable tests included)\n",
        median(presses), slowest(presses), label, int(presses.size()));
    std::printf("    first key of a prefix median %.2f ms, second key median %.2f ms\n",
        median(firstKeys), median(secondKeys));
}

// Words typed letter by letter into an empty field, as users look for things.
static void benchRankedList()
{
    const QStringList history = typicalHistory(rankedHistory);
    // A run an hour for each entry, back from now, and some for programs and applications.
    UsageRecord usage;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    for (int entry = 0; entry < history.size(); ++entry)
        usage.noteRun(history.at(entry), now - entry * 3600);
    for (int n = 0; n < 50; ++n) {
        usage.noteRun(QStringLiteral("org.example.App%1").arg(n * 37), now - n * 7200);
        usage.noteRun(QStringLiteral("m%1").arg(n * 11), now - n * 7200);
    }

    HistoryBox box;
    box.setHistoryItems(history);
    showCommandField(box);
    // The applications arrive in the background; the presses below time their use.
    QTest::qWait(3000);
    const QAbstractItemModel *matches = box.completer()->completionModel();

    QVector<double> presses;
    QString slowestText;
    int rows = 0;
    for (const char *word : { "edit", "term", "music", "make", "ssh", "vim", "man", "gd", "lo",
             "xdg", "firefox", "m12", "k4", "dev", "calc" }) {
        box.lineEdit()->clear();
        QCoreApplication::processEvents();
        for (const char *letter = word; *letter; ++letter) {
            presses.append(keyPressToList(box, *letter));
            rows += matches->rowCount();
            if (presses.last() == slowest(presses))
                slowestText = box.lineEdit()->text();
        }
    }
    std::printf("ranked list, key press:         median %.2f ms, slowest %.2f ms (\"%s\"; %d "
                "presses, %d rows on average; %d applications, %d history entries with usage "
                "records)\n",
        median(presses), slowest(presses), qPrintable(slowestText), int(presses.size()),
        rows / int(presses.size()), applicationCount, rankedHistory);
}

static void printStatCalls(const QByteArray &searchPath, int names)
{
    const int withNames = statCalls(QFile::decodeName(searchPath));
    const int withoutNames = statCalls(QString());
    if (withNames < 0 || withoutNames < 0)
        std::printf("file-status calls: strace did not run\n");
    else
        std::printf("file-status calls of a process that scans once: %d with the search path, %d "
                    "with an empty one (%d more, for %d names)\n",
            withNames, withoutNames, withNames - withoutNames, names);
}

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--scan-once") == 0) {
        QCoreApplication app(argc, argv);
        return scanOnce();
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir data;
    writeTypicalApplications(data.filePath(QStringLiteral("applications")), applicationCount);
    // The applications above and a usage record of the benchmark's own.
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(data.filePath(QStringLiteral("none"))));

    // "--ranked [runs]": the ranked list alone, as often as asked.
    const bool rankedOnly = argc > 1 && qstrcmp(argv[1], "--ranked") == 0;
    const QStringList shortHistory = { QStringLiteral("make -j2"), QStringLiteral("ls -l"),
        QStringLiteral("man bash") };
    for (const int names : { 20000, 100000 }) {
        QTemporaryDir root;
        if (!root.isValid()) {
            std::fprintf(stderr, "cannot make a temporary folder\n");
            return 1;
        }
        const QStringList directories = makeSearchPath(root.path(), names);
        const QByteArray searchPath = QFile::encodeName(directories.join(QLatin1Char(':')));
        qputenv("PATH", searchPath);

        std::printf("\nsearch path: %d directories, %d names, a quarter of them data files\n",
            directoryCount, names);
        if (rankedOnly) {
            for (int run = 0; run < (argc > 2 ? atoi(argv[2]) : 1); ++run)
                benchRankedList();
            return 0;
        }
        benchScan(directories);
        if (names == 20000)
            printStatCalls(searchPath, names);
        benchKeyPress(shortHistory, "3 history entries");
        if (names == 20000) {
            benchKeyPress(typicalHistory(longHistory), "100 000 history entries");
            benchRankedList();
        }
    }
    return 0;
}
