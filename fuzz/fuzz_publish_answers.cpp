// Fuzz target: what the servers of a publication answer besides the
// protocol itself: the account's rights (GETMYRIGHTS), the section index
// "lista.html" with the changes a publication makes to it, and the version
// page of FTP publishing. Input: any bytes, read as each of them.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "publish/FtpPublish.h"
#include "publish/Quor3Comm.h"

namespace {

bool HasControl(const std::string& s) {
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    for (const publish::TSection& s : publish::ParseRights(text, "autore")) {
        if (s.base.empty() || s.path.empty() || HasControl(s.path) || HasControl(s.base)) __builtin_trap();
        if (s.path.find("..") != std::string::npos || s.description.size() > 254 || s.quotaKb < 0) __builtin_trap();
    }

    std::vector<std::string> lines = publish::SplitLines(text);
    for (const publish::TIndexEntry& e : publish::IndexEntries(lines))
        if (e.size < 0) __builtin_trap();
    // A publication's changes: whatever the index held, adding an entry
    // inserts its three lines and keeps every other line, the entry is
    // found and (outside "homepage") listed, and it can be removed again.
    for (const char* name : {"prova.nyx", "homepage.nyx"}) {
        std::vector<std::string> next = lines;
        publish::RemoveIndexEntry(next, name);
        const std::vector<std::string> before = next;
        publish::AddIndexEntry(next, name, 1234, 7, "01/01/2026 10.00.00", "http://h:80//quord.dll", "s/", "Titolo <b>\"x\"\r\n");
        if (next.size() != before.size() + 3) __builtin_trap();
        std::size_t at = 0;
        while (at < before.size() && next[at] == before[at]) ++at;
        if (next[at].compare(0, 3 + std::strlen(name), std::string("<!=") + name) != 0) __builtin_trap();
        for (std::size_t i = at; i < before.size(); ++i)
            if (next[i + 3] != before[i]) __builtin_trap();
        for (std::size_t i = at; i < at + 3; ++i)
            if (HasControl(next[i])) __builtin_trap();
        if (publish::FindIndexEntry(next, name) < 0) __builtin_trap();
        if (std::string_view(name) == "prova.nyx") {
            bool listed = false;
            for (const publish::TIndexEntry& e : publish::IndexEntries(next)) listed = listed || e.name == name;
            if (!listed) __builtin_trap();
        }
        const std::size_t added = next.size();
        if (!publish::RemoveIndexEntry(next, name) || next.size() >= added) __builtin_trap();
    }

    if (publish::TFtpPublisher::ParseVersionPage(text) < -1) __builtin_trap();
    return 0;
}
