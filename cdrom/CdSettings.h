// What one CD holds: the file entries with their groups, the personalisation
// files, the check boxes, the reader settings and the destination folder;
// the writer that turns them into the settings file (".wzz") and the
// installer's list file ("f/install.lst"), and the reader of settings files.
//
// Texts here are UTF-8 (file names on disk are UTF-8); the files are
// Windows-1252, converted when written and read. Install paths are the
// installer's: "<APPDIR>\" followed by a relative path with "\" separators.
// Source paths are this machine's POSIX paths, kept with their case.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "cdrom/IniFile.h"

namespace cdrom {

// One file chosen for the CD.
struct TDatoDir {
    std::string installPath;  // "<APPDIR>\name" or "<APPDIR>\sub\name"
    std::string sourcePath;   // full path on this machine
    int group = 1;
    bool operator==(const TDatoDir&) const = default;
};

// The personalisation files, in the order of the list file's keys.
enum TPersonal { kWelcome, kGoodbye, kLicense, kReadme, kSetupImg, kSplashScreen, kPersonalCount };
// "welcome", "goodbye", "license", "readme", "setupImg", "splashScreen".
extern const std::array<const char*, kPersonalCount> kPersonalKeys;

// Groups 1 to 20 carry files into the list file; group 0 is the first.
constexpr int kMaxGroup = 20;
constexpr std::size_t kMaxGroups = kMaxGroup + 1;

extern const char* const kAppDir;         // "<APPDIR>"
extern const char* const kReaderProgram;  // "quor3rd.exe"

struct TCdSettings {
    std::vector<TDatoDir> entries;  // in list order
    std::vector<std::string> groups;
    std::array<std::string, kPersonalCount> personal;  // full paths, "" = none
    bool imgSetupCB = false;  // use the setup picture
    bool imgLettCB = false;   // use the splash picture
    bool licenzaCB = false;   // ask for acceptance of the licence
    bool leggimiCB = false;   // show the read-me at the end
    std::string defdir;       // default installation folder (the reader's machine)
    std::string title;        // name of the icon
    std::string group;        // the program group's name
    std::string lancia;       // the hypertext to start, relative to the installation folder
    std::string destPath;     // the folder that becomes the CD's root, with a trailing "/"
    bool copia = true;        // entries are copied to the CD: write their relative source folders

    bool operator==(const TCdSettings&) const = default;
};

// The settings a new CD starts from ("Nuovo"): the default personalisation
// texts of `utils`, the default folder, title and group, the two groups.
TCdSettings DefaultSettings(const std::filesystem::path& utils);
// The default group names: "Programma lettore", "Ipertesti Quor".
std::vector<std::string> DefaultGroups();

// --- paths ----------------------------------------------------------------------

// The folder of a source path, with its trailing "/" ("" when none).
std::string SourceFolder(std::string_view source);
// The folder of an install path, with its trailing "\" ("" when none).
std::string InstallFolder(std::string_view install);
// `folder` with exactly one trailing "/" ("" stays "").
std::string WithTrailingSlash(std::string_view folder);
// True for "<APPDIR>\" (any case) followed by one or more names separated
// by "\": no empty names, no "." or "..", nothing a Windows file name
// cannot hold (":" of a drive letter, "/", "<>\"|?*", control characters).
bool ValidInstallPath(std::string_view install);
// Whether a file or folder name can be part of an install path.
bool ValidInstallName(std::string_view name);
// The install path's names after "<APPDIR>"; empty when it is not valid.
std::vector<std::string> InstallComponents(std::string_view install);
// The source folder expressed relative to `dest` + "f/" with "..\" steps and
// "\" separators, without the trailing names it shares with the install
// folder (compared without regard to case); the "\" before them stays.
std::string RelativeSourceFolder(std::string_view dest, std::string_view sourceFolder, std::string_view installFolder);
// The title with every character but A-Z, a-z, 0-9 and "_" made "_".
std::string UninstallName(std::string_view title);
// Bytes as megabytes with two decimals and a "." ("1.50").
std::string Megabytes(std::uint64_t bytes);

// --- the files ---------------------------------------------------------------------

// The settings file and the list file (without the group sizes). Values that
// cannot be written (a line break, "[", a character outside Windows-1252)
// end up in `problems` as "key: value" lines, and the file must not be
// written then (TIniFile::SaveToFile refuses).
TIniFile WriteSettings(const TCdSettings& s, std::vector<std::string>* problems = nullptr);

struct TReadResult {
    TCdSettings settings;
    // Entries left out: install paths that would leave the installation
    // folder, unreadable lines (UTF-8, for the user).
    std::vector<std::string> refused;
};
// Reads what WriteSettings wrote (and what older builders wrote). `utils`
// gives the default personalisation texts, `dest` the destination when the
// file has none.
TReadResult ReadSettings(const TIniFile& ini, const std::filesystem::path& utils, std::string_view dest);

// The settings file through a temporary file renamed into place. False with
// `error` (UTF-8) when a value cannot be written or the file cannot.
bool SaveSettingsFile(const TCdSettings& s, const std::filesystem::path& file, std::string* error);

}  // namespace cdrom
