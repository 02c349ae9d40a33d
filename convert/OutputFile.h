// Writing the files an export produces. A file that already exists is
// overwritten in place and then cut to its new length, instead of being
// truncated to nothing first: on ext4, a file truncated to zero and written
// again has its blocks pushed to disk when it is closed (the safeguard for
// programs that replace files that way), which costs a disk round trip per
// file and makes exporting again over an existing site many times slower
// than writing a new one.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace convert {

// Writes `bytes` as the whole contents of `path`; false (with the system's
// reason in `error` when given) when it could not.
bool WriteWholeFile(const std::filesystem::path& path, std::string_view bytes, std::string* error = nullptr);

// Copies the file `from` as the whole contents of `to`. When `from` cannot be
// read nothing is written; when writing fails midway `to` is removed.
bool CopyWholeFile(const std::filesystem::path& from, const std::filesystem::path& to, std::string* error = nullptr);

}  // namespace convert
