// The INI files of the CD-ROM builder: the ".wzz" settings file and the
// installer's list file "install.lst". Sections in square brackets, one
// "key=value" per line, lines ended by CR LF, every byte Windows-1252, keys
// in the order they were first written. A generic settings library would
// reorder, quote or escape them; the installer reads these files with the
// plain Windows profile functions, so they are written byte for byte here.
//
// Reading follows the Windows profile rules: section and key names compare
// without regard to case, blanks around names and values are dropped, lines
// beginning with ";" and lines without "=" outside a section are ignored.
//
// Writing refuses what would change the file's structure when read back: a
// value holding a line break, NUL or "[", a key that is empty or holds "=",
// "[", ";" or a line break, a section name holding "]" or a line break.
// A refused write changes nothing and is kept in Rejected().
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace cdrom {

class TIniFile {
public:
    struct TSection {
        std::string name;
        std::vector<std::pair<std::string, std::string>> keys;  // in file order
        std::unordered_map<std::string, std::size_t> index;      // lower-cased key -> position
    };

    // The largest file Parse and LoadFromFile accept (a settings file lists
    // file names; this is far beyond any real one).
    static constexpr std::size_t kMaxFileBytes = 64u << 20;

    // --- writing ---------------------------------------------------------------
    // Replaces the key's value where it stands, else appends the key to its
    // section, which is appended to the file when new. False (and nothing
    // written) when the name or the value is refused.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInteger(std::string_view section, std::string_view key, std::int64_t value);
    bool WriteBool(std::string_view section, std::string_view key, bool value);  // "1" / "0"
    // A section with no keys yet (it is written as its heading alone).
    bool AddSection(std::string_view section);
    void EraseSection(std::string_view section);
    void Clear();
    // Records a value its writer could not put into the file (a character
    // outside Windows-1252, say), so that the file is not saved without it.
    void Reject(std::string why) { rejected_.push_back(std::move(why)); }
    // "section/key: reason" for every refused write since the last Clear().
    const std::vector<std::string>& Rejected() const { return rejected_; }

    // --- reading ---------------------------------------------------------------
    std::optional<std::string> Read(std::string_view section, std::string_view key) const;
    std::string ReadString(std::string_view section, std::string_view key, std::string_view def = {}) const;
    // A whole decimal number, else `def`.
    std::int64_t ReadInteger(std::string_view section, std::string_view key, std::int64_t def) const;
    // "0" is false, any other number true; anything else `def`.
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;
    bool HasSection(std::string_view section) const;
    std::size_t KeyCount(std::string_view section) const;
    const std::vector<TSection>& Sections() const { return sections_; }

    // --- bytes and files -------------------------------------------------------
    std::string Serialize() const;
    // Reads the text of an INI file. Input above kMaxFileBytes is ignored
    // past that size.
    static TIniFile Parse(std::string_view bytes);
    // False when the file cannot be read or is larger than kMaxFileBytes.
    static std::optional<TIniFile> LoadFromFile(const std::filesystem::path& file, std::string* error = nullptr);
    // Writes a temporary file beside `file`, syncs it and renames it over
    // `file`; on failure `file` is left as it was. Refuses to write while
    // Rejected() is not empty.
    bool SaveToFile(const std::filesystem::path& file, std::string* error = nullptr) const;

    // Why a value, key or section name would be refused; "" when accepted.
    static std::string ValueProblem(std::string_view value);
    static std::string KeyProblem(std::string_view key);
    static std::string SectionProblem(std::string_view section);

private:
    TSection* Find(std::string_view section);
    const TSection* Find(std::string_view section) const;
    TSection& Ensure(std::string_view section);
    static void Put(TSection& s, std::string_view key, std::string_view value);

    std::vector<TSection> sections_;
    std::vector<std::string> rejected_;
};

// Writes `bytes` to `file` through a temporary file in the same folder,
// synced and renamed into place. Shared by the list file and the settings.
bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes, std::string* error);

}  // namespace cdrom
