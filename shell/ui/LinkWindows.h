// Pages that links open in windows of their own (a separate window, a new
// browser, a pop-up) while the hypertext is shown as a reader sees it.
#pragma once

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace model {
class TNYXset;
}
namespace present::ui {
class TInsiemeCornici;
}

namespace shell::ui {

// One window per window name (the case of the name does not count), taken
// again by the next link with that name, as a browser does. Each shows its
// pages read-only through a frame set of its own; links inside it are
// followed there, and a link that closes a window closes the one it names.
class TLinkWindows {
public:
    TLinkWindows(QWidget& owner, model::TNYXset& set);
    ~TLinkWindows();
    TLinkWindows(const TLinkWindows&) = delete;
    TLinkWindows& operator=(const TLinkWindows&) = delete;

    // Shows a page (at an anchor, -1 none) in the window named `name`, made
    // when missing; `mode` 4 (a pop-up) makes a smaller window. False when
    // the page does not exist.
    bool Open(std::int64_t page, std::int32_t anchor, const std::string& name, int mode);
    // Closes the window named `name`; false when there is none.
    bool Close(const std::string& name);
    // Closes every window (the hypertext is replaced, saved or edited again).
    void CloseAll();
    // The frame set of the window named `name`, nullptr when there is none.
    present::ui::TInsiemeCornici* FrameSetOf(const std::string& name) const;
    std::size_t Count() const;

private:
    static std::string Key(const std::string& name);
    QWidget& owner_;
    model::TNYXset& set_;
    std::map<std::string, QPointer<QWidget>> windows_;
};

}  // namespace shell::ui
