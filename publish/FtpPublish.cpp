#include "publish/FtpPublish.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <sstream>
#include <streambuf>

#include "convert/ExportList.h"
#include "convert/html/NYXtoHtml.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "publish/KyFtpComm.h"

namespace publish {

namespace fs = std::filesystem;
using platform::text::Cp1252ToUtf8;

namespace {

// Keeps at most `cap` bytes; one more makes the stream fail (and the
// transfer stop), with `overflow` set.
class TCappedBuffer : public std::streambuf {
public:
    explicit TCappedBuffer(std::size_t cap) : cap_(cap) {}
    std::string text;
    bool overflowed = false;

protected:
    int_type overflow(int_type c) override {
        if (c == traits_type::eof()) return traits_type::not_eof(c);
        if (text.size() >= cap_) {
            overflowed = true;
            return traits_type::eof();
        }
        text.push_back(static_cast<char>(c));
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        const std::size_t room = cap_ - text.size();
        const std::size_t take = std::min<std::size_t>(room, static_cast<std::size_t>(n));
        text.append(s, take);
        if (take < static_cast<std::size_t>(n)) overflowed = true;
        return static_cast<std::streamsize>(take);
    }

private:
    std::size_t cap_;
};

bool FileExists(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

}  // namespace

std::string SafeDownloadName(std::string_view remote) {
    const std::size_t cut = remote.find_last_of("/\\");
    std::string_view leaf = cut == std::string_view::npos ? remote : remote.substr(cut + 1);
    std::string out;
    for (unsigned char c : leaf)
        if (c >= 0x20 && c != 0x7F) out.push_back(static_cast<char>(c));
    // Blanks at the ends hide a name's look; a leading dash reads as an option.
    while (!out.empty() && (out.back() == ' ' || out.back() == '.')) out.pop_back();
    while (!out.empty() && out.front() == ' ') out.erase(out.begin());
    if (out.empty() || out == "." || out == "..") return "";
    return out;
}

int ListRemote(TKyFtpComm& comm, const std::string& folder, std::map<std::string, long long>& out) {
    out.clear();
    const int r = comm.List(folder);
    if (r != kFtpOk) return r;
    T_Filedata e;
    while (comm.NextEntry(e)) out[e.name] = e.kind == kFtpDirectory ? -1 : e.size;
    return r;
}

std::vector<std::string> Names(const std::map<std::string, long long>& entries) {
    std::vector<std::string> names;
    for (const auto& [n, size] : entries) names.push_back(n);
    return names;
}

bool TFtpPublisher::Export(convert::html::TNYXtoHtml& x, model::TNYXset& set, const fs::path& folder,
                           std::int32_t onePage) {
    rows.clear();
    localFolder = folder;
    std::error_code ec;
    fs::remove_all(folder, ec);
    fs::create_directories(folder, ec);
    x.LinkedNYXset = &set;
    x.ExportPath = folder;
    baseName = x.ExportPrefix();
    std::vector<std::int32_t> pages;
    std::vector<std::int32_t> shown;
    if (onePage >= 0) {
        pages.push_back(onePage);
        shown.push_back(model::MakeRef(model::testoHtml, static_cast<std::uint32_t>(onePage)));
    } else {
        pages = convert::AllPages(set);
    }
    partial = onePage >= 0;
    x.pageOrder.clear();
    const bool ok = x.Export(pages, true);
    if (onePage >= 0)
        for (std::int32_t f : x.FrameContentPages())
            if (std::find(shown.begin(), shown.end(), f) == shown.end()) shown.push_back(f);
    for (const convert::TExportRow& r : convert::ExportListRows(x, convert::ltHtml, shown, x.UsedFiles())) {
        TPublishRow row;
        row.ref = r.ref;
        row.title = r.title;
        row.kind = r.type;
        row.stamp = r.stamp;
        const model::TNYXoggetto* o = r.ref >= 0 ? set.ObjectByRef(r.ref) : nullptr;
        row.type = o ? o->Type() : -1;
        row.files.push_back(r.file);
        if (!r.frameFile.empty()) row.files.push_back(r.frameFile);
        if (o && o->Type() == model::testoHtml) {
            const std::string alias = model::TNYXset::PageAlias(*o);
            if (!alias.empty() && FileExists(folder / Cp1252ToUtf8(alias))) row.files.push_back(alias);
        }
        row.checked = true;
        rows.push_back(std::move(row));
    }
    return ok;
}

std::string TFtpPublisher::VersionPageName() const { return platform::text::Lower(baseName) + "_ver.html"; }

std::string TFtpPublisher::VersionPageText(const std::string& nyxPath, int v) {
    const std::string vs = std::to_string(v);
    return "<HTML><HEAD><TITLE>Version</TITLE></HEAD>\r\n<BODY>QUOR. Please don't delete.<BR>\r\nHypertext :" + nyxPath +
           "<BR>\r\nVersion   :" + vs + "<BR>\r\n<!--VER=" + vs + "--><BR>\r\n</BODY>";
}

int TFtpPublisher::ParseVersionPage(std::string_view text) {
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        const std::size_t at = line.find("<!--VER=");
        if (at != std::string_view::npos) {
            std::string_view rest = line.substr(at + 8);
            const std::size_t close = rest.find("-->");
            if (close == std::string_view::npos) return -1;
            std::string_view num = rest.substr(0, close);
            if (num.empty() || num.size() > 10) return -1;
            long long v = 0;
            bool negative = false;
            std::size_t i = 0;
            if (num[0] == '-') {
                negative = true;
                i = 1;
                if (num.size() == 1) return -1;
            }
            for (; i < num.size(); ++i) {
                if (num[i] < '0' || num[i] > '9') return -1;
                v = v * 10 + (num[i] - '0');
            }
            if (negative) v = -v;
            if (v > std::numeric_limits<std::int32_t>::max() || v < -1) return -1;
            return static_cast<int>(v);
        }
        start = end + 1;
    }
    return -1;
}

int TFtpPublisher::ReadServerVersion(const std::string& remoteFolder, const std::vector<std::string>& names) {
    static const char* const kNone = "In questa dir del server non risulta nessuna versione dell'ipertesto.";
    serverVersion = -1;
    const std::string name = VersionPageName();
    if (std::find(names.begin(), names.end(), name) == names.end()) {
        versionLabel = kNone;
        return serverVersion;
    }
    auto fetch = [&](const std::string& n, TCappedBuffer& buf) {
        std::ostream out(&buf);
        return comm_.Download(remoteFolder + n, out) == kFtpOk;
    };
    TCappedBuffer first(kMaxVersionPage);
    bool got = fetch(name, first);
    std::string text = first.text;
    bool overflowed = first.overflowed;
    if (!got && !overflowed && comm_.Result() != kFtpStopped) {
        TCappedBuffer second(kMaxVersionPage);
        got = fetch(name.substr(0, name.size() - 1), second);
        text = second.text;
        overflowed = second.overflowed;
    }
    // An oversized page is not ours: it names no version.
    if (got && !overflowed) serverVersion = ParseVersionPage(text);
    versionLabel = serverVersion >= 0 ? "Sul server \xE8 presente la versione " + std::to_string(serverVersion) : kNone;
    return serverVersion;
}

void TFtpPublisher::ChooseChanged(const std::map<std::string, long long>& remoteSizes) {
    for (TPublishRow& r : rows) {
        if (r.ref < 0) {
            bool same = !r.files.empty();
            for (const std::string& f : r.files) {
                const std::string n = Cp1252ToUtf8(f);
                auto it = remoteSizes.find(n);
                std::error_code ec;
                const auto local = fs::file_size(localFolder / n, ec);
                if (it == remoteSizes.end() || ec || static_cast<long long>(local) != it->second) same = false;
            }
            r.checked = serverVersion < 0 || !same;
        } else {
            r.checked = r.stamp > serverVersion;
        }
    }
}

void TFtpPublisher::ChooseAll(bool on) {
    for (TPublishRow& r : rows) r.checked = on;
}

void TFtpPublisher::ChoosePages(const std::set<std::int32_t>& refs) {
    for (TPublishRow& r : rows)
        if (r.ref >= 0 && refs.count(r.ref)) r.checked = true;
}

std::size_t TFtpPublisher::CheckedCount() const {
    return static_cast<std::size_t>(std::count_if(rows.begin(), rows.end(), [](const TPublishRow& r) { return r.checked; }));
}

bool TFtpPublisher::OnServer(const TPublishRow& r) const {
    return r.ref < 0 || r.sent >= r.stamp || (serverVersion >= 0 && r.stamp <= serverVersion);
}

std::size_t TFtpPublisher::UncheckedChangedCount() const {
    return static_cast<std::size_t>(
        std::count_if(rows.begin(), rows.end(), [this](const TPublishRow& r) { return !r.checked && !OnServer(r); }));
}

std::int32_t TFtpPublisher::ClaimableVersion(std::int32_t saveVersion) const {
    std::int32_t v = saveVersion - 1;
    if (partial) v = std::min(v, serverVersion);
    for (const TPublishRow& r : rows)
        if (!OnServer(r)) v = std::min(v, r.stamp - 1);
    return std::max(v, -1);
}

int TFtpPublisher::RunScript(const std::string& remote, const fs::path& local) {
    if (!script.Enabled()) return kFtpOk;
    std::string why;
    if (script.Run(remote, local.string(), why)) return kFtpOk;
    detail = why;
    return kPublishScriptFailed;
}

int TFtpPublisher::EnsureRemoteFolder(const std::string& remoteFolder, const std::string& sub) {
    const std::string path = remoteFolder + sub;
    int r = comm_.MakeFolder(path);
    if (r == kFtpOk || r == kFtpStopped) return r;
    // Refused: fine when the folder is already there (a second publication).
    if (comm_.ErrorCode() > 0) {
        const std::string why = comm_.ErrorText();
        if (comm_.ChangeFolder(path + "/") == kFtpOk) {
            comm_.ChangeFolder(remoteFolder.empty() ? "/" : remoteFolder);
            return kFtpOk;
        }
        if (comm_.Result() == kFtpStopped) return kFtpStopped;
        detail = "MKD " + path + ": " + why;
    } else {
        detail = comm_.ErrorText();
    }
    return kPublishPicturesFolder;
}

int TFtpPublisher::UploadOne(const std::string& remoteFolder, const std::string& name, std::set<std::string>& made) {
    const std::string n = Cp1252ToUtf8(name);
    const fs::path local = localFolder / n;
    if (!FileExists(local)) {
        detail = "Manca il file esportato: " + local.string();
        return kPublishMissingFile;
    }
    // A name in a subfolder ("images/...") needs that folder on the server,
    // made once per publication.
    const std::size_t slash = n.rfind('/');
    if (slash != std::string::npos) {
        const std::string sub = n.substr(0, slash);
        if (!made.count(sub)) {
            int r = EnsureRemoteFolder(remoteFolder, sub);
            if (r != kFtpOk) return r;
            made.insert(sub);
        }
    }
    if (OnFile) OnFile(n);
    int r = comm_.Upload(local, remoteFolder + n);
    if (r == kFtpOk) {
        ++uploads;
        r = RunScript(remoteFolder + n, local);
    } else {
        detail = comm_.ErrorText();
    }
    return r;
}

int TFtpPublisher::Publish(const std::string& remoteFolder, std::int32_t saveVersion, const fs::path& nyxPath) {
    uploads = 0;
    detail.clear();
    std::string folder = remoteFolder;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    int result = kFtpOk;
    if (!FileExists(nyxPath)) {
        result = kPublishNoNative;
        status = "Errore: " + nyxPath.string();
        return result;
    }
    if (const std::size_t left = UncheckedChangedCount()) {
        const platform::Answer a = platform::ui().AskYesNoCancel(
            "Ci sono " + std::to_string(left) +
            " elementi modificati dopo la versione presente sul server che non sono selezionati. Li invio insieme agli altri?");
        if (a == platform::Answer::Cancel) {
            status = "Interrotto dall'utente";
            return kFtpStopped;
        }
        if (a == platform::Answer::Yes)
            for (TPublishRow& r : rows)
                if (!OnServer(r)) r.checked = true;
    }
    std::set<std::string> made;
    for (std::size_t i = 0; i < rows.size() && result == kFtpOk; ++i) {
        TPublishRow& row = rows[i];
        if (!row.checked) continue;
        // Every file of a checked row must go: one that the export did not
        // produce fails the row instead of passing unnoticed.
        for (const std::string& f : row.files) {
            result = UploadOne(folder, f, made);
            if (result != kFtpOk) break;
        }
        if (result != kFtpOk) break;
        row.checked = false;
        row.sent = saveVersion - 1;
        if (OnRowSent) OnRowSent(i);
    }
    if (result == kFtpOk) {
        // The version page goes last, and claims only what the server holds.
        const std::string name = VersionPageName();
        const std::string text = VersionPageText(platform::text::Utf8ToCp1252(nyxPath.string()), ClaimableVersion(saveVersion));
        const fs::path local = localFolder / name;
        {
            std::ofstream out(local, std::ios::binary | std::ios::trunc);
            out << text;
            if (!out.flush()) {
                detail = "Errore nella scrittura/lettura file " + local.string();
                result = -6;
            }
        }
        if (result == kFtpOk) {
            result = comm_.Upload(local, folder + name);
            if (result == kFtpOk) {
                ++uploads;
                result = RunScript(folder + name, local);
            } else {
                detail = comm_.ErrorText();
            }
        }
    }
    switch (result) {
        case kPublishPicturesFolder: status = "Errore creando directory per immagini"; break;
        case kFtpStopped: status = "Interrotto dall'utente"; break;
        case kFtpOk: status = "Pubblicazione OK."; break;
        default: status = "Errore"; break;
    }
    return result;
}

}  // namespace publish
