// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef KAVICONTHEME_H
#define KAVICONTHEME_H

#include <QMimeDatabase>
#include <QString>

#include <string>

/**
 * The desktop's icon theme as seen by the dialog: it names the icon that
 * stands for a document, a folder or any other local file.
 */
class KavIconTheme
{
public:
    Q_DISABLE_COPY(KavIconTheme)

    /**
     * The icon theme of the running desktop. The object lives until the
     * process ends; @p forceLoad re-reads the theme name in place, so a
     * pointer obtained earlier stays valid.
     */
    static KavIconTheme *current(bool forceLoad);

    /** The name of the theme the object was loaded for; empty without a theme. */
    QString name() const { return themeName; }

    /**
     * The icon name for the content type of a file.
     *
     * @param url a local path or a "file" URL, in the local 8-bit encoding
     * @param detail when not null, receives the name of the content type
     *        (for example "text/plain")
     * @return the type's own icon name when the theme has it, else its generic
     *         icon name when the theme has that, else "unknown"; UTF-8 encoded
     */
    std::string getURLIconName(const char *url, std::string *detail);

private:
    KavIconTheme();

    QString themeName;
    QMimeDatabase mimeDatabase;
};

#endif
