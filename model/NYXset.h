// The hypertext in memory: one table of objects per type, the 1978-byte header,
// the native file it was loaded from, its working folder and the list of errors
// of the last save. Loading reads every record; pictures and embedded files
// stay in the open file until needed. Saving writes a whole new file safely and
// reloads the hypertext from it.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/Bytes.h"
#include "model/NYXoggetto.h"
#include "model/PageOrder.h"
#include "model/Types.h"

namespace model {

class LoadedFile;

// A decoded picture: natural size and pixels (RGBA, row by row), for drawing.
struct TNYXpicture {
    int width = 0;
    int height = 0;
    bool transparent = false;
    std::vector<std::uint32_t> rgba;  // 0xAABBGGRR
};

// What a "quor:" link names.
struct HypertextLink {
    bool isLink = false;
    bool sameFile = false;
    std::filesystem::path file;
    std::int64_t page = 0;  // -2: "|" with nothing after it
};

// A view that shows pages of a hypertext (a frame set). Saving detaches every
// view before the objects are replaced and reattaches it afterwards.
class TNYXview {
public:
    virtual ~TNYXview() = default;
    virtual void DetachFromSet() = 0;  // remember what is shown, then show nothing
    virtual void ReattachToSet() = 0;  // show the remembered page again
    virtual void DropContents() = 0;   // the hypertext is being cleared
};

// The undo list of whoever edits the hypertext, as the model reaches it: a
// model operation that changes an object the author may want back (a
// picture's contents replaced) hands the object over first, and the undo
// list keeps a copy of it under the operation's label.
class TObjectUndoRecorder {
public:
    virtual ~TObjectUndoRecorder() = default;
    virtual void SnapshotObject(const std::string& label, TNYXoggetto& object) = 0;
};

// Header offsets.
namespace hdr {
constexpr int kMagic = 0, kTitle = 4, kInfo = 84, kPageTreeHolder = 1342, kExportPrefix = 1346, kPassword = 1363,
              kCompany = 1380, kCopyright = 1460, kAuthors = 1540, kK = 1620, kVersion = 1621, kReadOnly = 1623,
              kContentsPage = 1624, kCoverPage = 1628, kSaveCounter = 1632, kShowContents = 1636,
              kShowSearch = 1637, kShowHelp = 1638, kHideCover = 1639, kCarried1640 = 1640, kNoButtons = 1641,
              kFixedFont = 1642, kPropFont = 1682, kPixelsPerInch = 1722, kHeaderPage = 1724, kFooterPage = 1728,
              kPrototypeTreeHolder = 1732, kBackColor = 1736, kBackPicture = 1740, kLanguage = 1744,
              kTextColor = 1746, kLinkColor = 1750, kVisitedColor = 1754;
constexpr int kTitleCap = 79, kPrefixCap = 16, kNameCap = 79, kFontCap = 39;
}  // namespace hdr

class TNYXset {
public:
    TNYXset();
    ~TNYXset();
    TNYXset(const TNYXset&) = delete;
    TNYXset& operator=(const TNYXset&) = delete;

    // --- the native file ------------------------------------------------------
    // Clears the hypertext and reads the file. On a refused or damaged file the
    // user is told and the hypertext is a new one.
    bool LoadFromFile(const std::filesystem::path& file);
    // Writes the file and reloads the hypertext from it. The old contents of
    // the target stay whole until the new file is complete.
    bool SaveToFile(const std::filesystem::path& file, int version = 2);
    void NewHypertext();
    void Clear();
    const std::filesystem::path& NYXFileName() const { return fileName_; }
    void SetNYXFileName(const std::filesystem::path& file);  // fires OnBeforeNew, then loads
    const std::vector<std::string>& SaveErrors() const { return saveErrors_; }
    // Sources that could not be read during the last save (their streams were
    // written empty); each reported once.
    const std::vector<std::string>& SaveWarnings() const { return saveWarnings_; }
    // The objects (references) whose content the last save could not read.
    const std::vector<std::int32_t>& SaveLosses() const { return saveLosses_; }
    // Asked when the new file is complete but some content could not be read
    // (SaveWarnings, SaveLosses), before the file replaces the target: false
    // abandons the save, so the target, its ".bak" copy and the hypertext in
    // memory stay as they were and SaveErrors holds kLossySaveRefused.
    std::function<bool()> confirmLossySave;
    static constexpr const char* kLossySaveRefused = "Salvataggio annullato: il file resta com'era.";
    const std::shared_ptr<LoadedFile>& File() const { return file_; }

    // Reads the title of one record of another native file without loading it.
    static std::string ReadForeignRecord(const std::filesystem::path& file, std::int32_t ref);

    // --- working folder -------------------------------------------------------
    const std::filesystem::path& WorkFolder();
    // A free path in the working folder for a file name (only its last part is used).
    std::filesystem::path UniqueWorkFileName(std::string_view name);

    // --- header ---------------------------------------------------------------
    std::uint8_t* Header() { return header_.data(); }
    const std::uint8_t* Header() const { return header_.data(); }
    std::int32_t HInt(int off) const { return bytes::I32(header_.data(), kHeaderSize, off); }
    void SetHInt(int off, std::int32_t v) { bytes::SetI32(header_.data(), kHeaderSize, off, v); }
    std::uint16_t HWord(int off) const { return bytes::U16(header_.data(), kHeaderSize, off); }
    void SetHWord(int off, std::uint16_t v) { bytes::SetU16(header_.data(), kHeaderSize, off, v); }
    std::uint8_t HByte(int off) const { return header_[off]; }
    void SetHByte(int off, std::uint8_t v) { header_[off] = v; }
    std::string HStr(int off, int cap) const { return bytes::Str(header_.data(), kHeaderSize, off, cap); }
    void SetHStr(int off, int cap, std::string_view s) { bytes::SetStr(header_.data(), kHeaderSize, off, cap, s); }
    std::string Title() const { return HStr(hdr::kTitle, hdr::kTitleCap); }
    void SetTitle(std::string_view t) { SetHStr(hdr::kTitle, hdr::kTitleCap, t); }
    std::string Info() const;  // the free text at 84 (NUL-terminated)
    void SetInfo(std::string_view text);
    std::int16_t Version() const { return static_cast<std::int16_t>(HWord(hdr::kVersion)); }
    std::string ExpPrefix() const { return HStr(hdr::kExportPrefix, hdr::kPrefixCap); }
    void SetExpPrefix(std::string_view p) { SetHStr(hdr::kExportPrefix, hdr::kPrefixCap, p); }
    std::int32_t SaveCounter() const { return HInt(hdr::kSaveCounter); }

    // --- object tables ----------------------------------------------------------
    std::size_t Count(int type) const;
    TNYXoggetto* ObjectAt(int type, std::int64_t index) const;
    TNYXoggetto* ObjectByRef(std::int32_t ref) const;
    // Puts obj into the table (see TNYXoggetto::Register); returns the slot or -1.
    std::int32_t RegisterObject(int type, std::int64_t index, std::unique_ptr<TNYXoggetto> obj);
    // Registers an object the table does not own yet, by pointer: the table takes it.
    std::int32_t RegisterObject(int type, std::int64_t index, TNYXoggetto* obj);
    // Leaves a slot without an object; returns what was there (nullptr if none).
    std::unique_ptr<TNYXoggetto> ClearSlot(int type, std::int64_t index);
    // Makes, resets and makes new an object of a type, registered at the first free slot.
    TNYXoggetto* NewObject(int type);
    TNYXoggetto* FindEqual(const TNYXoggetto& obj) const;
    // Called by objects whose file name may have changed; `present` says
    // whether the object is in a table.
    void NoteFileName(TNYXoggetto& o, bool present) const;
    // --- pages added in a run -----------------------------------------------------
    // Importers open a run while they add pages one after another. Outside a
    // run each page added finds the end of the number order by looking at
    // every page (NumberNewPage); inside one the end is remembered from the
    // page before, so adding n pages costs n steps instead of n*n. The end
    // is found afresh when its page is gone, emptied or renumbered, when an
    // object is registered in its slot, when any page slot is cleared, and
    // when the order is stored; a page registered with numbers past the end
    // becomes the end. Runs may nest; the numbers given are the same either way.
    class TPageRun {
    public:
        explicit TPageRun(TNYXset& set);
        ~TPageRun();
        TPageRun(const TPageRun&) = delete;
        TPageRun& operator=(const TPageRun&) = delete;

    private:
        TNYXset& set_;
    };
    // Called by whatever renumbers pages other than by adding them.
    void ForgetOrderEnd() { orderEndKnown_ = false; }

    // An object at index became empty: new objects may take its slot.
    void NoteEmptySlot(int type, std::uint32_t index);
    // A name used by no embedded file or picture.
    std::string UniqueFileName(std::string_view name) const;

    // Global references through the tables, page-local ones (6F000000 + i)
    // through the page's local objects; anything else none.
    TNYXoggetto* ObjectInPage(const TNYXtesto* page, std::int32_t ref) const;
    // First non-empty object of the same type with the same name (lower-cased).
    TNYXoggetto* FindByName(const TNYXoggetto& obj) const;

    // Styles (non-empty ones), names compared without regard to case.
    int StyleIndex(std::string_view name) const;
    bool StyleExists(std::string_view name) const { return StyleIndex(name) >= 0; }
    std::vector<std::string> StyleNames() const;
    TNYXoggetto* StyleByName(std::string_view name) const;
    std::string UniqueStyleName(std::string_view name) const;
    void RenameStyleDuplicates();

    TNYXtesto* PageByAlias(std::string_view alias) const;
    // The alias a page is also published under (from its second stream).
    static std::string PageAlias(const TNYXoggetto& page);

    // Links to other hypertexts: "quor:" or "quor://" + file [+ "|" + page].
    HypertextLink ParseHypertextLink(std::string_view text) const;
    // Exported name of a page of another native file ("" when it cannot be read).
    static std::string ForeignPageFileName(const std::filesystem::path& file, std::int64_t page,
                                           std::string_view suffix);
    // A URL object (not registered) for an address.
    std::unique_ptr<TNYXoggetto> NewURL(std::string_view text);

    // Pictures and files.
    TNYXoggetto* AddPicture(const std::filesystem::path& path);
    TNYXoggetto* NewPicture(const std::filesystem::path& path, bool transparent, int height, int width);
    TNYXoggetto* CopyPicture(const TNYXoggetto& picture);
    TNYXoggetto* NewPlacedPicture(TNYXoggetto* picture);
    TNYXoggetto* AddFile(const std::filesystem::path& path, TNYXoggetto* obj = nullptr);
    // Copies a prototype of another hypertext with its files. Result: 0 failed,
    // 1 an existing one of the same name is used, 2 copied, 3 copied reusing
    // files already here. `copy` (when given) receives the prototype used.
    int CopyPrototype(const TNYXoggetto& prototype, bool replace, TNYXoggetto** copy = nullptr);

    // Markers holding the stored page-order and prototype trees; made on first use.
    TNYXoggetto* PageTreeHolder() { return TreeHolder(hdr::kPageTreeHolder); }
    TNYXoggetto* PrototypeTreeHolder() { return TreeHolder(hdr::kPrototypeTreeHolder); }

    // Picture cache (at most maxCacheImg decoded pictures).
    std::shared_ptr<const TNYXpicture> CachedPicture(const TNYXoggetto& picture) const;
    void CachePicture(const TNYXoggetto& picture, std::shared_ptr<const TNYXpicture> loaded);
    void UncachePicture(const TNYXoggetto& picture);
    void ClearPictureCache() { cache_.clear(); }
    std::size_t CacheSize() const { return cache_.size(); }

    // Version-1 conversion map (old reference -> new reference).
    const std::map<std::int32_t, std::int32_t>& ConversionMap() const { return conversion_; }

    // Default styles at slots 0 and 1 of the style table.
    void CreateDefaultStyles();
    TNYXoggetto* DefaultStyle(int which) const;

    // --- state ----------------------------------------------------------------
    bool Modified() const { return modified_; }
    void SetModified(bool m) { modified_ = m; }
    bool backups = true;            // keep a ".bak" copy when saving
    bool keepPictureNames = true;   // new placed pictures take the picture's name
    std::size_t maxCacheImg = 20;
    int undoDeep = 20;
    TNYXset* wrapperSet = nullptr;  // the hypertext that uses this one's prototypes
    // Where object snapshots go (not owned; none: nothing is recorded).
    TObjectUndoRecorder* undoRecorder = nullptr;

    // Events.
    std::vector<std::function<void()>> onBeforeNew;
    std::vector<std::function<void()>> onAfterNew;
    void AttachView(TNYXview* v);
    void DetachView(TNYXview* v);

    // Tests make a save fail at a named step ("create", "write", "sync",
    // "rename", "backup"): the hook returns true to fail it.
    std::function<bool(const char* step)> saveFaultHook;
    // True while a page text conversion or similar must skip user interaction.
    bool closing = false;

private:
    friend class NativeReader;
    bool LoadChecked(const std::filesystem::path& file);
    void FireBeforeNew();
    void FireAfterNew();
    void SetNewHeader();
    void PrefixFromFileName(const std::filesystem::path& file, std::size_t cut);
    bool Fault(const char* step) const { return saveFaultHook && saveFaultHook(step); }
    TNYXoggetto* TreeHolder(int headerOffset);
    bool WriteNativeFile(int fd, const std::filesystem::path& target, std::array<std::uint8_t, kHeaderSize>& header);

    std::array<std::vector<std::unique_ptr<TNYXoggetto>>, kTypeCount> tables_;
    std::array<std::size_t, kTypeCount> freeHint_{};  // no empty slot below this index
    std::array<std::uint8_t, kHeaderSize> header_{};
    std::shared_ptr<LoadedFile> file_;
    std::filesystem::path fileName_;
    std::filesystem::path workFolder_;
    std::map<std::int32_t, std::int32_t> conversion_;
    std::vector<std::string> saveErrors_;
    std::vector<std::string> saveWarnings_;
    std::vector<std::int32_t> saveLosses_;
    std::vector<TNYXview*> views_;
    std::vector<std::pair<const TNYXoggetto*, std::shared_ptr<const TNYXpicture>>> cache_;
    bool modified_ = false;
    // Lower-cased file names of pictures and embedded files -> how many use each,
    // built on first use and kept up to date by the objects.
    mutable bool nameIndexBuilt_ = false;
    mutable std::uint64_t nameIndexGeneration_ = 0;
    mutable std::unordered_map<std::string, int> nameIndex_;
    void InvalidateNameIndex() const { nameIndexBuilt_ = false; }
    // A page added without numbers of its own joins the end of the number order.
    void NumberAddedPage(TNYXoggetto& page);
    int pageRuns_ = 0;
    bool orderEndKnown_ = false;  // orderEnd_ holds; only inside a run
    TOrderEnd orderEnd_;
};

}  // namespace model
