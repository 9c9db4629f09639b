// SPDX-License-Identifier: GPL-2.0-or-later
#include "startrequest.h"

#include <cstring>

namespace {

struct Option
{
    char shortName;
    const char *longName;
    bool takesValue;
    StartRequest request;
};

// kav-run's options with the parser's own help and version options.
const Option options[] = {
    { 'h', "help", false, StartRequest::Answer },
    { 0, "help-all", false, StartRequest::Answer },
    { 'v', "version", false, StartRequest::Answer },
    { 't', "terminal", false, StartRequest::Dialog },
    { 'u', "user", true, StartRequest::Dialog },
    { 0, "su", false, StartRequest::Dialog },
    { 0, "sudo", false, StartRequest::Dialog },
    { 'r', "realtime", false, StartRequest::Dialog },
    { 'p', "priority", true, StartRequest::Dialog },
    { 0, "resident", false, StartRequest::Resident },
};

const Option *shortOption(char name)
{
    for (const Option &option : options) {
        if (option.shortName == name)
            return &option;
    }
    return nullptr;
}

const Option *longOption(const char *name, size_t length)
{
    for (const Option &option : options) {
        if (option.longName && std::strlen(option.longName) == length
            && std::strncmp(option.longName, name, length) == 0)
            return &option;
    }
    return nullptr;
}

// The reading so far; the first help or version option, or a fault, decides.
class Reading
{
public:
    void found(const Option &option)
    {
        if (option.request != StartRequest::Dialog && request != StartRequest::Answer)
            request = option.request;
    }
    void fault() { request = StartRequest::Answer; }
    StartRequest result() const { return request; }

private:
    StartRequest request = StartRequest::Dialog;
};

} // namespace

StartRequest startRequest(int argc, char *argv[])
{
    Reading reading;
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
        if (std::strcmp(argument, "--") == 0)
            break;
        if (argument[0] != '-' || argument[1] == '\0')
            continue;
        if (argument[1] == '-') {
            // --name, --name=value or --name value
            const char *name = argument + 2;
            const char *assignment = std::strchr(name, '=');
            const Option *option =
                longOption(name, assignment ? size_t(assignment - name) : std::strlen(name));
            if (!option)
                return StartRequest::Undecided;
            reading.found(*option);
            if (option->takesValue && !assignment && ++i == argc)
                reading.fault();
            if (!option->takesValue && assignment)
                reading.fault();
            continue;
        }
        // Compacted short options: -tr, -uroot, -u=root, -u root.
        for (const char *name = argument + 1; *name; ++name) {
            const Option *option = shortOption(*name);
            if (!option)
                return StartRequest::Undecided;
            reading.found(*option);
            if (option->takesValue) {
                if (name[1] == '\0' && ++i == argc)
                    reading.fault();
                break;
            }
            if (name[1] == '=') {
                reading.fault();
                break;
            }
        }
    }
    return reading.result();
}
