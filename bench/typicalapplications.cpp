// SPDX-License-Identifier: GPL-2.0-or-later
#include "typicalapplications.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

QStringList applicationNameWords()
{
    return { QStringLiteral("text"), QStringLiteral("editor"), QStringLiteral("image"),
        QStringLiteral("viewer"), QStringLiteral("music"), QStringLiteral("player"),
        QStringLiteral("terminal"), QStringLiteral("office"), QStringLiteral("calculator"),
        QStringLiteral("browser"), QStringLiteral("mail"), QStringLiteral("chat"),
        QStringLiteral("video"), QStringLiteral("game"), QStringLiteral("system"),
        QStringLiteral("monitor"), QStringLiteral("file"), QStringLiteral("manager"),
        QStringLiteral("settings"), QStringLiteral("développement") };
}

void writeTypicalApplications(const QString &folder, int count)
{
    QDir().mkpath(folder);
    const QStringList words = applicationNameWords();
    QRandomGenerator random(17);
    const auto randomWord = [&] { return words.at(random.bounded(int(words.size()))); };
    for (int n = 0; n < count; ++n) {
        QFile file(folder + QStringLiteral("/org.example.App%1.desktop").arg(n));
        if (!file.open(QIODevice::WriteOnly))
            continue;
        const QString name = randomWord() + QLatin1Char(' ') + randomWord();
        file.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=%1 %2\n"
                                  "Name[de]=%1 %2 de\nGenericName=%3\nKeywords=%4;%5;\n"
                                  "Icon=app-%2\nExec=app%2 %U\n")
                       .arg(name)
                       .arg(n)
                       .arg(randomWord(), randomWord(), randomWord())
                       .toUtf8());
    }
}
