#include "shell/OptionsStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <system_error>

#include "platform/Ui.h"
#include "platform/text.h"

namespace shell {

namespace fs = std::filesystem;
namespace text = platform::text;

const char* const kProgramKey = "\\SOFTWARE\\ZR\\Quor3.0pro\\";
const char* const kOptionsKey = "\\SOFTWARE\\ZR\\Quor3.0pro\\options\\";

namespace {

// Larger files are not options files; they are left alone and kept aside.
constexpr std::size_t kMaxFileBytes = 8u << 20;

const std::string& OptionsPath() {
    static const std::string p = TKeyTree::NormalizePath(kOptionsKey);
    return p;
}

// Already in normal form for an ordinary section name, which spares the
// look-up a second copy.
std::string SectionPath(std::string_view section) {
    std::string p = "SOFTWARE\\ZR\\Quor3.0pro\\";
    p += section;
    return p;
}

std::string Errno(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        int f = fd_;
        fd_ = -1;
        return f;
    }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// An exclusive flock on a companion file for the length of a scope. Where
// the file system offers no locks the write goes ahead unlocked.
class FileLock {
public:
    explicit FileLock(const fs::path& lockFile) {
        fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) return;
        while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~FileLock() {
        if (fd_ >= 0) ::close(fd_);  // releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int fd_ = -1;
};

}  // namespace

TOptionsStore::TOptionsStore(fs::path file) : file_(std::move(file)) {
    std::lock_guard lock(mutex_);
    ReloadLocked();
    lastCheck_ = std::chrono::steady_clock::now();
}

TOptionsStore::~TOptionsStore() {
    // A last, quiet try for values whose write failed (or a batch left open);
    // there may be no user interface left to report to.
    try {
        std::string error;
        std::lock_guard lock(mutex_);
        Commit(error);
    } catch (...) {
    }
}

fs::path TOptionsStore::DefaultFile() {
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x == '/') return fs::path(x) / "quor" / "options.ini";
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h) {
        home = h;
    } else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    } else {
        home = "/tmp";
    }
    return fs::path(home) / ".config" / "quor" / "options.ini";
}

// ---------------------------------------------------------------------------
// Reading

TOptionsStore::Identity TOptionsStore::Stat() const {
    Identity id;
    struct stat st;
    if (::stat(file_.c_str(), &st) != 0) return id;
    id.exists = true;
    id.dev = st.st_dev;
    id.ino = st.st_ino;
    id.size = static_cast<std::uint64_t>(st.st_size);
    id.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return id;
}

bool TOptionsStore::LoadFile(TKeyTree& tree, std::size_t& bad, std::string* raw, std::string& error) const {
    tree = TKeyTree();
    bad = 0;
    unreadable_ = false;
    // Non-blocking: a FIFO in the file's place must not hang the program.
    Fd fd(::open(file_.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        if (errno == ENOENT) return true;  // no options yet
        error = Errno("open");
        bad = 1;
        unreadable_ = true;
        return false;
    }
    struct stat st;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) > kMaxFileBytes) {
        error = "not a usable options file";
        bad = 1;
        return false;
    }
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = Errno("read");
            bad = 1;
            unreadable_ = true;
            return false;
        }
        if (n == 0) break;
        bytes.append(buf, static_cast<std::size_t>(n));
        if (bytes.size() > kMaxFileBytes) {
            error = "not a usable options file";
            bad = 1;
            return false;
        }
    }
    TKeyFileParse parsed = ParseKeyFile(bytes);
    tree = std::move(parsed.tree);
    bad = parsed.badLines;
    if (raw) *raw = std::move(bytes);
    return true;
}

void TOptionsStore::ReloadLocked() const {
    identity_ = Stat();
    LoadFile(disk_, badLines_, nullptr, loadError_);
    // A file that was replaced between the stat and the read is simply seen
    // as changed again at the next check.
    keepCorrupt_ = badLines_ > 0 && identity_.exists;
    cache_ = disk_;
    for (const Change& c : pending_) Apply(cache_, c);
}

void TOptionsStore::MaybeRefresh() const {
    // Reading the clock costs more than a look-up: look at it every few reads.
    if (++readsSinceCheck_ < 32) return;
    readsSinceCheck_ = 0;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastCheck_ < refreshInterval_) return;
    lastCheck_ = now;
    if (Stat() != identity_) ReloadLocked();
}

void TOptionsStore::Refresh() {
    std::lock_guard lock(mutex_);
    lastCheck_ = std::chrono::steady_clock::now();
    if (Stat() != identity_) ReloadLocked();
}

std::size_t TOptionsStore::BadLines() const {
    std::lock_guard lock(mutex_);
    return badLines_;
}

std::optional<std::string> TOptionsStore::ReadKey(std::string_view keyPath, std::string_view name) const {
    std::lock_guard lock(mutex_);
    MaybeRefresh();
    const std::string* v = cache_.Find(keyPath, name);
    if (!v) return std::nullopt;
    return *v;
}

std::string TOptionsStore::ReadOption(std::string_view name) const {
    std::lock_guard lock(mutex_);
    MaybeRefresh();
    const std::string* v = cache_.Find(OptionsPath(), name);
    return v ? *v : std::string();
}

std::string TOptionsStore::ReadSectionOption(std::string_view section, std::string_view name) const {
    return ReadKey(SectionPath(section), name).value_or(std::string());
}

TNameValueList TOptionsStore::ReadKeyValues(std::string_view keyPath) const {
    std::lock_guard lock(mutex_);
    MaybeRefresh();
    return cache_.Values(keyPath);
}

TNameValueList TOptionsStore::ReadSection(std::string_view section) const { return ReadKeyValues(SectionPath(section)); }

bool TOptionsStore::KeyExists(std::string_view keyPath) const {
    std::lock_guard lock(mutex_);
    MaybeRefresh();
    return cache_.HasKey(keyPath);
}

bool TOptionsStore::SectionExists(std::string_view section) const { return KeyExists(SectionPath(section)); }

std::vector<std::string> TOptionsStore::KeyPaths() const {
    std::lock_guard lock(mutex_);
    MaybeRefresh();
    std::vector<std::string> out = cache_.KeyPaths();
    for (auto& p : out) p = "\\" + p;
    return out;
}

std::string TOptionsStore::ReadPath(std::string_view keyPathAndName) const {
    const std::size_t cut = keyPathAndName.rfind('\\');
    const std::string_view key = cut == std::string_view::npos ? std::string_view() : keyPathAndName.substr(0, cut);
    const std::string_view name = cut == std::string_view::npos ? keyPathAndName : keyPathAndName.substr(cut + 1);
    if (!KeyExists(key)) {
        platform::ui().Error(text::Cp1252ToUtf8("Tmp err msg. Key non trovata nel registry:" + std::string(key) + " : " +
                                                std::string(name)));
        return std::string();
    }
    return ReadKey(key, name).value_or(std::string());
}

// ---------------------------------------------------------------------------
// Writing

void TOptionsStore::Apply(TKeyTree& tree, const Change& c) {
    switch (c.kind) {
        case Change::Set: tree.Set(c.path, c.name, c.data); break;
        case Change::EraseValue: tree.EraseValue(c.path, c.name); break;
        case Change::EraseTree: tree.EraseTree(c.path); break;
    }
}

bool TOptionsStore::Change1(Change c) {
    std::string error;
    {
        std::lock_guard lock(mutex_);
        Apply(cache_, c);
        pending_.push_back(std::move(c));
        if (updateDepth_ > 0) return true;
        if (Commit(error)) return true;
    }
    ReportFailure(error);
    return false;
}

bool TOptionsStore::WriteKey(std::string_view keyPath, std::string_view name, std::string_view text) {
    return Change1({Change::Set, TKeyTree::NormalizePath(keyPath), std::string(name), std::string(text)});
}

bool TOptionsStore::WriteOption(std::string_view name, std::string_view text) { return WriteKey(kOptionsKey, name, text); }

bool TOptionsStore::WriteFlag(std::string_view name, bool on) { return WriteOption(name, on ? "1" : "0"); }

bool TOptionsStore::WriteSectionOption(std::string_view section, std::string_view name, std::string_view text) {
    return WriteKey(SectionPath(section), name, text);
}

bool TOptionsStore::WriteSectionFlag(std::string_view section, std::string_view name, bool on) {
    return WriteSectionOption(section, name, on ? "1" : "0");
}

bool TOptionsStore::DeleteSectionOption(std::string_view section, std::string_view name) {
    return Change1({Change::EraseValue, TKeyTree::NormalizePath(SectionPath(section)), std::string(name), {}});
}

bool TOptionsStore::DeleteKey(std::string_view keyPath) {
    std::string path = TKeyTree::NormalizePath(keyPath);
    if (path.empty()) return false;
    return Change1({Change::EraseTree, std::move(path), {}, {}});
}

bool TOptionsStore::DeleteSection(std::string_view name) {
    // "" or "\" would name the program's own key, and with it every option.
    if (TKeyTree::NormalizePath(name).empty()) return false;
    return DeleteKey(SectionPath(name));
}

void TOptionsStore::BeginUpdate() {
    std::lock_guard lock(mutex_);
    ++updateDepth_;
}

bool TOptionsStore::EndUpdate() {
    std::string error;
    {
        std::lock_guard lock(mutex_);
        if (updateDepth_ > 0) --updateDepth_;
        if (updateDepth_ > 0 || Commit(error)) return true;
    }
    ReportFailure(error);
    return false;
}

bool TOptionsStore::Flush() {
    std::string error;
    {
        std::lock_guard lock(mutex_);
        if (Commit(error)) return true;
    }
    ReportFailure(error);
    return false;
}

bool TOptionsStore::WriteFile(const TKeyTree& tree, Identity& written, std::string& error) {
    // Write through a symbolic link (options kept in a dotfiles folder)
    // rather than replacing the link by a plain file.
    fs::path target = file_;
    std::error_code ec;
    if (fs::is_symlink(file_, ec)) {
        fs::path resolved = fs::weakly_canonical(file_, ec);
        if (!ec) target = resolved;
    }
    std::string tmpl = target.string() + ".tmpXXXXXX";
    Fd fd(::mkstemp(tmpl.data()));  // mode 0600
    if (fd.get() < 0) {
        error = Errno("mkstemp");
        return false;
    }
    const fs::path tmp = tmpl;
    auto fail = [&](std::string why) {
        error = std::move(why);
        ::unlink(tmp.c_str());
        return false;
    };
    ::fcntl(fd.get(), F_SETFD, FD_CLOEXEC);
    if (!WriteAll(fd.get(), SerializeKeyFile(tree))) return fail(Errno("write"));
    if (::fsync(fd.get()) != 0) return fail(Errno("fsync"));
    struct stat st;
    if (::fstat(fd.get(), &st) != 0) return fail(Errno("fstat"));
    if (::close(fd.release()) != 0) return fail(Errno("close"));
    if (beforeRename_) beforeRename_(tmp);
    if (::rename(tmp.c_str(), target.c_str()) != 0) return fail(Errno("rename"));
    // The rename itself must survive a crash too.
    Fd dir(::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
    written = Stat();
    if (!written.exists || written.ino != st.st_ino) {
        // Read back through the link: identify what was written.
        written.exists = true;
        written.dev = st.st_dev;
        written.ino = st.st_ino;
        written.size = static_cast<std::uint64_t>(st.st_size);
        written.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    }
    return true;
}

bool TOptionsStore::Commit(std::string& error) {
    if (pending_.empty()) return true;
    bool ok = false;
    {
        std::error_code ec;
        const fs::path dir = file_.parent_path();
        if (!dir.empty() && !fs::exists(dir, ec)) {
            fs::create_directories(dir, ec);
            if (!ec) fs::permissions(dir, fs::perms::owner_all, ec);
            ec.clear();
        }
        FileLock lock(fs::path(file_.string() + ".lock"));
        // Another instance may have written since: build on what is there
        // now. Always re-read (the file is small): an inode number reused
        // within the time stamp's granularity would hide a change.
        ReloadLocked();
        if (unreadable_) {
            // Writing now would replace every option we could not read.
            error = "lettura del file esistente: " + loadError_;
            return false;
        }
        // Temporary files of a writer that died half-way (we hold the lock,
        // so nobody is writing one now).
        const std::string stem = file_.filename().string() + ".tmp";
        for (const auto& entry : fs::directory_iterator(dir.empty() ? fs::path(".") : dir, ec)) {
            const std::string n = entry.path().filename().string();
            if (n.size() == stem.size() + 6 && n.compare(0, stem.size(), stem) == 0) fs::remove(entry.path(), ec);
        }
        TKeyTree next = disk_;
        for (const Change& c : pending_) Apply(next, c);
        if (keepCorrupt_) {
            const fs::path aside = fs::path(file_.string() + ".corrupt");
            fs::copy_file(file_, aside, fs::copy_options::overwrite_existing, ec);
            if (!ec) fs::permissions(aside, fs::perms::owner_read | fs::perms::owner_write, ec);
        }
        Identity written;
        ok = WriteFile(next, written, error);
        if (ok) {
            disk_ = std::move(next);
            cache_ = disk_;
            identity_ = written;
            pending_.clear();
            badLines_ = 0;
            keepCorrupt_ = false;
            failureShown_ = false;
        }
    }
    return ok;
}

void TOptionsStore::ReportFailure(const std::string& error) {
    // Called without the mutex: the box may run an event loop that reads
    // options. One box per run of failures, not one per value.
    {
        std::lock_guard lock(mutex_);
        if (failureShown_) return;
        failureShown_ = true;
    }
    platform::ui().Error("Impossibile salvare le opzioni del programma in \"" + file_.string() + "\" (" + error +
                         "). Le modifiche restano valide fino alla chiusura del programma.");
}

// ---------------------------------------------------------------------------

namespace {
TOptionsStore* current = nullptr;
}

TOptionsStore& options() {
    if (!current) {
        static TOptionsStore fallback(TOptionsStore::DefaultFile());
        current = &fallback;
    }
    return *current;
}

TOptionsStore* SetOptions(TOptionsStore* next) {
    TOptionsStore* previous = current;
    current = next;
    return previous;
}

}  // namespace shell
