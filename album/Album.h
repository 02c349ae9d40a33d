// The album: the pictures, embedded files, prototypes, pages, external
// addresses and placed pictures of a hypertext, one type per tab, with what
// the author does to them there: adding, renaming, replacing, deleting after
// the report of where each object is used (and taking a deletion back until
// the hypertext is saved). The window (album/ui) is a thin shell over it and
// `nyx album` / `nyx rm` use it headless.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/References.h"

namespace model {
class TNYXset;
class TNYXoggetto;
}  // namespace model

namespace album {

enum class TTab { kPictures, kFiles, kPrototypes, kPages, kUrls, kPlaced };
constexpr int kTabCount = 6;
constexpr TTab kTabs[kTabCount] = {TTab::kPictures, TTab::kFiles, TTab::kPrototypes,
                                   TTab::kPages,    TTab::kUrls,  TTab::kPlaced};

int TabType(TTab tab);              // the object type listed
const char* TabCaption(TTab tab);   // "Immagini", "Files", ...
const char* TabKeyword(TTab tab);   // "pictures", "files", ... (nyx album --type)
std::optional<TTab> TabFromKeyword(std::string_view word);
struct TTabCommands {
    bool add = false, replace = false, edit = false;
};
TTabCommands CommandsOf(TTab tab);

// The address a URL added from the album starts with.
inline constexpr const char* kNewUrlAddress = "http://";

struct TAlbumRow {
    std::int32_t ref = -1;
    std::string name;  // Windows-1252
};
// The non-empty objects of the tab's type, in slot order.
std::vector<TAlbumRow> AlbumRows(const model::TNYXset& set, TTab tab);
// What the list shows of an object: its name, else its description.
std::string RowName(const model::TNYXoggetto& o);

// Renaming in place: a page's title, a URL's address, any other object's
// name. Names with line breaks or control characters are refused (false,
// with a message); an unchanged name changes nothing.
bool Rename(model::TNYXset& set, std::int32_t ref, std::string_view name);

// The non-empty objects (other than itself) that refer to an object.
std::vector<std::int32_t> UsersOf(const model::TNYXset& set, std::int32_t ref);

// "&Aggiungi..." of the URL tab: a new registered URL; nullptr when refused.
model::TNYXoggetto* AddUrl(model::TNYXset& set, std::string_view address = kNewUrlAddress);

// "&Sostituisci con..." checks: the message for what is selected, "" when
// the one object selected may be replaced.
std::string ReplaceProblem(const model::TNYXset& set, const std::vector<std::int32_t>& selected);
// Asks "Risulta usato..." when other objects use it; true when it may go on.
bool ConfirmReplaceInUse(const model::TNYXset& set, std::int32_t ref);
// A file object's contents replaced by a file from disk (same object, so
// every reference still points at it). False (object unchanged) on failure.
bool ReplaceFile(model::TNYXset& set, std::int32_t ref, const std::filesystem::path& source);
// A picture's contents replaced by another picture's (undoable through the
// hypertext's undo recorder). False when either is not a picture.
bool ReplacePicture(model::TNYXset& set, std::int32_t ref, model::TNYXoggetto& with);
// A picture file loaded into a picture object of its own (not registered,
// owned by the caller) unless the hypertext holds an equal one already
// (returned, not owned). nullptr when the file is no picture we read.
struct TLoadedPicture {
    std::unique_ptr<model::TNYXoggetto> owned;
    model::TNYXoggetto* picture = nullptr;
};
TLoadedPicture LoadPicture(model::TNYXset& set, const std::filesystem::path& file);

// Deleted objects kept until the hypertext is saved, replaced or cleared.
class TAlbumTrash {
public:
    explicit TAlbumTrash(model::TNYXset& set);
    ~TAlbumTrash();
    TAlbumTrash(const TAlbumTrash&) = delete;
    TAlbumTrash& operator=(const TAlbumTrash&) = delete;
    // Deletes (resets) an object and what it owns, keeping copies.
    bool Delete(std::int32_t ref);
    bool CanUndo() const;
    // Takes the newest deletion back; the reference that came back, -1 when
    // nothing could (a slot taken meanwhile: said, nothing changed).
    std::int32_t Undo();
    std::size_t Size() const;

private:
    struct TState;
    model::TNYXset& set_;
    std::shared_ptr<TState> state_;
};

// One deletion from the album: the report of where each object is used,
// worked in slices, then the confirmation. Objects still in use are not
// deleted: a page, URL or picture that something refers to would leave
// links pointing at nothing.
class TAlbumDeletion {
public:
    TAlbumDeletion(model::TNYXset& set, std::vector<std::int32_t> objects);
    shell::TDeletionReportJob& Report() { return report_; }
    const std::vector<std::int32_t>& Objects() const { return objects_; }
    // After the report: the objects (indexes) something uses.
    std::vector<std::size_t> InUse();
    // Deletes the objects nothing uses into the trash; the report marks them
    // "[X] Cancellato". Returns how many were deleted; `refused` receives the
    // indexes kept because they are used.
    std::size_t Confirm(TAlbumTrash& trash, std::vector<std::size_t>* refused = nullptr);
    // The report's lines, each deleted object's heading marked "[X] Cancellato".
    std::vector<std::string> Lines() const;
    const std::vector<std::size_t>& Deleted() const { return deleted_; }

private:
    model::TNYXset& set_;
    std::vector<std::int32_t> objects_;
    shell::TDeletionReportJob report_;
    std::vector<std::size_t> deleted_;
};

// The message shown when objects could not be deleted because they are used.
inline constexpr const char* kStillUsed = "Non cancellato perch\xE9 ancora in uso:";

}  // namespace album
