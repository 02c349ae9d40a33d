// The converter base shared by the HTML, RTF and text exporters: the linked
// hypertext, the output folder and file, the export prefix and progress.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace model {
class TNYXset;
class TNYXoggetto;
}  // namespace model

namespace convert {

// Progress of an export: item `pag` (0-based) of `tot` in phase `phase`
// (0 preparing pages, 1 pages, 2 frame-content pages, 3 pictures and files).
using TMyExpProgressEvent = std::function<void(int pag, int tot, int phase)>;
// Asked between the items of an export: true when the user pressed Stop.
using TMyExpStopQuery = std::function<bool()>;

// "Export in corso, fase " + phase + ": " + percent + "%" (tot 0 counts as 100%).
std::string ProgressText(int pag, int tot, int phase);

// n as exactly six lower-case hexadecimal digits (higher digits dropped).
std::string Hex6(std::uint32_t n);

class TNYXconv {
public:
    explicit TNYXconv(model::TNYXset* set = nullptr) : LinkedNYXset(set) {}
    virtual ~TNYXconv() = default;
    TNYXconv(const TNYXconv&) = delete;
    TNYXconv& operator=(const TNYXconv&) = delete;

    model::TNYXset* LinkedNYXset = nullptr;
    std::filesystem::path ExportPath = "/tmp";
    std::filesystem::path ExportFileName = "/tmp/temp";
    TMyExpProgressEvent OnExpProgress;
    TMyExpStopQuery OnExpStop;
    std::string prefixOverride;  // used instead of the hypertext's prefix when not empty

    // The override when set, else the hypertext's export prefix. Path
    // separators and NUL bytes are replaced by "_" so that no name built from
    // the prefix leaves the output folder.
    std::string ExportPrefix() const;

    // Exports the pages with these numbers; false when anything failed.
    virtual bool ExportPages(const std::vector<std::int32_t>& pages) = 0;

protected:
    void Progress(int pag, int tot, int phase) const {
        if (OnExpProgress) OnExpProgress(pag, tot, phase);
    }
    bool StopAsked() const { return OnExpStop && OnExpStop(); }
};

// Numbers of the pages of a hypertext that are not empty, in slot order.
std::vector<std::int32_t> AllPages(const model::TNYXset& set);

// A name safe to use as one file name inside a folder: the last part after
// "/" or "\", or "" when that is empty, "." or "..".
std::string SafeLeafName(std::string_view name);

// The bytes of a file to import, at most `maxSize` of them. A file that is
// missing, too large or unreadable gives nothing and its reason (UTF-8) in
// `skipped`, the import report's list of files left out.
std::optional<std::string> ReadImportFile(const std::filesystem::path& file, std::uintmax_t maxSize,
                                          std::vector<std::string>& skipped);

}  // namespace convert
