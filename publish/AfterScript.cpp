#include "publish/AfterScript.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/Ui.h"
#include "platform/text.h"
#include "publish/FtpConfig.h"

extern char** environ;

namespace publish {

std::vector<std::string> SplitScriptArguments(std::string_view text) {
    std::vector<std::string> out;
    std::string word;
    bool inWord = false, quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) out.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    if (inWord) out.push_back(word);
    return out;
}

TAfterTransferScript ScriptOf(const TFtpConfig& c) {
    TAfterTransferScript s;
    if (!c.useScript) return s;
    s.program = platform::text::Cp1252ToUtf8(c.script);
    while (!s.program.empty() && s.program.back() == ' ') s.program.pop_back();
    while (!s.program.empty() && s.program.front() == ' ') s.program.erase(s.program.begin());
    for (const std::string& a : SplitScriptArguments(c.scriptm)) s.arguments.push_back(platform::text::Cp1252ToUtf8(a));
    s.timeoutS = c.timeout;
    return s;
}

namespace {

constexpr std::size_t kKeptErrorOutput = 400;

void Keep(std::string& tail, const char* p, std::size_t n) {
    tail.append(p, n);
    if (tail.size() > kKeptErrorOutput) tail.erase(0, tail.size() - kKeptErrorOutput);
}

}  // namespace

bool TAfterTransferScript::Run(const std::string& remote, const std::string& local, std::string& error) const {
    const std::string what = "Lo script " + program;
    std::vector<std::string> all = {program};
    all.insert(all.end(), arguments.begin(), arguments.end());
    all.push_back(remote);
    all.push_back(local);
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);

    int err[2];
    if (::pipe2(err, O_CLOEXEC) != 0) {
        error = what + " non si avvia: " + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&fa, err[1], 2);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // A group of its own, so that a time-out ends whatever it started too.
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, argv[0], &fa, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    ::close(err[1]);
    if (rc != 0) {
        ::close(err[0]);
        error = what + " non si avvia: " + std::strerror(rc);
        return false;
    }

    std::string tail;
    int status = 0;
    bool timedOut = false;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutS > 0 ? timeoutS : 30);
    int errFd = err[0];
    for (;;) {
        if (errFd >= 0) {
            pollfd p{errFd, POLLIN, 0};
            if (::poll(&p, 1, 10) > 0) {
                char buf[512];
                const ssize_t n = ::read(errFd, buf, sizeof buf);
                if (n > 0) Keep(tail, buf, static_cast<std::size_t>(n));
                else if (n == 0 || errno != EINTR) {
                    ::close(errFd);
                    errFd = -1;
                }
            }
        } else {
            ::poll(nullptr, 0, 10);
        }
        const pid_t w = ::waitpid(pid, &status, WNOHANG);
        if (w == pid) break;
        if (std::chrono::steady_clock::now() > until) {
            ::kill(-pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            timedOut = true;
            break;
        }
        platform::ui().ProcessEvents(1);
    }
    // What is left in the pipe after the end.
    if (errFd >= 0) {
        ::fcntl(errFd, F_SETFL, O_NONBLOCK);
        char buf[512];
        for (ssize_t n; (n = ::read(errFd, buf, sizeof buf)) > 0;) Keep(tail, buf, static_cast<std::size_t>(n));
        ::close(errFd);
    }
    while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r')) tail.pop_back();
    const std::string said = tail.empty() ? std::string() : ": " + tail;
    if (timedOut) {
        error = what + " non ha finito entro " + std::to_string(timeoutS) + " s";
        return false;
    }
    if (WIFSIGNALED(status)) {
        error = what + " \xC3\xA8 terminato dal segnale " + std::to_string(WTERMSIG(status)) + said;
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        // posix_spawnp reports a program it cannot find as an exit of 127.
        if (code == 127 && tail.empty()) error = what + " non si avvia: programma non trovato";
        else error = what + " non \xC3\xA8 riuscito (codice " + std::to_string(code) + ")" + said;
        return false;
    }
    return true;
}

}  // namespace publish
