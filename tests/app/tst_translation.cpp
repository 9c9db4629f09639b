// SPDX-License-Identifier: GPL-2.0-or-later
#include "childprogram.h"
#include "desktop/helpwindow.h"
#include "desktop/kavdesktop.h"
#include "dialog/roderuz.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QShortcut>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

#include <algorithm>

namespace {
/** One message of a translation catalogue. */
struct CatalogueMessage
{
    QString context;
    QString source;
    QString translation;
    QString type;
};
} // namespace

static QString sourcePath(const QString &relativePath)
{
    return qEnvironmentVariable("KAVRUN_SOURCE_DIR") + QLatin1Char('/') + relativePath;
}

/** The messages of the catalogue at @p path; empty when it cannot be read. */
static QVector<CatalogueMessage> readCatalogue(const QString &path)
{
    QVector<CatalogueMessage> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return messages;
    QXmlStreamReader xml(&file);
    QString context;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            messages.append({ context, QString(), QString(), QString() });
        } else if (xml.name() == QLatin1String("source") && !messages.isEmpty()) {
            messages.last().source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation") && !messages.isEmpty()) {
            messages.last().type = xml.attributes().value(QLatin1String("type")).toString();
            messages.last().translation = xml.readElementText();
        }
    }
    return messages;
}

/** The sorted matches of @p pattern in @p text: what a translation must keep. */
static QStringList sortedMatches(const QString &text, const QRegularExpression &pattern)
{
    QStringList matches;
    auto it = pattern.globalMatch(text);
    while (it.hasNext())
        matches.append(it.next().captured());
    matches.sort();
    return matches;
}

/** The letter after a single '&' in @p text, or a null character when there is none. */
static QChar accelerator(const QString &text)
{
    static const QRegularExpression mnemonic(QStringLiteral("(?<!&)&([^&\\s])"));
    const QRegularExpressionMatch match = mnemonic.match(text);
    return match.hasMatch() ? match.captured(1).at(0).toLower() : QChar();
}

/** The letter of @p key when it is Alt and a letter, or a null character. */
static QChar altLetter(const QKeySequence &key)
{
    const int combination = key.isEmpty() ? 0 : key[0];
    if ((combination & Qt::KeyboardModifierMask) != Qt::AltModifier)
        return QChar();
    return QChar(combination & ~Qt::KeyboardModifierMask).toLower();
}

/** The anchor names of the HTML page at @p path, sorted. */
static QStringList anchors(const QString &path)
{
    QFile page(path);
    if (!page.open(QIODevice::ReadOnly))
        return {};
    return sortedMatches(QString::fromUtf8(page.readAll()),
        QRegularExpression(QStringLiteral("<a name=\"[^\"]+\">")));
}

/** The standard output of "kav-run --help" run with @p language as LANG. */
static QString commandLineHelp(const QString &language)
{
    QTemporaryDir directory;
    QProcessEnvironment environment = privateEnvironment(directory.path());
    for (const char *variable : { "LANGUAGE", "LC_ALL", "LC_MESSAGES" })
        environment.remove(QLatin1String(variable));
    environment.insert(QStringLiteral("LANG"), language);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(builtProgram(QStringLiteral("app/kav-run")), { QStringLiteral("--help") });
    if (!program.waitForFinished(20000)) {
        program.kill();
        program.waitForFinished();
        return QString();
    }
    if (program.exitStatus() != QProcess::NormalExit || program.exitCode() != 0)
        return QString();
    return QString::fromUtf8(program.readAllStandardOutput());
}

class TranslationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void dialogFormIsGerman();
    void acceleratorsAreUniqueInTheDialog_data();
    void acceleratorsAreUniqueInTheDialog();
    void toolkitTextsAreGerman();
    void helpWindowFollowsTheLocale();
    void germanHandbookHasEveryTopic();

    void catalogueIsFinished();
    void translationsKeepPlaceholdersMarkupAndAccelerators();
    void sourcesHaveNoUntranslatedTexts();

    void commandLineHelpFollowsLang();

private:
    QTemporaryDir configHome;
};

void TranslationTest::initTestCase()
{
    QVERIFY(configHome.isValid());
    // The dialog keeps its settings; none of the user's may be read or changed.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    kavInit("0.2.2", "Kav command runner");
}

void TranslationTest::dialogFormIsGerman()
{
    Roderuz dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Befehl ausführen"));
    const auto text = [&dialog](const char *name) {
        auto *button = dialog.findChild<QAbstractButton *>(QLatin1String(name));
        if (button)
            return button->text();
        auto *label = dialog.findChild<QLabel *>(QLatin1String(name));
        return label ? label->text() : QString();
    };
    QCOMPARE(text("pbRun"), QStringLiteral("&Ausführen"));
    QCOMPARE(text("pbCancel"), QStringLiteral("Abbre&chen"));
    QCOMPARE(text("pbOptions"), QStringLiteral("&Erweitert >>"));
    QCOMPARE(text("lbCommand"), QStringLiteral("Be&fehl:"));
    QCOMPARE(text("cbRunInTerminal"), QStringLiteral("Im &Terminalfenster ausführen"));
    QCOMPARE(dialog.findChild<QWidget *>(QStringLiteral("selectFromMenuButton"))->toolTip(),
        QStringLiteral("Anwendung aus dem Menü auswählen (Alt+L)"));
    QCOMPARE(
        dialog.findChild<QWidget *>(QStringLiteral("selectCommandFileButton"))->accessibleName(),
        QStringLiteral("Programmdatei auswählen"));
    QVERIFY(dialog.findChild<QWidget *>(QStringLiteral("cbRealtime"))
                ->whatsThis()
                .contains(QLatin1String("<li><em>Echtzeit:</em>")));

    QTest::mouseClick(
        dialog.findChild<QAbstractButton *>(QStringLiteral("pbOptions")), Qt::LeftButton);
    QCOMPARE(text("pbOptions"), QStringLiteral("&Erweitert <<"));
    QVERIFY2(text("lbHighPriority").endsWith(QLatin1String("(Hoch)")),
        qPrintable(text("lbHighPriority")));
}

void TranslationTest::acceleratorsAreUniqueInTheDialog_data()
{
    QTest::addColumn<bool>("german");
    QTest::newRow("English") << false;
    QTest::newRow("German") << true;
}

// A button's shortcut is its mnemonic, or a key of its own when its text has none.
void TranslationTest::acceleratorsAreUniqueInTheDialog()
{
    QFETCH(bool, german);
    // Without its catalogues the dialog is built in English.
    const QList<QTranslator *> catalogues =
        german ? QList<QTranslator *>() : qApp->findChildren<QTranslator *>();
    for (QTranslator *catalogue : catalogues)
        QCoreApplication::removeTranslator(catalogue);
    Roderuz dialog;
    for (QTranslator *catalogue : catalogues)
        QCoreApplication::installTranslator(catalogue);

    QMap<QChar, QString> owners;
    QList<QWidget *> widgets = dialog.findChildren<QWidget *>();
    for (QWidget *widget : qAsConst(widgets)) {
        QString text;
        QChar letter;
        if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
            text = button->text() + QLatin1Char(' ') + button->accessibleName();
            letter = altLetter(button->shortcut());
            // An option's shortcut belongs to the dialog, its letter still to the button's text.
            if (letter.isNull())
                letter = accelerator(button->text());
        } else if (auto *label = qobject_cast<QLabel *>(widget); label && label->buddy()) {
            text = label->text();
            letter = accelerator(text);
        }
        if (letter.isNull())
            continue;
        QVERIFY2(!owners.contains(letter),
            qPrintable(QStringLiteral("Alt+%1 belongs to both \"%2\" and \"%3\"")
                           .arg(letter, owners.value(letter), text)));
        owners.insert(letter, text);
    }
    // The dialog's own shortcuts act for a button or label above, or for a
    // button without a letter in its text (su, sudo).
    const QList<QShortcut *> shortcuts = dialog.findChildren<QShortcut *>();
    for (const QShortcut *shortcut : shortcuts) {
        const QChar letter = altLetter(shortcut->key());
        if (!letter.isNull() && !owners.contains(letter))
            owners.insert(letter, shortcut->key().toString());
    }
    QVERIFY(owners.size() >= 15);
}

void TranslationTest::toolkitTextsAreGerman()
{
    const QString folder = QLibraryInfo::location(QLibraryInfo::TranslationsPath);
    if (!QFile::exists(folder + QStringLiteral("/qtbase_de.qm")))
        QSKIP("The toolkit's German catalogue is not installed (qttranslations5-l10n)");
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
    QCOMPARE(
        QCoreApplication::translate("QCommandLineParser", "Options:"), QStringLiteral("Optionen:"));
}

void TranslationTest::helpWindowFollowsTheLocale()
{
    HelpWindow german;
    QCOMPARE(german.source(), QUrl(QStringLiteral("qrc:/help/handbook_de.html")));
    QCOMPARE(german.windowTitle(), QStringLiteral("Kav command runner – Handbuch"));
    QVERIFY(german.toPlainText().contains(QStringLiteral("Was Sie eingeben können")));

    // A language without its own page gets the English one.
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    HelpWindow french;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(french.source(), QUrl(QStringLiteral("qrc:/help/handbook.html")));
}

void TranslationTest::germanHandbookHasEveryTopic()
{
    const QStringList english = anchors(sourcePath(QStringLiteral("desktop/help/handbook.html")));
    QVERIFY(!english.isEmpty());
    QCOMPARE(anchors(sourcePath(QStringLiteral("desktop/help/handbook_de.html"))), english);
}

void TranslationTest::catalogueIsFinished()
{
    const QVector<CatalogueMessage> messages =
        readCatalogue(sourcePath(QStringLiteral("translations/kav-run_de.ts")));
    QVERIFY(messages.size() > 50);
    for (const CatalogueMessage &message : messages) {
        const QString where = message.context + QStringLiteral(": ") + message.source;
        QVERIFY2(message.type.isEmpty(), qPrintable(message.type + QStringLiteral(" - ") + where));
        QVERIFY2(!message.translation.isEmpty(), qPrintable(where));
    }
}

void TranslationTest::translationsKeepPlaceholdersMarkupAndAccelerators()
{
    static const QRegularExpression placeholder(QStringLiteral("%\\d+"));
    static const QRegularExpression tag(QStringLiteral("</?[a-z]+"));
    const QVector<CatalogueMessage> messages =
        readCatalogue(sourcePath(QStringLiteral("translations/kav-run_de.ts")));
    for (const CatalogueMessage &message : messages) {
        const QByteArray where = (message.context + QStringLiteral(": ") + message.source).toUtf8();
        QCOMPARE(sortedMatches(message.translation, placeholder),
            sortedMatches(message.source, placeholder));
        QVERIFY2(sortedMatches(message.translation, tag) == sortedMatches(message.source, tag),
            where.constData());
        QVERIFY2(accelerator(message.translation).isNull() == accelerator(message.source).isNull(),
            where.constData());
        QVERIFY2(
            message.translation.count(QLatin1Char('\n')) == message.source.count(QLatin1Char('\n')),
            where.constData());
    }
}

// A text added to the code without its translation shows up as unfinished when
// the catalogue is brought up to date with the sources.
void TranslationTest::sourcesHaveNoUntranslatedTexts()
{
    const QString lupdate =
        QLibraryInfo::location(QLibraryInfo::BinariesPath) + QStringLiteral("/lupdate");
    if (!QFile::exists(lupdate))
        QSKIP("lupdate is not installed (qttools5-dev-tools)");
    QTemporaryDir directory;
    const QString catalogue = directory.filePath(QStringLiteral("kav-run_de.ts"));
    QVERIFY(QFile::copy(sourcePath(QStringLiteral("translations/kav-run_de.ts")), catalogue));

    QProcess update;
    update.setWorkingDirectory(sourcePath(QString()));
    update.start(lupdate,
        { QStringLiteral("-silent"), QStringLiteral("-no-obsolete"), QStringLiteral("app"),
            QStringLiteral("desktop"), QStringLiteral("dialog"), QStringLiteral("exec"),
            QStringLiteral("completion"), QStringLiteral("-ts"), catalogue });
    QVERIFY(update.waitForFinished(30000));
    QCOMPARE(update.exitCode(), 0);

    QStringList untranslated;
    const QVector<CatalogueMessage> messages = readCatalogue(catalogue);
    for (const CatalogueMessage &message : messages) {
        if (!message.type.isEmpty())
            untranslated.append(message.context + QStringLiteral(": ") + message.source);
    }
    QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(QLatin1Char('\n'))));
}

void TranslationTest::commandLineHelpFollowsLang()
{
    const QString german = commandLineHelp(QStringLiteral("de_DE.UTF-8"));
    QVERIFY2(german.contains(QStringLiteral("Im Terminal ausführen")), qPrintable(german));
    QVERIFY(german.contains(QStringLiteral("Als Benutzer <username> ausführen")));
    QVERIFY(german.contains(QStringLiteral("Standardmäßig sudo verwenden")));
    QVERIFY(german.contains(QStringLiteral("Auszuführender Befehl")));
    // The toolkit's own part of the help, where its German catalogue is installed.
    if (QFile::exists(QLibraryInfo::location(QLibraryInfo::TranslationsPath)
            + QStringLiteral("/qtbase_de.qm")))
        QVERIFY(german.contains(QLatin1String("Optionen:")));

    const QString english = commandLineHelp(QStringLiteral("en_US.UTF-8"));
    QVERIFY2(english.contains(QLatin1String("Run in terminal")), qPrintable(english));
    QVERIFY(!english.contains(QStringLiteral("ausführen")));
}

QTEST_MAIN(TranslationTest)
#include "tst_translation.moc"
