// The publishing commands of the main window (the Pubblica menu apart from
// the exports): the FTP window in its four modes and the window of the
// publishing server in its four.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "publish/FtpConfig.h"

namespace shell {
class TOptionsStore;
}

namespace shell::ui {

class TMainForm;

void AddPublishCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers);

// The options store as the publishing windows read their configurations.
class TOptionsConfigAccess : public publish::TConfigAccess {
public:
    explicit TOptionsConfigAccess(shell::TOptionsStore& store) : store_(store) {}
    std::string Read(const std::string& section, const std::string& name) const override;
    bool Write(const std::string& section, const std::string& name, const std::string& value) override;
    bool Erase(const std::string& section, const std::string& name) override;

private:
    shell::TOptionsStore& store_;
};

// What the commands do, for the handlers and for tests. `mode` is the FTP
// window's (0 publish the hypertext, 1 the page shown, 2 native files,
// 3 configurations) or the server window's (0 publish, 1 download,
// 2 configuration, 3 password).
bool OpenFtpPublishing(TMainForm& form, int mode);
bool OpenServerPublishing(TMainForm& form, int mode);

// Closing the main window while a transfer runs asks whether to stop it;
// false keeps the window open.
bool CanCloseWithTransfers();

}  // namespace shell::ui
