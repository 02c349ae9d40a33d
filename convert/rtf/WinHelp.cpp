// WinHelp sources: the topic footnotes of a page (#, $, K, +), topic ids,
// secondary window names, the ".HPJ" project and starting a help compiler.
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "convert/OutputFile.h"
#include "convert/rtf/RtfWriter.h"
#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/text.h"

extern char** environ;

namespace convert::rtf {

namespace {

std::string Num(long long v) { return std::to_string(v); }

bool IdChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u < 128 && std::isalnum(u)) || c == '.' || c == '_';
}

std::string Reduced(std::string_view s) {
    std::string r;
    for (const char c : s)
        if (IdChar(c)) r += c;
    return r;
}

constexpr const char* kWindowFlags = "=\"\",,,,,f2";

std::string Footnote(char mark, const std::string& value) {
    return std::string("{\\super ") + mark + "{\\footnote {\\super " + mark + "}{\\field{\\fldrslt " + value + "}}}}";
}

}  // namespace

std::string TNYXtortf::TopicId(std::string_view title, std::int32_t page) {
    const std::string n = Num(page);
    std::string id = Reduced(title);
    const std::size_t room = n.size() < 19 ? 19 - n.size() : 0;
    if (id.size() > room) id.resize(room);
    return id + "_" + n;
}

std::string TNYXtortf::TopicIdOf(std::int32_t page) const {
    const model::TNYXoggetto* p = LinkedNYXset ? LinkedNYXset->ObjectAt(model::testoHtml, page) : nullptr;
    return TopicId(p ? p->GetName() : std::string(), page);
}

void TRtfWriter::TopicFootnotes(const model::TNYXoggetto& page, std::string& out) {
    const std::string title = page.GetName();
    out += "\\ftnbj " + Footnote('#', x_.TopicIdOf(static_cast<std::int32_t>(page.Index())));
    out += Footnote('$', RtfText(title));
    std::string keys;
    for (std::size_t i = 0; i < model::pagerec::kKeywordCount; ++i) {
        const std::int32_t slot = page.Int(model::pagerec::kKeywords + 4 * i);
        const model::TNYXoggetto* k = slot >= 0 ? set_.ObjectAt(model::keyword, slot) : nullptr;
        if (!k || k->IsEmpty()) continue;
        std::string word = k->GetName();
        if (word.empty()) continue;
        for (char& c : word)
            if (c == ';') c = ',';
        if (!keys.empty()) keys += ";";
        keys += RtfText(word);
    }
    if (!keys.empty()) {
        std::string value;
        if (x_.titlesAsKeywords) {
            std::string t = title;
            for (char& c : t)
                if (c == ';') c = ',';
            value = RtfText(t) + ";";
        }
        out += Footnote('K', value + keys);
    }
    const int chapter = page.SWord(model::pagerec::kChapter), position = page.SWord(model::pagerec::kPosition);
    if (chapter >= 0 && position >= 0) out += Footnote('+', RtfText("seq" + Num(chapter) + ":" + Num(position)));
}

std::string TRtfWriter::WindowName(std::string_view name) {
    const std::string key(name);
    if (auto it = windowOf.find(key); it != windowOf.end()) return it->second;
    std::string base = Reduced(name);
    if (base.empty()) base = "win";
    if (base.size() > 8) base.resize(8);
    // Names that agree in their first 8 characters stay apart.
    std::string w = base;
    for (int n = 2; std::any_of(windows.begin(), windows.end(), [&](const std::string& o) { return platform::text::EqualsNoCase(o, w); }); ++n) {
        const std::string suffix = Num(n);
        w = base.substr(0, 8 - suffix.size()) + suffix;
    }
    windowOf[key] = w;
    windows.push_back(w);
    return w;
}

std::filesystem::path TNYXtortf::ProjectFileName() const {
    std::filesystem::path p = ExportFileName;
    return p.replace_extension(".HPJ");
}

std::string TNYXtortf::ProjectText(const std::vector<std::int32_t>& pages) const {
    const std::string crlf = "\r\n";
    std::string s = "[OPTIONS]" + crlf;
    s += "TITLE=" + (LinkedNYXset ? LinkedNYXset->Title() : std::string()) + crlf;
    const std::int32_t start = LinkedNYXset ? LinkedNYXset->HInt(model::hdr::kCoverPage) : -1;
    const model::TNYXoggetto* sp = start >= 0 && LinkedNYXset ? LinkedNYXset->ObjectAt(model::testoHtml, start) : nullptr;
    if (sp && !sp->IsEmpty()) {
        s += "CONTENTS=" + TopicIdOf(start) + crlf;
        s += "CITATION=Realizzato con Quor" + crlf;
    }
    s += crlf;
    s += "[WINDOWS]" + crlf;
    // Each secondary window with an empty caption, the position, state and
    // colours left to the help viewer, and the flags field "f2": the
    // window's height follows its topic (auto-size height).
    for (const std::string& w : windows_) s += w + kWindowFlags + crlf;
    s += "[MAP]" + crlf;
    for (const std::int32_t p : pages) s += TopicIdOf(p) + " " + Num(p) + crlf;
    s += crlf;
    s += "[FILES]" + crlf;
    s += platform::text::Utf8ToCp1252(ExportFileName.filename().string()) + crlf;
    if (!bitmaps_.empty()) {
        s += "[BITMAPS]" + crlf;
        for (const std::string& b : bitmaps_) s += b + crlf;
    }
    s += "[CONFIG]" + crlf;
    s += "BROWSEBUTTONS()" + crlf;
    return s;
}

bool TNYXtortf::WriteProject(const std::vector<std::int32_t>& pages) {
    std::string err;
    if (!WriteWholeFile(ProjectFileName(), ProjectText(pages), &err)) {
        problems_.push_back("Errore nella scrittura file " + platform::text::Utf8ToCp1252(ProjectFileName().string()));
        return false;
    }
    return true;
}

bool TNYXtortf::RunCompiler(std::string* error) {
    if (compilerCommand.empty()) return false;
    const std::string program = compilerCommand;
    const std::string project = ProjectFileName().string();
    std::vector<char*> argv{const_cast<char*>(program.c_str()), const_cast<char*>(project.c_str()), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
    if (rc != 0) {
        if (error) *error = "Impossibile avviare il compilatore: " + program;
        return false;
    }
    // The old help file goes only now that its replacement is being made.
    std::error_code ec;
    std::filesystem::path hlp = ExportFileName;
    std::filesystem::remove(hlp.replace_extension(".hlp"), ec);
    int status = 0;
    waitpid(pid, &status, 0);
    return true;
}

}  // namespace convert::rtf
