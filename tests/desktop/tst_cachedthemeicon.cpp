// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/cachedthemeicon.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

class CachedThemeIconTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void keepsTheRenderingWhileTheThemeStays();
    void missingNamesGiveANullIcon();

private:
    QString cachedFile() const;
    /** Writes @p colour over the kept rendering, with the stamp it had. */
    void repaintCachedFile(const QColor &colour);

    QTemporaryDir root;
};

static QRgb centre(const QIcon &icon, int extent)
{
    const QImage image = icon.pixmap(extent).toImage();
    return image.pixel(image.width() / 2, image.height() / 2);
}

void CachedThemeIconTest::initTestCase()
{
    QVERIFY(root.isValid());
    qputenv("XDG_CACHE_HOME", QFile::encodeName(root.filePath(QStringLiteral("cache"))));
    QCoreApplication::setOrganizationName(QStringLiteral("kav"));
    QCoreApplication::setApplicationName(QStringLiteral("kav-run"));
    const QString theme = root.filePath(QStringLiteral("icons/kavcache"));
    QVERIFY(QDir().mkpath(theme + QStringLiteral("/16x16/apps")));
    QVERIFY(QDir().mkpath(theme + QStringLiteral("/32x32/apps")));
    QFile index(theme + QStringLiteral("/index.theme"));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=kavcache\nDirectories=16x16/apps,32x32/apps\n\n"
                "[16x16/apps]\nSize=16\nType=Fixed\n\n[32x32/apps]\nSize=32\nType=Fixed\n");
    index.close();
    for (const int extent : { 16, 32 }) {
        QImage image(extent, extent, QImage::Format_ARGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(theme + QStringLiteral("/%1x%1/apps/kav-red.png").arg(extent)));
    }
    QIcon::setThemeSearchPaths({ root.filePath(QStringLiteral("icons")) });
    QIcon::setThemeName(QStringLiteral("kavcache"));
}

QString CachedThemeIconTest::cachedFile() const
{
    const QDir folder(root.filePath(QStringLiteral("cache/kav/kav-run/icons")));
    const QStringList files = folder.entryList(QDir::Files);
    return files.size() == 1 ? folder.filePath(files.first()) : QString();
}

void CachedThemeIconTest::repaintCachedFile(const QColor &colour)
{
    const QString stamp = QImageReader(cachedFile()).text(QStringLiteral("Theme"));
    QVERIFY(!stamp.isEmpty());
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(colour);
    QImageWriter writer(cachedFile(), "png");
    writer.setText(QStringLiteral("Theme"), stamp);
    QVERIFY(writer.write(image));
}

void CachedThemeIconTest::keepsTheRenderingWhileTheThemeStays()
{
    const QStringList names = { QStringLiteral("kav-absent"), QStringLiteral("kav-red") };
    const QIcon first = cachedThemeIcon(names, 16);
    QCOMPARE(first.name(), QStringLiteral("kav-red"));
    QCOMPARE(centre(first, 16), QColor(Qt::red).rgb());
    QVERIFY2(!cachedFile().isEmpty(), "the first rendering was not kept");

    // A later start draws what was kept, and other sizes come from the theme.
    repaintCachedFile(Qt::blue);
    const QIcon later = cachedThemeIcon(names, 16);
    QCOMPARE(centre(later, 16), QColor(Qt::blue).rgb());
    QCOMPARE(centre(later, 32), QColor(Qt::red).rgb());
    QCOMPARE(later.name(), QStringLiteral("kav-red"));

    // A theme package that is updated rewrites the theme's index.
    QFile index(root.filePath(QStringLiteral("icons/kavcache/index.theme")));
    QVERIFY(index.open(QIODevice::ReadWrite));
    QVERIFY(index.setFileTime(
        QFileInfo(index).lastModified().addSecs(60), QFileDevice::FileModificationTime));
    index.close();
    QCOMPARE(centre(cachedThemeIcon(names, 16), 16), QColor(Qt::red).rgb());

    // A damaged file is drawn from the theme and replaced.
    QFile damaged(cachedFile());
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(100, '\xff'));
    damaged.close();
    QCOMPARE(centre(cachedThemeIcon(names, 16), 16), QColor(Qt::red).rgb());
    QVERIFY(!QImageReader(cachedFile()).read().isNull());
}

void CachedThemeIconTest::missingNamesGiveANullIcon()
{
    QVERIFY(cachedThemeIcon({ QStringLiteral("kav-absent"), QString() }, 16).isNull());
}

QTEST_MAIN(CachedThemeIconTest)
#include "tst_cachedthemeicon.moc"
