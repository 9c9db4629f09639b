// SPDX-License-Identifier: GPL-2.0-or-later
#include "../common/desktopentryfile.h"
#include "../common/systemapplications.h"
#include "../common/throwawayaccount.h"
#include "dialog/advancedpanel.h"
#include "dialog/commandclassifier.h"
#include "dialog/roderuz.h"
#include "dialog/runasoptions.h"
#include "dialog/separatorline.h"
#include "exec/commandparser.h"
#include "exec/terminal.h"
#include "messageboxrecorder.h"
#include "testprograms.h"

#include <KUser>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCompleter>
#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <sys/resource.h>
#include <tuple>
#include <unistd.h>

/** The group "zirna-admin" and a user of the test's own, removed on every path. */
class TemporaryAdminGroup
{
public:
    static QString groupName() { return QStringLiteral("zirna-admin"); }
    static QString memberName() { return QStringLiteral("zz-kavrun-member"); }

    bool create()
    {
        groupCreated = runAdmin(QStringLiteral("groupadd"), { groupName() });
        return groupCreated && member.create() && add(memberName());
    }
    bool addRoot() { return add(QStringLiteral("root")); }

    // The member goes after the group, which is none of its primary groups.
    ~TemporaryAdminGroup()
    {
        if (groupCreated)
            runAdmin(QStringLiteral("groupdel"), { groupName() });
    }

private:
    static bool add(const QString &user)
    {
        return runAdmin(QStringLiteral("gpasswd"), { QStringLiteral("-a"), user, groupName() });
    }

    ThrowAwayAccount member { memberName() };
    bool groupCreated = false;
};

/** Why the group cannot be set up for a test, or null when it can. */
static const char *adminGroupUnavailable()
{
    if (geteuid() != 0)
        return "creating a group and a user needs root";
    if (KUserGroup(TemporaryAdminGroup::groupName()).isValid())
        return "the group zirna-admin exists already and is left alone";
    return nullptr;
}

class RoderuzTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void formContract();
    void tabOrderFollowsTheForm();
    void constructionState();
    void enablingFollowsTheBoxes();
    void advancedPanelOpensAndCloses();
    void advancedPanelFocusRules();
    void closingKeepsTheSizeOfAMaximizedDialog();
    void fontChangeShrinksTheDialog();
    void separatorLooksAsTheStyleDrawsIt();
    void longHistoryEntryKeepsTheDialogNarrow();
    void escapeCancelsThroughTheButton();
    void optionKeysActAtOnce_data();
    void optionKeysActAtOnce();
    void longUserNameLeavesTheFieldsInPlace();
    void resetDialogReturnsToTheStart();
    void setCommandTextSelectsTheArguments();
    void keyTypedAtOnceMeetsHistoryAndCompletion();

    void priorityRangeForProcessNice();
    void priorityRangeUnderNice_data();
    void priorityRangeUnderNice();
    void higherPriorityForcesRoot();
    void forcingRootFromAnEmptyUser();
    void realtimeWarningAnsweredYes();
    void realtimeWarningCancelled();
    void presets();
    void runButtonRule();
    void terminalApplicationTicksTheBox();
    void userUntickStopsTheAutomaticTick();
    void emptyingTheFieldUnticks();
    void hintSaysWhatRunWillDo_data();
    void hintSaysWhatRunWillDo();
    void windowWorksWhileAFileDoesNotAnswer();
    void runPressedAgainWhileWaitingRunsOnce();

    void defaultUserIsTheAdminGroupMember();
    void defaultUserEmptyForAnAdmin();
    void defaultUserKeepsTypedAndPresetNames();

    void freshSettingsGiveDefaults();
    void settingsRoundTrip();
    void suFalseSelectsSudo();
    void completionModeIsClamped_data();
    void completionModeIsClamped();
    void longHistoryShowsItsLatestCommandFirst_data();
    void longHistoryShowsItsLatestCommandFirst();
    void damagedSettingsGiveDefaults_data();
    void damagedSettingsGiveDefaults();
    void savingReplacesTheFileWhole();
    void failedSaveIsReported();
    void userNamesFromThePasswordFile();

private:
    /** A dialog whose default user name has arrived. */
    std::unique_ptr<Roderuz> createDialog();
    static void waitForDefaultUser(Roderuz *dialog);
    void installIconTheme();
    void writeSettingsFile(const QByteArray &contents);
    QString settingsFile() const;
    /** Whether the test machine offers a terminal and classifies "ls" as a program. */
    bool terminalAppsWork(Roderuz *dialog);

    QTemporaryDir configHome;
};

void RoderuzTest::initTestCase()
{
    QVERIFY(configHome.isValid());
    // QSettings reads its paths once, so this must come before the first dialog.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    // Desktop entries are found by their id in the XDG data folders.
    const QString applications = configHome.filePath(QStringLiteral("data/applications"));
    QVERIFY(writeDesktopEntry(applications + QStringLiteral("/kavrun-texteditor.desktop"),
        "Name=Text Editor\nExec=kavmark editor\n"));
    QVERIFY(writeDesktopEntry(applications + QStringLiteral("/kavrun-top.desktop"),
        "Name=Top\nExec=top\nTerminal=true\n"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(configHome.filePath(QStringLiteral("data"))));
    // Only the test's own applications are offered.
    qputenv(
        "XDG_DATA_DIRS", QFile::encodeName(dataFolderHidingSystemApplications(configHome.path())));
    QCoreApplication::setOrganizationName(QStringLiteral("kav"));
    QCoreApplication::setApplicationName(QStringLiteral("kav-run"));
    installIconTheme();
}

// A theme of the test's own, so that the icons the dialog asks for exist.
void RoderuzTest::installIconTheme()
{
    const QString themeFolder = configHome.filePath(QStringLiteral("icons/kavtest"));
    QVERIFY(QDir().mkpath(themeFolder + QStringLiteral("/48x48/apps")));
    QFile index(themeFolder + QStringLiteral("/index.theme"));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write(
        "[Icon "
        "Theme]\nName=kavtest\nDirectories=48x48/apps\n\n[48x48/apps]\nSize=48\nType=Fixed\n");
    index.close();
    QImage image(48, 48, QImage::Format_ARGB32);
    image.fill(Qt::darkGreen);
    for (const char *name :
        { "system-run", "utilities-terminal", "application-x-executable", "kavmenuedit" })
        QVERIFY(image.save(
            themeFolder + QStringLiteral("/48x48/apps/%1.png").arg(QLatin1String(name))));
    QIcon::setThemeSearchPaths({ configHome.filePath(QStringLiteral("icons")) });
    QIcon::setThemeName(QStringLiteral("kavtest"));
}

void RoderuzTest::init()
{
    QFile::remove(settingsFile());
}

QString RoderuzTest::settingsFile() const
{
    return configHome.filePath(QStringLiteral("kav/kav-run.conf"));
}

void RoderuzTest::writeSettingsFile(const QByteArray &contents)
{
    QDir().mkpath(configHome.filePath(QStringLiteral("kav")));
    QFile::remove(settingsFile());
    QFile file(settingsFile());
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(contents), contents.size());
}

void RoderuzTest::waitForDefaultUser(Roderuz *dialog)
{
    dialog->completeStartup();
    QTRY_VERIFY(dialog->findChildren<QFutureWatcher<QString> *>().isEmpty());
}

std::unique_ptr<Roderuz> RoderuzTest::createDialog()
{
    auto dialog = std::make_unique<Roderuz>();
    waitForDefaultUser(dialog.get());
    return dialog;
}

bool RoderuzTest::terminalAppsWork(Roderuz *dialog)
{
    return dialog->cbRunInTerminal->isEnabled()
        && CommandParser(QStringLiteral("ls")).type() == CommandType::Executable;
}

// What a user of the keyboard or of a screen reader relies on.
void RoderuzTest::formContract()
{
    Roderuz dialog;
    const QVector<std::pair<QLabel *, QWidget *>> buddies = {
        { dialog.lbCommand, dialog.cbCommand },
        { dialog.lbUsername, dialog.leUsername },
        { dialog.lbPassword, dialog.lePassword },
        { dialog.textLabel1, dialog.slPriority },
    };
    for (const auto &[label, buddy] : buddies)
        QCOMPARE(label->buddy(), buddy);
    QCOMPARE(dialog.lePassword->echoMode(), QLineEdit::Password);
    QVERIFY(dialog.pbRun->isDefault());
    // Buttons whose text says nothing get a key, a name and a tool tip naming both.
    const QVector<std::tuple<QAbstractButton *, QString, QString>> described = {
        { dialog.selectCommandFileButton, QStringLiteral("Choose a program file"),
            QStringLiteral("Alt+O") },
        { dialog.selectFromMenuButton, QStringLiteral("Select application from menu"),
            QStringLiteral("Alt+L") },
        { dialog.rbSu, QStringLiteral("Change the user with su"), QStringLiteral("Alt+X") },
        { dialog.rbSudo, QStringLiteral("Change the user with sudo"), QStringLiteral("Alt+Y") },
    };
    for (const auto &[button, name, keys] : described) {
        QCOMPARE(button->accessibleName(), name);
        // The dialog's own shortcut stands for a radio button's (optionKeysActAtOnce).
        if (!qobject_cast<QRadioButton *>(button))
            QCOMPARE(button->shortcut(), QKeySequence(keys));
        QCOMPARE(button->toolTip(), QStringLiteral("%1 (%2)").arg(name, keys));
    }
}

void RoderuzTest::tabOrderFollowsTheForm()
{
    Roderuz dialog;
    const QStringList expected = {
        QStringLiteral("cbCommand"),
        QStringLiteral("selectCommandFileButton"),
        QStringLiteral("selectFromMenuButton"),
        QStringLiteral("cbRunInTerminal"),
        QStringLiteral("pbOptions"),
        QStringLiteral("cbRunAsOther"),
        QStringLiteral("rbSu"),
        QStringLiteral("rbSudo"),
        QStringLiteral("leUsername"),
        QStringLiteral("lePassword"),
        QStringLiteral("cbPriority"),
        QStringLiteral("slPriority"),
        QStringLiteral("sbPriority"),
        QStringLiteral("cbRealtime"),
        QStringLiteral("pbRun"),
        QStringLiteral("pbCancel"),
    };
    QStringList chain;
    QWidget *widget = dialog.cbCommand;
    do {
        if (expected.contains(widget->objectName()) && !chain.contains(widget->objectName()))
            chain.append(widget->objectName());
        widget = widget->nextInFocusChain();
    } while (widget != dialog.cbCommand);
    QCOMPARE(chain, expected);
}

void RoderuzTest::constructionState()
{
    auto dialog = createDialog();
    QCOMPARE(dialog->pbOptions->text(), QStringLiteral("&Advanced >>"));
    QVERIFY(dialog->advancedOptionsWidget->isHidden());
    QVERIFY(!dialog->pbRun->isEnabled());
    QCOMPARE(dialog->lbRunIcon->icon().name(), QStringLiteral("system-run"));
    QCOMPARE(dialog->selectFromMenuButton->icon().name(), QStringLiteral("kavmenuedit"));
    QCOMPARE(
        dialog->lbRunIcon->iconExtent(), dialog->style()->pixelMetric(QStyle::PM_LargeIconSize));
    // A terminal emulator is installed here, so the box stays usable.
    QVERIFY(dialog->cbRunInTerminal->isEnabled());
    QCOMPARE(dialog->size(), dialog->minimumSizeHint());

    const QList<QAction *> actions = dialog->actions();
    QCOMPARE(actions.size(), 1);
    QCOMPARE(actions.first()->text(), QStringLiteral("Help"));
    QCOMPARE(actions.first()->shortcuts(), QKeySequence::keyBindings(QKeySequence::HelpContents));
}

void RoderuzTest::enablingFollowsTheBoxes()
{
    auto dialog = createDialog();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));

    dialog->cbPriority->setChecked(true);
    for (QWidget *widget :
        { static_cast<QWidget *>(dialog->lbLowPriority), static_cast<QWidget *>(dialog->slPriority),
            static_cast<QWidget *>(dialog->lbHighPriority),
            static_cast<QWidget *>(dialog->textLabel1),
            static_cast<QWidget *>(dialog->sbPriority) })
        QVERIFY2(widget->isEnabled(), qPrintable(widget->objectName()));
    dialog->sbPriority->setValue(7);
    QCOMPARE(dialog->slPriority->value(), 7);
    dialog->slPriority->setValue(3);
    QCOMPARE(dialog->sbPriority->value(), 3);
    dialog->setCommandText(QStringLiteral("true"));
    if (getpriority(PRIO_PROCESS, 0) < 3)
        QTRY_COMPARE(dialog->lbHint->hint(), QStringLiteral("Runs true at priority 3"));

    dialog->leUsername->setText(QStringLiteral("someone"));
    dialog->cbRunAsOther->setChecked(true);
    QVERIFY(dialog->rbSu->isEnabled());
    QVERIFY(dialog->rbSudo->isEnabled());
    QVERIFY(dialog->lePassword->isEnabled());
    QCOMPARE(dialog->focusWidget(), dialog->leUsername);
    QCOMPARE(dialog->leUsername->selectedText(), QStringLiteral("someone"));

    // An empty user name leaves nothing to type a password for.
    dialog->leUsername->clear();
    QVERIFY(!dialog->lePassword->isEnabled());
    dialog->cbRunAsOther->setChecked(false);
    QVERIFY(!dialog->rbSu->isEnabled());
    QVERIFY(!dialog->leUsername->isEnabled());
}

void RoderuzTest::advancedPanelOpensAndCloses()
{
    auto dialog = createDialog();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    const QSize closedSize = dialog->size();

    dialog->pbOptions->click();
    QVERIFY(dialog->advancedOptionsWidget->isVisible());
    QCOMPARE(dialog->pbOptions->text(), QStringLiteral("&Advanced <<"));
    QCOMPARE(dialog->advancedSpacer->sizePolicy().verticalPolicy(), QSizePolicy::Ignored);
    QTRY_COMPARE(
        dialog->advancedOptionsWidget->sizePolicy().verticalPolicy(), QSizePolicy::Expanding);
    QTRY_VERIFY(dialog->height() > closedSize.height());

    dialog->pbOptions->click();
    QVERIFY(dialog->advancedOptionsWidget->isHidden());
    QCOMPARE(dialog->pbOptions->text(), QStringLiteral("&Advanced >>"));
    QCOMPARE(dialog->advancedSpacer->sizeHint(), QSize(20, 1));
    QCOMPARE(dialog->size(), dialog->sizeHint());
}

void RoderuzTest::advancedPanelFocusRules()
{
    auto dialog = createDialog();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    dialog->cbCommand->setFocus();
    QWidget *commandFocus = dialog->focusWidget();
    QVERIFY(commandFocus);

    dialog->slotAdvanced();
    QCOMPARE(dialog->focusWidget(), commandFocus);

    // Tab after the last button goes round to the field: the area that
    // holds the options is no stop of its own.
    dialog->pbCancel->setFocus();
    QTest::keyClick(dialog->pbCancel, Qt::Key_Tab);
    QCOMPARE(dialog->focusWidget(), commandFocus);

    // Closing gives the focus back to where it was when the panel opened.
    dialog->pbCancel->setFocus();
    dialog->slotAdvanced();
    QCOMPARE(dialog->focusWidget(), commandFocus);

    // A widget of the closed panel itself does not get it back.
    dialog->slotAdvanced();
    dialog->advancedPanel->m_savedFocus = dialog->cbPriority;
    dialog->pbCancel->setFocus();
    dialog->slotAdvanced();
    QVERIFY(!dialog->cbPriority->hasFocus());
}

void RoderuzTest::closingKeepsTheSizeOfAMaximizedDialog()
{
    auto dialog = createDialog();
    dialog->showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QTRY_VERIFY(dialog->isMaximized());
    dialog->pbOptions->click();
    QTest::qWait(20);
    const QSize openSize = dialog->size();
    dialog->pbOptions->click();
    QCOMPARE(dialog->size(), openSize);
}

void RoderuzTest::longHistoryEntryKeepsTheDialogNarrow()
{
    const int usualWidth = createDialog()->sizeHint().width();
    auto dialog = createDialog();
    // The history is there before the first show, as when it is loaded.
    dialog->cbCommand->setHistoryItems(
        { QStringLiteral("echo ") + QString(5000, QLatin1Char('x')) });
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    dialog->pbOptions->click();
    dialog->pbOptions->click();
    QCOMPARE(dialog->sizeHint().width(), usualWidth);
    QVERIFY(dialog->width() <= usualWidth);
}

void RoderuzTest::fontChangeShrinksTheDialog()
{
    auto dialog = createDialog();
    dialog->resize(1200, 800);
    QFont font = dialog->font();
    font.setPointSize(font.pointSize() + 4);
    dialog->setFont(font);
    QCOMPARE(dialog->size(), dialog->minimumSizeHint());
}

// The line is copied from a drawing kept for the process; a drawing for
// other colours or another size is a drawing of its own.
void RoderuzTest::separatorLooksAsTheStyleDrawsIt()
{
    auto dialog = createDialog();
    const auto *separator = dialog->findChild<SeparatorLine *>(QStringLiteral("separator1"));
    QVERIFY(separator);
    QFrame styled;
    styled.setFrameStyle(separator->frameStyle());
    const auto looksStyled = [&styled](SeparatorLine &line) {
        styled.resize(line.size());
        styled.setPalette(line.palette());
        return line.grab().toImage() == styled.grab().toImage();
    };
    SeparatorLine line;
    line.setFrameStyle(separator->frameStyle());
    line.resize(separator->size());
    QVERIFY(looksStyled(line));
    QPalette dark = line.palette();
    dark.setColor(QPalette::Light, Qt::red);
    dark.setColor(QPalette::Dark, Qt::blue);
    dark.setColor(QPalette::WindowText, Qt::blue);
    line.setPalette(dark);
    QVERIFY(looksStyled(line));
    line.resize(line.width() / 2, line.height());
    QVERIFY(looksStyled(line));
}

void RoderuzTest::escapeCancelsThroughTheButton()
{
    auto dialog = createDialog();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    QSignalSpy cancelClicks(dialog->pbCancel, &QPushButton::clicked);
    QSignalSpy rejections(dialog.get(), &QDialog::rejected);
    dialog->setCommandText(QStringLiteral("xterm"));

    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    QVERIFY(dialog->pbCancel->isDown());
    QVERIFY(rejections.isEmpty());
    QTRY_COMPARE(rejections.count(), 1);
    QCOMPARE(cancelClicks.count(), 1);
    QVERIFY(dialog->isHidden());
    QVERIFY(dialog->cbCommand->currentText().isEmpty());
}

void RoderuzTest::optionKeysActAtOnce_data()
{
    QTest::addColumn<bool>("panelOpen");
    QTest::addColumn<QKeySequence>("key");
    QTest::addColumn<QString>("ticked");
    QTest::addColumn<QString>("focused");
    for (const bool open : { false, true }) {
        const char *panel = open ? "open" : "closed";
        QTest::addRow("Alt+U, panel %s", panel)
            << open << QKeySequence(QStringLiteral("Alt+U")) << QStringLiteral("cbRunAsOther")
            << QStringLiteral("leUsername");
        QTest::addRow("Alt+Y, panel %s", panel)
            << open << QKeySequence(QStringLiteral("Alt+Y")) << QStringLiteral("rbSudo")
            << QStringLiteral("leUsername");
        QTest::addRow("Alt+P, panel %s", panel)
            << open << QKeySequence(QStringLiteral("Alt+P")) << QStringLiteral("cbPriority")
            << QStringLiteral("slPriority");
        QTest::addRow("Alt+W, panel %s", panel)
            << open << QKeySequence(QStringLiteral("Alt+W")) << QStringLiteral("cbRunAsOther")
            << QStringLiteral("leUsername");
    }
}

// An option's key ticks it before the next key comes, opens the panel when
// it is closed, and never types its letter into the command.
void RoderuzTest::optionKeysActAtOnce()
{
    QFETCH(bool, panelOpen);
    QFETCH(QKeySequence, key);
    QFETCH(QString, ticked);
    QFETCH(QString, focused);
    auto dialog = createDialog();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    dialog->setUseSu();
    dialog->leUsername->clear();
    if (panelOpen)
        dialog->slotAdvanced();
    dialog->cbCommand->setFocus();

    QTest::keySequence(dialog->focusWidget(), key);
    QVERIFY(dialog->advancedOptionsWidget->isVisible());
    QVERIFY(dialog->findChild<QAbstractButton *>(ticked)->isChecked());
    QCOMPARE(dialog->focusWidget(), dialog->findChild<QWidget *>(focused));
    QVERIFY(dialog->cbCommand->currentText().isEmpty());
}

void RoderuzTest::longUserNameLeavesTheFieldsInPlace()
{
    auto dialog = createDialog();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    dialog->slotAdvanced();
    // The panel takes its final size policy from a zero-interval timer.
    QCoreApplication::processEvents();
    const int fieldX = dialog->lePassword->x();

    const QString label = QStringLiteral("Pass&word of %1:").arg(QString(60, QLatin1Char('x')));
    dialog->runAsOptions->showPasswordLabel(label);
    dialog->innerAdvancedOptionsWidget->layout()->activate();
    QCOMPARE(dialog->lePassword->x(), fieldX);
    QVERIFY(dialog->lbLowPriority->geometry().right() < dialog->lbHighPriority->x());
    QVERIFY(dialog->lbPassword->text().startsWith(QLatin1String("Pass&word of xx")));
    QVERIFY(dialog->lbPassword->text().endsWith(QChar(0x2026)));
    QCOMPARE(dialog->lbPassword->toolTip(), QString(label).remove(QLatin1Char('&')));
}

void RoderuzTest::resetDialogReturnsToTheStart()
{
    auto dialog = createDialog();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    dialog->cbCommand->setHistoryItems({ QStringLiteral("one"), QStringLiteral("two") });
    dialog->setCommandText(QStringLiteral("xterm -e top"));
    dialog->pbOptions->click();
    dialog->cbRunInTerminal->setChecked(true);
    dialog->setUser(QStringLiteral("someone"));
    dialog->lePassword->setText(QStringLiteral("secret"));
    dialog->cbPriority->setChecked(true);
    dialog->slPriority->setValue(dialog->slPriority->value() + 3);

    dialog->resetDialog();
    QVERIFY(dialog->advancedOptionsWidget->isHidden());
    QVERIFY(dialog->cbCommand->currentText().isEmpty());
    QCOMPARE(dialog->cbCommand->count(), 0);
    QVERIFY(!dialog->pbRun->isEnabled());
    QVERIFY(!dialog->cbRunInTerminal->isChecked());
    QVERIFY(!dialog->cbRunAsOther->isChecked());
    QVERIFY(dialog->cbRunAsOther->isEnabled());
    QCOMPARE(dialog->leUsername->text(), QStringLiteral("root"));
    QVERIFY(!dialog->leUsername->isEnabled());
    QVERIFY(dialog->lePassword->text().isEmpty());
    QVERIFY(!dialog->lePassword->isEnabled());
    QVERIFY(!dialog->cbPriority->isChecked());
    QVERIFY(!dialog->cbRealtime->isChecked());
    QCOMPARE(dialog->slPriority->value(), 0);
}

void RoderuzTest::setCommandTextSelectsTheArguments()
{
    auto dialog = createDialog();
    QLineEdit *edit = dialog->cbCommand->lineEdit();
    dialog->setCommandText(QStringLiteral("xdg-open /usr/share/doc"));
    QCOMPARE(edit->text(), QStringLiteral("xdg-open /usr/share/doc"));
    QCOMPARE(edit->selectedText(), QStringLiteral("/usr/share/doc"));
    dialog->setCommandText(QStringLiteral(" leading"));
    QVERIFY(!edit->hasSelectedText());
    dialog->setCommandText(QStringLiteral("top"));
    QVERIFY(!edit->hasSelectedText());
    QVERIFY(dialog->pbRun->isEnabled());
}

// Also run by priorityRangeUnderNice in a child started through "nice".
// The first frame shows the history and what Enter does with it, and what a
// preset command does; the completers come after it, or before the first key
// when that is earlier.
void RoderuzTest::keyTypedAtOnceMeetsHistoryAndCompletion()
{
    writeSettingsFile("[General]\nhistory=xdg-open /srv, ls -l\n");
    Roderuz dialog;
    QCOMPARE(dialog.cbCommand->count(), 2);
    QCOMPARE(
        dialog.lbHint->hint(), QStringLiteral("Enter runs the last command again: xdg-open /srv"));
    dialog.show();
    QVERIFY(!qobject_cast<CommandCompleter *>(dialog.cbCommand->completer()));
    QTest::keyClicks(dialog.cbCommand->lineEdit(), QStringLiteral("xdg-op"));
    QCOMPARE(dialog.cbCommand->lineEdit()->text(), QStringLiteral("xdg-op"));
    QCOMPARE(dialog.cbCommand->historyItems(),
        QStringList({ QStringLiteral("xdg-open /srv"), QStringLiteral("ls -l") }));
    QCompleter *completer = dialog.cbCommand->completer();
    QCOMPARE(completer->completionPrefix(), QStringLiteral("xdg-op"));
    QCOMPARE(completer->completionCount(), 2);
    QCOMPARE(completer->currentCompletion(), QStringLiteral("xdg-open /srv"));
    QVERIFY(completer->setCurrentRow(1));
    QCOMPARE(completer->currentCompletion(), QStringLiteral("xdg-open"));

    // A preset command survives the completers arriving after it.
    Roderuz preset;
    preset.setCommandText(QStringLiteral("true -e top"));
    preset.show();
    QCOMPARE(preset.lbHint->hint(), QStringLiteral("Runs true"));
    preset.completeStartup();
    QCOMPARE(preset.cbCommand->lineEdit()->text(), QStringLiteral("true -e top"));
    QCOMPARE(preset.cbCommand->lineEdit()->selectedText(), QStringLiteral("-e top"));
    QCOMPARE(preset.cbCommand->count(), 2);
}

void RoderuzTest::priorityRangeForProcessNice()
{
    struct Range
    {
        int low;
        int high;
    };
    const QMap<int, Range> expectedRanges = { { 0, { 19, -20 } }, { 5, { 10, -15 } },
        { -5, { 14, -20 } } };
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, 0);
    if (!expectedRanges.contains(nice))
        QSKIP("started at a nice value without a known range");
    const Range range = expectedRanges.value(nice);

    auto dialog = createDialog();
    QCOMPARE(dialog->slPriority->minimum(), qMin(range.low, range.high));
    QCOMPARE(dialog->slPriority->maximum(), qMax(range.low, range.high));
    QCOMPARE(dialog->sbPriority->minimum(), dialog->slPriority->minimum());
    QCOMPARE(dialog->sbPriority->maximum(), dialog->slPriority->maximum());
    QVERIFY(dialog->slPriority->invertedAppearance());
    QCOMPARE(dialog->slPriority->value(), nice);
    QCOMPARE(dialog->sbPriority->value(), nice);
    QCOMPARE(dialog->lbLowPriority->text(), QStringLiteral("%1 (Low)").arg(range.low));
    QCOMPARE(dialog->lbHighPriority->text(), QStringLiteral("%1 (High)").arg(range.high));
    // The keys move the handle the way it is drawn: Left towards "Low".
    dialog->cbPriority->setChecked(true);
    QTest::keyClick(dialog->slPriority, Qt::Key_Left);
    QCOMPARE(dialog->slPriority->value(), qMin(nice + dialog->slPriority->singleStep(), range.low));
    QTest::keyClick(dialog->slPriority, Qt::Key_Right);
    QCOMPARE(dialog->slPriority->value(), nice);
}

void RoderuzTest::priorityRangeUnderNice_data()
{
    QTest::addColumn<QString>("adjustment");
    QTest::newRow("lower priority") << QStringLiteral("5");
    QTest::newRow("higher priority") << QStringLiteral("-5");
}

void RoderuzTest::priorityRangeUnderNice()
{
    QFETCH(QString, adjustment);
    if (getpriority(PRIO_PROCESS, 0) != 0)
        QSKIP("the adjustments assume a start at nice value 0");
    if (adjustment.startsWith(QLatin1Char('-')) && geteuid() != 0)
        QSKIP("raising the priority needs root");
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QStringLiteral("nice"),
        { QStringLiteral("-n"), adjustment, QCoreApplication::applicationFilePath(),
            QStringLiteral("priorityRangeForProcessNice") });
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
}

void RoderuzTest::higherPriorityForcesRoot()
{
    auto dialog = createDialog();
    const int start = dialog->slPriority->value();
    if (start <= dialog->slPriority->minimum())
        QSKIP("no higher priority is offered");
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    dialog->cbRunAsOther->setChecked(true);
    dialog->leUsername->setText(QStringLiteral("someone"));
    dialog->lePassword->setText(QStringLiteral("secret"));
    dialog->cbPriority->setChecked(true);

    dialog->slPriority->setValue(start + 2);
    QCOMPARE(dialog->leUsername->text(), QStringLiteral("someone"));
    QVERIFY(dialog->cbRunAsOther->isEnabled());

    // The arrow keys move by one step; crossing the start value forces root
    // and leaves the focus on the slider, which says why.
    dialog->slPriority->setValue(start);
    dialog->slPriority->setFocus();
    QTest::keyClick(dialog->slPriority, Qt::Key_Right);
    QCOMPARE(dialog->slPriority->value(), start - 1);
    QCOMPARE(dialog->focusWidget(), dialog->slPriority);
    QCOMPARE(dialog->slPriority->accessibleDescription(),
        QStringLiteral("Runs as root: only root may raise the priority"));
    QCOMPARE(dialog->lbHint->hint(), dialog->slPriority->accessibleDescription());
    QCOMPARE(dialog->leUsername->text(), QStringLiteral("root"));
    QVERIFY(!dialog->leUsername->isEnabled());
    QVERIFY(dialog->lePassword->text().isEmpty());
    QVERIFY(dialog->lePassword->isEnabled());
    QVERIFY(dialog->cbRunAsOther->isChecked());
    QVERIFY(!dialog->cbRunAsOther->isEnabled());
    QTest::keyClick(dialog->slPriority, Qt::Key_Right);
    QCOMPARE(dialog->slPriority->value(), start - 2);

    QTest::keyClick(dialog->slPriority, Qt::Key_Left);
    QTest::keyClick(dialog->slPriority, Qt::Key_Left);
    QCOMPARE(dialog->slPriority->value(), start);
    QCOMPARE(dialog->focusWidget(), dialog->slPriority);
    QVERIFY(dialog->slPriority->accessibleDescription().isEmpty());
    QCOMPARE(dialog->leUsername->text(), QStringLiteral("someone"));
    QCOMPARE(dialog->lePassword->text(), QStringLiteral("secret"));
    QVERIFY(dialog->cbRunAsOther->isChecked());
    QVERIFY(dialog->cbRunAsOther->isEnabled());
    QVERIFY(dialog->leUsername->isEnabled());
    // The restored user can still type a password.
    QVERIFY(dialog->lePassword->isEnabled());

    // Unticking the priority box gives up the higher priority as well.
    dialog->slPriority->setValue(start - 1);
    dialog->cbPriority->setChecked(false);
    QCOMPARE(dialog->leUsername->text(), QStringLiteral("someone"));
}

void RoderuzTest::forcingRootFromAnEmptyUser()
{
    auto dialog = createDialog();
    const int start = dialog->slPriority->value();
    if (start <= dialog->slPriority->minimum())
        QSKIP("no higher priority is offered");
    dialog->leUsername->clear();
    QVERIFY(!dialog->cbRunAsOther->isChecked());
    dialog->cbPriority->setChecked(true);
    dialog->slPriority->setValue(start - 1);
    QCOMPARE(dialog->leUsername->text(), QStringLiteral("root"));
    QVERIFY(dialog->cbRunAsOther->isChecked());

    dialog->slPriority->setValue(start);
    QVERIFY(!dialog->cbRunAsOther->isChecked());
    QVERIFY(dialog->cbRunAsOther->isEnabled());
    QCOMPARE(dialog->leUsername->text(), QStringLiteral("root"));
    QVERIFY(!dialog->leUsername->isEnabled());
    QVERIFY(!dialog->lePassword->isEnabled());
}

void RoderuzTest::realtimeWarningAnsweredYes()
{
    auto dialog = createDialog();
    const int startValue = dialog->slPriority->value();
    {
        MessageBoxRecorder answerer(QMessageBox::Yes);
        dialog->cbRealtime->setChecked(true);
        QCOMPARE(answerer.boxes.size(), 1);
        QCOMPARE(answerer.boxes.constLast().buttons, QMessageBox::Yes | QMessageBox::Cancel);
        QVERIFY(answerer.boxes.constLast().text.startsWith(
            QLatin1String("Running a realtime application can be very dangerous.")));
    }
    QCOMPARE(dialog->slPriority->accessibleDescription(),
        QStringLiteral("Runs as root: only root may use realtime scheduling"));
    QVERIFY(dialog->cbPriority->isChecked());
    QVERIFY(!dialog->cbPriority->isEnabled());
    QCOMPARE(dialog->slPriority->minimum(), 1);
    QCOMPARE(dialog->slPriority->maximum(), 99);
    QVERIFY(!dialog->slPriority->invertedAppearance());
    QCOMPARE(dialog->slPriority->value(), 50);
    QCOMPARE(dialog->lbLowPriority->text(), QStringLiteral("1 (Low)"));
    QCOMPARE(dialog->lbHighPriority->text(), QStringLiteral("99 (High)"));
    QCOMPARE(dialog->leUsername->text(), QStringLiteral("root"));
    QVERIFY(!dialog->leUsername->isEnabled());

    dialog->slPriority->setValue(70);
    dialog->cbRealtime->setChecked(false);
    QVERIFY(dialog->slPriority->accessibleDescription().isEmpty());
    QVERIFY(!dialog->cbPriority->isChecked());
    QVERIFY(dialog->cbPriority->isEnabled());
    QVERIFY(dialog->slPriority->invertedAppearance());
    QCOMPARE(dialog->slPriority->value(), startValue);
    QVERIFY(dialog->cbRunAsOther->isEnabled());

    MessageBoxRecorder answerer(QMessageBox::Yes);
    dialog->cbRealtime->setChecked(true);
    QCOMPARE(dialog->slPriority->value(), 70);
}

void RoderuzTest::realtimeWarningCancelled()
{
    auto dialog = createDialog();
    const int lower = dialog->slPriority->value() + 4;
    const int rangeStart = dialog->slPriority->minimum();
    dialog->cbPriority->setChecked(true);
    dialog->slPriority->setValue(lower);
    {
        MessageBoxRecorder answerer(QMessageBox::Cancel);
        dialog->cbRealtime->setChecked(true);
        QCOMPARE(answerer.boxes.size(), 1);
    }
    QVERIFY(!dialog->cbRealtime->isChecked());
    QVERIFY(dialog->slPriority->accessibleDescription().isEmpty());
    QVERIFY(dialog->cbRunAsOther->isEnabled());
    // Declining leaves the user's own priority choice as it was.
    QVERIFY(dialog->cbPriority->isChecked());
    QVERIFY(dialog->cbPriority->isEnabled());
    QCOMPARE(dialog->slPriority->value(), lower);
    QCOMPARE(dialog->slPriority->minimum(), rangeStart);
}

void RoderuzTest::presets()
{
    auto dialog = createDialog();
    MessageBoxRecorder answerer(QMessageBox::Cancel);
    dialog->setRealtime();
    QCOMPARE(answerer.boxes.size(), 0);
    QCOMPARE(dialog->slPriority->maximum(), 99);
    QVERIFY(!dialog->cbRealtime->isChecked());
    QVERIFY(!dialog->advancedOptionsWidget->isHidden());
    QCOMPARE(dialog->pbOptions->text(), QStringLiteral("&Advanced <<"));
    dialog->setPriority(500);
    QCOMPARE(dialog->slPriority->value(), 99);
    dialog->cbCommand->lineEdit()->setText(QStringLiteral("true"));
    QTRY_VERIFY(dialog->lbHint->hint().contains(QLatin1String("with realtime priority 99")));

    auto normal = createDialog();
    normal->setPriority(30);
    QCOMPARE(normal->slPriority->value(), normal->slPriority->maximum());
    QVERIFY(!normal->cbPriority->isChecked());
    normal->setUseSudo();
    QVERIFY(normal->rbSudo->isChecked());
    normal->setUseSu();
    QVERIFY(normal->rbSu->isChecked());
    normal->setUser(QStringLiteral("someone"));
    QVERIFY(normal->cbRunAsOther->isChecked());
    QCOMPARE(normal->leUsername->text(), QStringLiteral("someone"));
    // The user types the command next.
    QCOMPARE(normal->focusWidget(), normal->cbCommand);

    // Shown, the panel is as large as the Advanced button makes it: every
    // control in view, nothing to scroll.
    auto byButton = createDialog();
    byButton->show();
    QVERIFY(QTest::qWaitForWindowExposed(byButton.get()));
    byButton->pbOptions->click();
    normal->show();
    QVERIFY(QTest::qWaitForWindowExposed(normal.get()));
    QTRY_COMPARE(normal->size(), byButton->size());
    const QList<QWidget *> controls = { normal->rbSudo, normal->lePassword, normal->slPriority,
        normal->sbPriority, normal->cbRealtime };
    for (const QWidget *control : controls) {
        const QRect area(control->mapTo(normal.get(), QPoint()), control->size());
        QVERIFY2(normal->rect().contains(area), qPrintable(control->objectName()));
    }
    QCOMPARE(normal->advancedOptionsScrollArea->verticalScrollBar()->maximum(), 0);

    // The next click on the options button closes the preset panel.
    normal->pbOptions->click();
    QVERIFY(normal->advancedOptionsWidget->isHidden());
}

void RoderuzTest::runButtonRule()
{
    auto dialog = createDialog();
    QVERIFY(!dialog->pbRun->isEnabled());
    dialog->setCommandText(QStringLiteral("top"));
    QVERIFY(dialog->pbRun->isEnabled());
    dialog->leUsername->clear();
    dialog->cbRunAsOther->setChecked(true);
    QVERIFY(!dialog->pbRun->isEnabled());
    dialog->leUsername->setText(QStringLiteral("someone"));
    QVERIFY(dialog->pbRun->isEnabled());
    dialog->setCommandText(QString());
    QVERIFY(!dialog->pbRun->isEnabled());
}

void RoderuzTest::terminalApplicationTicksTheBox()
{
    auto dialog = createDialog();
    if (!terminalAppsWork(dialog.get()))
        QSKIP("needs a terminal emulator and \"ls\" on the search path");
    // The box follows the text once typing pauses, not before.
    QSignalSpy ticks(dialog->cbRunInTerminal, &QCheckBox::toggled);
    QElapsedTimer typing;
    typing.start();
    QTest::keyClicks(dialog->cbCommand->lineEdit(), QStringLiteral("ls"));
    QVERIFY(ticks.wait());
    // A coarse timer may fire up to 5 % early.
    QVERIFY(typing.elapsed() >= 230);
    QVERIFY(dialog->cbRunInTerminal->isChecked());
    QCOMPARE(dialog->lbRunIcon->icon().name(), QStringLiteral("utilities-terminal"));
}

void RoderuzTest::userUntickStopsTheAutomaticTick()
{
    auto dialog = createDialog();
    if (!terminalAppsWork(dialog.get()))
        QSKIP("needs a terminal emulator and \"ls\" on the search path");
    dialog->setCommandText(QStringLiteral("ls"));
    QTRY_VERIFY(dialog->cbRunInTerminal->isChecked());

    // Unticked by hand, the box stays so for the program, whatever follows it.
    dialog->cbRunInTerminal->click();
    QVERIFY(!dialog->cbRunInTerminal->isChecked());
    dialog->setCommandText(QStringLiteral("ls -l"));
    dialog->setCommandText(QStringLiteral("kavrun-no-such-program"));
    QTRY_COMPARE(
        dialog->lbHint->hint(), QStringLiteral("No program or file named kavrun-no-such-program"));
    // The hint follows the text once it is looked at, and the box with it.
    dialog->setCommandText(QStringLiteral("ls"));
    QTRY_COMPARE(dialog->lbHint->hint(), QStringLiteral("Runs ls"));
    QVERIFY(!dialog->cbRunInTerminal->isChecked());

    dialog->cbRunInTerminal->click();
    QVERIFY(dialog->cbRunInTerminal->isChecked());
}

void RoderuzTest::emptyingTheFieldUnticks()
{
    auto dialog = createDialog();
    if (!terminalAppsWork(dialog.get()))
        QSKIP("needs a terminal emulator and \"ls\" on the search path");
    dialog->setCommandText(QStringLiteral("ls"));
    QTRY_VERIFY(dialog->cbRunInTerminal->isChecked());

    dialog->setCommandText(QString());
    QVERIFY(!dialog->cbRunInTerminal->isChecked());
    QCOMPARE(dialog->lbRunIcon->icon().name(), QStringLiteral("system-run"));
    QVERIFY(!dialog->pbRun->isEnabled());

    // The box follows the text every time, not once per dialog.
    dialog->setCommandText(QStringLiteral("ls"));
    QTRY_VERIFY(dialog->cbRunInTerminal->isChecked());
    dialog->setCommandText(QStringLiteral("lsblk"));
    QTRY_VERIFY(!dialog->cbRunInTerminal->isChecked());
}

void RoderuzTest::hintSaysWhatRunWillDo_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("options");
    // The first rows of the completion list; not looked at when empty.
    QTest::addColumn<QStringList>("offers");
    QTest::addColumn<QString>("hint");
    const QString opens = QStringLiteral("Opens the address in the web browser");
    const QString unknown = QStringLiteral("kavrun-no-such-program").repeated(20);
    const int nice = getpriority(PRIO_PROCESS, 0);
    // su and sudo ask root for no password.
    const bool root = getuid() == 0;
    QTest::newRow("folder") << QStringLiteral("/usr/share") << QString()
                            << QStringList { QStringLiteral("share/") }
                            << QStringLiteral("Opens /usr/share with the default application");
    QTest::newRow("application by a word of its name")
        << QStringLiteral("edi") << QString() << QStringList { QStringLiteral("Text Editor") }
        << QStringLiteral("Enter runs Text Editor");
    QTest::newRow("path as an argument")
        << QStringLiteral("cat /usr/sh") << QString() << QStringList { QStringLiteral("share/") }
        << QStringLiteral("Runs cat");
    QTest::newRow("web address") << QStringLiteral("https://example.org/x") << QString()
                                 << QStringList() << opens;
    QTest::newRow("www") << QStringLiteral("www.example.org") << QString() << QStringList()
                         << opens;
    QTest::newRow("other address")
        << QStringLiteral("mailto:someone@example.org") << QString() << QStringList()
        << QStringLiteral("Opens the address with the default application");
    QTest::newRow("desktop entry by id") << QStringLiteral("kavrun-texteditor") << QString()
                                         << QStringList() << QStringLiteral("Runs Text Editor");
    QTest::newRow("unknown, too long for the line")
        << unknown << QString() << QStringList()
        << QStringLiteral("No program or file named ") + unknown;
    QTest::newRow("document with arguments")
        << QStringLiteral("/etc/passwd now") << QString() << QStringList()
        << QStringLiteral("/etc/passwd is not a program, so it cannot take arguments");
    QTest::newRow("expression") << QStringLiteral("2+3*4") << QString() << QStringList()
                                << QStringLiteral("= 14");
    QTest::newRow("broken expression") << QStringLiteral("1+*") << QString() << QStringList()
                                       << QStringLiteral("Cannot calculate this expression");
    QTest::newRow("result too long") << QStringLiteral("10^9999999") << QString() << QStringList()
                                     << QStringLiteral("Result too long");
    QTest::newRow("logout") << QStringLiteral("logout") << QString() << QStringList()
                            << QStringLiteral("Closes this dialog");
    QTest::newRow("terminal")
        << QStringLiteral("true") << QStringLiteral("terminal") << QStringList()
        << QStringLiteral("Runs true in %1").arg(QFileInfo(terminalProgram()).fileName());
    QTest::newRow("desktop entry asking for a terminal")
        << QStringLiteral("kavrun-top") << QStringLiteral("terminal by itself") << QStringList()
        << QStringLiteral("Runs Top in %1").arg(QFileInfo(terminalProgram()).fileName());
    QTest::newRow("sudo, higher priority")
        << QStringLiteral("true") << QStringLiteral("sudo") << QStringList()
        << QStringLiteral("Runs as root through sudo at priority %1").arg(nice - 5)
            + (root ? QString() : QStringLiteral("; asks for your own password"));
    QTest::newRow("realtime") << QStringLiteral("true") << QStringLiteral("realtime")
                              << QStringList()
                              << QStringLiteral("Runs as root through su with realtime priority 50")
            + (root ? QString() : QStringLiteral("; asks for the password of root"));
    QTest::newRow("lower priority")
        << QStringLiteral("true") << QStringLiteral("nice") << QStringList()
        << QStringLiteral("Runs true at priority %1").arg(nice + 5);
}

void RoderuzTest::hintSaysWhatRunWillDo()
{
    QFETCH(QString, text);
    QFETCH(QString, options);
    QFETCH(QStringList, offers);
    QFETCH(QString, hint);
    auto dialog = createDialog();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    const int width = dialog->width();
    if (options.startsWith(QLatin1String("terminal"))) {
        if (!dialog->cbRunInTerminal->isEnabled())
            QSKIP("needs a terminal emulator");
        if (options == QLatin1String("terminal"))
            dialog->cbRunInTerminal->click();
    } else if (options == QLatin1String("sudo")) {
        dialog->rbSudo->setChecked(true);
        dialog->cbPriority->setChecked(true);
        dialog->slPriority->setValue(getpriority(PRIO_PROCESS, 0) - 5);
    } else if (options == QLatin1String("realtime")) {
        dialog->setRealtime();
    } else if (options == QLatin1String("nice")) {
        dialog->cbPriority->setChecked(true);
        dialog->slPriority->setValue(getpriority(PRIO_PROCESS, 0) + 5);
    }
    QTest::keyClicks(dialog->cbCommand->lineEdit(), text);
    QTRY_COMPARE(dialog->lbHint->hint(), hint);
    QCOMPARE(dialog->cbCommand->lineEdit()->accessibleDescription(), hint);
    const QAbstractItemModel *matches = dialog->cbCommand->completer()->completionModel();
    const auto firstOffers = [&] {
        QStringList shown;
        for (int row = 0; row < qMin(offers.size(), matches->rowCount()); ++row)
            shown.append(matches->index(row, 0).data().toString());
        return shown;
    };
    QTRY_COMPARE(firstOffers(), offers);
    // The list opens below the hint, which stays readable.
    const QWidget *list = dialog->cbCommand->completer()->popup();
    if (!offers.isEmpty())
        QTRY_VERIFY(list->isVisible());
    if (list->isVisible())
        QVERIFY(list->y() >= dialog->lbHint->mapToGlobal(QPoint(0, dialog->lbHint->height())).y());
    QCOMPARE(dialog->width(), width);
}

void RoderuzTest::windowWorksWhileAFileDoesNotAnswer()
{
    const QString stalled = qEnvironmentVariable("KAVRUN_STALL_PATH");
    if (stalled.isEmpty())
        QSKIP("runs with a file system that does not answer (tst_roderuz_stalled)");
    auto dialog = createDialog();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    // The longest time between two turns of the event loop.
    QElapsedTimer clock;
    qint64 lastTurn = 0;
    qint64 longestWait = 0;
    QTimer turns;
    turns.setInterval(10);
    connect(&turns, &QTimer::timeout, [&] {
        longestWait = qMax(longestWait, clock.elapsed() - lastTurn);
        lastTurn = clock.elapsed();
    });
    clock.start();
    turns.start();

    const QString path = stalled + QStringLiteral("/notes.txt");
    QTest::keyClicks(dialog->cbCommand->lineEdit(), path);
    QTRY_COMPARE_WITH_TIMEOUT(
        dialog->lbHint->hint(), QStringLiteral("Looking at %1 ...").arg(path), 3000);
    dialog->pbRun->click();
    // The window goes on turning after Run while the file still does not answer.
    const qint64 clicked = clock.elapsed();
    QTRY_VERIFY(lastTurn > clicked + 200);
    QVERIFY2(
        longestWait < 1500, qPrintable(QStringLiteral("the window waited %1 ms").arg(longestWait)));
    QCOMPARE(dialog->result(), int(QDialog::Rejected));

    // Cancel closes at once, while the file still does not answer.
    dialog->pbCancel->click();
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QVERIFY(!dialog->isVisible());
}

// A first Run found the text not looked at yet; the second comes once it is,
// before the window has heard of it.
void RoderuzTest::runPressedAgainWhileWaitingRunsOnce()
{
    auto dialog = createDialog();
    QSignalSpy finished(dialog.get(), &QDialog::finished);
    dialog->setCommandText(QStringLiteral("logout"));
    dialog->pendingRun = QStringLiteral("logout");
    dialog->classifier->classify(QStringLiteral("logout"));
    QThread::msleep(300);
    dialog->accept();
    // The classification reaches the window as well; it launches nothing again.
    QTRY_VERIFY(dialog->classifier->findChildren<QFutureWatcher<void> *>().isEmpty());
    QCOMPARE(finished.count(), 1);
}

void RoderuzTest::defaultUserIsTheAdminGroupMember()
{
    if (const char *reason = adminGroupUnavailable())
        QSKIP(reason);
    {
        TemporaryAdminGroup group;
        QVERIFY(group.create());
        QCOMPARE(createDialog()->leUsername->text(), TemporaryAdminGroup::memberName());
    }
    // Without the group nobody is proposed.
    QVERIFY(createDialog()->leUsername->text().isEmpty());
}

void RoderuzTest::defaultUserEmptyForAnAdmin()
{
    if (const char *reason = adminGroupUnavailable())
        QSKIP(reason);
    TemporaryAdminGroup group;
    QVERIFY(group.create());
    QVERIFY(group.addRoot());
    QVERIFY(createDialog()->leUsername->text().isEmpty());
}

void RoderuzTest::defaultUserKeepsTypedAndPresetNames()
{
    if (const char *reason = adminGroupUnavailable())
        QSKIP(reason);
    TemporaryAdminGroup group;
    QVERIFY(group.create());

    Roderuz typed;
    typed.cbRunAsOther->setChecked(true);
    // The user-name completer's popup would take the keys after the first one.
    typed.leUsername->setCompleter(nullptr);
    QTest::keyClicks(typed.leUsername, QStringLiteral("typist"));
    waitForDefaultUser(&typed);
    QCOMPARE(typed.leUsername->text(), QStringLiteral("typist"));

    Roderuz preset;
    preset.setUser(QStringLiteral("presetuser"));
    waitForDefaultUser(&preset);
    QCOMPARE(preset.leUsername->text(), QStringLiteral("presetuser"));
}

void RoderuzTest::freshSettingsGiveDefaults()
{
    auto dialog = createDialog();
    QVERIFY(dialog->rbSu->isChecked());
    QVERIFY(dialog->cbCommand->historyItems().isEmpty());
    QVERIFY(dialog->cbCommand->currentText().isEmpty());
    QCOMPARE(dialog->terminalApps, QStringList { QStringLiteral("ls") });
    QVERIFY(dialog->cbCommand->completer());
    QCOMPARE(dialog->cbCommand->completer()->completionMode(), QCompleter::PopupCompletion);
    // Reading alone creates no file.
    QVERIFY(!QFile::exists(settingsFile()));
}

void RoderuzTest::settingsRoundTrip()
{
    {
        auto dialog = createDialog();
        dialog->cbCommand->addToHistory(QStringLiteral("xterm"));
        dialog->cbCommand->addToHistory(QStringLiteral("top -d 1"));
        dialog->rbSudo->setChecked(true);
        dialog->terminalApps = QStringList();
        dialog->cbCommand->completer()->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
        QVERIFY(dialog->saveSettings());
    }
    {
        const QSettings settings;
        QCOMPARE(settings.value(QStringLiteral("su")).toBool(), false);
        QCOMPARE(settings.value(QStringLiteral("completionMode")).toInt(), 1);
    }
    auto dialog = createDialog();
    QVERIFY(dialog->rbSudo->isChecked());
    QCOMPARE(dialog->cbCommand->historyItems(),
        QStringList({ QStringLiteral("top -d 1"), QStringLiteral("xterm") }));
    QVERIFY(dialog->cbCommand->currentText().isEmpty());
    // An emptied list stays empty rather than falling back to the default.
    QVERIFY(dialog->terminalApps.isEmpty());
    QCOMPARE(
        dialog->cbCommand->completer()->completionMode(), QCompleter::UnfilteredPopupCompletion);

    dialog->terminalApps = QStringList({ QStringLiteral("mc") });
    QVERIFY(dialog->saveSettings());
    QCOMPARE(createDialog()->terminalApps, QStringList { QStringLiteral("mc") });

    // "Clear history" is written at once, whether the dialog then runs anything
    // or not, and the hint offers the last command no more.
    dialog->rbSu->setChecked(true);
    QTRY_COMPARE(
        dialog->lbHint->hint(), QStringLiteral("Enter runs the last command again: top -d 1"));
    dialog->cbCommand->clearHistory();
    QCOMPARE(dialog->lbHint->hint(), QString());
    dialog->reject();
    const QSettings settings;
    QVERIFY(settings.value(QStringLiteral("history")).toStringList().isEmpty());
    QCOMPARE(settings.value(QStringLiteral("su")).toBool(), false);
}

void RoderuzTest::suFalseSelectsSudo()
{
    writeSettingsFile("[General]\nsu=false\n");
    auto dialog = createDialog();
    QVERIFY(dialog->rbSudo->isChecked());
    dialog->setUseSu();
    QVERIFY(dialog->rbSu->isChecked());

    // A preset given before the settings arrive still wins over them.
    Roderuz early;
    early.setUseSu();
    waitForDefaultUser(&early);
    QVERIFY(early.rbSu->isChecked());
}

void RoderuzTest::completionModeIsClamped_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("mode");
    QTest::newRow("inline") << QByteArray("2") << int(QCompleter::InlineCompletion);
    QTest::newRow("unfiltered") << QByteArray("1") << int(QCompleter::UnfilteredPopupCompletion);
    QTest::newRow("too large") << QByteArray("99") << int(QCompleter::InlineCompletion);
    QTest::newRow("negative") << QByteArray("-4") << int(QCompleter::PopupCompletion);
    QTest::newRow("not a number") << QByteArray("abc") << int(QCompleter::PopupCompletion);
    QTest::newRow("a size") << QByteArray("@Size(2 3)") << int(QCompleter::PopupCompletion);
}

void RoderuzTest::completionModeIsClamped()
{
    QFETCH(QByteArray, stored);
    QFETCH(int, mode);
    writeSettingsFile("[General]\ncompletionMode=" + stored + '\n');
    auto dialog = createDialog();
    QCOMPARE(int(dialog->cbCommand->completer()->completionMode()), mode);
}

void RoderuzTest::longHistoryShowsItsLatestCommandFirst_data()
{
    QTest::addColumn<QString>("latest");
    QTest::newRow("plain") << QStringLiteral("xdg-open /srv");
    QTest::newRow("separator quoted") << QStringLiteral("echo a, b; ls");
    QTest::newRow("quotes and escapes") << QStringLiteral("printf \"%s\\n\" 'x, \"y'");
    QTest::newRow("at sign") << QStringLiteral("@Invalid()");
    QTest::newRow("outer blanks, tab, non-ASCII") << QStringLiteral(" gr\u00fc\u00dfe\t\u2713 ");
}

// The first frame of a long history shows its latest command before the
// rest is parsed; afterwards the whole history is there, and the next save
// keeps it.
void RoderuzTest::longHistoryShowsItsLatestCommandFirst()
{
    QFETCH(QString, latest);
    QStringList history { latest };
    for (int i = 0; i < 20000; ++i)
        history << QStringLiteral("command %1, \"quoted\"").arg(i);
    {
        QSettings settings;
        settings.setValue(QStringLiteral("history"), history);
        settings.setValue(QStringLiteral("su"), false);
    }
    Roderuz dialog;
    QCOMPARE(
        dialog.lbHint->hint(), QStringLiteral("Enter runs the last command again: %1").arg(latest));
    QVERIFY(dialog.rbSudo->isChecked());
    dialog.show();
    QTRY_VERIFY(qobject_cast<CommandCompleter *>(dialog.cbCommand->completer()));
    QCOMPARE(dialog.cbCommand->historyItems(), history);
    QVERIFY(dialog.saveSettings());
    QCOMPARE(QSettings().value(QStringLiteral("history")).toStringList(), history);
}

void RoderuzTest::damagedSettingsGiveDefaults_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QStringList>("history");
    QTest::addColumn<QStringList>("terminalApps");
    const QStringList none;
    const QStringList ls { QStringLiteral("ls") };
    static const char garbage[] = "\x00\xff\xfe[[=\x01\n\x80\x81=\n";
    QTest::newRow("binary garbage") << QByteArray(garbage, sizeof garbage - 1) << none << ls;
    QTest::newRow("lists of another type")
        << QByteArray("[General]\nhistory=@Size(3 4)\nterminalApps=@Rect(1 2 3 4)\n") << none << ls;
    QTest::newRow("broken variant")
        << QByteArray("[General]\nhistory=@Variant(\\0\\0\\0\\x7f)\nsu=@Invalid(\n") << none << ls;
    QTest::newRow("number as history")
        << QByteArray("[General]\nhistory=5\n") << QStringList { QStringLiteral("5") } << ls;
    // What can still be read is kept.
    QTest::newRow("unterminated section")
        << QByteArray("[General\nhistory=a, b\nterminalApps=@Size(1 2)\n")
        << QStringList({ QStringLiteral("a"), QStringLiteral("b") }) << ls;
}

void RoderuzTest::damagedSettingsGiveDefaults()
{
    QFETCH(QByteArray, contents);
    QFETCH(QStringList, history);
    QFETCH(QStringList, terminalApps);
    writeSettingsFile(contents);
    auto dialog = createDialog();
    QCOMPARE(dialog->cbCommand->historyItems(), history);
    QCOMPARE(dialog->terminalApps, terminalApps);
    QVERIFY(dialog->cbCommand->completer());

    // The next launch writes a sound file again.
    dialog->cbCommand->addToHistory(QStringLiteral("after repair"));
    QVERIFY(dialog->saveSettings());
    QCOMPARE(createDialog()->cbCommand->historyItems(),
        QStringList { QStringLiteral("after repair") } + history);
}

void RoderuzTest::savingReplacesTheFileWhole()
{
    writeSettingsFile("[General]\nhistory=old\n");
    // A second name for the old file shows whether it was rewritten in place.
    const QString oldName = configHome.filePath(QStringLiteral("old-settings"));
    QFile::remove(oldName);
    QCOMPARE(::link(QFile::encodeName(settingsFile()).constData(),
                 QFile::encodeName(oldName).constData()),
        0);

    auto dialog = createDialog();
    dialog->cbCommand->addToHistory(QStringLiteral("new"));
    QVERIFY(dialog->saveSettings());
    QFile oldFile(oldName);
    QVERIFY(oldFile.open(QIODevice::ReadOnly));
    QCOMPARE(oldFile.readAll(), QByteArray("[General]\nhistory=old\n"));
    QCOMPARE(createDialog()->cbCommand->historyItems(),
        QStringList({ QStringLiteral("new"), QStringLiteral("old") }));

    // A settings file kept elsewhere behind a link stays there.
    QFile::remove(oldName);
    QVERIFY(QFile::rename(settingsFile(), oldName));
    QVERIFY(QFile::link(oldName, settingsFile()));
    dialog->cbCommand->addToHistory(QStringLiteral("linked"));
    QVERIFY(dialog->saveSettings());
    QVERIFY(QFileInfo(settingsFile()).isSymLink());
    QCOMPARE(createDialog()->cbCommand->historyItems().value(0), QStringLiteral("linked"));
    QFile::remove(settingsFile());
    QFile::remove(oldName);
}

void RoderuzTest::failedSaveIsReported()
{
    const QString folder = configHome.filePath(QStringLiteral("kav"));
    const QString movedFolder = configHome.filePath(QStringLiteral("kav.moved"));
    QDir().mkpath(folder);
    QVERIFY(QDir().rename(folder, movedFolder));
    // A file where the settings folder belongs cannot be written into, not even by root.
    QFile blocker(folder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    auto dialog = createDialog();
    QVERIFY(dialog->rbSu->isChecked());
    dialog->cbCommand->addToHistory(QStringLiteral("lost"));
    const bool saved = dialog->saveSettings();
    QFile::remove(folder);
    QVERIFY(QDir().rename(movedFolder, folder));
    QVERIFY(!saved);

    // A settings path that is a folder cannot be read: the defaults apply.
    QVERIFY(QDir().mkpath(settingsFile()));
    auto unreadable = createDialog();
    QCOMPARE(unreadable->terminalApps, QStringList { QStringLiteral("ls") });
    QVERIFY(!unreadable->saveSettings());
    QVERIFY(QDir().rmdir(settingsFile()));
}

void RoderuzTest::userNamesFromThePasswordFile()
{
    auto dialog = createDialog();
    QCompleter *completer = dialog->leUsername->completer();
    QVERIFY(completer);
    QCOMPARE(completer->parent(), dialog->leUsername);
    QCOMPARE(completer->modelSorting(), QCompleter::CaseInsensitivelySortedModel);

    // Other tests of the suite add and remove their throw-away accounts meanwhile.
    const auto throwAway = [](const QString &name) {
        return name.startsWith(QLatin1String("zz-kavrun-"));
    };
    QStringList fileOrder;
    QFile passwd(QStringLiteral("/etc/passwd"));
    QVERIFY(passwd.open(QIODevice::ReadOnly));
    while (!passwd.atEnd()) {
        const QByteArray line = passwd.readLine().trimmed();
        const QString name = QString::fromLocal8Bit(line.left(line.indexOf(':')));
        if (!line.isEmpty() && !line.startsWith('#') && !throwAway(name))
            fileOrder.append(name);
    }
    auto *model = qobject_cast<QStringListModel *>(completer->model());
    QVERIFY(model);
    QStringList offered = model->stringList();
    offered.erase(std::remove_if(offered.begin(), offered.end(), throwAway), offered.end());
    QCOMPARE(offered, fileOrder);
    QVERIFY(fileOrder.contains(QStringLiteral("root")));
}

QTEST_MAIN(RoderuzTest)
#include "tst_roderuz.moc"
