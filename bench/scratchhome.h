// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SCRATCHHOME_H
#define SCRATCHHOME_H

#include <string>
#include <vector>

/**
 * A temporary home for the programs a benchmark starts: HOME and the XDG
 * configuration, data, cache and runtime directories point into it, so no
 * program reads or changes the user's settings or meets a running instance of
 * itself. Removed with everything in it when the object goes.
 */
class ScratchHome
{
public:
    /** Creates the directories; path() is empty when that failed. */
    ScratchHome();
    ~ScratchHome();
    ScratchHome(const ScratchHome &) = delete;
    ScratchHome &operator=(const ScratchHome &) = delete;

    /** The home directory, or an empty string when it could not be made. */
    const std::string &path() const;
    /** The XDG configuration directory inside the home. */
    std::string configHome() const;
    /** "NAME=value" entries for HOME and the XDG directories. */
    std::vector<std::string> environment() const;
    /** Gives kav-run in this home a typicalHistory() of @p entries commands. */
    void writeKavRunHistory(int entries) const;
    /**
     * Makes the home one that kav-run has been used in for a while, the same
     * each time: a typicalHistory() of @p historyEntries commands, a usage
     * record of the most recent ones, and 60 installed applications
     * (writeTypicalApplications()) with their icons, PNG and SVG by turns.
     */
    void furnishAsUsed(int historyEntries) const;

private:
    std::string home;
};

#endif
