#include "convert/rtf/Soffice.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string_view>
#include <thread>
#include <vector>

extern char** environ;

namespace convert::rtf {

namespace fs = std::filesystem;

fs::path SofficeProgram() {
    const char* path = std::getenv("PATH");
    std::string_view p = path ? path : "/usr/bin:/bin";
    while (!p.empty()) {
        const std::size_t cut = p.find(':');
        const std::string_view dir = p.substr(0, cut);
        if (!dir.empty()) {
            const fs::path candidate = fs::path(std::string(dir)) / "soffice";
            if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        }
        if (cut == std::string_view::npos) break;
        p.remove_prefix(cut + 1);
    }
    return {};
}

fs::path SofficeConvert(const fs::path& input, const fs::path& outDir, const std::string& filter, const std::string& extension,
                        int timeoutSeconds, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return fs::path();
    };
    const fs::path program = SofficeProgram();
    if (program.empty()) return fail("LibreOffice non installato");
    std::error_code ec;
    fs::create_directories(outDir, ec);
    // A profile of its own: no clash with a LibreOffice the user has open.
    const fs::path profile = outDir / ".soffice-profile";
    std::vector<std::string> args = {program.string(), "-env:UserInstallation=file://" + fs::absolute(profile, ec).string(),
                                     "--headless", "--norestore"};
    // A web page is opened as a text document, so that it can be saved as one.
    std::string ext = input.extension().string();
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (ext == ".htm" || ext == ".html") args.push_back("--infilter=HTML (StarWriter)");
    for (const std::string& a : {std::string("--convert-to"), filter, std::string("--outdir"), outDir.string(), input.string()}) args.push_back(a);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &fa, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) return fail("impossibile avviare LibreOffice");
    int status = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    for (;;) {
        const pid_t w = waitpid(pid, &status, WNOHANG);
        if (w == pid) break;
        if (std::chrono::steady_clock::now() > until) {
            ::kill(-pid, SIGKILL);
            waitpid(pid, &status, 0);
            return fail("LibreOffice non ha finito la conversione in tempo");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    fs::path made = outDir / input.filename();
    made.replace_extension(extension);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !fs::is_regular_file(made, ec))
        return fail("conversione non riuscita: " + input.filename().string());
    return made;
}

}  // namespace convert::rtf
