// The network operations running in the publishing windows, so that closing
// the main window can ask whether to stop them.
#pragma once

#include <functional>

namespace publish {

bool AskStopNetworkOperations();

// A running operation registers how to stop it for the length of a scope.
class TNetActivity {
public:
    explicit TNetActivity(std::function<void()> stop);
    ~TNetActivity();
    TNetActivity(const TNetActivity&) = delete;
    TNetActivity& operator=(const TNetActivity&) = delete;

private:
    friend bool AskStopNetworkOperations();
    std::function<void()> stop_;
};

bool NetworkOperationsRunning();
// True when nothing runs, or the user agreed to stop what runs (it is
// stopped); false keeps the window that asked open.
bool AskStopNetworkOperations();

}  // namespace publish
