// The choices of the "Proprietà insieme cornici" dialog without the dialog: a
// copy of a page's layout edited in frames-only mode, the fields of the
// selected frame, the layout models, copying another page's layout, undo,
// "No cornici", saving to a ".frm" file, and OK making the layout the page's
// new map. Also the ".frm" files on disk and the folders of layout models.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "present/FrameLayout.h"

namespace model {
class TNYXset;
}

namespace present {

// --- ".frm" files and layout models -----------------------------------------------------

// Reads a ".frm" file (at most kMaxFrmFileSize bytes); false when it cannot be read.
bool ReadFrmFile(const std::filesystem::path& file, std::string& bytes);
// Writes it whole or not at all (a temporary file renamed into place).
bool WriteFrmFile(const std::filesystem::path& file, const std::string& bytes);

constexpr const char* kFrameModelsFolder = "ModelliCornici";
// The user's own models: $XDG_DATA_HOME/quor/ModelliCornici, else
// ~/.local/share/quor/ModelliCornici.
std::filesystem::path UserFrameModelFolder();
struct TFrameModel {
    std::string name;  // the file name without ".frm", UTF-8
    std::filesystem::path file;
};
// The ".frm" files of the shipped models (dataFolder/ModelliCornici) and the
// user's, by name; a user's model hides a shipped one of the same name.
std::vector<TFrameModel> ListFrameModels(const std::filesystem::path& dataFolder,
                                         const std::filesystem::path& userFolder = UserFrameModelFolder());

// --- the dialog's choices ---------------------------------------------------------------

// "Pagina in cornice:".
enum class TFramePageChoice { kExisting, kMaster, kNew };

struct TFrameFields {
    bool border = true;         // "bordino"
    bool scrolling = true;
    bool resizable = false;     // "Permetti dimens. cornice"
    bool canResize = false;     // not for the top frame
    int between = 3;            // "Bordo fra cornici" (the parent's border width)
    bool hasBetween = false;    // not for the top frame
    std::string name;           // Windows-1252
    int rule = 0;               // "Dimensione": 0 "percentuale", 1 "fissa", 2 "libera"
    int size = 100;             // percent or pixels
    bool isLeaf = true;         // only leaves show a page
    TFramePageChoice page = TFramePageChoice::kMaster;
    std::int32_t pageRef = -1;  // for kExisting
};

class TFramePropertiesChoices {
public:
    // The layout of page `page` of the hypertext, copied.
    TFramePropertiesChoices(model::TNYXset& set, std::int32_t page);

    TFrameLayout& Layout() { return layout_; }
    std::int32_t Page() const { return page_; }
    std::int32_t MasterRef() const;

    void Select(TNonVisCornice* f) { selected_ = f; }
    TNonVisCornice* Selected() const;
    TFrameFields Fields() const;
    // Takes the fields into the selected frame: sizes within their bounds
    // (percent up to 100, fixed up to 10000), an empty name keeps the old one,
    // an existing page must be a page of the hypertext.
    bool SetFields(const TFrameFields& f);

    // "Carica da modello": the model's layout, every frame with a new page.
    bool LoadModel(const std::filesystem::path& file);
    // "Copia da altra pagina": the layout of another page; its frames that
    // show that page show this one; with "Copia anche cornici non master" the
    // other frames keep their pages, otherwise they get new ones.
    bool CopyFromPage(std::int32_t other, bool alsoNonMaster);
    // "Undo": the page's own layout again.
    void Undo();
    // "No cornici": no divisions.
    void NoFrames();
    // "Salva...".
    bool SaveTo(const std::filesystem::path& file);
    // OK: the layout becomes the page's map (the old map's slot is kept;
    // without divisions the page has no map).
    bool Apply();

private:
    void Reload(std::int32_t fromPage);
    model::TNYXset& set_;
    std::int32_t page_;
    TFrameLayout layout_;
    TNonVisCornice* selected_ = nullptr;
};

}  // namespace present
