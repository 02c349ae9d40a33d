#include "shell/ui/LinkWindows.h"

#include <QVBoxLayout>

#include <algorithm>
#include <cctype>

#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/text.h"
#include "present/ui/InsiemeCornici.h"
#include "richtext/PageSession.h"
#include "shell/ui/MainForm.h"

namespace shell::ui {
namespace {

constexpr int kPopUp = 4;
constexpr int kCloseWindow = 2;  // link subtype

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

}  // namespace

TLinkWindows::TLinkWindows(QWidget& owner, model::TNYXset& set) : owner_(owner), set_(set) {}

TLinkWindows::~TLinkWindows() { CloseAll(); }

std::string TLinkWindows::Key(const std::string& name) {
    std::string k = name;
    std::transform(k.begin(), k.end(), k.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return k;
}

present::ui::TInsiemeCornici* TLinkWindows::FrameSetOf(const std::string& name) const {
    const auto it = windows_.find(Key(name));
    if (it == windows_.end() || !it->second) return nullptr;
    return it->second->findChild<present::ui::TInsiemeCornici*>();
}

std::size_t TLinkWindows::Count() const {
    return static_cast<std::size_t>(std::count_if(windows_.begin(), windows_.end(), [](const auto& w) { return !w.second.isNull(); }));
}

bool TLinkWindows::Open(std::int64_t page, std::int32_t anchor, const std::string& name, int mode) {
    const model::TNYXoggetto* o = set_.ObjectAt(model::testoHtml, page);
    if (!o || o->IsEmpty()) return false;
    QPointer<QWidget>& w = windows_[Key(name)];
    present::ui::TInsiemeCornici* fs = nullptr;
    if (w) {
        fs = w->findChild<present::ui::TInsiemeCornici*>();
    } else {
        w = new QWidget(&owner_, Qt::Window);
        w->setAttribute(Qt::WA_DeleteOnClose);
        // Windows that show the hypertext go before it does.
        w->setProperty(kDocumentWindowProperty, true);
        w->setObjectName(Q("finestra " + name));
        auto* layout = new QVBoxLayout(w);
        layout->setContentsMargins(0, 0, 0, 0);
        fs = new present::ui::TInsiemeCornici(w);
        fs->setObjectName(QStringLiteral("fsFinestra"));
        layout->addWidget(fs);
        fs->saveOnExit = false;
        fs->SetLinkedNYXset(&set_);
        fs->SetReadOnly(true);
        fs->onOpenWindow = [this](std::int64_t p, std::int32_t a, const std::string& n, int m) {
            return Open(p, a, n, m);
        };
        fs->onDoLink = [this](present::TFramePage*, const model::TNYXoggetto* r) {
            if (r && r->Type() == model::speclink && r->Subtype() == kCloseWindow)
                Close(r->Str(model::linkrec::kWindowName, model::linkrec::kWindowNameCap));
        };
        const QSize size = mode == kPopUp ? QSize(420, 320) : QSize(700, 520);
        w->resize(size);
    }
    if (!fs) return false;
    fs->ShowPage(static_cast<std::int32_t>(page));
    if (anchor >= 0)
        if (present::TFramePage* shown = fs->PageShowing(page)) shown->Session().GoToAnchor(anchor);
    w->setWindowTitle(Q(platform::text::Cp1252ToUtf8(o->DescriptionTitle()) + " - " + name));
    w->show();
    w->raise();
    return true;
}

bool TLinkWindows::Close(const std::string& name) {
    const auto it = windows_.find(Key(name));
    if (it == windows_.end()) return false;
    QPointer<QWidget> w = it->second;
    windows_.erase(it);
    if (!w) return false;
    // Asked from inside the window's own frame set (a link that closes it):
    // it goes once that has returned.
    w->hide();
    w->deleteLater();
    return true;
}

void TLinkWindows::CloseAll() {
    auto all = std::move(windows_);
    windows_.clear();
    for (auto& [name, w] : all)
        if (w) delete w.data();
}

}  // namespace shell::ui
