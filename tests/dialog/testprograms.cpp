// SPDX-License-Identifier: GPL-2.0-or-later
#include "testprograms.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

bool writeScript(const QString &path, const QByteArray &body)
{
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    script.write("#!/bin/sh\n" + body);
    script.close();
    return script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
        | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
}

QByteArray waitForFile(const QString &path, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(path)) {
        if (clock.hasExpired(timeoutMs))
            return QByteArray();
        QTest::qWait(20);
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

ScopedEnvironment::ScopedEnvironment(const char *name, const QByteArray &value)
    : name(name)
    , previous(qgetenv(name))
    , wasSet(qEnvironmentVariableIsSet(name))
{
    if (value.isNull())
        qunsetenv(name);
    else
        qputenv(name, value);
}

ScopedEnvironment::~ScopedEnvironment()
{
    if (wasSet)
        qputenv(name, previous);
    else
        qunsetenv(name);
}
