// SPDX-License-Identifier: GPL-2.0-or-later
#include "../common/desktopentryfile.h"
#include "../common/systemapplications.h"
#include "completion/applicationsmodel.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class ApplicationsModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void offersMatchingApplications_data();
    void offersMatchingApplications();
    void rowsCompleteTheNameAndShowTheIcon();

private:
    void writeEntry(const QString &folder, const QString &fileName, const QByteArray &keys);

    QTemporaryDir sandbox;
    std::unique_ptr<ApplicationsModel> model;
};

void ApplicationsModelTest::writeEntry(
    const QString &folder, const QString &fileName, const QByteArray &keys)
{
    QVERIFY(writeDesktopEntry(
        sandbox.filePath(folder + QStringLiteral("/applications/") + fileName), keys));
}

void ApplicationsModelTest::initTestCase()
{
    QVERIFY(sandbox.isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(sandbox.filePath(QStringLiteral("home"))));
    qputenv("XDG_DATA_DIRS",
        QFile::encodeName(sandbox.filePath(QStringLiteral("system")) + QLatin1Char(':')
            + dataFolderHidingSystemApplications(sandbox.path())));
    qputenv("XDG_CURRENT_DESKTOP", "KAV");
    const QString home = QStringLiteral("home");
    const QString system = QStringLiteral("system");
    writeEntry(home, QStringLiteral("org.example.TextEditor.desktop"),
        "Name=Text Editor\nKeywords=notes;\nIcon=kav-no-such-icon\nExec=kavmark editor\n");
    writeEntry(system, QStringLiteral("org.example.TextEditor.desktop"),
        "Name=Shadowed Editor\nExec=shadowed\n");
    writeEntry(system, QStringLiteral("vim.desktop"),
        "Name=Vim\nGenericName[de]=Texteditor\nGenericName=Text Editor\nExec=vim %F\n");
    writeEntry(system, QStringLiteral("cafe.desktop"), "Name=Café Crème\nExec=cafe\n");
    writeEntry(system, QStringLiteral("nodisplay.desktop"),
        "Name=Editor Hidden\nNoDisplay=true\nExec=x\n");
    writeEntry(system, QStringLiteral("elsewhere.desktop"),
        "Name=Editor Elsewhere\nOnlyShowIn=X-Else;\nExec=x\n");
    writeEntry(system, QStringLiteral("missing.desktop"),
        "Name=Editor Missing\nTryExec=/nonexistent/kav-editor\nExec=x\n");

    model = std::make_unique<ApplicationsModel>();
    QSignalSpy loaded(model.get(), &ApplicationsModel::indexLoaded);
    QVERIFY(model->isLoaded() || loaded.wait());
}

void ApplicationsModelTest::offersMatchingApplications_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("offered");
    const QStringList editors = { QStringLiteral("Text Editor"), QStringLiteral("Vim") };
    QTest::newRow("start of a word, name matches first") << QStringLiteral("edi") << editors;
    QTest::newRow("any case") << QStringLiteral("EDI") << editors;
    QTest::newRow("two words") << QStringLiteral("text ed") << editors;
    QTest::newRow("keyword") << QStringLiteral("note") << QStringList { editors.first() };
    QTest::newRow("without accents")
        << QStringLiteral("creme") << QStringList { QStringLiteral("Café Crème") };
    QTest::newRow("with other accents")
        << QStringLiteral("cafè") << QStringList { QStringLiteral("Café Crème") };
    QTest::newRow("inside a word of the name only")
        << QStringLiteral("ditor") << QStringList { editors.first() };
    QTest::newRow("initials") << QStringLiteral("cc")
                              << QStringList { QStringLiteral("Café Crème") };
    QTest::newRow("overridden by the user's entry") << QStringLiteral("shadow") << QStringList();
    QTest::newRow("nothing typed") << QString() << QStringList();
    QTest::newRow("no letters") << QStringLiteral("/") << QStringList();
}

void ApplicationsModelTest::offersMatchingApplications()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, offered);
    model->setTypedText(typed);
    QStringList names;
    for (int row = 0; row < model->rowCount(); ++row)
        names.append(model->index(row).data().toString());
    QCOMPARE(names, offered);
}

void ApplicationsModelTest::rowsCompleteTheNameAndShowTheIcon()
{
    model->setTypedText(QStringLiteral("Text"));
    QCOMPARE(model->rowCount(), 2);
    const QModelIndex editor = model->index(0);
    // The field shows the name; the id says which entry it runs.
    QCOMPARE(editor.data(Qt::EditRole).toString(), QStringLiteral("Text Editor"));
    QCOMPARE(editor.data(ApplicationsModel::EntryIdRole).toString(),
        QStringLiteral("org.example.TextEditor"));
    // An icon the theme lacks falls back to the executable icon, never to nothing.
    QCOMPARE(editor.data(Qt::DecorationRole).value<QIcon>().name(),
        QIcon::fromTheme(QStringLiteral("application-x-executable")).name());
}

QTEST_MAIN(ApplicationsModelTest)
#include "tst_applicationsmodel.moc"
