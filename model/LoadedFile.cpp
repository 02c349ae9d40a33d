#include "model/LoadedFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace model {

namespace {
std::atomic<std::uint64_t> bytesRead{0};
}

std::uint64_t LoadedFile::TotalBytesRead() { return bytesRead.load(std::memory_order_relaxed); }

std::shared_ptr<LoadedFile> LoadedFile::Open(const std::filesystem::path& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    ::flock(fd, LOCK_SH | LOCK_NB);  // advisory only; failing to lock does not stop reading
    std::shared_ptr<LoadedFile> f(new LoadedFile());
    f->fd_ = fd;
    f->path_ = path;
    f->size_ = static_cast<std::uint64_t>(st.st_size);
    f->dev_ = st.st_dev;
    f->ino_ = st.st_ino;
    return f;
}

LoadedFile::~LoadedFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool LoadedFile::ReadAt(std::uint64_t offset, std::size_t n, void* out) const {
    char* p = static_cast<char*>(out);
    std::size_t done = 0;
    while (done < n) {
        ssize_t r = ::pread(fd_, p + done, n - done, static_cast<off_t>(offset + done));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        done += static_cast<std::size_t>(r);
    }
    bytesRead.fetch_add(n, std::memory_order_relaxed);
    return true;
}

bool LoadedFile::ReadAt(std::uint64_t offset, std::size_t n, std::string& out) const {
    out.resize(n);
    if (ReadAt(offset, n, out.data())) return true;
    out.clear();
    return false;
}

}  // namespace model
