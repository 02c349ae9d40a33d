#include "platform/testing/FixedEnv.h"

#include <stdlib.h>

#include <stdexcept>
#include <system_error>

namespace platform::testing {

namespace {
std::filesystem::path MakeTemp(const char* prefix) {
    std::string tmpl = (std::filesystem::temp_directory_path() / (std::string(prefix) + "XXXXXX")).string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    return tmpl;
}
}  // namespace

FixedEnv::FixedEnv() : temp(MakeTemp("quor-env-")), previous_(SetEnv(this)) {}

FixedEnv::~FixedEnv() {
    SetEnv(previous_);
    std::error_code ec;
    std::filesystem::remove_all(temp, ec);
}

TempDir::TempDir() : path_(MakeTemp("quor-test-")) {}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

}  // namespace platform::testing
