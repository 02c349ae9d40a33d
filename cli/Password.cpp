#include "cli/Password.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace nyx {

bool PromptPassword(const std::string& prompt, std::string& out) {
    if (!::isatty(STDIN_FILENO)) return false;
    int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    // Echo goes off before the prompt appears, so that nothing typed after
    // it is shown or thrown away.
    termios old{};
    bool restore = ::tcgetattr(fd, &old) == 0;
    if (restore) {
        termios quiet = old;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    [[maybe_unused]] ssize_t w = ::write(fd, prompt.data(), prompt.size());
    std::string line;
    char c;
    while (::read(fd, &c, 1) == 1 && c != '\n') line += c;
    if (restore) ::tcsetattr(fd, TCSAFLUSH, &old);
    w = ::write(fd, "\n", 1);
    ::close(fd);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out = line;
    return true;
}

bool NetPassword(const char* env, const std::string& who, const char* command, std::string& out) {
    if (const char* pw = std::getenv(env)) {
        out = pw;
        return true;
    }
    if (PromptPassword("Password di " + who + ": ", out)) return true;
    std::fprintf(stderr, "nyx %s: manca la password: impostare %s\n", command, env);
    return false;
}

}  // namespace nyx
