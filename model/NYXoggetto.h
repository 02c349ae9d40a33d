// One object of a hypertext: a page, a URL, a file, a picture, a table, a link,
// a marker, a style, a form element... Every object has a type, a slot in its
// type's table, a 668-byte data block kept as raw bytes (written back verbatim)
// and up to two attached streams. Objects refer to each other by reference
// (type and slot), never by pointer, so that references survive saves.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/Bytes.h"
#include "model/Types.h"

namespace model {

class TNYXset;
class LoadedFile;

class TNYXoggetto {
public:
    TNYXoggetto();
    virtual ~TNYXoggetto();
    // Objects come from a pool: a hypertext holds tens of thousands of them and
    // every save frees and reloads them all.
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size) noexcept;
    TNYXoggetto(const TNYXoggetto&) = delete;
    TNYXoggetto& operator=(const TNYXoggetto&) = delete;

    // --- identity ---------------------------------------------------------
    int Type() const { return type_; }
    // Gives the object a type. A registered object with a type first leaves
    // its old slot (the slot is left without an object).
    void SetType(int t);
    std::uint32_t Index() const { return index_; }
    void SetIndex(std::uint32_t i) { index_ = i & kMaxIndex; }
    std::int32_t Reference() const { return MakeRef(type_, index_); }
    bool Registered() const { return registered_; }
    void SetRegistered(bool r) { registered_ = r; }
    TNYXset* Set() const { return set_; }
    void SetSet(TNYXset* s) { set_ = s; }
    std::int32_t LocalReference() const { return localRef_; }
    void SetLocalReference(std::int32_t r) { localRef_ = r; }

    // --- data block ---------------------------------------------------------
    std::uint8_t* Data() { return data_.data(); }
    const std::uint8_t* Data() const { return data_.data(); }
    std::uint8_t Byte(std::size_t off) const { return bytes::U8(data_.data(), kDataSize, off); }
    void SetByte(std::size_t off, std::uint8_t v) { bytes::SetU8(data_.data(), kDataSize, off, v); }
    std::int32_t Int(std::size_t off) const { return bytes::I32(data_.data(), kDataSize, off); }
    void SetInt(std::size_t off, std::int32_t v) { bytes::SetI32(data_.data(), kDataSize, off, v); }
    std::uint16_t Word(std::size_t off) const { return bytes::U16(data_.data(), kDataSize, off); }
    std::int16_t SWord(std::size_t off) const { return static_cast<std::int16_t>(Word(off)); }
    void SetWord(std::size_t off, std::uint16_t v) { bytes::SetU16(data_.data(), kDataSize, off, v); }
    std::string Str(std::size_t off, std::size_t cap) const { return bytes::Str(data_.data(), kDataSize, off, cap); }
    void SetStr(std::size_t off, std::size_t cap, std::string_view s) {
        bytes::SetStr(data_.data(), kDataSize, off, cap, s);
        if (registered_) FileNameMayHaveChanged();
    }
    std::uint8_t Subtype() const { return data_[4]; }
    void SetSubtype(std::uint8_t s) { data_[4] = s; }

    // --- states -------------------------------------------------------------
    bool IsEmpty() const;
    // Clears the object to the empty state of its type. Objects this one owns
    // (the links of a marker, a button, a placed picture's zones; the embedded
    // objects of a page's text) are reset too.
    virtual void Reset();
    // Gives the "new" subtype of the type and the current stamp; a page also
    // gets the text of one empty paragraph.
    virtual void MakeNew();
    // Takes a slot in the hypertext's table (index -1: the first empty slot,
    // else the end). Does nothing when already registered.
    void Register(std::int32_t index = -1);

    // --- names --------------------------------------------------------------
    std::string GetName() const;  // Windows-1252 bytes
    void SetName(std::string_view name);
    std::string GetFileName() const;
    // Makes the name unique among the pictures' and embedded files' names first.
    void SetFileName(std::string_view name);
    std::int32_t GetStamp() const;
    void SetStamp(std::int32_t stamp);
    // The size shown in lists.
    std::int64_t ListSize() const;

    // --- attached streams ------------------------------------------------------
    bool HasFirstStream() const { return first_.has_value() || lazyFile_ != nullptr; }
    bool FirstStreamInMemory() const { return first_.has_value(); }
    bool FirstStreamInFile() const { return lazyFile_ != nullptr; }
    std::uint64_t FirstStreamSize() const;
    // The first stream's bytes (read from the loaded file when needed); false
    // when they cannot be read.
    bool ReadFirstStream(std::string& out) const;
    // In-memory copy, or nullptr when the stream is absent or still in the file.
    const std::string* FirstStreamMemory() const { return first_ ? &*first_ : nullptr; }
    void SetFirstStream(std::string bytes);
    void SetFirstStreamInFile(std::shared_ptr<LoadedFile> file, std::uint64_t offset, std::uint64_t size);
    void DropFirstStream();
    const std::shared_ptr<LoadedFile>& LazyFile() const { return lazyFile_; }
    std::uint64_t LazyOffset() const { return lazyOffset_; }

    bool HasSecondStream() const { return second_.has_value(); }
    const std::string* SecondStream() const { return second_ ? &*second_ : nullptr; }
    void SetSecondStream(std::string bytes) { second_ = std::move(bytes); }
    void DropSecondStream() { second_.reset(); }
    // The free HTML text of the second stream (after its leading data).
    std::string SecondStreamText() const;
    // Value of name="value" / name='value' in that text, name compared lower-cased.
    std::string AttributeValue(std::string_view name) const;

    const std::filesystem::path& ExternalPath() const { return externalPath_; }
    void SetExternalPath(std::filesystem::path p) { externalPath_ = std::move(p); }

    // --- contents as files --------------------------------------------------
    // Makes the contents available as a file in the working folder; returns its
    // path, or "" (after an error box) when writing fails.
    std::filesystem::path ExtractToFile();
    // Writes the first stream (or the external file) to path.
    bool WriteContentsTo(const std::filesystem::path& path) const;

    // --- pictures (types 5 and 16) ------------------------------------------------
    // The decoded picture (cached by the hypertext); records the natural size
    // at 85/87 of a picture. nullptr when it cannot be decoded.
    std::shared_ptr<const struct TNYXpicture> GetPicture();
    // Draws the picture on white and writes it as a ".bmp" file next to path.
    bool SaveAsBitmap(const std::filesystem::path& path);

    // --- stream form (copies, clipboard, undo) -----------------------------------
    void SaveToStream(std::string& out) const;
    // Reads one object in stream form from in at pos (advanced). False when
    // the bytes are malformed; the object then keeps no streams.
    bool LoadFromStream(std::string_view in, std::size_t& pos);

    // Copy of another object (pictures become placed pictures of it).
    void Assign(const TNYXoggetto& src);
    // Content equality (URLs and keywords by name, pictures by bytes, styles by
    // typeface and attributes); false whenever this object is empty.
    bool Equals(const TNYXoggetto& other) const;
    // The text shown for the object in lists and hints: a short title, "|",
    // then a longer explanation. Windows-1252 bytes.
    std::string Description() const;
    // The part before the "|".
    std::string DescriptionTitle() const;
    // Why this object refers to r (0: it does not).
    int ReferenceReason(std::int32_t r) const;
    // Adds the pages, URLs and files this object leads to (for a page: what
    // the objects of its text lead to), each once.
    void CollectLinkTargets(std::vector<std::int32_t>& targets) const;
    // Name of the HTML element of a form object; `number` is the object's
    // number on its page, used when the object has no name.
    std::string ElementName(int number) const;
    // Pictures only: takes the contents of another picture. A registered
    // picture first hands itself to the hypertext's undo recorder ("Modifica
    // immagine " + name); its decoded picture leaves the cache and its stamp
    // becomes the save counter. The other picture stays the caller's.
    void ReplaceContent(TNYXoggetto& other);

    // --- native file ------------------------------------------------------
    // Loads a stored record of `size` bytes (missing bytes read as 0xFF) and
    // applies the upgrades of records shorter than this version's.
    void LoadRecord(const std::uint8_t* record, std::size_t size, std::int32_t saveCounter);

    // Keeps the hypertext's index of file names right after a change that may
    // have touched this object's file name.
    void FileNameMayHaveChanged();
    std::string indexedName;  // lower-cased file name as indexed (see TNYXset)
    bool inNameIndex = false;
    std::uint64_t indexedGeneration = 0;

protected:
    // Resets the objects this one owns before it is cleared.
    virtual void ResetOwned();
    void ResetLinkAt(std::size_t off);

private:
    std::uint8_t type_ = testoHtmlRtf;
    std::int32_t localRef_ = kNoRef;
    std::uint32_t index_ = 0;
    bool registered_ = false;
    TNYXset* set_ = nullptr;
    std::array<std::uint8_t, kDataSize> data_;  // filled with 0xFF by the constructor

    std::optional<std::string> first_;
    std::shared_ptr<LoadedFile> lazyFile_;
    std::uint64_t lazyOffset_ = 0;
    std::uint64_t lazySize_ = 0;
    std::optional<std::string> second_;
    std::filesystem::path externalPath_;

public:
    std::uint8_t inactive = 0;
};

// A page object. While a page is shown or exported its working copy also holds
// private copies of the objects its text uses: URLs and links as page-local
// objects (6F000000 + i in the text), every other embedded object in a list of
// its own (FF000000 + i), and the working copies of its header and footer pages.
class TNYXtesto : public TNYXoggetto {
public:
    TNYXtesto();
    ~TNYXtesto() override;

    std::vector<std::unique_ptr<TNYXoggetto>>& LocalObjects() { return localObjects_; }
    const std::vector<std::unique_ptr<TNYXoggetto>>& LocalObjects() const { return localObjects_; }
    std::vector<std::unique_ptr<TNYXoggetto>>& EmbeddedObjects() { return embedded_; }
    const std::vector<std::unique_ptr<TNYXoggetto>>& EmbeddedObjects() const { return embedded_; }
    // Text position of each embedded object's tag.
    std::vector<std::size_t>& EmbeddedPositions() { return embeddedPos_; }
    // Reference of the hypertext object each copy was made from (-1: a new one).
    std::vector<std::int32_t>& LocalOrigins() { return localOrigins_; }
    std::vector<std::int32_t>& EmbeddedOrigins() { return embeddedOrigins_; }
    TNYXtesto* HeaderCopy() const { return header_.get(); }
    TNYXtesto* FooterCopy() const { return footer_.get(); }
    void SetHeaderCopy(std::unique_ptr<TNYXtesto> t) { header_ = std::move(t); }
    void SetFooterCopy(std::unique_ptr<TNYXtesto> t) { footer_ = std::move(t); }
    bool IsSubText() const { return subText_; }
    void SetSubText(bool s) { subText_ = s; }
    // Slot of the page this working copy was built from; -1 for a new text.
    std::int32_t SourceIndex() const { return source_; }
    void SetSourceIndex(std::int32_t i) { source_ = i; }

    // The page's stored text (markup bytes, without the trailing NUL).
    std::string Text() const;
    void SetText(std::string_view markup);

protected:
    void ResetOwned() override;

private:
    std::vector<std::unique_ptr<TNYXoggetto>> localObjects_;
    std::vector<std::unique_ptr<TNYXoggetto>> embedded_;
    std::vector<std::size_t> embeddedPos_;
    std::vector<std::int32_t> localOrigins_, embeddedOrigins_;
    std::unique_ptr<TNYXtesto> header_, footer_;
    std::int32_t source_ = -1;
    bool subText_ = false;
};

// Makes a fresh object of the right class for a type.
std::unique_ptr<TNYXoggetto> MakeObject(int type);

}  // namespace model
