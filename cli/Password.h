// The password of the network subcommands (nyx ftp, nyx publish): taken from
// an environment variable, else asked on the terminal with echo off. Standard
// input is never read when it is not a terminal, so scripts cannot hang.
#pragma once

#include <string>

namespace nyx {

// Reads a line from the controlling terminal with echo off; false when
// standard input is not a terminal.
bool PromptPassword(const std::string& prompt, std::string& out);

// $env when set, else the prompt "Password di WHO: ". False (with the
// variable's name on stderr, after "nyx COMMAND: ") when neither gives one.
bool NetPassword(const char* env, const std::string& who, const char* command, std::string& out);

}  // namespace nyx
