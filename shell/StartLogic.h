// The parts of start-up and of the document commands that need no window:
// the command line, the recent-files list, the program's folders and the
// desktop entry written by the installation set-up.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

// What the one-shot start timer does once the window is up.
enum class TNextAction { Normal = 0, Print = 1, PublishServer = 2, PublishFtp = 3 };

struct TStartCommand {
    TNextAction action = TNextAction::Normal;
    bool init = false;  // "/INIT": installation set-up
    std::string file;   // "" when none was given
};

// Arguments after the program name. A first argument that is "/" and one of
// the switch names (compared upper-cased: PRINT, PQUOR, PFTP, INIT) is a
// switch and the file is what follows it; otherwise every argument is part of
// the file name (an absolute path begins with "/" as well), joined with
// single spaces (a name with spaces may arrive split).
TStartCommand ParseCommandLine(const std::vector<std::string>& args);

// The window shown while the program starts: the tips window when the option
// `TipOfTheDay` is on (and no start action such as printing follows, which
// wants no tips in its way), else the about box as a splash.
enum class TStartWindow { Tips, Splash };
TStartWindow ChooseStartWindow(bool tipOfTheDay, const TStartCommand& command);
// Once started, the tips window closes itself when a start action follows or
// `AutoHideTip` is on; otherwise it stays, renamed "Suggerimenti".
bool CloseTipsAfterStart(bool autoHideTip, const TStartCommand& command);

// At most five file names, the newest last.
class TRecentFiles {
public:
    static constexpr std::size_t kMax = 5;
    // Makes `file` the newest: a listed entry moves to the end, a new one is
    // appended after dropping the oldest when the list is full.
    void Add(const std::string& file);
    // True when it was listed.
    bool Remove(const std::string& file);
    void Assign(const std::vector<std::string>& files);
    const std::vector<std::string>& Files() const { return files_; }

private:
    std::vector<std::string> files_;
};

// Where the program finds its shipped files and keeps the user's.
struct TProgramPaths {
    std::filesystem::path executable;     // the program itself ("" when unknown)
    std::filesystem::path programFolder;  // the folder of the executable
    std::filesystem::path dataFolder;     // shipped data (Custom/, lang/)
    std::filesystem::path userFolder;     // $XDG_DATA_HOME/quor, else ~/.local/share/quor
    std::filesystem::path examplesFolder; // the sample hypertexts
    std::filesystem::path TemplatesFolder() const { return userFolder / "HypTemplates"; }
    std::filesystem::path ShippedLibrary() const { return dataFolder / "Custom" / "default.cus"; }

    // Finds them from the executable: $QUOR_DATA_DIR, else ../share/quor
    // beside the program, else the source tree the program was built from.
    static TProgramPaths Find(const std::filesystem::path& executable);
};

// True when `file` lies directly or deeper inside `folder` (compared after
// making both absolute and normal; an empty folder holds nothing).
bool IsInFolder(const std::filesystem::path& file, const std::filesystem::path& folder);

// The export prefix a save gives the hypertext: the chosen name without folder
// and extension, lower-cased, cut to 16 characters (Windows-1252 bytes).
std::string PrefixForFile(const std::filesystem::path& file);

// The caption of the main window: file name without folder, " [esempio]"
// when it lies in the examples folder, " - ", the application title.
std::string CaptionFor(const std::filesystem::path& file, const std::filesystem::path& examplesFolder,
                       std::string_view appTitle);

// The installation set-up on Linux: a desktop entry "quor.desktop" in the
// user's applications folder ($XDG_DATA_HOME/applications, else
// ~/.local/share/applications) that starts `executable` with a file.
// Returns the entry's path, or "" when it could not be written.
std::filesystem::path WriteDesktopEntry(const std::filesystem::path& executable,
                                        const std::filesystem::path& applicationsFolder);
std::filesystem::path UserApplicationsFolder();

// Plain text of stored page markup: tags dropped, paragraphs become lines,
// cell ends tabs, entities their characters.
std::string MarkupToPlainText(std::string_view markup);

}  // namespace shell
