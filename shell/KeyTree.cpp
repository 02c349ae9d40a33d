#include "shell/KeyTree.h"

#include <algorithm>

#include "platform/text.h"

namespace shell {

namespace text = platform::text;

namespace {
// Windows-1252 lower case of every byte: look-ups run on every option read.
struct LowerTable {
    unsigned char map[256];
    LowerTable() {
        for (int i = 0; i < 256; ++i) map[i] = static_cast<unsigned char>(text::LowerChar(static_cast<char>(i)));
    }
};
const LowerTable& Lower() {
    static const LowerTable table;
    return table;
}
}  // namespace

std::size_t NoCaseHash::operator()(std::string_view s) const noexcept {
    // FNV-1a over the lower-cased bytes.
    const unsigned char* lower = Lower().map;
    std::size_t h = 1469598103934665603ull;
    for (char c : s) {
        h ^= lower[static_cast<unsigned char>(c)];
        h *= 1099511628211ull;
    }
    return h;
}

bool NoCaseEqual::operator()(std::string_view a, std::string_view b) const noexcept {
    if (a.size() != b.size()) return false;
    const unsigned char* lower = Lower().map;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower[static_cast<unsigned char>(a[i])] != lower[static_cast<unsigned char>(b[i])]) return false;
    return true;
}

// ---------------------------------------------------------------------------
// The tree

std::string TKeyTree::NormalizePath(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        if (c == '\\') {
            if (!out.empty() && out.back() != '\\') out += c;
        } else {
            out += c;
        }
    }
    if (!out.empty() && out.back() == '\\') out.pop_back();
    return out;
}

TKeyTree::Key* TKeyTree::FindKey(std::string_view normalised) {
    auto it = keys_.find(normalised);
    return it == keys_.end() ? nullptr : &it->second;
}

const TKeyTree::Key* TKeyTree::FindKey(std::string_view normalised) const {
    auto it = keys_.find(normalised);
    return it == keys_.end() ? nullptr : &it->second;
}

TKeyTree::Key& TKeyTree::MakeKey(std::string_view normalised) {
    auto it = keys_.find(normalised);
    if (it != keys_.end()) return it->second;
    std::string path(normalised);
    Key& k = keys_[path];
    k.path = std::move(path);
    return k;
}

namespace {
// True when `key` lies below `parent` (both normalised).
bool IsBelow(std::string_view key, std::string_view parent) {
    if (parent.empty()) return true;
    return key.size() > parent.size() && key[parent.size()] == '\\' &&
           text::EqualsNoCase(key.substr(0, parent.size()), parent);
}
}  // namespace

bool TKeyTree::HasKey(std::string_view path) const {
    const std::string n = NormalizePath(path);
    if (FindKey(n)) return true;
    for (const auto& [name, key] : keys_)
        if (IsBelow(key.path, n)) return true;
    return false;
}

namespace {
bool IsNormal(std::string_view p) {
    if (p.empty()) return true;
    if (p.front() == '\\' || p.back() == '\\') return false;
    return p.find("\\\\") == std::string_view::npos;
}
}  // namespace

const std::string* TKeyTree::Find(std::string_view path, std::string_view name) const {
    // Most look-ups name an already normal path: spare the copy.
    const Key* k = IsNormal(path) ? FindKey(path) : FindKey(NormalizePath(path));
    if (!k) return nullptr;
    auto it = k->index.find(name);
    return it == k->index.end() ? nullptr : &k->values[it->second].second;
}

TNameValueList TKeyTree::Values(std::string_view path) const {
    const Key* k = FindKey(NormalizePath(path));
    return k ? k->values : TNameValueList{};
}

std::vector<std::string> TKeyTree::KeyPaths() const {
    std::vector<std::string> out;
    out.reserve(keys_.size());
    for (const auto& [name, key] : keys_) out.push_back(key.path);
    std::sort(out.begin(), out.end(), [](const std::string& a, const std::string& b) {
        const std::string la = text::Lower(a), lb = text::Lower(b);
        return la != lb ? la < lb : a < b;
    });
    return out;
}

void TKeyTree::CreateKey(std::string_view path) { MakeKey(NormalizePath(path)); }

void TKeyTree::Set(std::string_view path, std::string_view name, std::string_view data) {
    Key& k = MakeKey(NormalizePath(path));
    auto it = k.index.find(name);
    if (it != k.index.end()) {
        k.values[it->second].second.assign(data);
        return;
    }
    k.values.emplace_back(std::string(name), std::string(data));
    k.index.emplace(std::string(name), k.values.size() - 1);
}

bool TKeyTree::EraseValue(std::string_view path, std::string_view name) {
    Key* k = FindKey(NormalizePath(path));
    if (!k) return false;
    auto it = k->index.find(name);
    if (it == k->index.end()) return false;
    k->values.erase(k->values.begin() + static_cast<std::ptrdiff_t>(it->second));
    k->index.clear();
    for (std::size_t i = 0; i < k->values.size(); ++i) k->index.emplace(k->values[i].first, i);
    return true;
}

std::size_t TKeyTree::EraseTree(std::string_view path) {
    const std::string n = NormalizePath(path);
    std::size_t gone = 0;
    for (auto it = keys_.begin(); it != keys_.end();) {
        if (text::EqualsNoCase(it->second.path, n) || IsBelow(it->second.path, n)) {
            it = keys_.erase(it);
            ++gone;
        } else {
            ++it;
        }
    }
    return gone;
}

bool TKeyTree::operator==(const TKeyTree& other) const {
    if (keys_.size() != other.keys_.size()) return false;
    for (const auto& [name, key] : keys_) {
        const Key* o = other.FindKey(name);
        if (!o || o->path != key.path || o->values != key.values) return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// The text form

namespace {

bool IsUndefined1252(unsigned char c) { return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D; }
bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F || IsUndefined1252(c); }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

enum class Role { Name, Value, Path };

bool NeedsQuotes(std::string_view s, Role role) {
    if (s.empty()) return role == Role::Name;  // an empty name would read as no name
    if (IsBlank(s.front()) || IsBlank(s.back()) || s.front() == '"') return true;
    for (char c : s)
        if (IsControl(static_cast<unsigned char>(c))) return true;
    if (role == Role::Name) {
        if (s.front() == '[' || s.front() == ';' || s.front() == '#') return true;
        if (s.find('=') != std::string_view::npos) return true;
    }
    if (role == Role::Path && s.find(']') != std::string_view::npos) return true;
    return false;
}

void AppendToken(std::string& out, std::string_view s, Role role) {
    if (!NeedsQuotes(s, role)) {
        out += s;
        return;
    }
    static const char* hex = "0123456789ABCDEF";
    out += '"';
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        switch (ch) {
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            default:
                if (IsControl(c)) {
                    out += "\\x";
                    out += hex[c >> 4];
                    out += hex[c & 15];
                } else {
                    out += ch;
                }
        }
    }
    out += '"';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a quoted token starting at s[pos] == '"'; moves pos past the closing
// quote. False when the token is not closed or holds a bad escape.
bool ReadQuoted(std::string_view s, std::size_t& pos, std::string& out) {
    ++pos;
    while (pos < s.size()) {
        char c = s[pos++];
        if (c == '"') return true;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (pos >= s.size()) return false;
        char e = s[pos++];
        switch (e) {
            case '\\': out += '\\'; break;
            case '"': out += '"'; break;
            case 'r': out += '\r'; break;
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'x': {
                if (pos + 2 > s.size()) return false;
                int hi = HexDigit(s[pos]), lo = HexDigit(s[pos + 1]);
                if (hi < 0 || lo < 0) return false;
                out += static_cast<char>(hi * 16 + lo);
                pos += 2;
                break;
            }
            default: return false;
        }
    }
    return false;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// A token that is either quoted (and then nothing but blanks may follow up
// to `end`) or plain (trimmed).
bool ReadToken(std::string_view s, std::string& out) {
    s = Trim(s);
    out.clear();
    if (s.empty() || s.front() != '"') {
        out.assign(s);
        return true;
    }
    std::size_t pos = 0;
    if (!ReadQuoted(s, pos, out)) return false;
    return Trim(s.substr(pos)).empty();
}

}  // namespace

TKeyFileParse ParseKeyFile(std::string_view utf8) {
    TKeyFileParse result;
    if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);
    std::string section;
    bool haveSection = false;
    std::string name, value;
    std::size_t start = 0;
    while (start <= utf8.size()) {
        std::size_t end = utf8.find('\n', start);
        if (end == std::string_view::npos) end = utf8.size();
        std::string_view raw = utf8.substr(start, end - start);
        start = end + 1;
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        std::size_t unmapped = 0;
        const std::string line = text::Utf8ToCp1252(raw, &unmapped);
        const std::string_view t = Trim(line);
        if (t.empty() || t.front() == ';' || t.front() == '#') continue;
        if (unmapped > 0 || line.find('\0') != std::string::npos) {
            ++result.badLines;
            continue;
        }
        if (t.front() == '[') {
            if (t.back() != ']' || !ReadToken(t.substr(1, t.size() - 2), section)) {
                ++result.badLines;
                haveSection = false;  // its values must not land in the previous key
                continue;
            }
            section = TKeyTree::NormalizePath(section);
            result.tree.CreateKey(section);
            haveSection = true;
            continue;
        }
        if (!haveSection) {
            ++result.badLines;
            continue;
        }
        // The name ends at the first "=" outside quotes.
        std::size_t eq;
        std::string_view nt = t;
        if (nt.front() == '"') {
            std::size_t pos = 0;
            name.clear();
            if (!ReadQuoted(nt, pos, name)) {
                ++result.badLines;
                continue;
            }
            eq = nt.find('=', pos);
            if (eq == std::string_view::npos || !Trim(nt.substr(pos, eq - pos)).empty()) {
                ++result.badLines;
                continue;
            }
        } else {
            eq = nt.find('=');
            if (eq == std::string_view::npos) {
                ++result.badLines;
                continue;
            }
            name.assign(Trim(nt.substr(0, eq)));
            if (name.empty()) {
                ++result.badLines;
                continue;
            }
        }
        if (!ReadToken(nt.substr(eq + 1), value)) {
            ++result.badLines;
            continue;
        }
        result.tree.Set(section, name, value);
    }
    return result;
}

std::string SerializeKeyFile(const TKeyTree& tree) {
    std::string out = "; Opzioni di Quor. File di testo UTF-8: una sezione per chiave, nome=valore.\n";
    for (const std::string& path : tree.KeyPaths()) {
        out += "\n[";
        AppendToken(out, "\\" + path, Role::Path);
        out += "]\n";
        for (const auto& [name, value] : tree.Values(path)) {
            AppendToken(out, name, Role::Name);
            out += '=';
            AppendToken(out, value, Role::Value);
            out += '\n';
        }
    }
    return text::Cp1252ToUtf8(out);
}

}  // namespace shell
