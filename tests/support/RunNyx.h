// Runs the nyx tool as a script would, for the command-line tests: the tool
// sits in the build folder ($QUOR_BINARY_DIR when the runner sets it), its
// output is collected whole and its exit code kept (-1 when it did not exit).
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace testsupport {

struct NyxRun {
    int status;
    std::string out;
};

// What becomes of the tool's error output: read with the rest, or dropped.
enum class NyxErrors { kRead, kDropped };

// The folder the nyx tool sits in.
inline std::string NyxFolder() {
    const char* bin = std::getenv("QUOR_BINARY_DIR");
    return bin ? std::string(bin) : std::string(QUOR_BINARY_DIR);
}

// `args` go to the shell as written: quote paths in them.
inline NyxRun RunNyx(const std::string& args, NyxErrors errors = NyxErrors::kRead) {
    const std::string cmd = NyxFolder() + "/nyx " + args + (errors == NyxErrors::kRead ? " 2>&1" : " 2>/dev/null");
    NyxRun r{-1, {}};
    FILE* f = popen(cmd.c_str(), "r");
    if (!f) return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) r.out.append(buf, n);
    const int st = pclose(f);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

}  // namespace testsupport
