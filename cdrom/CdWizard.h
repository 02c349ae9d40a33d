// The CD-ROM builder's window without the window: the settings being edited,
// the group shown, adding and removing entries, the settings files, "Crea"
// with its questions and report, and what "Test" opens. It asks the user
// through platform::Ui and its host for file choices and progress; the
// window (cdrom/ui/Fcd.h) is a thin Qt shell over it.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "cdrom/CdBuilder.h"
#include "cdrom/CdSettings.h"

namespace cdrom {

extern const char* const kCdCaption;       // "Creazione CdRom"
extern const char* const kSettingsFilter;  // "Impostazioni creazione CD quor (*.wzz)"

class TCdHost {
public:
    virtual ~TCdHost() = default;
    // A settings file to load (`save` false) or to save to; nullopt cancels.
    virtual std::optional<std::filesystem::path> ChooseSettingsFile(bool save, const std::filesystem::path& start) = 0;
    // Long work: a step of `total` (0 when not known yet). False stops it.
    virtual bool Progress(const std::string& /*what*/, std::size_t /*done*/, std::size_t /*total*/) { return true; }
    // Long work begins (true) or ends: the window shows its progress and Stop.
    virtual void WorkChanged(bool /*working*/) {}
    virtual void EntriesChanged() {}
    // Everything may have changed (loaded, reset).
    virtual void SettingsChanged() {}
    virtual void CaptionChanged(const std::string& /*utf8*/) {}
    virtual void TestVisibleChanged(bool /*visible*/) {}
};

struct TAddResult {
    std::size_t added = 0;
    std::size_t duplicates = 0;          // already listed
    std::vector<std::string> refused;    // names an install path cannot hold
    bool stopped = false;
};

class TCdWizard {
public:
    // `utils`: the installer's files and the default texts.
    TCdWizard(std::filesystem::path utils, TCdHost& host);

    // The window opens: the last destination and the last settings file from
    // the program options, those settings loaded (the defaults without one).
    void Open();
    // The destination and the settings file into the program options.
    void StoreOptions() const;

    TCdSettings& Settings() { return settings_; }
    const TCdSettings& Settings() const { return settings_; }
    const std::filesystem::path& Utils() const { return utils_; }
    const std::filesystem::path& SettingsFile() const { return settingsFile_; }
    std::string Caption() const;
    bool Working() const { return working_; }

    // --- groups --------------------------------------------------------------------
    int CurrentGroup() const { return group_; }
    void SetCurrentGroup(int g);
    // "+": a new group (refused past the 20 that carry files). Becomes current.
    bool AddGroup(const std::string& name);
    // "-": groups 0 and 1 stay; a group with files asks first, and its files go.
    bool DeleteGroup(int g);

    // --- entries ---------------------------------------------------------------------
    // Indices into Settings().entries of the current group's entries.
    std::vector<std::size_t> ShownEntries() const;
    // Files and folders into the current group ("Includi", dropping). A
    // folder asks "Vuoi includere anche intere directory?" once per window;
    // on Yes every file below it is added, subfolders first, links to
    // folders never followed.
    TAddResult AddPaths(const std::vector<std::filesystem::path>& paths);
    // "Includi ipertesto corrente": `file` is the hypertext's file ("" when
    // it was never saved); fills the hypertext to start when it is empty.
    bool AddCurrentHypertext(const std::filesystem::path& file);
    // Removes entries by index into Settings().entries.
    void RemoveEntries(std::vector<std::size_t> indices);
    // After "Cancellerò tutti gli elementi visualizzati. Sei sicuro?".
    bool RemoveAllShown();

    // --- settings files -------------------------------------------------------------
    // "Carica...": asks for the file. Load: reads it (refused entries are
    // listed); a file that cannot be read leaves the settings as they are.
    bool LoadDialog();
    bool Load(const std::filesystem::path& file);
    // "Salva...": asks for the file (".wzz" added when it has no extension).
    bool SaveDialog();
    bool Save(const std::filesystem::path& file);
    // "Nuovo": the defaults, keeping the destination.
    void New();

    // --- building --------------------------------------------------------------------
    // "Crea": builds, then offers to save the settings and shows "Test", or
    // shows the "Report errori:" window.
    TBuildReport Crea();
    bool TestVisible() const { return !testTarget_.empty(); }
    // The installer as written by the last build ("" when "Test" is hidden).
    const std::filesystem::path& TestTarget() const { return testTarget_; }

    // "Sei sicuro di voler uscire dal wizard?"; never while working.
    bool CanClose();

private:
    void SetSettingsFile(const std::filesystem::path& file);
    void SetTestTarget(const std::filesystem::path& file);
    bool Step(const std::string& what, std::size_t done, std::size_t total);
    void AddFolder(const std::filesystem::path& root, const std::filesystem::path& folder, TAddResult& r);
    void AddOne(const std::filesystem::path& source, const std::string& installPath, TAddResult& r);
    std::string DefaultDestination() const;

    class TWorking;

    std::filesystem::path utils_;
    TCdHost& host_;
    TCdSettings settings_;
    std::filesystem::path settingsFile_;
    std::filesystem::path testTarget_;
    int group_ = 1;
    std::optional<bool> includeFolders_;  // the answer to "Vuoi includere anche intere directory?"
    bool working_ = false;
    std::unordered_set<std::string> listed_;  // group, source and install path of every entry, during an add
    std::size_t seen_ = 0;                    // files met during an add
};

}  // namespace cdrom
