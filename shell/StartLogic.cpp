#include "shell/StartLogic.h"

#include "markup/Lexer.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "platform/text.h"

namespace fs = std::filesystem;
namespace text = platform::text;

namespace shell {

TStartCommand ParseCommandLine(const std::vector<std::string>& args) {
    TStartCommand c;
    std::size_t first = 0;
    // Here an absolute path begins with "/" too: only the four switch names
    // are switches, anything else is the start of the file name.
    if (!args.empty() && !args[0].empty() && args[0][0] == '/') {
        const std::string sw = text::Upper(std::string_view(args[0]).substr(1));
        first = 1;
        if (sw == "PRINT") c.action = TNextAction::Print;
        else if (sw == "PQUOR") c.action = TNextAction::PublishServer;
        else if (sw == "PFTP") c.action = TNextAction::PublishFtp;
        else if (sw == "INIT") c.init = true;
        else first = 0;
    }
    for (std::size_t i = first; i < args.size(); ++i) {
        if (i > first) c.file += ' ';
        c.file += args[i];
    }
    return c;
}

TStartWindow ChooseStartWindow(bool tipOfTheDay, const TStartCommand& command) {
    return tipOfTheDay && command.action == TNextAction::Normal ? TStartWindow::Tips : TStartWindow::Splash;
}

bool CloseTipsAfterStart(bool autoHideTip, const TStartCommand& command) {
    return autoHideTip || command.action != TNextAction::Normal;
}

void TRecentFiles::Add(const std::string& file) {
    if (file.empty()) return;
    auto it = std::find(files_.begin(), files_.end(), file);
    if (it != files_.end()) {
        files_.erase(it);
    } else {
        while (files_.size() >= kMax) files_.erase(files_.begin());
    }
    files_.push_back(file);
}

bool TRecentFiles::Remove(const std::string& file) {
    auto it = std::find(files_.begin(), files_.end(), file);
    if (it == files_.end()) return false;
    files_.erase(it);
    return true;
}

void TRecentFiles::Assign(const std::vector<std::string>& files) {
    files_.clear();
    for (const auto& f : files) Add(f);
}

namespace {
fs::path EnvPath(const char* name) {
    const char* v = std::getenv(name);
    if (!v || !*v) return {};
    fs::path p(v);
    return p.is_absolute() ? p : fs::path();
}

fs::path HomeDataFolder() {
    if (fs::path x = EnvPath("XDG_DATA_HOME"); !x.empty()) return x;
    if (fs::path h = EnvPath("HOME"); !h.empty()) return h / ".local" / "share";
    return fs::temp_directory_path();
}

bool IsDir(const fs::path& p) {
    std::error_code ec;
    return !p.empty() && fs::is_directory(p, ec);
}
}  // namespace

TProgramPaths TProgramPaths::Find(const fs::path& executable) {
    TProgramPaths p;
    std::error_code ec;
    fs::path exe = fs::weakly_canonical(executable, ec);
    if (ec) exe = executable;
    p.executable = exe;
    p.programFolder = exe.parent_path();
    const fs::path source = QUOR_SOURCE_DIR;
    if (fs::path d = EnvPath("QUOR_DATA_DIR"); IsDir(d)) p.dataFolder = d;
    else if (IsDir(p.programFolder.parent_path() / "share" / "quor")) p.dataFolder = p.programFolder.parent_path() / "share" / "quor";
    else p.dataFolder = source / "data";
    if (IsDir(p.dataFolder / "examples")) p.examplesFolder = p.dataFolder / "examples";
    else p.examplesFolder = source / "examples";
    p.userFolder = HomeDataFolder() / "quor";
    return p;
}

bool IsInFolder(const fs::path& file, const fs::path& folder) {
    if (file.empty() || folder.empty()) return false;
    std::error_code ec;
    fs::path f = fs::weakly_canonical(fs::absolute(file, ec), ec).lexically_normal();
    fs::path d = fs::weakly_canonical(fs::absolute(folder, ec), ec).lexically_normal();
    auto fi = f.begin();
    for (auto di = d.begin(); di != d.end(); ++di, ++fi) {
        if (di->empty()) continue;  // trailing separator
        if (fi == f.end() || *fi != *di) return false;
    }
    return fi != f.end();
}

std::string PrefixForFile(const fs::path& file) {
    std::string stem = text::Lower(text::Utf8ToCp1252(file.stem().string()));
    if (stem.size() > 16) stem.resize(16);
    return stem;
}

std::string CaptionFor(const fs::path& file, const fs::path& examplesFolder, std::string_view appTitle) {
    std::string c = file.filename().string();
    if (IsInFolder(file, examplesFolder)) c += " [esempio]";
    c += " - ";
    c += appTitle;
    return c;
}

fs::path UserApplicationsFolder() { return HomeDataFolder() / "applications"; }

fs::path WriteDesktopEntry(const fs::path& executable, const fs::path& applicationsFolder) {
    std::error_code ec;
    fs::create_directories(applicationsFolder, ec);
    const fs::path entry = applicationsFolder / "quor.desktop";
    const fs::path tmp = applicationsFolder / ".quor.desktop.tmp";
    std::string exe = fs::absolute(executable, ec).string();
    // Exec keys quote with double quotes; backslash, quote, dollar and
    // backquote are escaped inside them.
    std::string quoted = "\"";
    for (char ch : exe) {
        if (ch == '"' || ch == '`' || ch == '$' || ch == '\\') quoted += '\\';
        quoted += ch;
    }
    quoted += '"';
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return {};
        out << "[Desktop Entry]\n"
               "Type=Application\n"
               "Name=Quor 3\n"
               "GenericName=Editor di ipertesti\n"
               "Comment=Scrive e pubblica ipertesti\n"
               "Exec=" << quoted << " %f\n"
               "Terminal=false\n"
               "Categories=Office;WordProcessor;\n"
               "MimeType=application/x-quor-nyx;\n";
        out.flush();
        if (!out) {
            fs::remove(tmp, ec);
            return {};
        }
    }
    fs::rename(tmp, entry, ec);
    if (ec) {
        fs::remove(tmp, ec);
        return {};
    }
    return entry;
}

std::string MarkupToPlainText(std::string_view m) {
    // Walked with the shared markup lexer: paragraphs become lines, cell ends
    // tabs, entities their characters; control bytes are dropped.
    std::string out;
    bool seenParagraph = false;
    markup::TMarkupLexer lx(m);
    for (;;) {
        const markup::Token t = lx.Next();
        if (t.kind == markup::TokenKind::End || t.kind == markup::TokenKind::Nul) break;
        switch (t.kind) {
            case markup::TokenKind::Tag:
                if (t.letter == 'Z') {
                    if (seenParagraph) out += '\n';
                    seenParagraph = true;
                } else if (t.letter == 'T' && t.end - t.begin == 3) {
                    out += '\t';
                }
                break;
            case markup::TokenKind::Entity:
                if (t.ch >= 0x20) out += static_cast<char>(t.ch);
                break;
            case markup::TokenKind::Text:
                for (std::size_t k = t.begin; k < t.end; ++k)
                    if (static_cast<unsigned char>(m[k]) >= 0x20) out += m[k];
                break;
            default:
                break;
        }
    }
    return out;
}

}  // namespace shell
