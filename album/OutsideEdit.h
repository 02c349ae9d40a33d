// Editing a picture or an embedded file in an outside program: the contents
// go to a working file, the program chosen for the file's extension is
// started on it (no shell: the arguments are passed as they are), the album
// waits for it to end and then applies the working file back to the object.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace model {
class TNYXset;
}
namespace shell {
class TOptionsStore;
}

namespace album {

// The program for a file, by the options of its extension ("ext\" + ext):
// `comp` 0 asks the user, 1 and 2 take the program the desktop registers
// for the file's type (asking when there is none), 3 takes `appPath`; any
// other value (or 3 with no path) finds none.
struct TProgramChoice {
    enum Kind { kAsk, kRegistered, kPath, kNone } kind = kNone;
    std::filesystem::path path;  // kPath
};
TProgramChoice ChooseProgram(const shell::TOptionsStore& store, const std::filesystem::path& file);

// The desktop's MIME database: the type of a file by its name (the glob
// patterns of $XDG_DATA_HOME and $XDG_DATA_DIRS "mime/globs2"), the default
// application for the type (mimeapps.list, then the applications' own
// mimeinfo.cache) and its command line with the file put in. Empty when
// nothing is registered.
std::string MimeTypeOf(const std::filesystem::path& file);
std::vector<std::string> RegisteredCommand(const std::filesystem::path& file);
// A desktop entry's "Exec" value split into arguments (its quoting rules),
// %f %F %u %U replaced by the file, other field codes dropped; the file is
// appended when the value names no place for it.
std::vector<std::string> ExecArguments(std::string_view exec, const std::string& file);

// The warning shown when no program could be started.
inline constexpr const char* kNoEditor =
    "Dovresti definire l'editor in Windows, oppure in Quor usando \"Strumenti >Opzioni programma...\"";
inline constexpr const char* kEditingLabel = "Immagine in corso di edit...";

// A name safe to make a file of in the working folder: its last part only
// (either separator), no control characters, never "", "." or "..".
std::string SafeBaseName(std::string_view cp1252Name);
// The whole file's bytes; false when it cannot be read.
bool ReadWholeFile(const std::filesystem::path& p, std::string& out);

class TOutsideEdit {
public:
    TOutsideEdit(model::TNYXset& set, std::int32_t ref);
    ~TOutsideEdit();
    TOutsideEdit(const TOutsideEdit&) = delete;
    TOutsideEdit& operator=(const TOutsideEdit&) = delete;

    // Writes the object's contents to a working file in a folder of its own
    // inside the working folder (saving the hypertext empties the working
    // folder's files while the editor may still be writing this one). False
    // (said) when the object is not a picture or a file, or the file cannot
    // be written.
    bool Prepare();
    const std::filesystem::path& WorkFile() const { return work_; }
    std::int32_t Object() const { return ref_; }
    // Starts the program: argv[0] looked up in PATH, the working file's
    // folder as its current folder. False when it could not be started.
    bool Start(const std::vector<std::string>& argv);
    // True while the program runs (reaps it once it has ended).
    bool Running();
    // The working file differs from what was written out.
    bool Changed() const;
    enum class TApply { kApplied, kUnchanged, kFailed };
    // Applies the working file to the object: a file's contents (in its
    // stream or in its file on disk) are replaced, a picture is loaded and
    // its contents replace the picture's. The hypertext is marked changed.
    // An unchanged working file is left as it is (kUnchanged). On failure
    // the object stays as it was, the working file is kept and the user is
    // told where it is. So it is too when the object no longer holds what
    // was written out (another hypertext was opened meanwhile, or the object
    // was changed): the edit is never applied to what it did not start from.
    // After kApplied the working file is deleted.
    TApply Apply();
    // Stops waiting: nothing is applied, the working file is deleted.
    void Cancel();

private:
    model::TNYXset& set_;
    std::int32_t ref_;
    void RemoveWorkFile();
    std::filesystem::path folder_;  // the edit's own folder
    std::filesystem::path work_;
    std::string written_;  // the contents written out
    pid_t pid_ = -1;
};

}  // namespace album
