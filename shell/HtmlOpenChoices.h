// The window shown when an HTML file is opened, without the window: what it
// says (the page marker names the hypertext the page was exported from, and
// whether that file is there), the choices it offers, and what choosing one
// means. TMainDocument::OpenHtml carries the choice out.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace shell {

enum class THtmlOpenAction {
    EditNative,   // edit the page in its native hypertext
    OpenCopy,     // open a copy of that hypertext (untitled)
    NewWithPage,  // a new hypertext whose first page is this one
    InsertPage,   // the page into the hypertext being edited
    ImportIndex,  // a new hypertext of the pages this one leads to (it is their index)
};

class THtmlOpenChoices {
public:
    // Reads the file's page marker and looks for the hypertext it names:
    // as written, then by its name beside the HTML file (in any case).
    explicit THtmlOpenChoices(std::filesystem::path file);

    const std::filesystem::path& File() const { return file_; }
    // The page names a native hypertext ...
    bool Marked() const { return !nativeName_.empty(); }
    // ... and it was found.
    bool Found() const { return !native_.empty(); }
    const std::string& NativeName() const { return nativeName_; }  // UTF-8, as the marker says
    const std::filesystem::path& NativeFile() const { return native_; }
    std::int32_t Page() const { return page_; }

    // The window's text and its choices (UTF-8), the first one proposed.
    std::string Message() const;
    std::vector<std::string> Texts() const;
    std::vector<THtmlOpenAction> Actions() const;

    // "Cerca...": the hypertext the user found (ignored when it is not a file).
    void SetNativeFile(const std::filesystem::path& file);
    // OK on the choice `index`: what to do, or nullopt when the window stays
    // open (a native choice while the hypertext is missing, answered No:
    // the user goes on with "Cerca...").
    std::optional<THtmlOpenAction> Confirm(std::size_t index) const;

    // The levels of links followed for ImportIndex.
    static constexpr int kIndexLevels = 20;

private:
    std::filesystem::path file_;
    std::string nativeName_;
    std::filesystem::path native_;
    std::int32_t page_ = 0;
};

}  // namespace shell
