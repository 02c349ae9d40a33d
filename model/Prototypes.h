// Prototypes (object type 12): reusable HTML with named, typed parameters and
// attached files; prototype libraries (".cus" files, the native container)
// that group them; and the custom components (multimedia objects of subtype 6)
// that pages make from them.
//
// A prototype's first stream: int32 L (4 x the number of files), L / 4 int32
// references of embedded files (0 where a file is gone), then its parameters
// in the definition form of the property list. Its second stream: int32 n, n
// bytes of editor data, then the HTML text with the placeholders "!ReCF:" +
// eight hexadecimal digits (file list entry), "!ReCP:" + name + "!" (a
// parameter's value), "!RefX:" and "!RefY:" (the component's size).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/PageOrder.h"

namespace model {

class TNYXset;
class TNYXoggetto;

// --- property list --------------------------------------------------------------------------

// Parameter types.
enum TPropType : int {
    propNone = 0,
    propString = 1,
    propNumber = 2,
    propColour = 3,
    propFontName = 4,
    propFontStyle = 5,
    propPage = 6,
    propPicture = 7,
    propAlbumFile = 8,
    propExternalFile = 9,
};
constexpr int kPropTypeCount = 10;
// Caption of a type in the parameter list ("" for 0 and unknown types).
std::string_view PropTypeCaption(int type);

// One parameter: name, type and (in a component) its value. Windows-1252.
struct TProp {
    std::string name;
    int type = propNone;
    std::string value;
};

// The parameters of a prototype (definition mode: names and types) or of a
// custom component (value mode: values of the prototype's parameters). Names
// are unique without regard to case. Stored as int32 N then N lines ended by
// CR LF: name and type (definition form) or lower-cased name and value
// (value form) for each parameter.
class TPropList {
public:
    enum class Mode { Definition, Value };
    static constexpr const char* kNewName = "NuovaProprieta";

    explicit TPropList(Mode m = Mode::Definition) : mode(m) {}
    Mode mode;

    const std::vector<TProp>& Entries() const { return entries_; }
    std::size_t Size() const { return entries_.size(); }
    const TProp* Find(std::string_view name) const;
    // The name itself when no parameter has it, else name + the smallest n from 1 that is free.
    std::string UniqueName(std::string_view base) const;

    // Reads the parameters of a definition form (any mode: a value list learns
    // its parameters so). Fewer lines than the count says: the count is cut
    // to the lines present; floor(N / 2) pairs; a later name equal to an
    // earlier one (without regard to case) is dropped.
    void LoadDefinitions(std::string_view stream);

    // Definition operations ("incorrect usage" in value mode).
    TProp* NewParameter();  // "NuovaProprieta", "NuovaProprieta1", ..., type 1
    TProp* AddParameter(std::string_view name, int type);  // the name made unique
    bool Rename(std::size_t i, std::string_view name);     // refused when another has it
    bool SetType(std::size_t i, int type);
    bool Remove(std::size_t i);
    bool SaveDefinitions(std::string& out) const;

    // Value operations ("incorrect usage" in definition mode).
    bool SetValue(std::string_view name, std::string_view value);  // false for an unknown name
    // Sets the values of the defined parameters; other names are dropped.
    bool LoadValues(std::string_view stream);
    bool SaveValues(std::string& out) const;

private:
    bool Check(Mode wanted) const;
    std::vector<TProp> entries_;
};

// --- prototype records ------------------------------------------------------------------------

constexpr int kPrototypeKindCount = 9;
// "Invisibile", "Oggetto ridimensionabile", ... for kinds 1..9; "" otherwise.
std::string_view PrototypeKindCaption(int kind);

// What a prototype holds, as the library dialog edits it.
struct TPrototypeContent {
    int kind = 1;
    bool quickAccess = false;
    // Entry k is the file "!ReCF:" k names; 0 marks an entry whose file is
    // gone (kept so that later entries keep their numbers).
    std::vector<std::int32_t> files;
    TPropList parameters{TPropList::Mode::Definition};
    std::string editorData;  // the HTML editor's own block, kept as it is
    std::string html;
};

// The file list and the definition form that follows it. A first stream that
// is missing, shorter than 5 bytes or with a list length it cannot hold gives
// no files and no parameters.
std::vector<std::int32_t> PrototypeFiles(const TNYXoggetto& prototype);
TPropList PrototypeParameters(const TNYXoggetto& prototype);
TPrototypeContent ReadPrototype(const TNYXoggetto& prototype);
// Writes kind (subtype), quick access (byte 59) and both streams.
void WritePrototype(TNYXoggetto& prototype, const TPrototypeContent& content);

// --- custom components ---------------------------------------------------------------------------

// A custom component for a page of pageSet from a prototype of the library
// (copied into pageSet, replacing one of the same name, with its files) or
// of pageSet itself (used directly). values: the component's parameter values
// by name; names the prototype does not define are dropped. The component is
// not registered: it belongs in a page's text. None when the copy fails.
std::unique_ptr<TNYXoggetto> MakeCustomComponent(TNYXset& pageSet, const TNYXoggetto& prototype,
                                                 const TPropList& values, int width, int height, bool percent);
// The component's prototype in its hypertext (offset 17), or none.
TNYXoggetto* ComponentPrototype(const TNYXset& set, const TNYXoggetto& component);
// The prototype's parameters with the component's values (value mode).
TPropList ComponentValues(const TNYXset& set, const TNYXoggetto& component);

// --- the library ------------------------------------------------------------------------------------

// The open prototype library and the operations of its dialog. The hypertext
// holding the library belongs to the caller (the main window keeps it for the
// life of the program); the library edits one prototype at a time.
class TPrototypeLibrary {
public:
    explicit TPrototypeLibrary(TNYXset& library);
    TPrototypeLibrary(const TPrototypeLibrary&) = delete;
    TPrototypeLibrary& operator=(const TPrototypeLibrary&) = delete;

    TNYXset& Library() { return lib_; }
    TNYXorderedTree& Tree() { return tree_; }
    // The hypertext being edited: prototypes cannot be imported from its file.
    const TNYXset* editedHypertext = nullptr;
    // Called when the quick-access prototypes may have changed.
    std::function<void()> onQuickAccessChanged;

    // --- files --------------------------------------------------------------------------
    // An existing file is opened; a missing one becomes a new, empty library
    // saved under that name.
    bool Open(const std::filesystem::path& file);
    // Before another library is chosen: "Salvo la libreria corrente?". False
    // when cancelled or when saving failed.
    bool AskSaveCurrent();
    // Stores the tree and saves (version 2) under a name, which becomes the open library's.
    bool SaveAs(const std::filesystem::path& file);
    bool Save();  // under its own name

    // --- tree -----------------------------------------------------------------------------
    TNYXoggetto* NewPrototype();   // "Nuovo prototipo" under the selected group
    TNYXtreeNode* NewGroup();      // "Nuovo gruppo"
    bool DeleteSelected();         // see OnDelete
    bool MoveUp() { return tree_.MoveUp(); }
    bool MoveDown() { return tree_.MoveDown(); }
    // Non-empty prototypes offered in the custom-component menu.
    std::vector<TNYXoggetto*> QuickAccess() const;

    // --- the prototype being edited ---------------------------------------------------------
    // Shows a prototype: its content becomes the edit state.
    bool Edit(TNYXoggetto* prototype);
    TNYXoggetto* Edited() const;
    TPrototypeContent edit;
    // Writes the edit state into the edited prototype.
    bool WriteEdit();
    // OK: writes the edit state, stores the tree, saves the library to its file.
    bool Commit();

    // File list entries: the file's name, or "[X] Cancellato" when it is gone.
    std::string FileCaption(std::int32_t ref) const;
    // Adds a file of the library / a file from disk (first added to the
    // library) to the edited prototype's list.
    bool AttachLibraryFile(std::int32_t fileRef);
    TNYXoggetto* AttachDiskFile(const std::filesystem::path& path);
    // Takes an entry off the list (the file stays in the library).
    bool DetachFile(std::size_t entry);
    // Deletes an embedded file of the library when no object other than the
    // edited prototype uses it; otherwise lists the users in "Report errori:".
    bool DeleteLibraryFile(std::int32_t fileRef);

    // --- import ------------------------------------------------------------------------------
    struct ImportSource {
        bool ok = false;
        std::string note;                      // UTF-8, shown instead of the list
        std::vector<TNYXoggetto*> prototypes;  // valid until the next OpenImportSource
    };
    // Opens a ".nyx" or ".cus" file other than the hypertext being edited.
    const ImportSource& OpenImportSource(const std::filesystem::path& file);
    // Copies a prototype of the import source without replacing: 0 failed, 1
    // already here, 2 copied, 3 copied reusing files already here (each
    // reported); with 2 and 3 the copy joins the tree and is selected.
    int Import(const TNYXoggetto& sourcePrototype, TNYXoggetto** copy = nullptr);

private:
    bool OnDelete(TNYXtreeNode& node);
    TNYXtreeNode* GroupForInsert();

    TNYXset& lib_;
    TNYXorderedTree tree_;
    std::int32_t edited_ = kNoRef;
    std::unique_ptr<TNYXset> source_;
    ImportSource import_;
};

}  // namespace model
