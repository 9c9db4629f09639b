// SPDX-License-Identifier: GPL-2.0-or-later
/*
 * What of one user's environment may reach a program run as another user: the
 * display, the terminal type, the language and the time zone, as sudo's
 * env_reset lets them through, with the same checks of their values. kav-run
 * gives su and sudo no more than this, and tavrine, whom su and sudo may give
 * more, keeps no more than this. Plain C, for both.
 */
#ifndef PORTABLEENVIRONMENT_H
#define PORTABLEENVIRONMENT_H

#include <limits.h>
#include <string.h>

/* @return the value of @p entry when it is @p name, "=" and a value, else NULL */
static inline const char *valueOfEntryNamed(const char *entry, const char *name)
{
    size_t length = strlen(name);
    if (strncmp(entry, name, length) != 0 || entry[length] != '=')
        return NULL;
    return entry + length + 1;
}

/*
 * A locale or a terminal type is a name: with a "/" it would be a file of the
 * caller's choosing (a message catalogue, a terminal description), with a "%"
 * a format.
 */
static inline int isPlainName(const char *value)
{
    return strpbrk(value, "/%") == NULL;
}

/* A zone name, or a zone file below the system's zoneinfo folder and never out of it. */
static inline int isSystemTimeZone(const char *value)
{
    if (value[0] == ':')
        value++;
    if (value[0] == '/' && strncmp(value, "/usr/share/zoneinfo/", 20) != 0)
        return 0;
    if (strstr(value, "..") != NULL || strlen(value) >= PATH_MAX)
        return 0;
    for (const char *c = value; *c != '\0'; c++) {
        if ((unsigned char)*c <= ' ' || (unsigned char)*c >= 0x7f)
            return 0;
    }
    return 1;
}

/* @return 1 when @p entry (NAME=value) may pass from one user to another, else 0 */
static inline int mayPassToAnotherUser(const char *entry)
{
    static const char *const anyValue[] = { "DISPLAY", "XAUTHORITY" };
    static const char *const plainNames[] = { "TERM", "COLORTERM", "LANG", "LANGUAGE", "LC_ADDRESS",
        "LC_ALL", "LC_COLLATE", "LC_CTYPE", "LC_IDENTIFICATION", "LC_MEASUREMENT", "LC_MESSAGES",
        "LC_MONETARY", "LC_NAME", "LC_NUMERIC", "LC_PAPER", "LC_TELEPHONE", "LC_TIME" };
    for (size_t i = 0; i < sizeof(anyValue) / sizeof(anyValue[0]); i++) {
        if (valueOfEntryNamed(entry, anyValue[i]) != NULL)
            return 1;
    }
    for (size_t i = 0; i < sizeof(plainNames) / sizeof(plainNames[0]); i++) {
        const char *value = valueOfEntryNamed(entry, plainNames[i]);
        if (value != NULL)
            return isPlainName(value);
    }
    const char *zone = valueOfEntryNamed(entry, "TZ");
    return zone != NULL && isSystemTimeZone(zone);
}

#endif
