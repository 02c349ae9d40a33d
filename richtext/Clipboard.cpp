#include "richtext/Clipboard.h"

#include "model/Bytes.h"
#include "model/NYXoggetto.h"
#include "model/Types.h"

namespace richtext {
namespace {

void PutI32(std::string& out, std::int32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
}

class Cursor {
public:
    explicit Cursor(std::string_view b) : b_(b) {}
    bool I32(std::int32_t& v) {
        if (b_.size() - pos_ < 4) return false;
        std::uint32_t u = 0;
        for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(static_cast<unsigned char>(b_[pos_ + i])) << (8 * i);
        v = static_cast<std::int32_t>(u);
        pos_ += 4;
        return true;
    }
    // A count whose entries need at least `each` bytes each.
    bool Count(std::int32_t& n, std::size_t each) {
        if (!I32(n) || n < 0) return false;
        return static_cast<std::size_t>(n) <= (b_.size() - pos_) / each;
    }
    // One object record in stream form, checked by loading it into a scratch object.
    bool Record(std::int32_t kind, std::string& out) {
        if (kind < 0 || kind >= model::kTypeCount) return false;
        std::unique_ptr<model::TNYXoggetto> o = model::MakeObject(kind);
        std::size_t p = pos_;
        if (!o->LoadFromStream(b_, p) || o->Type() != kind || p > b_.size()) return false;
        out.assign(b_.substr(pos_, p - pos_));
        pos_ = p;
        return true;
    }
    std::size_t pos() const { return pos_; }
    std::string_view rest() const { return b_.substr(pos_); }

private:
    std::string_view b_;
    std::size_t pos_ = 0;
};

// The smallest object record in stream form: index, type, data block, path
// length and the stream lengths.
constexpr std::size_t kMinRecord = 4 + 1 + static_cast<std::size_t>(model::kDataSize) + 4;

bool LinkKind(std::int32_t k) { return k == model::internetLink || k == model::speclink || k == model::shortObj; }
bool ResourceKind(std::int32_t k) { return k == model::immagine || k == model::mappaClic || k == model::stileParagrafo; }

}  // namespace

std::int32_t ContainerFormat(std::string_view bytes) {
    if (bytes.size() < 4) return 0;
    std::int32_t v = 0;
    Cursor c(bytes);
    c.I32(v);
    return v;
}

std::string BuildContainer(const TClipContainer& c) {
    std::string out;
    PutI32(out, c.format);
    PutI32(out, static_cast<std::int32_t>(c.links.size()));
    for (const TClipObject& o : c.links) {
        PutI32(out, o.kind);
        PutI32(out, o.old);
        out += o.record;
    }
    PutI32(out, static_cast<std::int32_t>(c.resources.size()));
    for (const TClipObject& o : c.resources) {
        PutI32(out, o.kind);
        out += o.record;
    }
    PutI32(out, static_cast<std::int32_t>(c.objects.size()));
    for (const TClipObject& o : c.objects) {
        PutI32(out, o.kind);
        PutI32(out, o.old);
        out += o.record;
    }
    PutI32(out, c.paragraphs);
    out += c.markup;
    out += '\0';
    return out;
}

ClipParse ParseContainer(std::string_view bytes, TClipContainer& out) {
    TClipContainer c;
    Cursor cur(bytes);
    if (!cur.I32(c.format)) return ClipParse::Ignored;
    if (c.format != 1 && c.format != 3) return ClipParse::Ignored;
    std::int32_t n = 0;
    if (!cur.Count(n, 8 + kMinRecord)) return ClipParse::Malformed;
    for (std::int32_t i = 0; i < n; ++i) {
        TClipObject o;
        if (!cur.I32(o.kind) || !cur.I32(o.old) || !LinkKind(o.kind) || !cur.Record(o.kind, o.record))
            return ClipParse::Malformed;
        c.links.push_back(std::move(o));
    }
    if (!cur.Count(n, 4 + kMinRecord)) return ClipParse::Malformed;
    for (std::int32_t i = 0; i < n; ++i) {
        TClipObject o;
        if (!cur.I32(o.kind) || !ResourceKind(o.kind) || !cur.Record(o.kind, o.record)) return ClipParse::Malformed;
        c.resources.push_back(std::move(o));
    }
    if (!cur.Count(n, 8 + kMinRecord)) return ClipParse::Malformed;
    for (std::int32_t i = 0; i < n; ++i) {
        TClipObject o;
        if (!cur.I32(o.kind) || !cur.I32(o.old) || o.kind == model::testoHtml || !cur.Record(o.kind, o.record))
            return ClipParse::Malformed;
        c.objects.push_back(std::move(o));
    }
    // At least one paragraph, each at least one tag ("<Z S0 >") long.
    if (!cur.Count(c.paragraphs, 1) || c.paragraphs < 1) return ClipParse::Malformed;
    std::string_view rest = cur.rest();
    const std::size_t end = rest.find('\0');
    if (end == std::string_view::npos) return ClipParse::Malformed;
    c.markup.assign(rest.substr(0, end));
    out = std::move(c);
    return ClipParse::Ok;
}

namespace {
TCodePaste& CodePasteSlot() {
    static TCodePaste paste;
    return paste;
}
std::vector<TForeignClipFormat>& Foreign() {
    static std::vector<TForeignClipFormat> v;
    return v;
}
}  // namespace

void SetCodePaste(TCodePaste paste) { CodePasteSlot() = std::move(paste); }
const TCodePaste& CodePaste() { return CodePasteSlot(); }

void RegisterForeignClipFormat(TForeignClipFormat format) {
    for (TForeignClipFormat& f : Foreign())
        if (f.mime == format.mime) {
            f = std::move(format);
            return;
        }
    Foreign().push_back(std::move(format));
}

const std::vector<TForeignClipFormat>& ForeignClipFormats() { return Foreign(); }

}  // namespace richtext
