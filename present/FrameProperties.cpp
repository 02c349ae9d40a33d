#include "present/FrameProperties.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/Ui.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace present {

// --- files -------------------------------------------------------------------------------

bool ReadFrmFile(const fs::path& file, std::string& bytes) {
    bytes.clear();
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return false;
    const auto size = fs::file_size(file, ec);
    if (ec || size > kMaxFrmFileSize) return false;
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    bytes.resize(static_cast<std::size_t>(size));
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    if (static_cast<std::size_t>(in.gcount()) != bytes.size()) return false;
    return true;
}

bool WriteFrmFile(const fs::path& file, const std::string& bytes) {
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    std::string temp = (folder / ("." + file.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    bool ok = true;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) ok = false;
        else done += static_cast<std::size_t>(n);
    }
    ok = ok && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), file.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

fs::path UserFrameModelFolder() {
    const char* x = std::getenv("XDG_DATA_HOME");
    fs::path base;
    if (x && *x && fs::path(x).is_absolute()) base = x;
    else if (const char* h = std::getenv("HOME"); h && *h) base = fs::path(h) / ".local" / "share";
    else base = fs::temp_directory_path();
    return base / "quor" / kFrameModelsFolder;
}

std::vector<TFrameModel> ListFrameModels(const fs::path& dataFolder, const fs::path& userFolder) {
    std::map<std::string, TFrameModel> byName;
    for (const fs::path& folder : {dataFolder / kFrameModelsFolder, userFolder}) {
        std::error_code ec;
        if (folder.empty() || !fs::is_directory(folder, ec)) continue;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const fs::path& p = it->path();
            std::string ext = p.extension().string();
            std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (ext != ".frm" || !it->is_regular_file(ec)) continue;
            byName[p.stem().string()] = {p.stem().string(), p};
        }
    }
    std::vector<TFrameModel> v;
    for (auto& [name, m] : byName) v.push_back(std::move(m));
    return v;
}

// --- the dialog's choices ------------------------------------------------------------------

TFramePropertiesChoices::TFramePropertiesChoices(model::TNYXset& set, std::int32_t page)
    : set_(set), page_(page), layout_(&set) {
    layout_.framesOnly = true;
    Reload(page_);
}

std::int32_t TFramePropertiesChoices::MasterRef() const { return model::MakeRef(model::testoHtml, static_cast<std::uint32_t>(page_)); }

void TFramePropertiesChoices::Reload(std::int32_t fromPage) {
    selected_ = nullptr;
    if (fromPage == page_) {
        layout_.ShowPage(page_);
        return;
    }
    TFrameLayout other(&set_);
    other.ShowPage(fromPage);
    if (!layout_.Top()) layout_.ShowPage(page_);
    layout_.SetTop(other.CloneTop());
}

TNonVisCornice* TFramePropertiesChoices::Selected() const {
    TNonVisCornice* top = layout_.Top();
    if (!top || !selected_) return top;
    // The selection may have left the tree: compare addresses only.
    bool found = false;
    top->ForEach([&](TNonVisCornice& f) { found = found || &f == selected_; });
    return found ? selected_ : top;
}

TFrameFields TFramePropertiesChoices::Fields() const {
    TFrameFields out;
    const TNonVisCornice* f = Selected();
    if (!f) return out;
    const TFrameRecord& r = f->rec;
    out.border = r.Border();
    out.scrolling = r.Scrolling();
    out.resizable = r.Resizable();
    out.canResize = out.hasBetween = !f->IsTop();
    out.between = f->IsTop() ? r.BorderWidth() : f->parent->rec.BorderWidth();
    out.name = r.Name();
    out.rule = r.RuleCode() > TFrameRecord::kFree ? int(TFrameRecord::kPercent) : int(r.RuleCode());
    out.size = out.rule == TFrameRecord::kFixed ? r.Pixels() : r.Percent();
    out.isLeaf = f->IsLeaf();
    out.pageRef = r.PageRef();
    out.page = r.PageRef() == -1 ? TFramePageChoice::kNew
               : r.PageRef() == MasterRef() ? TFramePageChoice::kMaster
                                            : TFramePageChoice::kExisting;
    return out;
}

bool TFramePropertiesChoices::SetFields(const TFrameFields& in) {
    TNonVisCornice* f = Selected();
    if (!f) return false;
    if (f->IsLeaf() && in.page == TFramePageChoice::kExisting) {
        const model::TNYXoggetto* p = set_.ObjectByRef(in.pageRef);
        if (!p || p->Type() != model::testoHtml || p->IsEmpty()) return false;
    }
    TFrameRecord& r = f->rec;
    r.SetBorder(in.border);
    r.SetScrolling(in.scrolling);
    if (!f->IsTop()) {
        r.SetResizable(in.resizable);
        f->parent->rec.SetBorderWidth(static_cast<std::uint8_t>(std::clamp(in.between, 0, 255)));
    }
    if (!in.name.empty()) r.SetName(in.name);
    if (f->IsLeaf()) {
        switch (in.page) {
            case TFramePageChoice::kMaster: r.SetPageRef(MasterRef()); break;
            case TFramePageChoice::kNew: r.SetPageRef(-1); break;
            case TFramePageChoice::kExisting: r.SetPageRef(in.pageRef); break;
        }
    }
    layout_.SetFrameSize(*f, in.rule, in.size);
    layout_.Relayout();
    return true;
}

bool TFramePropertiesChoices::LoadModel(const fs::path& file) {
    std::string bytes;
    if (!ReadFrmFile(file, bytes)) {
        platform::ui().Error("Formato file errato!");
        return false;
    }
    selected_ = nullptr;
    return layout_.LoadLayout(bytes, kCopyMode);
}

bool TFramePropertiesChoices::CopyFromPage(std::int32_t other, bool alsoNonMaster) {
    const model::TNYXoggetto* p = set_.ObjectAt(model::testoHtml, other);
    if (!p || p->Type() != model::testoHtml || p->IsEmpty()) return false;
    Reload(other);
    const std::int32_t otherRef = model::MakeRef(model::testoHtml, static_cast<std::uint32_t>(other));
    if (TNonVisCornice* top = layout_.Top())
        top->ForEach([&](TNonVisCornice& f) {
            if (!f.IsLeaf()) return;
            if (f.rec.PageRef() == otherRef) f.rec.SetPageRef(MasterRef());
            else if (!alsoNonMaster) f.rec.SetPageRef(-1);
        });
    return true;
}

void TFramePropertiesChoices::Undo() { Reload(page_); }

void TFramePropertiesChoices::NoFrames() {
    selected_ = nullptr;
    auto top = std::make_unique<TNonVisCornice>();
    top->rec.SetPageRef(MasterRef());
    layout_.SetTop(std::move(top));
}

bool TFramePropertiesChoices::SaveTo(const fs::path& file) {
    std::string bytes;
    if (!layout_.SaveLayout(bytes)) return false;
    if (!WriteFrmFile(file, bytes)) {
        platform::ui().Error("Errore in salvataggio frames.");
        return false;
    }
    return true;
}

bool TFramePropertiesChoices::Apply() { return layout_.StoreMap(); }

}  // namespace present
