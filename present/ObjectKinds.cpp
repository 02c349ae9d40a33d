#include "present/ObjectKinds.h"

#include <algorithm>

#include "model/Fields.h"
#include "model/NYXset.h"
#include "model/Types.h"

namespace present {
namespace {

constexpr std::int32_t kMaxSize = 65535;
constexpr std::size_t kDatabaseKind = 46;  // a database element's kind byte

std::int32_t Dim(std::int32_t v, std::int32_t fallback) {
    if (v <= 0) return fallback;
    return std::min(v, kMaxSize);
}

bool IEquals(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if ((x >= 'A' && x <= 'Z' ? x + 32 : x) != (y >= 'A' && y <= 'Z' ? y + 32 : y)) return false;
    }
    return i == a.size() && !b[i];
}

std::string FirstStream(const model::TNYXoggetto& o) {
    std::string s;
    if (o.HasFirstStream()) o.ReadFirstStream(s);
    return s;
}

}  // namespace

TControlKind ControlKindOf(const model::TNYXoggetto& o) {
    const int sub = o.Subtype();
    switch (o.Type()) {
        case model::tabellaHtml: return TControlKind::kTable;
        case model::shortObj:
            return sub == 5 || (sub >= 10 && sub <= 15) || (sub >= 21 && sub <= 28) ? TControlKind::kMarker
                                                                                      : TControlKind::kNone;
        case model::dbloc: return TControlKind::kDatabase;
        case model::immagineNew: return TControlKind::kImage;
        case model::inputStat:
            switch (sub) {
                case 1: case 2: case 3: return TControlKind::kEdit;
                case 4: return TControlKind::kMemo;
                case 5: return TControlKind::kMarker;
                case 6: return TControlKind::kRadio;
                case 7: return TControlKind::kCheck;
                case 8: return TControlKind::kList;
                case 9: return TControlKind::kCombo;
                case 18: return TControlKind::kFloating;
                default: return TControlKind::kNone;
            }
        case model::inputDin:
            switch (sub) {
                case 1: return TControlKind::kEdit;
                case 2: return TControlKind::kMemo;
                case 6: return TControlKind::kList;
                case 7: return TControlKind::kCombo;
                case 11: case 12: return TControlKind::kMarker;
                default: return TControlKind::kNone;
            }
        case model::bottoneCGI: return TControlKind::kButton;
        case model::inizioForm: return TControlKind::kFormStart;
        case model::multiMedia: return TControlKind::kMultimedia;
        default: return TControlKind::kNone;
    }
}

bool ShownInView(TControlKind k) {
    return k != TControlKind::kNone && k != TControlKind::kMarker && k != TControlKind::kFormStart &&
           k != TControlKind::kDatabase;
}

bool ShownInView(const model::TNYXoggetto& o, bool anchorPreview) {
    const TControlKind k = ControlKindOf(o);
    if (k == TControlKind::kMarker && o.Type() == model::shortObj) {
        if (o.Subtype() == 15) return true;
        if (o.Subtype() == 14) return anchorPreview;
    }
    return ShownInView(k);
}

int PrototypeKind(const model::TNYXoggetto& o) {
    if (o.Type() != model::multiMedia || o.Subtype() != model::mediarec::kCustomComponent) return 0;
    model::TNYXset* set = o.Set();
    const std::int32_t ref = o.Int(model::mediarec::kReference);
    if (!set || ref == -1) return 0;
    const model::TNYXoggetto* proto = set->ObjectByRef(ref);
    if (!proto || proto->IsEmpty() || proto->Type() != model::custom) return 0;
    const int kind = proto->Subtype();
    return kind >= 1 && kind <= 9 ? kind : 0;
}

TControlKind PreviewKind(const model::TNYXoggetto& o) {
    switch (PrototypeKind(o)) {
        case 1: case 9: return TControlKind::kMarker;
        case 3: return TControlKind::kEdit;
        case 4: return TControlKind::kMemo;
        case 5: return TControlKind::kRadio;
        case 6: return TControlKind::kCheck;
        case 7: return TControlKind::kList;
        case 8: return TControlKind::kCombo;
        default: return TControlKind::kMultimedia;
    }
}

std::string MarkerIcon(const model::TNYXoggetto& o) {
    const int sub = o.Subtype();
    switch (o.Type()) {
        case model::shortObj:
            switch (sub) {
                case 10: return "notepad";
                case 11: return "html";
                case 12: return "binary";
                case 13: return "lancia";
                case 14: return "ancora";
                case 15: return "triang";
                case 21: return "imagelk";
                case 22: return "fogliolk";
                case 23: return "foglio";
                case 24: case 28: return "fond";
                case 25: return "xcoord";
                case 26: return "ycoord";
                case 27: return "par";
                default: return {};
            }
        case model::inputStat: return sub == 5 ? "hidden" : "";
        case model::inputDin: return sub == 11 ? "dinlist" : sub == 12 ? "dinhtml" : "";
        case model::inizioForm: return "iniziof";
        case model::multiMedia:
            if (sub == model::mediarec::kDatabase) {
                // A database element's icon by its kind byte; 18 shows a picture of the hypertext.
                switch (o.Byte(kDatabaseKind)) {
                    case 9: return "dbtesto";
                    case 10: return "dbdb";
                    case 12: return "dbquery";
                    case 13: return "dbbegin";
                    case 14: return "dbend";
                    case 15: return "dbcount";
                    case 16: return "dbfirst";
                    case 17: return "dblast";
                    case 19: return "dbrep";
                    case 21: return "dbsalto";
                    default: return {};
                }
            }
            return (sub == 1 || sub == 2) && o.Byte(25) == 1 ? "nota" : "";
        default: return {};
    }
}

TObjectSize DisplaySize(const model::TNYXoggetto& o, std::int32_t lineWidth, const TObjectMetrics& m,
                        bool readOnly) {
    const int sub = o.Subtype();
    const bool dyn = o.Type() == model::inputDin;
    auto percentOf = [&](std::int32_t w) {
        const std::int64_t v = static_cast<std::int64_t>(std::max(lineWidth, 0)) * w / 100;
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, 1, kMaxSize));
    };
    switch (ControlKindOf(o)) {
        case TControlKind::kNone: return {0, 0};
        case TControlKind::kMarker:
            if (o.Type() == model::shortObj && sub >= 21 && sub <= 26) return {36, 18};
            if (o.Type() == model::shortObj && (sub == 27 || sub == 28)) return {90, 18};
            return {18, 18};
        case TControlKind::kFormStart: return {18, 18};
        case TControlKind::kButton:
            if (o.Int(177) != -1) {
                // Byte 194: the displayed size is a percentage of the natural one.
                std::int64_t w = o.Word(190), h = o.Word(192);
                if (o.Byte(194) == 1) {
                    w = w * o.Word(186) / 100;
                    h = h * o.Word(188) / 100;
                }
                return {Dim(static_cast<std::int32_t>(std::min<std::int64_t>(w, kMaxSize)), 105),
                        Dim(static_cast<std::int32_t>(std::min<std::int64_t>(h, kMaxSize)), 105)};
            }
            return {(static_cast<std::int32_t>(o.Str(97, 79).size()) + 2) * m.charWidth, m.boxHeight};
        case TControlKind::kEdit: return {Dim(o.Byte(179), 20) * m.charWidth + 8, m.boxHeight};
        case TControlKind::kMemo:
            return {Dim(o.Byte(177), 40) * m.charWidth + 8, Dim(o.Byte(178), 10) * m.listLine + 4};
        case TControlKind::kRadio:
        case TControlKind::kCheck: return {13, 13};
        case TControlKind::kList: return {m.listWidth, Dim(dyn ? o.Byte(179) : o.Byte(179), 10) * m.listLine + 4};
        case TControlKind::kCombo: return {m.listWidth, m.boxHeight};
        case TControlKind::kFloating: {
            std::int32_t w = Dim(o.SWord(182), 105);
            if (o.Byte(178) == 1) w = percentOf(w);
            return {w, Dim(o.SWord(180), 105)};
        }
        case TControlKind::kMultimedia:
        case TControlKind::kDatabase: {
            std::int32_t w = Dim(o.SWord(33), 105);
            if (o.Byte(37) == 1) w = percentOf(w);
            const std::int32_t h = Dim(o.SWord(35), 105);
            if (o.Type() != model::multiMedia) return {w, h};
            const bool cyclic = o.Byte(model::mediarec::kAction) == 1;
            if (sub == 1 || sub == 2) return cyclic ? TObjectSize{18, 18} : TObjectSize{kPlayerBarWidth, kPlayerBarHeight};
            if (sub == model::mediarec::kDatabase) {
                const int kind = o.Byte(kDatabaseKind);
                return {kind == 9 || kind == 21 ? 36 : kind == 19 ? 27 : 18, 18};
            }
            if (sub == 3 || sub == 4)
                return cyclic ? TObjectSize{w, h}
                              : TObjectSize{std::max(w, kPlayerBarWidth), std::min(h + kPlayerBarHeight, kMaxSize)};
            if (sub == model::mediarec::kCustomComponent) {
                switch (PrototypeKind(o)) {
                    case 1: return {readOnly ? 1 : 18, 18};
                    case 9: return {18, 18};
                    case 3: return {20 * m.charWidth + 8, m.boxHeight};
                    case 4: return {40 * m.charWidth + 8, 10 * m.listLine + 4};
                    case 5: case 6: return {13, 13};
                    case 7: return {m.listWidth, 10 * m.listLine + 4};
                    case 8: return {m.listWidth, m.boxHeight};
                    default: break;  // 2 and a dangling prototype: the stored size
                }
            }
            return {w, h};
        }
        case TControlKind::kTable:
        case TControlKind::kImage: return {105, 105};  // measured by their own views
    }
    return {0, 0};
}

std::vector<TListItem> ParseListItems(const std::string& stream) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < stream.size(); ++i) {
        if (stream[i] != '\n') continue;
        std::size_t end = i;
        if (end > start && stream[end - 1] == '\r') --end;
        lines.emplace_back(stream, start, end - start);
        start = i + 1;
    }
    std::vector<TListItem> items;
    for (std::size_t k = 0; k + 2 < lines.size(); k += 3)
        items.push_back({lines[k], lines[k + 1], !(lines[k + 2] == "n" || lines[k + 2] == "N")});
    return items;
}

TFieldState::TFieldState(const model::TNYXoggetto& o) : o_(&o), kind_(ControlKindOf(o)) {
    multiple_ = kind_ == TControlKind::kList && o.Byte(182) == 1;
    Reset();
}

void TFieldState::Reset() {
    const model::TNYXoggetto& o = *o_;
    text_.clear();
    checked_ = false;
    items_.clear();
    current_ = -1;
    chosen_.clear();
    switch (kind_) {
        case TControlKind::kEdit:
            if (o.Byte(180) == 1) text_ = o.Str(97, 79);
            break;
        case TControlKind::kMemo:
            if (o.Byte(180) == 1) text_ = FirstStream(o);
            break;
        case TControlKind::kRadio:
        case TControlKind::kCheck: checked_ = o.Byte(181) == 1; break;
        case TControlKind::kList:
        case TControlKind::kCombo: {
            items_ = ParseListItems(FirstStream(o));
            chosen_.assign(items_.size(), false);
            for (std::size_t i = 0; i < items_.size(); ++i)
                if (items_[i].selected) {
                    current_ = static_cast<std::int32_t>(i);
                    if (multiple_) chosen_[i] = true;
                }
            if (kind_ == TControlKind::kCombo && current_ < 0 && !items_.empty()) current_ = 0;
            if (!multiple_ && current_ >= 0) chosen_[static_cast<std::size_t>(current_)] = true;
            break;
        }
        default: break;
    }
}

void TFieldState::Choose(std::int32_t index) {
    if (index < -1 || index >= static_cast<std::int32_t>(items_.size())) return;
    if (multiple_) {
        if (index >= 0) chosen_[static_cast<std::size_t>(index)] = !chosen_[static_cast<std::size_t>(index)];
    } else {
        std::fill(chosen_.begin(), chosen_.end(), false);
        if (index >= 0) chosen_[static_cast<std::size_t>(index)] = true;
    }
    current_ = index;
}

std::string TFieldState::GetValue() const {
    switch (kind_) {
        case TControlKind::kEdit:
        case TControlKind::kMemo: return text_;
        case TControlKind::kRadio: return checked_ ? "checked" : "";
        case TControlKind::kCheck: {
            if (!checked_) return {};
            const std::string v = o_->Str(97, 79);
            return v.empty() ? "on" : v;
        }
        case TControlKind::kList:
        case TControlKind::kCombo:
            for (std::size_t i = 0; i < chosen_.size(); ++i)
                if (chosen_[i]) return items_[i].value;
            return {};
        default: return {};
    }
}

void TFieldState::SetValue(const std::string& v) {
    switch (kind_) {
        case TControlKind::kEdit:
        case TControlKind::kMemo: text_ = v; break;
        case TControlKind::kRadio:
        case TControlKind::kCheck: checked_ = IEquals(v, "checked"); break;
        case TControlKind::kList:
        case TControlKind::kCombo:
            for (std::size_t i = 0; i < items_.size(); ++i)
                if (items_[i].value == v) {
                    if (multiple_) std::fill(chosen_.begin(), chosen_.end(), false);
                    Choose(static_cast<std::int32_t>(i));
                    return;
                }
            break;
        default: break;
    }
}

void TFormStates::Add(const model::TNYXoggetto& o) {
    const TControlKind k = ControlKindOf(o);
    if (k == TControlKind::kFormStart) {
        ++form_;
        return;
    }
    if (k == TControlKind::kButton) {
        AddButton(o);
        return;
    }
    if (k == TControlKind::kEdit || k == TControlKind::kMemo || k == TControlKind::kRadio ||
        k == TControlKind::kCheck || k == TControlKind::kList || k == TControlKind::kCombo)
        fields_.push_back({TFieldState(o), form_});
}

void TFormStates::AddButton(const model::TNYXoggetto& o) { buttons_.emplace_back(&o, form_); }

TFieldState* TFormStates::Find(const model::TNYXoggetto& o) {
    for (auto& f : fields_)
        if (&f.state.Record() == &o) return &f.state;
    return nullptr;
}

void TFormStates::CheckRadio(const model::TNYXoggetto& radio) {
    int form = -1;
    for (const auto& f : fields_)
        if (&f.state.Record() == &radio) form = f.form;
    if (form < 0) return;
    const std::string group = radio.Str(17, 79);
    for (auto& f : fields_)
        if (f.form == form && f.state.Kind() == TControlKind::kRadio && f.state.Record().Str(17, 79) == group)
            f.state.SetValue(&f.state.Record() == &radio ? "checked" : "");
}

void TFormStates::ResetFormOf(const model::TNYXoggetto& member) {
    int form = -1;
    for (const auto& b : buttons_)
        if (b.first == &member) form = b.second;
    for (const auto& f : fields_)
        if (&f.state.Record() == &member) form = f.form;
    if (form < 0) return;
    for (auto& f : fields_)
        if (f.form == form) f.state.Reset();
}

}  // namespace present
