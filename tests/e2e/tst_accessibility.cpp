// SPDX-License-Identifier: GPL-2.0-or-later
// The dialog as a screen reader meets it: a real kav-run on a real X server,
// driven from the keyboard and heard through the accessibility bus.
#include "../common/throwawayaccount.h"
#include "../common/xvfbserver.h"
#include "accessibilitybus.h"
#include "kavrunsession.h"
#include "xdriver.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <memory>

#include <unistd.h>

using Keys = QList<QStringList>;

class TestAccessibility : public QObject
{
    Q_OBJECT

private:
    /** Starts kav-run with @p arguments under a reader's bus; null when its dialog did not show. */
    QProcess *startDialog(const QStringList &arguments);
    /** Presses each group of @p keys in turn; false when xdotool failed. */
    bool press(const Keys &keys) const;
    /** The list rows that took the focus so far, as "name|description". */
    QStringList rowsMet();
    /** The object of kav-run with @p role and @p name (any name when null); empty when there is
     * none. */
    QJsonObject findObject(const QString &role, const QString &name) const;

    XvfbServer m_server;
    std::unique_ptr<XDriver> m_x;
    std::unique_ptr<KavRunSession> m_session;
    std::unique_ptr<AccessibilityBus> m_bus;

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void passwordReachesNoReader_data();
    void passwordReachesNoReader();
    void changesAreSpoken_data();
    void changesAreSpoken();
    void completionRowsSayWhatTheyAre();
    void controlsHaveNames_data();
    void controlsHaveNames();
    void fileChooserSurvivesBeingRead();
};

void TestAccessibility::initTestCase()
{
    if (!m_server.start(XvfbServer::WithWindowManager))
        QSKIP("Xvfb and xauth are needed for the dialog on a real X server");
    if (!QFile::exists(QStringLiteral("/usr/libexec/at-spi-bus-launcher")))
        QSKIP("at-spi2-core is needed for the accessibility bus");
    m_x = std::make_unique<XDriver>(m_server);
}

void TestAccessibility::init()
{
    m_session = std::make_unique<KavRunSession>(m_x->environment());
    QVERIFY(m_session->isValid());
}

void TestAccessibility::cleanup()
{
    m_session.reset();
    m_bus.reset();
}

QProcess *TestAccessibility::startDialog(const QStringList &arguments)
{
    m_bus = std::make_unique<AccessibilityBus>(*m_session);
    if (!m_bus->isValid())
        return nullptr;
    QProcess *kavRun = m_session->startKavRun(arguments);
    if (m_x->waitForFocusedWindow(QStringLiteral("Run Command")).isEmpty()) {
        qWarning() << "no dialog; kav-run said:" << kavRun->readAllStandardError();
        return nullptr;
    }
    return kavRun;
}

bool TestAccessibility::press(const Keys &keys) const
{
    for (const QStringList &group : keys) {
        if (!m_x->key(group))
            return false;
    }
    return true;
}

QJsonObject TestAccessibility::findObject(const QString &role, const QString &name) const
{
    for (const QJsonObject &object : m_bus->tree()) {
        if (object.value(QStringLiteral("role")).toString() == role
            && (name.isNull() || object.value(QStringLiteral("name")).toString() == name))
            return object;
    }
    return QJsonObject();
}

QStringList TestAccessibility::rowsMet()
{
    QStringList rows;
    for (const QJsonObject &event : m_bus->events()) {
        if (event.value(QStringLiteral("event")).toString() == QLatin1String("focus:")
            && event.value(QStringLiteral("role")).toString() == QLatin1String("list item"))
            rows.append(event.value(QStringLiteral("name")).toString() + QLatin1Char('|')
                + event.value(QStringLiteral("description")).toString());
    }
    return rows;
}

static QString dataOf(const QJsonObject &event)
{
    return event.value(QStringLiteral("data")).toString();
}

void TestAccessibility::passwordReachesNoReader_data()
{
    QTest::addColumn<bool>("refused");
    QTest::newRow("typed, pasted, wiped") << false;
    QTest::newRow("refused by su") << true;
}

// A reader hears a bullet for each character of the password field, in every
// way the field fills and empties, and can read no character back.
void TestAccessibility::passwordReachesNoReader()
{
    QFETCH(bool, refused);
    const QString typed = QStringLiteral("Qz7kpX");
    const QString pasted = QStringLiteral("Wv9rtY");
    ThrowAwayAccount caller(QStringLiteral("zz-kavrun-a11y-caller"));
    ThrowAwayAccount target(QStringLiteral("zz-kavrun-a11y-target"));
    QString user = QStringLiteral("nobody");
    if (refused) {
        // su asks root for no password: only another caller is refused one.
        if (geteuid() != 0)
            QSKIP("creating the caller and the user to run as needs root");
        QVERIFY(caller.create() && target.create());
        QVERIFY(m_session->handTo(caller.name()));
        user = target.name();
    }
    QProcess *kavRun = startDialog({ QStringLiteral("-u"), user, QStringLiteral("true") });
    QVERIFY(kavRun);
    // Root is asked for no password, so its field does not take the focus by itself.
    QVERIFY(m_x->key({ QStringLiteral("alt+w") }) && m_x->type(typed));
    const QJsonObject field = findObject(QStringLiteral("password text"), QString());
    QVERIFY2(!field.isEmpty(), "no password field in the tree");
    QVERIFY(!field.value(QStringLiteral("text")).toString().contains(typed.left(2)));
    int written = typed.size();
    if (refused) {
        QVERIFY(m_x->key({ QStringLiteral("Return") }));
        QVERIFY(!m_x->waitForFocusedWindow(QStringLiteral("Warning - Run command")).isEmpty());
        QVERIFY(m_x->key({ QStringLiteral("Return") }));
        // The wait for su was said, with the password nowhere in it.
        QVERIFY(!m_bus
                     ->waitForEvent([](const QJsonObject &event) {
                         return dataOf(event).contains(QLatin1String("Checking the password"));
                     })
                     .isEmpty());
    } else {
        QProcess *clipboard = m_session->startProgram(
            QStringLiteral("xclip"), { QStringLiteral("-selection"), QStringLiteral("clipboard") });
        clipboard->write(pasted.toUtf8());
        clipboard->closeWriteChannel();
        QVERIFY(waitForExitCode(clipboard) == 0);
        QVERIFY(press({ { QStringLiteral("ctrl+v") }, { QStringLiteral("ctrl+a") },
            { QStringLiteral("BackSpace") } }));
        QVERIFY(m_x->type(typed));
        written += pasted.size() + typed.size();
    }
    // Closing wipes what is left.
    QVERIFY(m_x->key({ QStringLiteral("Escape") }));
    QCOMPARE(waitForExitCode(kavRun), 0);

    int bullets = 0;
    for (const QJsonObject &event : m_bus->events()) {
        const QString data = dataOf(event);
        const QString type = event.value(QStringLiteral("event")).toString();
        const QByteArray seen = QJsonDocument(event).toJson(QJsonDocument::Compact);
        if (event.value(QStringLiteral("role")).toString() == QLatin1String("password text")
            && type.startsWith(QLatin1String("object:text-changed"))) {
            QVERIFY2(data.count(QChar(0x25CF)) == data.size(), seen.constData());
            if (type.endsWith(QLatin1String(":insert")))
                bullets += data.size();
        }
        for (const QString &secret : { typed, pasted }) {
            for (int piece = 0; piece + 3 <= secret.size(); ++piece)
                QVERIFY2(!data.contains(secret.mid(piece, 3)), seen.constData());
        }
    }
    // Each character typed or pasted was told, as a bullet.
    QCOMPARE(bullets, written);
}

void TestAccessibility::changesAreSpoken_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<Keys>("keys");
    QTest::addColumn<QStringList>("heard");
    QTest::newRow("a calculation") << QStringList() << QString() << QStringLiteral("2+3") << Keys()
                                   << QStringList { QStringLiteral("= 5") };
    QTest::newRow("an unknown program")
        << QStringList() << QString() << QStringLiteral("nosuchprogramzz") << Keys()
        << QStringList { QStringLiteral("No program or file named nosuchprogramzz") };
    // The highest priority forces root, which wipes the password typed for another user.
    QTest::newRow("root forced by the priority")
        << QStringList { QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("true") }
        << QStringLiteral("secret") << QString()
        << Keys { { QStringLiteral("Tab") }, { QStringLiteral("space") }, { QStringLiteral("Tab") },
               { QStringLiteral("Home") } }
        << QStringList { QStringLiteral("Priority, higher than the default"),
               QStringLiteral("The password was cleared"), QStringLiteral("as root") };
}

// What changes where the user does not look is said within a second of the
// last key, as text a reader can speak.
void TestAccessibility::changesAreSpoken()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, password);
    QFETCH(QString, typed);
    QFETCH(Keys, keys);
    QFETCH(QStringList, heard);
    QProcess *kavRun = startDialog(arguments);
    QVERIFY(kavRun);
    if (!password.isEmpty())
        QVERIFY(m_x->key({ QStringLiteral("alt+w") }) && m_x->type(password));
    QVERIFY(m_x->type(typed) && press(keys));
    QElapsedTimer sinceLastKey;
    sinceLastKey.start();
    const QJsonObject said = m_bus->waitForEvent(
        [&](const QJsonObject &event) {
            if (event.value(QStringLiteral("event")).toString()
                != QLatin1String("object:text-changed:insert"))
                return false;
            for (const QString &part : heard) {
                if (!dataOf(event).contains(part))
                    return false;
            }
            return true;
        },
        1000);
    if (said.isEmpty()) {
        for (const QJsonObject &event : m_bus->events())
            qWarning() << event;
        QFAIL(qPrintable(
            QStringLiteral("not heard within a second: ") + heard.join(QLatin1Char('|'))));
    }
    QCOMPARE(said.value(QStringLiteral("role")).toString(), QStringLiteral("notification"));
    QVERIFY(sinceLastKey.elapsed() <= 1000);
}

// The rows of the completion list say what they offer, and the list says how
// many rows it has and which one Enter takes.
void TestAccessibility::completionRowsSayWhatTheyAre()
{
    QProcess *kavRun = startDialog({});
    QVERIFY(kavRun);
    QVERIFY(m_x->type(QStringLiteral("xter")));
    const QJsonObject said = m_bus->waitForEvent([](const QJsonObject &event) {
        return event.value(QStringLiteral("role")).toString() == QLatin1String("notification")
            && dataOf(event).contains(QLatin1String("suggestions"))
            && dataOf(event).contains(QLatin1String("Enter runs"));
    });
    QVERIFY2(!said.isEmpty(), "the list and its default row were not announced");
    // Down walks the rows; each one a reader meets says what it offers.
    for (int row = 0; row < 3; ++row)
        QVERIFY(m_x->key({ QStringLiteral("Down") }));
    QStringList described;
    QTRY_VERIFY2((described = rowsMet()).size() >= 3, qPrintable(described.join(QLatin1Char(','))));
    QVERIFY2(described.contains(QStringLiteral("xterm|Program")),
        qPrintable(described.join(QLatin1Char(','))));
    QVERIFY2(described.contains(
                 QStringLiteral("UXTerm|Application: xterm wrapper for Unicode environments")),
        qPrintable(described.join(QLatin1Char(','))));
}

void TestAccessibility::controlsHaveNames_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("state");
    const QStringList advanced { QStringLiteral("alt+a") };
    QTest::newRow("the priority box") << advanced << QStringLiteral("spin button")
                                      << QStringLiteral("Priority, the default") << QString();
    QTest::newRow("the priority slider") << advanced << QStringLiteral("slider")
                                         << QStringLiteral("Priority, the default") << QString();
    QTest::newRow("the Advanced button, open")
        << advanced << QStringLiteral("push button") << QStringLiteral("Advanced options")
        << QStringLiteral("checked");
    QTest::newRow("the Advanced button, closed")
        << QStringList() << QStringLiteral("push button") << QStringLiteral("Advanced options")
        << QStringLiteral("expandable");
    QTest::newRow("another user") << advanced << QStringLiteral("check box")
                                  << QStringLiteral("Run as a different user") << QString();
    const QStringList menu { QStringLiteral("alt+l") };
    QTest::newRow("the menu's search field")
        << menu << QStringLiteral("text") << QStringLiteral("Search applications") << QString();
    QTest::newRow("the menu's tree")
        << menu << QStringLiteral("tree") << QStringLiteral("Applications") << QString();
}

void TestAccessibility::controlsHaveNames()
{
    QFETCH(QStringList, keys);
    QFETCH(QString, role);
    QFETCH(QString, name);
    QFETCH(QString, state);
    QVERIFY(startDialog({}));
    if (!keys.isEmpty())
        QVERIFY(m_x->key(keys));
    // The panel's button is pressed in while the panel is open: a reader is
    // told of that change, and of no change of the expanded state.
    if (state == QLatin1String("checked")) {
        QVERIFY(!m_bus
                     ->waitForEvent([&](const QJsonObject &event) {
                         return event.value(QStringLiteral("event")).toString()
                             == QLatin1String("object:state-changed:checked")
                             && event.value(QStringLiteral("name")).toString() == name
                             && event.value(QStringLiteral("detail1")).toInt() == 1;
                     })
                     .isEmpty());
        return;
    }
    const auto shown = [&] {
        const QJsonArray states = findObject(role, name).value(QStringLiteral("states")).toArray();
        return !states.isEmpty() && (state.isEmpty() || states.contains(state))
            && (state != QLatin1String("expandable")
                || !states.contains(QStringLiteral("checked")));
    };
    // Reading the whole tree takes a reader a while.
    QTRY_VERIFY_WITH_TIMEOUT(shown(), 20000);
}

// A reader that reads the file chooser's list while the chooser fills it
// leaves the dialog running.
void TestAccessibility::fileChooserSurvivesBeingRead()
{
    QProcess *kavRun = startDialog({});
    QVERIFY(kavRun);
    const int rowsRead = m_bus->readLists(4000, [this] { m_x->key({ QStringLiteral("alt+o") }); });
    QVERIFY(rowsRead > 0);
    QVERIFY2(kavRun->state() == QProcess::Running, kavRun->readAllStandardError().constData());
    const QString chooser = m_x->waitForWindow(QStringLiteral("Open executable"));
    QVERIFY(!chooser.isEmpty());
    QVERIFY(m_x->focus(chooser) && m_x->key({ QStringLiteral("Escape") }));
    QVERIFY(!m_x->waitForFocusedWindow(QStringLiteral("Run Command")).isEmpty());
    QVERIFY(m_x->key({ QStringLiteral("Escape") }));
    QCOMPARE(waitForExitCode(kavRun), 0);
}

QTEST_GUILESS_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
