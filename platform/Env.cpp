#include "platform/Env.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {

std::string SystemEnv::UserName() const {
    if (const char* u = std::getenv("USER"); u && *u) return u;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name) return pw->pw_name;
    return "utente";
}

std::filesystem::path SystemEnv::TempFolder() const {
    if (const char* t = std::getenv("TMPDIR"); t && *t) return t;
    return "/tmp";
}

std::uint32_t SystemEnv::InstanceId() const { return static_cast<std::uint32_t>(getpid()); }

namespace {
Env* current = nullptr;
}

Env& env() {
    if (!current) {
        static SystemEnv fallback;
        current = &fallback;
    }
    return *current;
}

Env* SetEnv(Env* next) {
    Env* previous = current;
    current = next;
    return previous;
}

}  // namespace platform
