#include "cdrom/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/text.h"

namespace fs = std::filesystem;
namespace text = platform::text;

namespace cdrom {

namespace {

std::string LowerKey(std::string_view s) { return text::Lower(s); }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos; }

}  // namespace

std::string TIniFile::ValueProblem(std::string_view value) {
    if (HasLineBreak(value)) return "contiene un a capo";
    if (value.find('[') != std::string_view::npos) return "contiene \"[\"";
    return {};
}

std::string TIniFile::KeyProblem(std::string_view key) {
    if (key.empty()) return "nome vuoto";
    if (HasLineBreak(key)) return "contiene un a capo";
    if (key.find_first_of("=[") != std::string_view::npos) return "contiene \"=\" o \"[\"";
    if (key.front() == ';') return "comincia con \";\"";
    if (Trim(key).size() != key.size()) return "comincia o finisce con uno spazio";
    return {};
}

std::string TIniFile::SectionProblem(std::string_view section) {
    if (section.empty()) return "nome vuoto";
    if (HasLineBreak(section)) return "contiene un a capo";
    if (section.find(']') != std::string_view::npos) return "contiene \"]\"";
    if (Trim(section).size() != section.size()) return "comincia o finisce con uno spazio";
    return {};
}

TIniFile::TSection* TIniFile::Find(std::string_view section) {
    for (TSection& s : sections_)
        if (text::EqualsNoCase(s.name, section)) return &s;
    return nullptr;
}

const TIniFile::TSection* TIniFile::Find(std::string_view section) const {
    for (const TSection& s : sections_)
        if (text::EqualsNoCase(s.name, section)) return &s;
    return nullptr;
}

TIniFile::TSection& TIniFile::Ensure(std::string_view section) {
    if (TSection* s = Find(section)) return *s;
    sections_.push_back(TSection{std::string(section), {}, {}});
    return sections_.back();
}

void TIniFile::Put(TSection& s, std::string_view key, std::string_view value) {
    auto [it, added] = s.index.try_emplace(LowerKey(key), s.keys.size());
    if (added) s.keys.emplace_back(std::string(key), std::string(value));
    else s.keys[it->second].second.assign(value);
}

bool TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    std::string why = SectionProblem(section);
    if (why.empty()) why = KeyProblem(key);
    if (why.empty()) why = ValueProblem(value);
    if (!why.empty()) {
        rejected_.push_back(std::string(section) + "/" + std::string(key) + ": " + why);
        return false;
    }
    Put(Ensure(section), key, value);
    return true;
}

bool TIniFile::WriteInteger(std::string_view section, std::string_view key, std::int64_t value) {
    return WriteString(section, key, std::to_string(value));
}

bool TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    return WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::AddSection(std::string_view section) {
    if (std::string why = SectionProblem(section); !why.empty()) {
        std::string line = "[";
        line += section;
        line += "]: ";
        line += why;
        rejected_.push_back(std::move(line));
        return false;
    }
    Ensure(section);
    return true;
}

void TIniFile::EraseSection(std::string_view section) {
    for (auto it = sections_.begin(); it != sections_.end(); ++it)
        if (text::EqualsNoCase(it->name, section)) {
            sections_.erase(it);
            return;
        }
}

void TIniFile::Clear() {
    sections_.clear();
    rejected_.clear();
}

std::optional<std::string> TIniFile::Read(std::string_view section, std::string_view key) const {
    const TSection* s = Find(section);
    if (!s) return std::nullopt;
    auto it = s->index.find(LowerKey(key));
    if (it == s->index.end()) return std::nullopt;
    return s->keys[it->second].second;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
    if (auto v = Read(section, key)) return *v;
    return std::string(def);
}

std::int64_t TIniFile::ReadInteger(std::string_view section, std::string_view key, std::int64_t def) const {
    const auto v = Read(section, key);
    if (!v || v->empty()) return def;
    std::int64_t n = 0;
    const char* end = v->data() + v->size();
    auto [p, ec] = std::from_chars(v->data(), end, n);
    if (ec != std::errc() || p != end) return def;
    return n;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
    const auto v = Read(section, key);
    if (!v || v->empty()) return def;
    std::int64_t n = 0;
    const char* end = v->data() + v->size();
    auto [p, ec] = std::from_chars(v->data(), end, n);
    if (ec != std::errc() || p != end) return def;
    return n != 0;
}

bool TIniFile::HasSection(std::string_view section) const { return Find(section) != nullptr; }

std::size_t TIniFile::KeyCount(std::string_view section) const {
    const TSection* s = Find(section);
    return s ? s->keys.size() : 0;
}

std::string TIniFile::Serialize() const {
    std::size_t size = 0;
    for (const TSection& s : sections_) {
        size += s.name.size() + 4;
        for (const auto& [k, v] : s.keys) size += k.size() + v.size() + 3;
    }
    std::string out;
    out.reserve(size);
    for (const TSection& s : sections_) {
        out += '[';
        out += s.name;
        out += "]\r\n";
        for (const auto& [k, v] : s.keys) {
            out += k;
            out += '=';
            out += v;
            out += "\r\n";
        }
    }
    return out;
}

TIniFile TIniFile::Parse(std::string_view bytes) {
    if (bytes.size() > kMaxFileBytes) bytes = bytes.substr(0, kMaxFileBytes);
    TIniFile ini;
    TSection* current = nullptr;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = bytes.size();
        const std::string_view line = Trim(bytes.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            const std::string_view name = Trim(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
            current = &ini.Ensure(name);
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!current || eq == std::string_view::npos) continue;
        const std::string_view key = Trim(line.substr(0, eq));
        if (key.empty()) continue;
        Put(*current, key, Trim(line.substr(eq + 1)));
    }
    return ini;
}

std::optional<TIniFile> TIniFile::LoadFromFile(const fs::path& file, std::string* error) {
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    if (ec || !fs::is_regular_file(file, ec)) {
        if (error) *error = "impossibile leggere " + file.string();
        return std::nullopt;
    }
    if (size > kMaxFileBytes) {
        if (error) *error = "file troppo grande: " + file.string();
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        if (error) *error = "impossibile leggere " + file.string();
        return std::nullopt;
    }
    std::string bytes;
    bytes.resize(static_cast<std::size_t>(size));
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return Parse(bytes);
}

bool TIniFile::SaveToFile(const fs::path& file, std::string* error) const {
    if (!rejected_.empty()) {
        if (error) *error = "valori non ammessi: " + rejected_.front();
        return false;
    }
    return WriteFileAtomically(file, Serialize(), error);
}

bool WriteFileAtomically(const fs::path& file, std::string_view bytes, std::string* error) {
    auto fail = [&](const std::string& what) {
        if (error) *error = what + ": " + std::strerror(errno);
        return false;
    };
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    std::string name = ".";
    name += file.filename().string();
    name += ".XXXXXX";
    std::string tmpl = (folder / name).string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return fail("impossibile creare un file in " + folder.string());
    const fs::path tmp(tmpl);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int saved = errno;
            ::close(fd);
            ::unlink(tmp.c_str());
            errno = saved;
            return fail("impossibile scrivere " + file.string());
        }
        done += static_cast<std::size_t>(n);
    }
    // mkstemp makes the file private; these files are meant to be read by others.
    ::fchmod(fd, 0644);
    const bool synced = ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!synced || !closed) {
        const int saved = errno;
        ::unlink(tmp.c_str());
        errno = saved;
        return fail("impossibile scrivere " + file.string());
    }
    if (::rename(tmp.c_str(), file.c_str()) != 0) {
        const int saved = errno;
        ::unlink(tmp.c_str());
        errno = saved;
        return fail("impossibile sostituire " + file.string());
    }
    return true;
}

}  // namespace cdrom
