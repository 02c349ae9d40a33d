// Publishing a hypertext by FTP: the pages are exported into a private
// folder, each exported item becomes a row of the publish list, and the
// checked rows are uploaded into a remote folder followed by a small version
// page ("<base>_ver.html") that records which save of the hypertext the
// server holds, so that later publications can send only what changed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "publish/AfterScript.h"

namespace model {
class TNYXset;
}
namespace convert::html {
class TNYXtoHtml;
}

namespace publish {

class TKyFtpComm;

// Results of Publish beyond the runner's codes (200, 0, -1, -6).
constexpr int kPublishPicturesFolder = -20;  // the remote "images/" folder could not be made
constexpr int kPublishMissingFile = -21;     // a checked row's exported file is missing
constexpr int kPublishNoNative = -22;        // the native file is not on disk
constexpr int kPublishScriptFailed = -23;    // the after-transfer script failed

struct TPublishRow {
    std::int32_t ref = -1;  // the object (page, picture, file) or -1
    int type = -1;          // its object type, -1 for none
    std::string title;      // Windows-1252
    std::string kind;       // "CSS", "Pagina", "Immagine", "File"
    // Names relative to the export folder (Windows-1252), sent in this order.
    std::vector<std::string> files;
    bool checked = false;
    std::int32_t stamp = 0;  // save counter of the object's last change
    std::int32_t sent = -1;  // version at which it was last sent, -1 never
};

// The largest version page read from a server; a longer one has no version.
constexpr std::size_t kMaxVersionPage = 64 * 1024;

class TFtpPublisher {
public:
    explicit TFtpPublisher(TKyFtpComm& comm) : comm_(comm) {}

    std::filesystem::path localFolder;  // where the export was written
    std::string baseName;               // the exporter's prefix
    std::vector<TPublishRow> rows;
    int serverVersion = -1;
    // The rows hold one page and what it needs, not the whole hypertext.
    bool partial = false;
    // Run after every file sent (when enabled); its failure fails the row.
    TAfterTransferScript script;
    std::string versionLabel;  // what the dialog shows about the server's version
    std::string status;        // "Pubblicazione OK.", "Errore", ...
    std::string detail;        // why the last publication failed (UTF-8)
    // After each row is sent (row index), and after each file (for progress).
    std::function<void(std::size_t row)> OnRowSent;
    std::function<void(const std::string& name)> OnFile;

    // Exports every page (onePage < 0) or one page with what it needs into
    // `folder` (emptied first) and fills the rows. False when the export
    // reported a problem (the rows are filled all the same).
    bool Export(convert::html::TNYXtoHtml& exporter, model::TNYXset& set, const std::filesystem::path& folder,
                std::int32_t onePage = -1);

    std::string VersionPageName() const;
    // v: the hypertext's save version minus 1; nyxPath as bytes.
    static std::string VersionPageText(const std::string& nyxPath, int v);
    // The integer between "<!--VER=" and "-->" on the first line holding the
    // marker; -1 when there is none or it is not an integer.
    static int ParseVersionPage(std::string_view text);

    // Looks for the version page among `names` (the remote folder's entries)
    // and reads it. Returns the version (-1 for none) and sets versionLabel.
    int ReadServerVersion(const std::string& remoteFolder, const std::vector<std::string>& names);

    // Checks the rows changed since serverVersion. Rows without an object
    // (the style sheet) count as changed when the remote folder does not hold
    // a file of the same name and size (`remoteSizes`, name -> size).
    void ChooseChanged(const std::map<std::string, long long>& remoteSizes = {});
    void ChooseAll(bool on);
    // Checks the rows whose object is among `refs` (and leaves the others).
    void ChoosePages(const std::set<std::int32_t>& refs);
    std::size_t CheckedCount() const;
    // Unchecked rows whose object changed since the version on the server
    // and that were not sent since: a publication without them leaves the
    // server behind on them.
    std::size_t UncheckedChangedCount() const;

    // Uploads the checked rows into remoteFolder (ending "/"), then the
    // version page. saveVersion is the hypertext's save counter. When rows
    // changed since the server's version are left unchecked, asks first
    // whether to send them too (yes checks them, no sends only the checked
    // ones, cancel publishes nothing).
    int Publish(const std::string& remoteFolder, std::int32_t saveVersion, const std::filesystem::path& nyxPath);

    // The version the version page may claim: the save version minus 1, or
    // less when a row changed since then is still not on the server. Rows of
    // one page say nothing of the other pages: then no more than the
    // server's version is claimed.
    std::int32_t ClaimableVersion(std::int32_t saveVersion) const;

    // Uploads made by the last Publish (files, version page included).
    std::size_t uploads = 0;

private:
    bool OnServer(const TPublishRow& row) const;
    int RunScript(const std::string& remote, const std::filesystem::path& local);
    int UploadOne(const std::string& remoteFolder, const std::string& name, std::set<std::string>& madeFolders);
    int EnsureRemoteFolder(const std::string& remoteFolder, const std::string& sub);

    TKyFtpComm& comm_;
};

// Lists a remote folder into name -> size (files and links; folders with -1).
int ListRemote(TKyFtpComm& comm, const std::string& folder, std::map<std::string, long long>& out);
std::vector<std::string> Names(const std::map<std::string, long long>& entries);

// A name taken from a server reduced to a base name safe to create in a
// local folder: the part after the last "/" or "\", without control
// characters; "" when nothing usable is left ("", ".", "..").
std::string SafeDownloadName(std::string_view remote);

}  // namespace publish
