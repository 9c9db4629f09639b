// SPDX-License-Identifier: GPL-2.0-or-later
// Desktop entries as kav-run reads and starts them, against GLib's reading
// (Gio.DesktopAppInfo, through tests/desktop/glibdesktopentries.py), for the
// entries installed here and a table of entries of every kind. Both sides
// start the entries with an exec recorder preloaded (tests/common/execrecorder.c),
// which records each start's working folder and words instead of running it.
#include "../common/desktopentryfile.h"
#include "core/commandwords.h"
#include "desktop/applicationentry.h"
#include "dialog/detachedstart.h"
#include "exec/commandparser.h"
#include "exec/launchplan.h"

#include <KConfigGroup>
#include <KDesktopFile>

#include <QDir>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {
/** A desktop entry of the table. */
struct TableEntry
{
    const char *id;
    QByteArray keys;
};

/** An entry, and the files it is started with, as the differences below see it. */
struct Case
{
    ApplicationEntry entry;
    QJsonObject glib;
    int files;
};

/** Where kav-run reads or starts an entry otherwise than GLib on purpose. */
struct Difference
{
    const char *property;
    const char *reason;
    bool (*applies)(const Case &);
};

/** What kav-run makes of an entry. */
struct Reading
{
    ApplicationEntry entry;
    /** Per set of files, each start as the working folder, the program and its arguments;
     *  none for a terminal application, whose terminal each side chooses its own way. */
    QVector<QVector<QStringList>> starts;
};
} // namespace

// Each class of entry, started by a program that exists, as both sides check that.
static const TableEntry table[] = {
    { "kavdiff-files", "Name=Files\nName[de]=Dateien\nExec=true --all %F\n" },
    { "kavdiff-file", "Name=File\nExec=true --one %f\n" },
    { "kavdiff-urls", "Name=Addresses\nExec=true %U\n" },
    { "kavdiff-url", "Name=Address\nExec=true %u --after\n" },
    { "kavdiff-nocode", "Name=No code\nExec=true --plain\n" },
    { "kavdiff-codes",
        "Name=Codes\nName[de]=Kodes\nIcon=kavdiff-icon\nExec=true %i %c %k 100%% %F\n" },
    { "kavdiff-quoting",
        "Name=Quoting\nExec=\"/bin/true\" \"\" \"a   b\" 'single  quoted' \"dollar \\\\$HOME\" "
        "back\\\\ slash \"say \\\\\"hi\\\\\"\" \"x\\\\y\" %f\n" },
    { "kavdiff-script", "Name=Script\nExec=sh -c 'echo \"$1\" > /dev/null' sh %f\n" },
    { "kavdiff-path", "Name=Path\nPath=/tmp\nExec=true %F\n" },
    { "kavdiff-terminal", "Name=Terminal\nTerminal=true\nExec=true\n" },
    { "kavdiff-terminalyes", "Name=Terminal yes\nTerminal=yes\nExec=true\n" },
    { "kavdiff-terminalone", "Name=Terminal one\nTerminal=1\nExec=true\n" },
    { "kavdiff-hidden", "Name=Hidden\nHidden=true\nExec=true\n" },
    { "kavdiff-nodisplay", "Name=No display\nNoDisplay=true\nExec=true %f\n" },
    { "kavdiff-tryexec", "Name=Try exec\nTryExec=true\nExec=true\n" },
    { "kavdiff-tryexecmissing", "Name=Try missing\nTryExec=/nonexistent/kavdiff\nExec=true\n" },
    { "kavdiff-onlygnome", "Name=Only GNOME\nOnlyShowIn=GNOME;\nExec=true\n" },
    { "kavdiff-notkde", "Name=Not KDE\nNotShowIn=KDE;\nExec=true\n" },
    { "kavdiff-xfcemate", "Name=XFCE and MATE\nOnlyShowIn=XFCE;MATE;\nExec=true\n" },
    { "kavdiff-notlxqt", "Name=Not LXQt\nNotShowIn=LXQt;\nExec=true\n" },
    { "kavdiff-fullname", "Name=Short\nX-GNOME-FullName=Long Name\nExec=true\n" },
    { "kavdiff-deprecated", "Name=Deprecated\nExec=true %d %D %n %N %v %m --end %f\n" },
};

// Whether the program an Exec value starts with is missing, its quotes taken off.
static bool programMissing(const Case &found)
{
    QString program = found.entry.exec.section(QLatin1Char(' '), 0, 0);
    program.remove(QLatin1Char('"')).remove(QLatin1Char('\''));
    return QStandardPaths::findExecutable(program).isEmpty();
}

static bool execHolds(const Case &found, const char *pattern)
{
    return found.entry.exec.contains(QRegularExpression(QLatin1String(pattern)));
}

// Each of these but the first shows in the table above.
static const Difference differences[] = {
    { "loads", "an entry whose program is not installed stays; Run then says it is missing",
        programMissing },
    { "shown", "an entry whose program is not installed stays; Run then says it is missing",
        programMissing },
    { "terminal", "Terminal takes only true and false; GLib reads 1 as true too",
        [](const Case &found) {
            return KDesktopFile(found.entry.filePath).desktopGroup().readEntry("Terminal")
                == QLatin1String("1");
        } },
    { "displayName", "the Name is shown, not X-GNOME-FullName",
        [](const Case &found) {
            return found.glib.value(QStringLiteral("displayName"))
                != found.glib.value(QStringLiteral("name"));
        } },
    { "starts", "the deprecated %d, %D, %n, %N, %v and %m are left out, not expanded",
        [](const Case &found) { return execHolds(found, "%[dDnNvm]"); } },
    { "starts",
        "words typed after an application without a file field code are its arguments, given "
        "to one start; GLib takes them for files and starts it once per file",
        [](const Case &found) { return found.files > 1 && !execHolds(found, "%[fFuU]"); } },
};

class ApplicationEntryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void readsAndStartsAsGLibDoes_data();
    void readsAndStartsAsGLibDoes();

private:
    QJsonObject glibReadings(const QStringList &ids) const;
    Reading ourReading(const QString &id) const;
    QVector<QStringList> ourStarts(const ApplicationEntry &entry, const QStringList &files) const;
    static QStringList compare(const QString &id, const QJsonObject &glib, const Reading &ours);

    QTemporaryDir sandbox;
    QVector<QStringList> fileSets;
    QString record;
    QString script;
};

void ApplicationEntryTest::initTestCase()
{
    if (!qEnvironmentVariable("LD_PRELOAD").contains(QLatin1String("execrecorder")))
        QSKIP("the exec recorder is not preloaded: run it through ctest");
    script = qEnvironmentVariable("KAVRUN_SOURCE_DIR")
        + QStringLiteral("/tests/desktop/glibdesktopentries.py");
    if (!QFile::exists(QStringLiteral("/usr/bin/python3")) || !QFile::exists(script))
        QSKIP("GLib's reading is not at hand: python3-gi, or the reference script");
    QVERIFY(sandbox.isValid());
    record = sandbox.filePath(QStringLiteral("record"));
    const QString folder = sandbox.filePath(QStringLiteral("files"));
    QVERIFY(QDir().mkpath(folder));
    const QStringList files = { folder + QStringLiteral("/it's a \"file\".txt"),
        folder + QStringLiteral("/second file $HOME.txt") };
    for (const QString &file : files) {
        QFile written(file);
        QVERIFY(written.open(QIODevice::WriteOnly));
    }
    fileSets = { {}, { files.at(0) }, files };
    const QString applications = sandbox.filePath(QStringLiteral("table/applications/"));
    for (const TableEntry &entry : table) {
        QVERIFY(writeDesktopEntry(
            applications + QLatin1String(entry.id) + QStringLiteral(".desktop"), entry.keys));
    }
}

void ApplicationEntryTest::readsAndStartsAsGLibDoes_data()
{
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QByteArray>("desktop");
    QTest::addColumn<QByteArray>("language");
    for (const bool installed : { false, true }) {
        for (const char *desktop : { "GNOME", "KDE", "XFCE", "MATE", "LXQt", "" }) {
            for (const char *language : { "C", "de" }) {
                QTest::addRow("%s, %s, %s", installed ? "installed" : "table",
                    *desktop ? desktop : "no desktop", language)
                    << installed << QByteArray(desktop) << QByteArray(language);
            }
        }
    }
}

void ApplicationEntryTest::readsAndStartsAsGLibDoes()
{
    QFETCH(bool, installed);
    QFETCH(QByteArray, desktop);
    QFETCH(QByteArray, language);
    qputenv("XDG_DATA_HOME",
        QFile::encodeName(
            sandbox.filePath(installed ? QStringLiteral("none") : QStringLiteral("table"))));
    qputenv("XDG_DATA_DIRS",
        installed ? "/usr/local/share:/usr/share"
                  : QFile::encodeName(sandbox.filePath(QStringLiteral("none"))));
    if (desktop.isEmpty())
        qunsetenv("XDG_CURRENT_DESKTOP");
    else
        qputenv("XDG_CURRENT_DESKTOP", desktop);
    qputenv("LANGUAGE", language);
    QLocale::setDefault(QLocale(QString::fromLatin1(language)));

    QStringList ids;
    if (installed) {
        for (const QString &folder : ApplicationEntry::folders()) {
            QDirIterator files(
                folder, { QStringLiteral("*.desktop") }, QDir::Files, QDirIterator::Subdirectories);
            while (files.hasNext())
                ids += QDir(folder)
                           .relativeFilePath(files.next())
                           .replace(QLatin1Char('/'), QLatin1Char('-'));
        }
        ids.removeDuplicates();
    } else {
        for (const TableEntry &entry : table)
            ids += QLatin1String(entry.id) + QStringLiteral(".desktop");
    }
    const QJsonObject glib = glibReadings(ids);
    QVERIFY(!glib.isEmpty());
    QStringList mismatches;
    for (const QString &id : qAsConst(ids))
        mismatches += compare(id, glib.value(id).toObject(), ourReading(id));
    QVERIFY2(mismatches.isEmpty(), qPrintable(mismatches.join(QLatin1Char('\n'))));
}

QJsonObject ApplicationEntryTest::glibReadings(const QStringList &ids) const
{
    QJsonArray sets;
    for (const QStringList &files : fileSets)
        sets.append(QJsonArray::fromStringList(files));
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), { script });
    python.write(QJsonDocument(
        QJsonObject { { QStringLiteral("ids"), QJsonArray::fromStringList(ids) },
            { QStringLiteral("fileSets"), sets }, { QStringLiteral("record"), record } })
                     .toJson());
    python.closeWriteChannel();
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        qWarning("%s", python.readAllStandardError().constData());
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

Reading ApplicationEntryTest::ourReading(const QString &id) const
{
    const ApplicationEntry entry =
        ApplicationEntry::read(ApplicationEntry::locate(id.chopped(8)), id);
    Reading reading { entry, {} };
    if (entry.canRun && !entry.terminal) {
        for (const QStringList &files : fileSets)
            reading.starts += ourStarts(entry, files);
    }
    return reading;
}

// Chooses @p entry by its name with @p files typed after it, as the dialog does, and starts it.
QVector<QStringList> ApplicationEntryTest::ourStarts(
    const ApplicationEntry &entry, const QStringList &files) const
{
    QString text = entry.name;
    for (const QString &file : files)
        text += QLatin1Char(' ') + quotedWord(CommandWord { file }, LineConsumer::DetachedStart);
    CommandParser parser;
    parser.parseChosen(text, entry.baseId());
    const LaunchPlan plan(parser.classification(), LaunchOptions());
    QFile::remove(record);
    qputenv("KAVRUN_EXEC_RECORD", QFile::encodeName(record));
    const QString failure = DetachedStart::run(plan.commandLines(), plan.workingDirectory());
    qunsetenv("KAVRUN_EXEC_RECORD");
    QVector<QStringList> starts;
    if (plan.action() != LaunchPlan::Start || !failure.isEmpty())
        return starts;
    QFile recorded(record);
    for (int waited = 0; waited < 5000; waited += 10) {
        if (recorded.open(QIODevice::ReadOnly)
            && recorded.readAll().count('\n') == plan.commandLines().size())
            break;
        recorded.close();
        QTest::qWait(10);
    }
    recorded.close();
    if (!recorded.open(QIODevice::ReadOnly))
        return starts;
    for (const QByteArray &line : recorded.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        QStringList fields = QString::fromUtf8(line).split(QChar(0x1f));
        fields.removeLast();
        starts += fields;
    }
    return starts;
}

static QString asText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// What differs between GLib's reading of the entry @p id and ours, other than
// the differences above.
QStringList ApplicationEntryTest::compare(
    const QString &id, const QJsonObject &glib, const Reading &ours)
{
    QStringList found;
    const auto check = [&](const char *property, const QString &theirs, const QString &mine,
                           int files = 0) {
        const Case now { ours.entry, glib, files };
        const bool meant = std::any_of(
            std::begin(differences), std::end(differences), [&](const Difference &difference) {
                return qstrcmp(difference.property, property) == 0 && difference.applies(now);
            });
        if (theirs != mine && !meant)
            found += QStringLiteral("%1 %2: GLib %3, kav-run %4")
                         .arg(id, QLatin1String(property), theirs, mine);
    };
    const ApplicationEntry &entry = ours.entry;
    const bool theyLoad = glib.value(QStringLiteral("loads")).toBool();
    check("loads", asText(theyLoad), asText(entry.canRun));
    check("shown", asText(glib.value(QStringLiteral("shown")).toBool()), asText(entry.shown));
    if (!theyLoad || !entry.canRun)
        return found;
    check("name", glib.value(QStringLiteral("name")).toString(), entry.name);
    check("displayName", glib.value(QStringLiteral("displayName")).toString(), entry.name);
    const bool theirTerminal = glib.value(QStringLiteral("terminal")).toBool();
    check("terminal", asText(theirTerminal), asText(entry.terminal));
    if (theirTerminal || entry.terminal)
        return found;
    const QJsonArray theirStarts = glib.value(QStringLiteral("starts")).toArray();
    for (int set = 0; set < theirStarts.size(); ++set) {
        QJsonArray mine;
        for (const QStringList &start : ours.starts.value(set))
            mine.append(QJsonArray::fromStringList(start));
        const auto json = [](const QJsonValue &value) {
            return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
        };
        // The file sets hold 0, 1 and 2 files.
        check("starts", json(theirStarts.at(set)), json(mine), set);
    }
    return found;
}

QTEST_GUILESS_MAIN(ApplicationEntryTest)
#include "tst_applicationentry.moc"
