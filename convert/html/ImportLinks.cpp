// References of the HTML import: links, and the files and addresses they
// name resolved against the page's folder and BASE.
#include "convert/html/ImportScan.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <new>
#include <set>
#include <stdexcept>
#include <system_error>

#include "convert/Converter.h"
#include "convert/html/Encoding.h"
#include "convert/html/Entities.h"
#include "markup/Lexer.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "richtext/Attributes.h"
#include "richtext/Markup.h"
#include "richtext/StyleSheet.h"

namespace convert::html {

void THtmlScan::Anchor() {
    TOut& o = Out();
    if (const std::string* name = Attr("NAME")) {
        // The exporter's anchors "an" + number come back as anchors.
        const std::string& v = *name;
        if (v.size() > 2 && v[0] == 'a' && v[1] == 'n' && std::all_of(v.begin() + 2, v.end(), IsDigit)) {
            TNYXoggetto* a = set_.NewObject(model::shortObj);
            a->SetSubtype(model::markerrec::kAnchor);
            a->SetInt(model::markerrec::kValue, ToInt(std::string_view(v).substr(2), 0));
            const std::int32_t keep = o.linkWanted;
            o.linkWanted = -1;
            EmitObject(a);
            o.linkWanted = keep;
        }
    }
    const std::string* href = Attr("HREF");
    if (!href) return;
    o.linkWanted = LinkFor(*href);
}

THtmlScan::TRef THtmlScan::Resolve(std::string_view value) {
    // A page names the same files again and again: each is looked up once.
    std::string key = baseUrl_.empty() ? baseDir_.string() : baseUrl_;
    key += '\n';
    key += value;
    if (auto it = resolved_.find(key); it != resolved_.end()) return it->second;
    TRef r = ResolveNew(value);
    if (resolved_.size() < 100000) resolved_.emplace(std::move(key), r);
    return r;
}

THtmlScan::TRef THtmlScan::ResolveNew(std::string_view value) {
    TRef r;
    const std::string v(Trim(value));
    if (v.empty()) return r;
    std::size_t i = 0;
    while (i < v.size() && (IsAlpha(v[i]) || (i > 0 && (IsDigit(v[i]) || v[i] == '+' || v[i] == '-' || v[i] == '.')))) ++i;
    std::string local;
    bool fileUrl = false;
    // Any "scheme:" but a drive letter is an address of the internet.
    if (i >= 2 && i < v.size() && v[i] == ':') {
        if (LowerS(v.substr(0, i)) != "file") {
            r.kind = TRef::Internet;
            r.url = v;
            return r;
        }
        fileUrl = true;
        local = v.substr(i + 1);
        if (local.compare(0, 2, "//") == 0) {
            local.erase(0, 2);
            if (LowerS(local.substr(0, 9)) == "localhost") local.erase(0, 9);
        }
    } else if (!baseUrl_.empty()) {
        r.kind = TRef::Internet;
        if (v.compare(0, 2, "//") == 0) {
            r.url = baseUrl_.substr(0, baseUrl_.find(':') + 1) + v;
        } else if (v[0] == '/') {
            const std::size_t host = baseUrl_.find("//");
            const std::size_t slash = host == std::string::npos ? std::string::npos : baseUrl_.find('/', host + 2);
            r.url = (slash == std::string::npos ? baseUrl_ : baseUrl_.substr(0, slash)) + v;
        } else {
            const std::size_t slash = baseUrl_.rfind('/');
            const std::size_t host = baseUrl_.find("//");
            const bool onlyHost = host != std::string::npos && (slash == std::string::npos || slash < host + 2);
            r.url = (onlyHost ? baseUrl_ + "/" : baseUrl_.substr(0, slash + 1)) + v;
        }
        return r;
    } else {
        local = v;
    }
    // Fragments and queries say nothing about the file; names are percent-decoded.
    const std::size_t cut = local.find_first_of("?#");
    if (cut != std::string::npos) local.resize(cut);
    r.kind = TRef::Local;
    if (local.empty()) {
        r.path = file_;
        return r;
    }
    std::string utf8 = platform::text::Cp1252ToUtf8(local), name;
    for (std::size_t k = 0; k < utf8.size(); ++k) {
        auto hex = [](char c) { return IsDigit(c) ? c - '0' : (Low(c) >= 'a' && Low(c) <= 'f') ? Low(c) - 'a' + 10 : -1; };
        if (utf8[k] == '%' && k + 2 < utf8.size() && hex(utf8[k + 1]) >= 0 && hex(utf8[k + 2]) >= 0) {
            name += static_cast<char>(hex(utf8[k + 1]) * 16 + hex(utf8[k + 2]));
            k += 2;
        } else {
            name += utf8[k] == '\\' ? '/' : utf8[k];
        }
    }
    if (name.find('\0') != std::string::npos) {
        r.kind = TRef::Invalid;
        return r;
    }
    fs::path p;
    if (name.size() >= 2 && IsAlpha(name[0]) && name[1] == ':') {
        // A name made on Windows with its drive: the file beside this one.
        const std::size_t slash = name.find_last_of('/');
        p = folder_ / (slash == std::string::npos ? name.substr(2) : name.substr(slash + 1));
    } else if (name[0] == '/') {
        p = fs::path(name).lexically_normal();
    } else {
        p = (baseDir_ / name).lexically_normal();
    }
    std::error_code ec;
    if (!fs::exists(p, ec)) {
        // Names made on Windows: the same letters in another case.
        fs::path found = folder_.root_path();
        const fs::path rel = p.lexically_relative(found);
        bool ok = !rel.empty();
        for (const fs::path& part : rel) {
            if (!ok) break;
            const fs::path direct = found / part;
            if (fs::exists(direct, ec)) {
                found = direct;
                continue;
            }
            ok = false;
            for (fs::directory_iterator it(found, ec), end; !ec && it != end; it.increment(ec)) {
                if (platform::text::EqualsNoCase(it->path().filename().string(), part.string())) {
                    found = it->path();
                    ok = true;
                    break;
                }
            }
        }
        if (ok) p = found;
    }
    r.path = p;
    const fs::path relToFolder = p.lexically_relative(folder_);
    r.outside = fileUrl || relToFolder.empty() || *relToFolder.begin() == "..";
    return r;
}

std::int32_t THtmlScan::LinkFor(std::string_view value) {
    const TRef r = Resolve(value);
    std::string address;
    if (r.kind == TRef::Internet) {
        address = r.url;
    } else if (r.kind == TRef::Local) {
        const std::string ext = LowerS(r.path.extension().string());
        if (ext == ".htm" || ext == ".html" || ext == ".txt") {
            const std::string key = PathKey(r.path);
            auto it = imp_.localLinks_.find(key);
            if (it != imp_.localLinks_.end()) {
                const TNYXoggetto* l = set_.ObjectByRef(it->second);
                if (l && !l->IsEmpty()) return it->second;
            }
            TNYXoggetto* l = set_.NewObject(model::speclink);
            l->SetSubtype(model::linkrec::kAutoImport);
            l->SetByte(model::linkrec::kShows, 1);
            l->SetByte(model::linkrec::kOpenMode, 5);
            l->SetFirstStream(platform::text::Utf8ToCp1252(r.path.string()));
            imp_.localLinks_[key] = l->Reference();
            return l->Reference();
        }
        address = std::string(Trim(value));  // another kind of file: an address as written
    } else {
        return -1;
    }
    if (address.size() > 127) address.resize(127);
    // An address already in the hypertext is used again (the addresses of
    // the hypertext are read once a run, not once a link).
    if (!imp_.urlsIndexed_) {
        imp_.urlsIndexed_ = true;
        for (std::size_t i = 0; i < set_.Count(model::internetLink); ++i) {
            const TNYXoggetto* u = set_.ObjectAt(model::internetLink, static_cast<std::int64_t>(i));
            if (u && !u->IsEmpty()) imp_.urls_.emplace(u->GetName(), u->Reference());
        }
    }
    if (auto it = imp_.urls_.find(address); it != imp_.urls_.end()) {
        const TNYXoggetto* u = set_.ObjectByRef(it->second);
        if (u && !u->IsEmpty() && u->GetName() == address) return it->second;
    }
    std::unique_ptr<TNYXoggetto> url = set_.NewURL(address);
    const std::int32_t slot = set_.RegisterObject(model::internetLink, -1, std::move(url));
    if (slot < 0) return -1;
    const std::int32_t ref = model::MakeRef(model::internetLink, static_cast<std::uint32_t>(slot));
    imp_.urls_[address] = ref;
    return ref;
}

std::int32_t THtmlScan::LoadPicture(std::string_view value) {
    const TRef r = Resolve(value);
    if (r.kind != TRef::Local) return -1;
    const std::string key = PathKey(r.path);
    auto it = imp_.pictures_.find(key);
    if (it != imp_.pictures_.end()) {
        const TNYXoggetto* pic = it->second > 0 ? set_.ObjectByRef(it->second) : nullptr;
        if (pic && !pic->IsEmpty()) return it->second;
        if (it->second == 0) return -1;
    }
    if (r.outside && !imp_.OutsideAllowed(r.path, "immagine")) return -1;
    std::error_code ec;
    TNYXoggetto* pic = fs::is_regular_file(r.path, ec) ? set_.AddPicture(r.path) : nullptr;
    const std::int32_t ref = pic ? pic->Reference() : 0;
    imp_.pictures_[key] = ref;
    return pic ? ref : -1;
}

}  // namespace convert::html
