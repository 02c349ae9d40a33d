#include "convert/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace convert {

namespace {

class TFd {
public:
    explicit TFd(int fd) : fd_(fd) {}
    ~TFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int get() const { return fd_; }
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool Fail(std::string* error) {
    if (error) *error = std::strerror(errno);
    return false;
}

bool WriteAll(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

// Opens `path` for writing from its start, creating it when missing; `size`
// receives its present length.
int OpenForOverwrite(const std::filesystem::path& path, off_t& size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return fd;
    struct stat st {};
    size = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : 0;
    return fd;
}

// Cuts what is left of the old contents beyond `written` bytes, then closes.
bool Finish(TFd& fd, off_t old, off_t written) {
    if (old > written && ::ftruncate(fd.get(), written) != 0) return false;
    return fd.Close();
}

}  // namespace

bool WriteWholeFile(const std::filesystem::path& path, std::string_view bytes, std::string* error) {
    off_t old = 0;
    TFd fd(OpenForOverwrite(path, old));
    if (fd.get() < 0) return Fail(error);
    if (!WriteAll(fd.get(), bytes.data(), bytes.size()) || !Finish(fd, old, static_cast<off_t>(bytes.size()))) return Fail(error);
    return true;
}

bool CopyWholeFile(const std::filesystem::path& from, const std::filesystem::path& to, std::string* error) {
    TFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) return Fail(error);
    off_t old = 0;
    TFd out(OpenForOverwrite(to, old));
    if (out.get() < 0) return Fail(error);
    char buf[1 << 16];
    off_t written = 0;
    bool ok = true;
    for (;;) {
        const ssize_t r = ::read(in.get(), buf, sizeof buf);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
            ok = r == 0;
            break;
        }
        if (!WriteAll(out.get(), buf, static_cast<std::size_t>(r))) {
            ok = false;
            break;
        }
        written += r;
    }
    if (ok && Finish(out, old, written)) return true;
    Fail(error);
    std::error_code ec;
    std::filesystem::remove(to, ec);
    return false;
}

}  // namespace convert
