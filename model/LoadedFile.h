// The native file a hypertext was loaded from. It stays open while the
// hypertext is loaded: pictures and embedded files read their bytes from it on
// demand, and saving copies them from it into the new file.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace model {

class LoadedFile {
public:
    // Opens for reading; nullptr when it cannot be opened. Takes a shared
    // advisory lock so that cooperating writers keep off.
    static std::shared_ptr<LoadedFile> Open(const std::filesystem::path& path);
    ~LoadedFile();
    LoadedFile(const LoadedFile&) = delete;
    LoadedFile& operator=(const LoadedFile&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::uint64_t size() const { return size_; }
    int fd() const { return fd_; }
    dev_t device() const { return dev_; }
    ino_t inode() const { return ino_; }

    // Reads exactly n bytes at offset; false when the file cannot give them.
    bool ReadAt(std::uint64_t offset, std::size_t n, void* out) const;
    bool ReadAt(std::uint64_t offset, std::size_t n, std::string& out) const;

    // Bytes read through any LoadedFile since the start (for measurements).
    static std::uint64_t TotalBytesRead();

private:
    LoadedFile() = default;
    int fd_ = -1;
    std::filesystem::path path_;
    std::uint64_t size_ = 0;
    dev_t dev_ = 0;
    ino_t ino_ = 0;
};

}  // namespace model
