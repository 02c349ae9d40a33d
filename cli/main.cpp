// nyx: the headless side of Quor, for scripts, batch work and CI.
#include <csignal>
#include <cstdio>
#include <cstring>

#include "cli/Command.h"
#include "platform/console/ConsoleUi.h"

namespace nyx {

namespace {
std::vector<Command>& Table() {
    static std::vector<Command> table;
    return table;
}
}  // namespace

void Register(Command c) { Table().push_back(std::move(c)); }
const std::vector<Command>& Commands() { return Table(); }

int UsageError(const Command& c, const std::string& why) {
    if (!why.empty()) std::fprintf(stderr, "nyx %s: %s\n", c.name.c_str(), why.c_str());
    std::fprintf(stderr, "uso: %s\n", c.usage.c_str());
    return kUsage;
}

bool WantsHelp(const Args& args) {
    for (const auto& a : args)
        if (a == "--help" || a == "-h") return true;
    return false;
}

}  // namespace nyx

namespace {
void PrintHelp(std::FILE* out) {
    std::fprintf(out, "uso: nyx COMANDO [ARGOMENTI]   (nyx COMANDO --help per i dettagli)\n\n");
    for (const auto& c : nyx::Commands()) std::fprintf(out, "  %-13s %s\n", c.name.c_str(), c.summary.c_str());
}
}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    platform::ConsoleUi console;
    platform::ScopedUi scope(console);
    if (argc < 2) {
        PrintHelp(stderr);
        return nyx::kUsage;
    }
    std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintHelp(stdout);
        return nyx::kOk;
    }
    for (const auto& c : nyx::Commands()) {
        if (c.name != name) continue;
        nyx::Args args(argv + 2, argv + argc);
        if (nyx::WantsHelp(args)) {
            std::printf("uso: %s\n", c.usage.c_str());
            return nyx::kOk;
        }
        try {
            int rc = c.run(args);
            if (rc == nyx::kUsage) std::fprintf(stderr, "uso: %s\n", c.usage.c_str());
            return rc;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "nyx %s: %s\n", name.c_str(), e.what());
            return nyx::kFailed;
        }
    }
    std::fprintf(stderr, "nyx: comando sconosciuto \"%s\"\n", name.c_str());
    PrintHelp(stderr);
    return nyx::kUsage;
}
