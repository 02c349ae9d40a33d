#include "publish/ui/NetActivity.h"

#include <vector>

#include "platform/Ui.h"

namespace publish {

namespace {
std::vector<TNetActivity*>& Running() {
    static std::vector<TNetActivity*> running;
    return running;
}
}  // namespace

TNetActivity::TNetActivity(std::function<void()> stop) : stop_(std::move(stop)) { Running().push_back(this); }

TNetActivity::~TNetActivity() {
    auto& r = Running();
    for (auto it = r.begin(); it != r.end(); ++it)
        if (*it == this) {
            r.erase(it);
            break;
        }
}

bool NetworkOperationsRunning() { return !Running().empty(); }

bool AskStopNetworkOperations() {
    if (Running().empty()) return true;
    if (platform::ui().AskYesNo("Alcune operazioni di rete sono ancora in corso. Vuoi cancellarle?") != platform::Answer::Yes)
        return false;
    // Stopping ends the scopes that registered, which leave the list.
    const std::vector<TNetActivity*> now = Running();
    for (TNetActivity* a : now) {
        auto& r = Running();
        bool still = false;
        for (TNetActivity* x : r) still = still || x == a;
        if (still && a->stop_) a->stop_();
    }
    return true;
}

}  // namespace publish
