// SPDX-License-Identifier: GPL-2.0-or-later
#include "cachedthemeicon.h"

#include "desktop/storedfile.h"
#include "desktop/themeicon.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QIconEngine>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QStandardPaths>

#include <sys/stat.h>

// Far more than a rendering at the largest icon size takes.
static const qint64 maximumCacheFileSize = 4 * 1024 * 1024;

static QString stampKey()
{
    return QStringLiteral("Theme");
}

static QString sha1Hex(const QString &text)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1).toHex());
}

// What a rendering depends on besides the names and the size: the theme, the
// folders it is looked for in, and the index and cache files of the theme and
// of hicolor, where every theme ends. A package that changes a theme rewrites
// them. Their times are taken as the system gives them: a time in the local
// zone would look up the zone for each file.
static QString themeStamp()
{
    const QString theme = QIcon::themeName();
    QStringList stamp { theme };
    const QStringList folders = QIcon::themeSearchPaths();
    for (const QString &folder : folders) {
        stamp << folder;
        for (const QString &name : { theme, QStringLiteral("hicolor") }) {
            for (const char *file : { "/index.theme", "/icon-theme.cache" }) {
                const QString path = folder + QLatin1Char('/') + name + QLatin1String(file);
                struct stat info;
                if (stat(QFile::encodeName(path).constData(), &info) == 0)
                    stamp << QStringLiteral("%1 %2.%3 %4")
                                 .arg(path)
                                 .arg(qlonglong(info.st_mtim.tv_sec))
                                 .arg(qlonglong(info.st_mtim.tv_nsec))
                                 .arg(qlonglong(info.st_size));
            }
        }
    }
    // A resident looks at the theme for every dialog; it hashes only what changed.
    static QString lastText;
    static QString lastStamp;
    const QString text = stamp.join(QLatin1Char('\n'));
    if (text != lastText) {
        lastStamp = sha1Hex(text);
        lastText = text;
    }
    return lastStamp;
}

// The device pixel ratio that QIcon::pixmap() renders for when it has no window.
static qreal renderingRatio()
{
    return QCoreApplication::testAttribute(Qt::AA_UseHighDpiPixmaps) ? qApp->devicePixelRatio()
                                                                     : 1.0;
}

static QString cacheFile(const QStringList &names, int extent, qreal ratio)
{
    const QStringList key = { QIcon::themeName(), names.join(QLatin1Char(' ')),
        QString::number(extent), QString::number(ratio) };
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/icons/");
    // A resident asks for the same few icons again and again.
    static QHash<QString, QString> named;
    const QString text = key.join(QLatin1Char('\n'));
    auto known = named.constFind(text);
    if (known == named.constEnd()) {
        if (named.size() >= 256)
            named.clear();
        known = named.insert(text, sha1Hex(text) + QStringLiteral(".png"));
    }
    return folder + *known;
}

// What tells one version of a file from another without reading it.
struct FileVersion
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec modified {};
    timespec changed {};

    bool operator==(const FileVersion &other) const
    {
        return device == other.device && inode == other.inode && size == other.size
            && modified.tv_sec == other.modified.tv_sec
            && modified.tv_nsec == other.modified.tv_nsec && changed.tv_sec == other.changed.tv_sec
            && changed.tv_nsec == other.changed.tv_nsec;
    }
};

static FileVersion versionOf(const QString &path)
{
    FileVersion version;
    struct stat info;
    if (stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode))
        version = { info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim };
    return version;
}

// A cache file as this process last decoded it, for the stamp it was read for.
struct DecodedRendering
{
    FileVersion version;
    QString stamp;
    QPixmap rendering;
};

// A resident draws many dialogs: it decodes each cache file once while the
// file stays as it was.
static QHash<QString, DecodedRendering> &decodedRenderings()
{
    static QHash<QString, DecodedRendering> decoded;
    return decoded;
}

static const int mostDecodedRenderings = 32;

// The rendering kept in @p path for @p stamp; a null pixmap when there is
// none, or one for another stamp, or a damaged one. The format is named, not
// guessed: guessing asks every image plug-in whether it reads the file.
static QPixmap readRendering(const QString &path, const QString &stamp, qreal ratio)
{
    QHash<QString, DecodedRendering> &decoded = decodedRenderings();
    const FileVersion version = versionOf(path);
    const auto known = decoded.constFind(path);
    if (known != decoded.constEnd() && version.size >= 0 && known->version == version
        && known->stamp == stamp)
        return known->rendering;

    QByteArray content;
    QString error;
    if (!StoredFile::read(path, maximumCacheFileSize, &content, &error))
        return QPixmap();
    QBuffer file(&content);
    QImageReader reader(&file, "png");
    reader.setAutoDetectImageFormat(false);
    if (reader.text(stampKey()) != stamp)
        return QPixmap();
    QPixmap rendering = QPixmap::fromImage(reader.read());
    rendering.setDevicePixelRatio(ratio);
    if (decoded.size() >= mostDecodedRenderings)
        decoded.clear();
    decoded.insert(path, { version, stamp, rendering });
    return rendering;
}

static void writeRendering(const QString &path, const QString &stamp, const QPixmap &rendering)
{
    if (rendering.isNull())
        return;
    QByteArray content;
    QBuffer file(&content);
    file.open(QIODevice::WriteOnly);
    QImageWriter writer(&file, "png");
    writer.setText(stampKey(), stamp);
    QString error;
    if (writer.write(rendering.toImage()))
        StoredFile::write(path, content, &error);
}

// Draws the kept rendering where it is asked for and leaves everything else to
// the theme, which it looks up the first time it needs it.
class CachedThemeIconEngine : public QIconEngine
{
public:
    CachedThemeIconEngine(const QStringList &names, int extent, const QPixmap &rendering)
        : names(names)
        , extent(extent)
        , rendering(rendering)
    { }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        if (isKept(mode, state) && rect.size() == renderingSize())
            painter->drawPixmap(rect, rendering);
        else
            themed().paint(painter, rect, Qt::AlignCenter, mode, state);
    }

    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        if (isKept(mode, state) && size == QSize(extent, extent))
            return renderingSize();
        return themed().actualSize(size, mode, state);
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        // QIcon asks for the size in device pixels above a ratio of 1.
        const qreal ratio = qMax(rendering.devicePixelRatio(), qreal(1));
        if (isKept(mode, state) && size == QSize(extent, extent) * ratio)
            return rendering;
        return themed().pixmap(size, mode, state);
    }

    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) const override
    {
        return themed().availableSizes(mode, state);
    }

    QString iconName() const override { return themed().name(); }

    QIconEngine *clone() const override { return new CachedThemeIconEngine(*this); }

    void virtual_hook(int id, void *data) override
    {
        if (id == QIconEngine::IsNullHook)
            *static_cast<bool *>(data) = false;
        else
            QIconEngine::virtual_hook(id, data);
    }

private:
    static bool isKept(QIcon::Mode mode, QIcon::State state)
    {
        return mode == QIcon::Normal && state == QIcon::Off;
    }

    QSize renderingSize() const { return rendering.size() / rendering.devicePixelRatio(); }

    const QIcon &themed() const
    {
        if (themedIcon.isNull())
            themedIcon = firstThemeIcon(names);
        return themedIcon;
    }

    const QStringList names;
    const int extent;
    const QPixmap rendering;
    mutable QIcon themedIcon;
};

QIcon cachedThemeIcon(const QStringList &names, int extent)
{
    const qreal ratio = renderingRatio();
    const QString path = cacheFile(names, extent, ratio);
    const QString stamp = themeStamp();
    const QPixmap kept = readRendering(path, stamp, ratio);
    if (!kept.isNull())
        return QIcon(new CachedThemeIconEngine(names, extent, kept));

    const QIcon themed = firstThemeIcon(names);
    if (!themed.isNull())
        writeRendering(path, stamp, themed.pixmap(extent));
    return themed;
}
