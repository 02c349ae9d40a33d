// Subcommands of the nyx tool. Each cli/*.cpp registers its own with a static
// NyxCommand object, so adding a command touches no other file.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace nyx {

// Exit codes: 0 done, 1 the work failed (reason on stderr), 2 usage error.
constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

using Args = std::vector<std::string>;

struct Command {
    std::string name;     // "info", "export", ...
    std::string summary;  // one line for "nyx --help"
    std::string usage;    // shown by "nyx NAME --help" and on usage errors
    std::function<int(const Args&)> run;  // arguments after the name
};

void Register(Command c);
const std::vector<Command>& Commands();

struct Registrar {
    explicit Registrar(Command c) { Register(std::move(c)); }
};

// Prints the usage of a command to stderr and returns kUsage.
int UsageError(const Command& c, const std::string& why);
// True when args hold --help or -h.
bool WantsHelp(const Args& args);

}  // namespace nyx
