// The program an FTP configuration may name to run after every file sent
// ("Dopo la trasmissione di ogni file, chiama il seguente script"). It is
// started directly, never through a shell, so nothing in a file name can
// become a command: its configured arguments come first, then the remote path
// and the local path of the file just sent, each one argument. Its standard
// input and output are /dev/null; the end of what it writes on its error
// output is kept for the message of a failure. A program that cannot be
// started, ends with a status other than 0, dies of a signal or outlives its
// time-out has failed, and the transfer is reported as failed with it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace publish {

struct TFtpConfig;

// The arguments text of a configuration as a list: blanks separate words, a
// stretch in double quotes keeps its blanks ("" is an empty word).
std::vector<std::string> SplitScriptArguments(std::string_view text);

struct TAfterTransferScript {
    std::string program;  // UTF-8 path or a name looked up in PATH; empty: none
    std::vector<std::string> arguments;
    int timeoutS = 30;

    bool Enabled() const { return !program.empty(); }
    // Runs the program for one file; the user interface keeps handling
    // events meanwhile. False with `error` (UTF-8) saying why.
    bool Run(const std::string& remote, const std::string& local, std::string& error) const;
};

// The script of a configuration ("script" the program, "scriptm" its
// arguments, both Windows-1252), empty unless "useScript" is on.
TAfterTransferScript ScriptOf(const TFtpConfig& config);

}  // namespace publish
