#include "present/FrameTree.h"

#include <algorithm>
#include <cstdio>
#include <unordered_set>

#include "model/Bytes.h"

namespace present {

// --- the tree ------------------------------------------------------------------

int TNonVisCornice::Depth() const {
    int d = 0;
    for (const TNonVisCornice* p = parent; p; p = p->parent) ++d;
    return d;
}

std::size_t TNonVisCornice::IndexInParent() const {
    if (!parent) return 0;
    for (std::size_t i = 0; i < parent->children.size(); ++i)
        if (parent->children[i].get() == this) return i;
    return 0;
}

TNonVisCornice* TNonVisCornice::Add(std::unique_ptr<TNonVisCornice> child, std::size_t at) {
    child->parent = this;
    TNonVisCornice* raw = child.get();
    if (at >= children.size()) children.push_back(std::move(child));
    else children.insert(children.begin() + static_cast<std::ptrdiff_t>(at), std::move(child));
    return raw;
}

std::unique_ptr<TNonVisCornice> TNonVisCornice::Remove(std::size_t at) {
    if (at >= children.size()) return nullptr;
    std::unique_ptr<TNonVisCornice> c = std::move(children[at]);
    children.erase(children.begin() + static_cast<std::ptrdiff_t>(at));
    c->parent = nullptr;
    return c;
}

std::unique_ptr<TNonVisCornice> TNonVisCornice::Clone() const {
    auto c = std::make_unique<TNonVisCornice>();
    c->rec = rec;
    c->rect = rect;
    for (const auto& ch : children) c->Add(ch->Clone());
    return c;
}

void TNonVisCornice::ForEach(const std::function<void(TNonVisCornice&)>& f) {
    f(*this);
    for (auto& c : children) c->ForEach(f);
}

void TNonVisCornice::ForEach(const std::function<void(const TNonVisCornice&)>& f) const {
    f(*this);
    for (const auto& c : children) static_cast<const TNonVisCornice&>(*c).ForEach(f);
}

bool TNonVisCornice::Contains(const TNonVisCornice* f) const {
    for (; f; f = f->parent)
        if (f == this) return true;
    return false;
}

std::size_t TNonVisCornice::CountFrames() const {
    std::size_t n = 0;
    ForEach([&](const TNonVisCornice&) { ++n; });
    return n;
}

// --- names ------------------------------------------------------------------------

namespace {
std::string LowerAscii(std::string s) {
    for (char& ch : s) ch = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
    return s;
}
}  // namespace

std::string FreeFrameName(const TNonVisCornice& top) {
    std::unordered_set<std::string> used;
    top.ForEach([&](const TNonVisCornice& f) { used.insert(LowerAscii(f.rec.Name())); });
    for (std::size_t i = 1;; ++i)
        if (!used.count("frame" + std::to_string(i))) return "Frame" + std::to_string(i);
}

void GiveDefaultNames(TNonVisCornice& top) {
    std::unordered_set<std::string> used;
    top.ForEach([&](const TNonVisCornice& f) { used.insert(LowerAscii(f.rec.Name())); });
    std::size_t next = 1;
    top.ForEach([&](TNonVisCornice& f) {
        if (!f.rec.Name().empty()) return;
        while (used.count("frame" + std::to_string(next))) ++next;
        f.rec.SetName("Frame" + std::to_string(next));
        used.insert("frame" + std::to_string(next));
    });
}

// --- reading and writing records ---------------------------------------------------

std::vector<std::string> TFrameReadReport::Lines() const {
    std::vector<std::string> v;
    auto add = [&](std::size_t n, const char* what) {
        if (n) v.push_back(std::to_string(n) + " " + what);
    };
    add(orphans, "cornici senza cornice madre ignorate");
    add(duplicates, "cornici con identità già usata");
    add(cycles, "cornici madri di sé stesse o di una cornice che le contiene");
    add(dropped, "cornici oltre i limiti di profondità o di numero ignorate");
    add(trailingBytes, "byte in coda dopo l'ultima cornice ignorati");
    return v;
}

std::unique_ptr<TNonVisCornice> ReadFrameRecords(std::string_view s, std::size_t length, TFrameReadReport* report) {
    TFrameReadReport local;
    TFrameReadReport& rep = report ? *report : local;
    if (length < kMinRecordLength || length > kMaxRecordLength) return nullptr;
    const std::size_t count = s.size() / length;
    rep.trailingBytes += s.size() % length;
    if (count == 0) return nullptr;
    auto recordAt = [&](std::size_t i) {
        return TFrameRecord::FromStored(s.substr(i * length, std::min(length, kFrameRecordSize)));
    };
    auto top = std::make_unique<TNonVisCornice>();
    top->rec = recordAt(0);
    std::vector<TNonVisCornice*> path{top.get()};  // the open frames, outermost first
    std::unordered_set<std::int32_t> seen{top->rec.Id()};
    std::size_t frames = 1;
    for (std::size_t i = 1; i < count; ++i) {
        if (frames >= kMaxFrames) {
            rep.dropped += count - i;
            break;
        }
        TFrameRecord r = recordAt(i);
        // The nearest open frame the record names as its parent.
        std::size_t k = path.size();
        while (k > 0 && path[k - 1]->rec.Id() != r.ParentId()) --k;
        if (k == 0) {
            ++rep.orphans;
            continue;
        }
        if (static_cast<int>(k) >= kMaxFrameDepth) {  // the child would be at depth k
            ++rep.dropped;
            continue;
        }
        path.resize(k);
        bool cycle = r.Id() == r.ParentId();
        for (const TNonVisCornice* p : path) cycle = cycle || p->rec.Id() == r.Id();
        if (cycle) ++rep.cycles;
        else if (!seen.insert(r.Id()).second) ++rep.duplicates;
        auto child = std::make_unique<TNonVisCornice>();
        child->rec = r;
        path.push_back(path.back()->Add(std::move(child)));
        ++frames;
    }
    // Whatever the records said, a frame is a container when it has children,
    // and every frame has a name.
    top->ForEach([&](TNonVisCornice& f) { f.rec.SetContainer(!f.IsLeaf()); });
    GiveDefaultNames(*top);
    return top;
}

std::string WriteFrameRecords(const TNonVisCornice& top) {
    std::string out;
    std::int32_t next = 1;
    std::function<void(const TNonVisCornice&, std::int32_t)> write = [&](const TNonVisCornice& f, std::int32_t parentId) {
        TFrameRecord r = f.rec;
        const std::int32_t id = next++;
        r.SetId(id);
        r.SetParentId(parentId);
        r.SetContainer(!f.IsLeaf());
        r = TFrameRecord::FromStored(r.View());  // clears the legacy flags
        out.append(r.View());
        for (const auto& c : f.children) write(*c, id);
    };
    write(top, -1);
    return out;
}

TFrmRead ReadFrm(std::string_view bytes) {
    TFrmRead r;
    if (bytes.empty()) {
        r.status = TFrmStatus::kEmpty;
        return r;
    }
    if (bytes.size() < 8 || bytes.size() > kMaxFrmFileSize) return r;
    if (model::bytes::GetI32(bytes, 0) != kFrmMagic) return r;
    const std::int32_t length = model::bytes::GetI32(bytes, 4);
    if (length < static_cast<std::int32_t>(kMinRecordLength) || length > static_cast<std::int32_t>(kMaxRecordLength)) return r;
    const std::string_view records = bytes.substr(8);
    if (records.empty() || records.size() % static_cast<std::size_t>(length) != 0) return r;
    r.top = ReadFrameRecords(records, static_cast<std::size_t>(length), &r.report);
    if (!r.top) return r;
    r.status = TFrmStatus::kLoaded;
    return r;
}

std::string WriteFrm(const TNonVisCornice& top) {
    if (top.IsLeaf()) return {};
    std::string out;
    model::bytes::PutI32(out, kFrmMagic);
    model::bytes::PutI32(out, static_cast<std::int32_t>(kFrameRecordSize));
    out += WriteFrameRecords(top);
    return out;
}

// --- sizing ----------------------------------------------------------------------

int BarThickness(const TNonVisCornice& container, bool editing) {
    const int w = container.rec.BorderWidth();
    return editing && w < 3 ? 3 : w;
}

int SharedSpace(const TNonVisCornice& c, bool editing) {
    if (c.children.empty()) return 0;
    const std::int64_t total = c.ChildrenAreRows() ? c.rect.height : c.rect.width;
    const std::int64_t space = total - static_cast<std::int64_t>(c.children.size() - 1) * BarThickness(c, editing);
    return space > 0 ? static_cast<int>(std::min<std::int64_t>(space, INT32_MAX)) : 0;
}

namespace {

std::int64_t ClampPercent(std::int32_t p) { return p < 0 ? 0 : p > 100 ? 100 : p; }

// c * percent / 100 without overflow.
int PercentOf(int c, std::int32_t percent) { return static_cast<int>(static_cast<std::int64_t>(c) * ClampPercent(percent) / 100); }

// size * 100 / c, for c > 0 only.
std::int32_t PercentFor(std::int64_t size, int c) { return static_cast<std::int32_t>(size * 100 / c); }

}  // namespace

void LayoutChildren(TNonVisCornice& f, bool editing) {
    const std::size_t k = f.children.size();
    if (k == 0) return;
    const bool rows = f.ChildrenAreRows();
    const int s = BarThickness(f, editing);
    const int c = SharedSpace(f, editing);
    // A container with no room teaches nothing about its children's sizes:
    // their records stay as they are.
    const bool learn = c > 0;
    std::vector<int> sizes(k, 0);
    std::int64_t counted = 0, earlier = 0;
    std::size_t freeChild = SIZE_MAX;
    auto measure = [&](TFrameRecord& r, bool store) {
        if (r.RuleCode() == TFrameRecord::kFixed) {
            const int size = r.Pixels() < 0 ? 0 : r.Pixels();
            if (store && learn) r.SetPercent(PercentFor(size, c));
            return size;
        }
        // A pixel size that gives the stored percent is the size a bar drag
        // left: it is kept, so that the drag is not undone by the rounding
        // of the percent.
        const int size = learn && r.Pixels() >= 0 && r.Pixels() <= c && PercentFor(r.Pixels(), c) == ClampPercent(r.Percent())
                             ? r.Pixels()
                             : PercentOf(c, r.Percent());
        if (store && learn && r.RuleCode() != TFrameRecord::kFree) r.SetPixels(size);
        return size;
    };
    for (std::size_t i = 0; i + 1 < k; ++i) {
        TFrameRecord& r = f.children[i]->rec;
        if (r.RuleCode() == TFrameRecord::kFree) freeChild = i;
        sizes[i] = measure(r, true);
        earlier += sizes[i];
        if (i != freeChild) counted += sizes[i];
    }
    if (freeChild == SIZE_MAX) {
        // The last child fills what the others leave.
        sizes[k - 1] = static_cast<int>(std::max<std::int64_t>(0, c - earlier));
    } else {
        // One child absorbs the rest: the last one keeps its own size.
        sizes[k - 1] = measure(f.children[k - 1]->rec, false);
        counted += sizes[k - 1];
        const std::int64_t rest = c - counted;
        sizes[freeChild] = rest > 0 ? static_cast<int>(rest) : 0;
        TFrameRecord& fr = f.children[freeChild]->rec;
        if (learn) {
            fr.SetPixels(sizes[freeChild]);
            fr.SetPercent(PercentFor(sizes[freeChild], c));
        }
    }
    // Place them one after the other; nothing goes past the container.
    const std::int64_t total = std::max(0, rows ? f.rect.height : f.rect.width);
    std::int64_t used = 0;
    for (std::size_t i = 0; i < k; ++i) {
        const std::int64_t room = std::max<std::int64_t>(0, c - used);
        const int size = static_cast<int>(std::min<std::int64_t>(sizes[i], room));
        const int at = static_cast<int>(std::min<std::int64_t>(used + static_cast<std::int64_t>(i) * s, total));
        TFrameRect r = f.rect;
        if (rows) {
            r.top = f.rect.top + at;
            r.height = size;
        } else {
            r.left = f.rect.left + at;
            r.width = size;
        }
        used += size;
        f.children[i]->rect = r;
        LayoutChildren(*f.children[i], editing);
    }
}

void LayoutFrames(TNonVisCornice& top, const TFrameRect& area, bool editing) {
    top.rect = area;
    if (top.rect.width < 0) top.rect.width = 0;
    if (top.rect.height < 0) top.rect.height = 0;
    top.rec.SetPercent(100);
    top.rec.SetRuleCode(TFrameRecord::kPercent);
    LayoutChildren(top, editing);
}

TFrameRect BarRect(const TNonVisCornice& f, std::size_t i, bool editing) {
    if (i + 1 >= f.children.size()) return {};
    const TFrameRect& c = f.children[i]->rect;
    const int s = BarThickness(f, editing);
    if (f.ChildrenAreRows()) return {f.rect.left, c.top + c.height, f.rect.width, s};
    return {c.left + c.width, f.rect.top, s, f.rect.height};
}

// --- HTML frameset ------------------------------------------------------------------

std::string EscapeFrameName(std::string_view name) {
    std::string out;
    for (char ch : name) {
        switch (ch) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += ch;
        }
    }
    return out;
}

namespace {

void WriteFrameSet(const TNonVisCornice& f, const TFrameSetHtml& how, std::string& out) {
    if (!f.IsLeaf()) {
        out += "<FRAMESET ";
        const int p = f.rec.PlaceCode();
        if (p == 1 || p == 4 || p == 5) out += "ROWS=";
        else if (p < 6) out += "COLS=";
        out += "\"";
        for (std::size_t i = 0; i < f.children.size(); ++i) {
            const TFrameRecord& r = f.children[i]->rec;
            if (i) out += ",";
            if (r.RuleCode() == TFrameRecord::kPercent) out += std::to_string(r.Percent()) + "%";
            else if (r.RuleCode() == TFrameRecord::kFixed) out += std::to_string(r.Pixels());
            else out += "*";
        }
        const std::string w = std::to_string(f.rec.BorderWidth());
        out += "\" BORDER=" + w + " FRAMESPACING=" + w + " >\r\n";
        for (const auto& c : f.children) WriteFrameSet(*c, how, out);
        out += "</FRAMESET>\r\n";
        return;
    }
    std::string src;
    if (how.source) {
        src = how.source(f.rec.PageRef());
    } else {
        char b[16];
        std::snprintf(b, sizeof b, "$%08X", static_cast<unsigned>(f.rec.PageRef()));
        src = b;
    }
    const std::string name = f.rec.Name();
    out += "<FRAME NAME=\"" + (how.escapeName ? how.escapeName(name) : EscapeFrameName(name)) + "\" SRC=\"" + src +
           "\" SCROLLING=" + (f.rec.Scrolling() ? "auto " : "no ") + (f.rec.Border() ? "" : "FRAMEBORDER=no ") +
           (f.rec.Resizable() ? ">\r\n" : "NORESIZE>\r\n");
}

}  // namespace

std::string FrameSetText(const TNonVisCornice& top, const TFrameSetHtml& how) {
    if (top.IsLeaf()) return {};
    std::string out;
    WriteFrameSet(top, how, out);
    return out;
}

}  // namespace present
