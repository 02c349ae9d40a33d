// Facts about the machine and the session that the model needs: the user's
// name, the screen's pixels per inch, the temporary folder, an instance id.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace platform {

class Env {
public:
    virtual ~Env() = default;
    // Logged-on user's name, UTF-8.
    virtual std::string UserName() const = 0;
    // Logical pixels per inch of the screen; 96 where there is no screen.
    virtual int PixelsPerInch() const = 0;
    // $TMPDIR, else /tmp.
    virtual std::filesystem::path TempFolder() const = 0;
    // Differs between programs running at the same time.
    virtual std::uint32_t InstanceId() const = 0;
};

// The real environment (process id, passwd entry, $TMPDIR). The desktop
// program sets the pixels per inch of its screen.
class SystemEnv : public Env {
public:
    std::string UserName() const override;
    int PixelsPerInch() const override { return ppi_; }
    std::filesystem::path TempFolder() const override;
    std::uint32_t InstanceId() const override;
    void SetPixelsPerInch(int ppi) { ppi_ = ppi > 0 ? ppi : 96; }

private:
    int ppi_ = 96;
};

Env& env();
Env* SetEnv(Env* next);

}  // namespace platform
