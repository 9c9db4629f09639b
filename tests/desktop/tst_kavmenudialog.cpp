// SPDX-License-Identifier: GPL-2.0-or-later
#include "../common/desktopentryfile.h"
#include "../common/systemapplications.h"
#include "desktop/applicationentry.h"
#include "desktop/kavmenudialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

static QStringList names(std::initializer_list<const char *> list)
{
    QStringList result;
    for (const char *name : list)
        result.append(QLatin1String(name));
    return result;
}

/** Shows @p dialog; its filter field, or nullptr when it never appeared. */
static QLineEdit *showFilter(KavMenuDialog &dialog)
{
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog))
        return nullptr;
    return dialog.findChild<QLineEdit *>();
}

/** The desktop-file id of the application chosen. */
static QString chosenId(const KavMenuDialog &dialog)
{
    return dialog.chosenApplication().id;
}

class KavMenuDialogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void listsOnlyDisplayableApplications();
    void groupsByMainCategorySortedByName();
    void filterNarrowsTheList_data();
    void filterNarrowsTheList();
    void enterTakesTheCurrentApplication();
    void escapeChoosesNothing();
    void enterWithNothingShownDoesNotAccept();
    void execReturnsTheChosenApplication();

private:
    void writeEntry(const QString &folder, const QString &fileName, const QByteArray &keys);
    QStringList shownApplications(const KavMenuDialog &dialog) const;

    QTemporaryDir sandbox;
};

void KavMenuDialogTest::writeEntry(
    const QString &folder, const QString &fileName, const QByteArray &keys)
{
    // The lines say the type, or leave it out.
    QVERIFY(writeDesktopEntry(
        sandbox.filePath(folder + QStringLiteral("/applications/") + fileName), keys, {}));
}

void KavMenuDialogTest::initTestCase()
{
    QVERIFY(sandbox.isValid());
    // The garbage entry below is meant to be skipped; its parse warnings are noise.
    QLoggingCategory::setFilterRules(QStringLiteral("kf.config.core.warning=false"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(sandbox.filePath(QStringLiteral("home"))));
    qputenv("XDG_DATA_DIRS",
        QFile::encodeName(sandbox.filePath(QStringLiteral("system")) + QLatin1Char(':')
            + sandbox.filePath(QStringLiteral("vendor")) + QLatin1Char(':')
            + dataFolderHidingSystemApplications(sandbox.path())));

    const QString home = QStringLiteral("home");
    const QString system = QStringLiteral("system");
    const QString vendor = QStringLiteral("vendor");
    writeEntry(home, QStringLiteral("editor.desktop"),
        "Type=Application\nName=Text Editor\nGenericName=Editor\nKeywords=notes;write;\n"
        "Categories=Utility;TextEditor;\nExec=kav-edit %U\n");
    writeEntry(system, QStringLiteral("editor.desktop"),
        "Type=Application\nName=Shadowed Editor\nCategories=Utility;\nExec=shadowed\n");
    writeEntry(system, QStringLiteral("abacus.desktop"),
        "Type=Application\nName=abacus\nComment=Counts beads\nCategories=Utility;\n"
        "Exec=abacus\n");
    writeEntry(system, QStringLiteral("calculator.desktop"),
        "Type=Application\nName=Calculator\nCategories=Education;Utility;\nExec=calc\n");
    writeEntry(system, QStringLiteral("games/chess.desktop"),
        "Type=Application\nName=Chess\nGenericName=Board Game\n"
        "Categories=BoardGame;Game;\nExec=chess --fullscreen %f\n");
    writeEntry(vendor, QStringLiteral("console.desktop"),
        "Type=Application\nName=Console\nCategories=System;TerminalEmulator;\n"
        "Exec=kav-term\n");
    writeEntry(vendor, QStringLiteral("vim.desktop"),
        "Type=Application\nName=Vim\nCategories=Development;\nExec=vim\n");
    writeEntry(vendor, QStringLiteral("magick.desktop"),
        "Type=Application\nName=ImageMagick\nComment=Converts and reviews images\n"
        "Categories=Graphics;\nExec=display\n");
    writeEntry(vendor, QStringLiteral("shell.desktop"),
        "Type=Application\nName=Shell\nTryExec=sh\nExec=sh -c 'echo 100%%'\n");
    // A lower-precedence copy of a hidden entry must not bring it back.
    writeEntry(home, QStringLiteral("hidden.desktop"),
        "Type=Application\nName=Hidden\nHidden=true\nExec=hidden\n");
    writeEntry(
        vendor, QStringLiteral("hidden.desktop"), "Type=Application\nName=Hidden\nExec=hidden\n");
    writeEntry(vendor, QStringLiteral("nodisplay.desktop"),
        "Type=Application\nName=NoDisplay\nNoDisplay=true\nExec=nodisplay\n");
    qputenv("XDG_CURRENT_DESKTOP", "X-Other:KAV");
    writeEntry(vendor, QStringLiteral("elsewhere.desktop"),
        "Type=Application\nName=Elsewhere\nOnlyShowIn=X-Else;\nExec=elsewhere\n");
    writeEntry(vendor, QStringLiteral("notkav.desktop"),
        "Type=Application\nName=Not in KAV\nNotShowIn=KAV;\nExec=notkav\n");
    writeEntry(vendor, QStringLiteral("tryexec.desktop"),
        "Type=Application\nName=Missing\nTryExec=/nonexistent/kav-program\nExec=missing\n");
    writeEntry(vendor, QStringLiteral("link.desktop"),
        "Type=Link\nName=Homepage\nURL=https://example.org/\n");
    writeEntry(vendor, QStringLiteral("noexec.desktop"), "Type=Application\nName=No Exec\n");
    static const char garbage[] = "\0\xff\xfe[[[\n=\n";
    writeEntry(vendor, QStringLiteral("garbage.desktop"), QByteArray(garbage, sizeof garbage - 1));
}

QStringList KavMenuDialogTest::shownApplications(const KavMenuDialog &dialog) const
{
    const auto *tree = dialog.findChild<QTreeWidget *>();
    QStringList shown;
    for (int row = 0; row < tree->topLevelItemCount(); ++row) {
        const QTreeWidgetItem *item = tree->topLevelItem(row);
        // An application found by the search, or a category of the menu.
        if (!item->isHidden() && item->childCount() == 0)
            shown.append(item->text(0));
        for (int child = 0; child < item->childCount(); ++child) {
            if (!item->isHidden() && !item->child(child)->isHidden())
                shown.append(item->child(child)->text(0));
        }
    }
    return shown;
}

void KavMenuDialogTest::listsOnlyDisplayableApplications()
{
    QStringList ids;
    QString editorName;
    for (const ApplicationEntry &entry : ApplicationEntry::installed()) {
        ids.append(entry.id);
        if (entry.id == QLatin1String("editor.desktop"))
            editorName = entry.name;
    }
    ids.sort();
    QCOMPARE(ids,
        names({ "abacus.desktop", "calculator.desktop", "console.desktop", "editor.desktop",
            "games-chess.desktop", "magick.desktop", "shell.desktop", "vim.desktop" }));
    QCOMPARE(editorName, QStringLiteral("Text Editor"));
}

void KavMenuDialogTest::groupsByMainCategorySortedByName()
{
    KavMenuDialog dialog;
    const auto *tree = dialog.findChild<QTreeWidget *>();
    QStringList menu;
    for (int row = 0; row < tree->topLevelItemCount(); ++row) {
        const QTreeWidgetItem *category = tree->topLevelItem(row);
        QStringList children;
        for (int child = 0; child < category->childCount(); ++child)
            children.append(category->child(child)->text(0));
        menu.append(category->text(0) + QStringLiteral(": ") + children.join(QStringLiteral(", ")));
    }
    QCOMPARE(menu,
        names(
            { "Development: Vim", "Education: Calculator", "Games: Chess", "Graphics: ImageMagick",
                "System: Console", "Utilities: abacus, Text Editor", "Other: Shell" }));
}

void KavMenuDialogTest::filterNarrowsTheList_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("name, any case") << QStringLiteral("CHESS") << names({ "Chess" });
    QTest::newRow("generic name") << QStringLiteral("board") << names({ "Chess" });
    QTest::newRow("comment") << QStringLiteral("beads") << names({ "abacus" });
    QTest::newRow("keyword") << QStringLiteral("write") << names({ "Text Editor" });
    QTest::newRow("every word") << QStringLiteral("text notes") << names({ "Text Editor" });
    QTest::newRow("no match") << QStringLiteral("zzz") << QStringList();
    // The best matches first, then those that merely contain the text.
    QTest::newRow("start before inside") << QStringLiteral("vi") << names({ "Vim", "ImageMagick" });
    QTest::newRow("start before comment")
        << QStringLiteral("co") << names({ "Console", "abacus", "ImageMagick" });
    // Within a match class, what the user ran most comes first.
    QTest::newRow("used more") << QStringLiteral("co")
                               << names({ "Console", "ImageMagick", "abacus" });
}

void KavMenuDialogTest::filterNarrowsTheList()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, shown);
    KavMenuDialog dialog;
    if (QByteArray(QTest::currentDataTag()) == "used more") {
        dialog.setUsageScore([](const ApplicationEntry &entry) {
            return entry.id == QLatin1String("magick.desktop") ? 2.0 : 0.0;
        });
    }
    const int all = shownApplications(dialog).size();
    QCOMPARE(all, 8);
    auto *edit = dialog.findChild<QLineEdit *>();
    QTest::keyClicks(edit, filter);
    QCOMPARE(shownApplications(dialog), shown);
    edit->clear();
    QCOMPARE(shownApplications(dialog).size(), all);
}

void KavMenuDialogTest::enterTakesTheCurrentApplication()
{
    KavMenuDialog dialog;
    QLineEdit *edit = showFilter(dialog);
    QVERIFY(edit);
    QTRY_COMPARE(QApplication::focusWidget(), edit);

    QTest::keyClicks(edit, QStringLiteral("e"));
    // The best match becomes current.
    QCOMPARE(shownApplications(dialog),
        names({ "Text Editor", "abacus", "Chess", "Console", "ImageMagick", "Shell" }));
    QCOMPARE(
        dialog.findChild<QTreeWidget *>()->currentItem()->text(0), QStringLiteral("Text Editor"));
    QTest::keyClick(edit, Qt::Key_Up);
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Up);
    QCOMPARE(dialog.findChild<QTreeWidget *>()->currentItem()->text(0), QStringLiteral("abacus"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(chosenId(dialog), QStringLiteral("abacus.desktop"));
}

void KavMenuDialogTest::escapeChoosesNothing()
{
    KavMenuDialog dialog;
    QLineEdit *edit = showFilter(dialog);
    QVERIFY(edit);
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(chosenId(dialog).isEmpty());
}

void KavMenuDialogTest::enterWithNothingShownDoesNotAccept()
{
    KavMenuDialog dialog;
    QLineEdit *edit = showFilter(dialog);
    QVERIFY(edit);
    QTest::keyClicks(edit, QStringLiteral("zzz"));
    QVERIFY(!dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->isEnabled());
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    // Widening the filter again brings back a current application.
    edit->setText(QStringLiteral("chess"));
    QTest::keyClick(edit, Qt::Key_Enter);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(chosenId(dialog), QStringLiteral("games-chess.desktop"));
}

void KavMenuDialogTest::execReturnsTheChosenApplication()
{
    KavMenuDialog dialog;
    QTimer::singleShot(0, &dialog, [&dialog] {
        auto *edit = dialog.findChild<QLineEdit *>();
        QTest::keyClicks(edit, QStringLiteral("write"));
        QTest::keyClick(edit, Qt::Key_Return);
    });
    QCOMPARE(dialog.exec(), 1);
    QCOMPARE(dialog.chosenApplication().exec, QStringLiteral("kav-edit %U"));
}

QTEST_MAIN(KavMenuDialogTest)

#include "tst_kavmenudialog.moc"
