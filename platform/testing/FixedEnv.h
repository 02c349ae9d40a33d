// Test double for platform::Env: fixed user, pixels per inch and instance id,
// and a private temporary folder removed at the end of the test.
#pragma once

#include <filesystem>
#include <string>

#include "platform/Env.h"

namespace platform::testing {

class FixedEnv : public Env {
public:
    FixedEnv();
    ~FixedEnv() override;
    std::string UserName() const override { return user; }
    int PixelsPerInch() const override { return ppi; }
    std::filesystem::path TempFolder() const override { return temp; }
    std::uint32_t InstanceId() const override { return instance; }

    std::string user = "tester";
    int ppi = 96;
    std::uint32_t instance = 0x1234ABCD;
    std::filesystem::path temp;

private:
    Env* previous_;
};

// A fresh folder for a test's files, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

}  // namespace platform::testing
