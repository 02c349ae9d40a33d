#include "cdrom/CdBuilder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <set>
#include <system_error>

#include "platform/text.h"

namespace fs = std::filesystem;
namespace text = platform::text;

namespace cdrom {

const std::vector<TUtilsFile>& UtilsFiles() {
    static const std::vector<TUtilsFile> files = {
        {"autorun.inf", "autorun.inf"},  {"autorun.ico", "autorun.ico"},       {"install.exe", "INSTALL.exe"},
        {"deinst.exe", "f/deinst.exe"},  {"quor3rd.exe", "f/quor3rd.exe"},
    };
    return files;
}

std::vector<std::string> TBuildReport::ReportLines() const {
    std::vector<std::string> lines;
    if (!missing.empty()) {
        lines.emplace_back("Mancano alcuni dei files necessari alla creazione del CD.");
        lines.insert(lines.end(), missing.begin(), missing.end());
    }
    if (!failures.empty()) {
        lines.emplace_back("Alcuni file non si sono potuti scrivere:");
        lines.insert(lines.end(), failures.begin(), failures.end());
    }
    if (stopped) lines.emplace_back("Creazione del CD interrotta.");
    return lines;
}

std::string DestinationProblem(const std::string& dest) {
    if (dest.empty()) return "Manca la cartella di destinazione.";
    const fs::path d(dest);
    if (!d.is_absolute()) return "La cartella di destinazione deve essere un percorso completo: " + dest;
    const fs::path normal = d.lexically_normal();
    if (normal == "/" || normal.relative_path().empty())
        return "La cartella di destinazione non pu\xC3\xB2 essere la radice \"/\".";
    std::error_code ec;
    if (fs::exists(d, ec) && !fs::is_directory(d, ec)) return "La destinazione non \xC3\xA8 una cartella: " + dest;
    // A link that leads to the root is the root.
    if (const fs::path real = fs::weakly_canonical(d, ec); !ec && real == "/")
        return "La cartella di destinazione non pu\xC3\xB2 essere la radice \"/\".";
    return {};
}

namespace {

std::string Errno(int e) { return std::strerror(e); }

// Copies of one build: folders are made below the destination without ever
// following a link, so nothing can be written outside it.
class TCopier {
public:
    TCopier(fs::path root, const TBuildOptions& options, TBuildReport& report)
        : root_(std::move(root)), options_(options), report_(report) {}

    // Asks the caller whether to go on; false once stopped.
    bool Step(const std::string& file) {
        if (report_.stopped) return false;
        progress_.file = file;
        if (options_.progress && !options_.progress(progress_)) report_.stopped = true;
        return !report_.stopped;
    }
    void Done() { ++progress_.done; }
    void SetTotal(std::size_t n) { progress_.total = n; }

    // The folder root/names..., made where missing. "" with a failure
    // recorded when a name is a link or not a folder.
    std::optional<fs::path> Folder(const std::vector<std::string>& names) {
        fs::path p = root_;
        for (const std::string& n : names) {
            p /= n;
            if (made_.count(p.string())) continue;
            struct stat st {};
            if (::lstat(p.c_str(), &st) != 0) {
                if (errno != ENOENT || (::mkdir(p.c_str(), 0755) != 0 && errno != EEXIST)) {
                    report_.failures.push_back(p.string() + ": " + Errno(errno));
                    return std::nullopt;
                }
                if (::lstat(p.c_str(), &st) != 0) {
                    report_.failures.push_back(p.string() + ": " + Errno(errno));
                    return std::nullopt;
                }
            }
            if (S_ISLNK(st.st_mode)) {
                report_.failures.push_back(p.string() + ": collegamento simbolico: non si scrive fuori dalla destinazione");
                return std::nullopt;
            }
            if (!S_ISDIR(st.st_mode)) {
                report_.failures.push_back(p.string() + ": non \xC3\xA8 una cartella");
                return std::nullopt;
            }
            made_.insert(p.string());
        }
        return p;
    }

    // Copies `source` to folder/name through a temporary file renamed into
    // place (a link already there is replaced, not followed). Missing sources
    // go to the missing list; the size copied is returned.
    std::uint64_t Copy(const fs::path& source, const fs::path& folder, const std::string& name) {
        const fs::path target = folder / name;
        const int in = source.is_absolute() ? ::open(source.c_str(), O_RDONLY | O_CLOEXEC) : -1;
        if (in < 0) {
            if (!source.is_absolute() || errno == ENOENT || errno == ENOTDIR) report_.missing.push_back(source.string());
            else report_.failures.push_back(source.string() + ": " + Errno(errno));
            return 0;
        }
        struct stat st {};
        if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
            report_.failures.push_back(source.string() + ": non \xC3\xA8 un file");
            ::close(in);
            return 0;
        }
        std::string tmpl = (folder / ("." + name + ".XXXXXX")).string();
        const int out = ::mkstemp(tmpl.data());
        if (out < 0) {
            report_.failures.push_back(target.string() + ": " + Errno(errno));
            ::close(in);
            return 0;
        }
        std::string error;
        const std::uint64_t copied = Pump(in, out, error);
        ::fchmod(out, 0644 | (st.st_mode & 0111));
        if (::close(out) != 0 && error.empty()) error = Errno(errno);
        ::close(in);
        if (error.empty() && !report_.stopped && ::rename(tmpl.c_str(), target.c_str()) != 0) error = Errno(errno);
        if (!error.empty() || report_.stopped) {
            ::unlink(tmpl.c_str());
            if (!error.empty()) report_.failures.push_back("Impossibile copiare " + source.string() + " in " + target.string() + ": " + error);
            return 0;
        }
        report_.bytesCopied += copied;
        return static_cast<std::uint64_t>(st.st_size);
    }

private:
    // Moves the bytes in the kernel where it can, by plain reads and writes
    // where it cannot; asks whether to go on between large chunks.
    std::uint64_t Pump(int in, int out, std::string& error) {
        constexpr std::size_t kChunk = 8u << 20;
        std::uint64_t done = 0;
        bool kernel = true;
        std::vector<char> buffer;
        for (;;) {
            if (done > 0 && options_.progress && !options_.progress(progress_)) {
                report_.stopped = true;
                return done;
            }
            ssize_t n;
            if (kernel) {
                n = ::copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
                if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
                              errno == EPERM) && done == 0) {
                    kernel = false;
                    continue;
                }
            } else {
                if (buffer.empty()) buffer.resize(1u << 20);
                n = ::read(in, buffer.data(), buffer.size());
                for (ssize_t w = 0; n > 0 && w < n;) {
                    const ssize_t m = ::write(out, buffer.data() + w, static_cast<std::size_t>(n - w));
                    if (m < 0 && errno == EINTR) continue;
                    if (m <= 0) {
                        error = Errno(errno ? errno : EIO);
                        return done;
                    }
                    w += m;
                }
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                error = Errno(errno);
                return done;
            }
            if (n == 0) break;
            done += static_cast<std::uint64_t>(n);
        }
        return done;
    }

    fs::path root_;
    const TBuildOptions& options_;
    TBuildReport& report_;
    TBuildProgress progress_;
    std::set<std::string> made_;
};

std::vector<std::string> Names(std::string_view relative) {
    std::vector<std::string> out;
    for (const auto& part : fs::path(std::string(relative))) out.push_back(part.string());
    return out;
}

}  // namespace

TBuildReport BuildCd(const TCdSettings& given, const TBuildOptions& options) {
    TBuildReport report;
    if (given.entries.empty()) {
        report.refused = "Inserisci almeno un ipertesto!";
        report.noEntries = true;
        return report;
    }
    TCdSettings s = given;
    s.destPath = WithTrailingSlash(s.destPath);
    if (std::string why = DestinationProblem(s.destPath); !why.empty()) {
        report.refused = why;
        return report;
    }
    // The read-me and the licence go only with their check boxes.
    if (!s.leggimiCB) s.personal[kReadme].clear();
    if (!s.licenzaCB) s.personal[kLicense].clear();
    std::vector<std::string> problems;
    TIniFile list = WriteSettings(s, &problems);
    if (!problems.empty()) {
        report.refused = "Valori non ammessi nel file di installazione:";
        for (const std::string& p : problems) report.refused += "\n" + p;
        return report;
    }

    const fs::path root = fs::path(s.destPath).lexically_normal();
    std::error_code ec;
    fs::create_directories(root, ec);
    if (!fs::is_directory(root, ec)) {
        report.refused = "Impossibile creare la cartella di destinazione: " + s.destPath;
        return report;
    }
    TCopier copier(root, options, report);
    std::size_t total = UtilsFiles().size() + s.entries.size();
    for (const std::string& p : s.personal) total += p.empty() ? 0 : 1;
    copier.SetTotal(total);

    // The installer, the uninstaller, the reader program and the autorun files.
    for (const TUtilsFile& u : UtilsFiles()) {
        if (!copier.Step(u.target)) return report;
        std::vector<std::string> names = Names(u.target);
        const std::string name = names.back();
        names.pop_back();
        if (const auto folder = copier.Folder(names)) {
            const std::size_t failed = report.missing.size() + report.failures.size();
            copier.Copy(options.utils / u.source, *folder, name);
            if (std::string_view(u.source) == "install.exe" && report.missing.size() + report.failures.size() == failed)
                report.installer = *folder / name;
        }
        copier.Done();
    }
    const auto f = copier.Folder({"f"});
    if (!f) return report;

    // The personalisation files beside the list file.
    for (const std::string& p : s.personal) {
        if (p.empty()) continue;
        const std::string name = fs::path(p).filename().string();
        if (!copier.Step(name)) return report;
        if (name.empty() || name == "." || name == "..") report.failures.push_back(p + ": nome di file non valido");
        else copier.Copy(fs::path(p), *f, name);
        copier.Done();
    }

    // The entries, each under f/ at its install path.
    for (const TDatoDir& e : s.entries) {
        if (!copier.Step(e.installPath)) return report;
        std::vector<std::string> names = InstallComponents(e.installPath);
        if (names.empty()) {
            report.failures.push_back(e.sourcePath + ": percorso di installazione non ammesso: " + e.installPath);
            copier.Done();
            continue;
        }
        const std::string name = names.back();
        names.pop_back();
        names.insert(names.begin(), "f");
        if (const auto folder = copier.Folder(names)) {
            const std::uint64_t size = copier.Copy(fs::path(e.sourcePath), *folder, name);
            if (e.group >= 0 && static_cast<std::size_t>(e.group) < kMaxGroups) report.groupBytes[e.group] += size;
        }
        copier.Done();
    }

    // The list file, with the size of each component the installer offers.
    const std::int64_t components = list.ReadInteger("custom", "num", 0);
    for (std::int64_t i = 0; i < components && static_cast<std::size_t>(i) < kMaxGroups; ++i)
        list.WriteString("custom", "com" + std::to_string(i), Megabytes(report.groupBytes[static_cast<std::size_t>(i)]));
    std::string why;
    const fs::path listFile = *f / "install.lst";
    if (list.SaveToFile(listFile, &why)) report.listFile = listFile;
    else report.failures.push_back(text::Cp1252ToUtf8(why));
    return report;
}

}  // namespace cdrom
