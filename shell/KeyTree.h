// A small hierarchical key/value tree with the rules of a per-user settings
// registry, and its text form on disk.
//
// Keys are paths of names separated by "\" ("\SOFTWARE\ZR\Quor3.0pro\options\").
// Key paths and value names compare without regard to case (Windows-1252 case
// mapping); the spelling first written is kept. Leading, trailing and doubled
// separators do not matter: "\A\B\" and "a\b" are the same key. Every value is
// a string; a key remembers its values in the order they were created.
//
// Everything in memory is Windows-1252 bytes. The file on disk is UTF-8 text:
//
//     ; comment
//     [\SOFTWARE\ZR\Quor3.0pro\options]
//     TipOfTheDay=1
//     LastFile=c:\documenti\prova.nyx
//     finds="prima\r\nseconda"
//
// Names and values are taken verbatim (trimmed of blanks around them), so
// Windows paths stay readable. A name, value or key path that holds control
// characters, blanks at either end, a leading quote, or (names) "=" or a
// leading "[", ";" or "#" is written between double quotes with the escapes
// \\ \" \r \n \t and \xHH (HH: a Windows-1252 byte).
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace shell {

// Hash and equality of Windows-1252 strings without regard to case; usable
// for heterogeneous lookups with std::string_view.
struct NoCaseHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept;
};
struct NoCaseEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept;
};

using TNameValue = std::pair<std::string, std::string>;
using TNameValueList = std::vector<TNameValue>;

class TKeyTree {
public:
    // "\A\\B\" -> "A\B": no separator at either end, none doubled.
    static std::string NormalizePath(std::string_view path);

    // Paths below are normalised by the tree itself.
    bool HasKey(std::string_view path) const;  // the key or any key below it
    const std::string* Find(std::string_view path, std::string_view name) const;
    TNameValueList Values(std::string_view path) const;
    // Every key holding values or created empty, sorted without regard to case.
    std::vector<std::string> KeyPaths() const;

    void CreateKey(std::string_view path);
    void Set(std::string_view path, std::string_view name, std::string_view data);
    bool EraseValue(std::string_view path, std::string_view name);
    // Removes the key and every key below it; returns how many keys went.
    std::size_t EraseTree(std::string_view path);

    bool Empty() const { return keys_.empty(); }
    bool operator==(const TKeyTree& other) const;

private:
    struct Key {
        std::string path;  // normalised, as first spelt
        std::vector<TNameValue> values;
        std::unordered_map<std::string, std::size_t, NoCaseHash, NoCaseEqual> index;
    };
    Key* FindKey(std::string_view normalised);
    const Key* FindKey(std::string_view normalised) const;
    Key& MakeKey(std::string_view normalised);

    std::unordered_map<std::string, Key, NoCaseHash, NoCaseEqual> keys_;
};

// The result of reading the text form: the tree and how many lines could not
// be understood (they are skipped).
struct TKeyFileParse {
    TKeyTree tree;
    std::size_t badLines = 0;
};

// `utf8` is the whole file. Never fails: what cannot be read is counted.
TKeyFileParse ParseKeyFile(std::string_view utf8);
// The UTF-8 text form of a tree, keys sorted, one "name=value" per line.
std::string SerializeKeyFile(const TKeyTree& tree);

}  // namespace shell
