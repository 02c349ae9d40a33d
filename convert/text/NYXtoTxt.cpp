#include "convert/text/NYXtoTxt.h"

#include <algorithm>

#include <cstdio>
#include <fstream>
#include <system_error>

#include "convert/html/Encoding.h"
#include "markup/Lexer.h"
#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Upgrade.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "present/TableData.h"
#include "richtext/Attributes.h"
#include "richtext/Clipboard.h"
#include "richtext/StyleSheet.h"

namespace convert::text {

namespace fs = std::filesystem;
using model::TNYXoggetto;

namespace {

constexpr std::size_t kParaSoft = 1700, kParaHard = 1800;

std::string Hex8Lower(std::uint32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "%08x", v);
    return b;
}

// The marker references of free HTML texts, by marker subtype 21..28.
const char* RefName(int subtype) {
    switch (subtype) {
        case 21: return "!RefI:";
        case 22: return "!RefL:";
        case 23: return "!RefP:";
        case 24: return "!RefF:";
        case 25: return "!RefX:";
        case 26: return "!RefY:";
        case 28: return "!ReCF:";
        default: return nullptr;
    }
}

}  // namespace

std::string TNYXtoTxt::MarkupToText(std::string_view text) const {
    std::string out;
    out.reserve(text.size());
    struct TTable {
        long cells, columns, k;
        long shown;  // the columns shown: cells past them run on in the last
    };
    std::vector<TTable> tables;
    bool firstPara = true;
    bool noBreak = false;      // the next paragraph starts a table's first cell, or follows a table
    bool cellHasPara = false;  // a paragraph of the current cell was written
    markup::TMarkupLexer lx(text);
    for (;;) {
        const markup::Token t = lx.Next();
        if (t.kind == markup::TokenKind::End || t.kind == markup::TokenKind::Nul) break;
        switch (t.kind) {
            case markup::TokenKind::Text:
                for (std::size_t i = t.begin; i < t.end; ++i)
                    if (static_cast<unsigned char>(text[i]) >= 0x20) out += text[i];
                break;
            case markup::TokenKind::Entity:
                if (t.ch >= 0x20) out += static_cast<char>(t.ch);
                break;
            case markup::TokenKind::Tag:
                switch (t.letter) {
                    case 'Z':
                        if (!tables.empty()) {
                            // Paragraphs of one cell stay on its line, a blank apart.
                            if (cellHasPara && !noBreak) out += ' ';
                            cellHasPara = true;
                        } else if (!firstPara && !noBreak) {
                            out += "\r\n";
                        }
                        firstPara = false;
                        noBreak = false;
                        break;
                    case 'T':
                        if (t.end - t.begin == 3 && !tables.empty()) {
                            TTable& tb = tables.back();
                            ++tb.k;
                            const long col = tb.k % tb.columns;
                            // A stored cell past the shown columns runs on in the last one.
                            if (col == 0 || col < tb.shown) {
                                out += col == 0 ? "\r\n" : "\t";
                                cellHasPara = false;
                            }
                            if (tb.k >= tb.cells) {
                                tables.pop_back();
                                noBreak = true;
                                cellHasPara = !tables.empty();
                            }
                        }
                        break;
                    case '$': {
                        std::uint32_t key = 0;
                        if (!markup::ParseRefTag(text, t, key) || !LinkedNYXset) break;
                        const TNYXoggetto* o = LinkedNYXset->ObjectByRef(static_cast<std::int32_t>(key));
                        if (!o || o->IsEmpty()) break;
                        if (o->Type() == model::tabellaHtml) {
                            const present::TTableData td(*o);
                            const long stored = std::max<long>(o->Byte(94), td.Columns());
                            const long cells = static_cast<long>(td.Rows()) * stored;
                            if (cells > 0) {
                                tables.push_back({cells, stored, 0, td.Columns()});
                                noBreak = true;
                                cellHasPara = false;
                            }
                        } else if (o->Type() == model::shortObj) {
                            if (const char* r = RefName(o->Subtype())) {
                                out += r;
                                out += Hex8Lower(static_cast<std::uint32_t>(o->Int(model::markerrec::kValue)));
                            } else if (o->Subtype() == 27) {
                                std::string name;
                                if (o->HasFirstStream()) o->ReadFirstStream(name);
                                out += "!ReCP:" + name + "!";
                            }
                        }
                        break;
                    }
                    case 'D':
                    case 'F':
                    case 'R': {
                        const std::string close = std::string("<") + static_cast<char>(t.letter - 'A' + 'a') + ">";
                        const std::size_t at = text.find(close, t.end);
                        lx.Seek(at == std::string_view::npos ? text.size() : at + close.size());
                        break;
                    }
                    default: break;
                }
                break;
            default: break;
        }
    }
    return out;
}

std::string TNYXtoTxt::ExportSelection(std::string_view source) const {
    std::string t = MarkupToText(source);
    t += '\0';
    return t;
}

std::string TNYXtoTxt::PagesText(const std::vector<std::int32_t>& pages) const {
    std::string all;
    if (!LinkedNYXset) return all;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const TNYXoggetto* page = LinkedNYXset->ObjectAt(model::testoHtml, pages[i]);
        if (i) all += "\r\n";
        if (!page || page->IsEmpty()) {
            problems_.push_back("Pagina inesistente: " + std::to_string(pages[i]));
            continue;
        }
        all += MarkupToText(model::CurrentPageText(*LinkedNYXset, *page));
    }
    return all;
}

bool TNYXtoTxt::ExportPages(const std::vector<std::int32_t>& pages) {
    problems_.clear();
    if (!LinkedNYXset) return false;
    std::string all;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i) all += "\r\n";
        all += PagesText({pages[i]});
        Progress(static_cast<int>(i), static_cast<int>(pages.size()), 1);
    }
    const std::string bytes = encoding == TTextEncoding::Utf8 ? platform::text::Cp1252ToUtf8(all) : all;
    std::error_code ec;
    if (ExportFileName.has_parent_path()) fs::create_directories(ExportFileName.parent_path(), ec);
    std::ofstream f(ExportFileName, std::ios::binary | std::ios::trunc);
    if (f) f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f || !f.flush()) {
        problems_.push_back("Errore nella scrittura del file: \"" + platform::text::Utf8ToCp1252(ExportFileName.string()) + "\"");
        return false;
    }
    return problems_.empty();
}

std::string PasteAsCode(model::TNYXset& set, std::string_view utf8) {
    const std::string text = platform::text::Utf8ToCp1252(utf8);
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '\r' || ch == '\n') {
            if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            lines.emplace_back();
        } else {
            lines.back() += ch;
        }
    }
    TNYXtoTxt t(&set);
    return t.ImportFragment(lines, 1, 0);
}

void InstallCodePaste() { richtext::SetCodePaste(PasteAsCode); }

bool LooksBinary(std::string_view bytes) {
    const std::size_t n = std::min<std::size_t>(bytes.size(), 64 * 1024);
    std::size_t control = 0, nul = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == 0) ++nul;
        else if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1A) ++control;
    }
    if (nul) {
        // UTF-16 text has its zero bytes in one lane.
        const html::TDecodedText d = html::DecodeTextBytes(bytes.substr(0, n));
        if (d.encoding.compare(0, 6, "utf-16") != 0) return true;
        return false;
    }
    return control >= 8 && control * 10 > n;  // more than one byte in ten
}

std::string TNYXtoTxt::TextToMarkup(std::string_view text, int style) {
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 16);
    const std::string tag = "<Z S" + std::to_string(style) + " >";
    std::size_t p = 0;
    const std::size_t n = text.size();
    while (p <= n) {
        std::size_t e = p;
        while (e < n && text[e] != '\n' && text[e] != '\r') ++e;
        out += tag;
        std::size_t len = 0;
        for (std::size_t i = p; i < e; ++i) {
            const char c = text[i];
            if (c == '\t') {
                out.append(8, ' ');
                len += 8;
            } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                continue;  // control bytes carry no text
            } else {
                markup::AppendEscaped(out, c);
                ++len;
            }
            // A line longer than a paragraph holds goes on in the next one, at a blank when it can.
            if (len >= kParaHard || (len >= kParaSoft && c == ' ')) {
                out += tag;
                len = 0;
            }
        }
        if (e >= n) break;
        p = e + (text[e] == '\r' && e + 1 < n && text[e + 1] == '\n' ? 2 : 1);
        if (p == n) break;  // the last line end ends the last line
    }
    return out;
}

TNYXoggetto* TNYXtoTxt::ImportText(std::string_view bytes, const fs::path& name) {
    if (!LinkedNYXset) return nullptr;
    if (LooksBinary(bytes)) {
        report_.skipped.push_back(name.string() + ": non \xC3\xA8 un file di testo");
        return nullptr;
    }
    const html::TDecodedText d = html::DecodeTextBytes(bytes);
    report_.unmapped += d.unmapped;
    model::TNYXtesto* page = html::NewImportPage(*LinkedNYXset, importBackColour, importBackPicture);
    if (!page) return nullptr;
    std::string markup = TextToMarkup(d.text, 0);
    if (markup.empty()) markup = "<Z S0 >";
    markup += '\0';
    page->SetFirstStream(std::move(markup));
    page->SetByte(model::pagerec::kMarkupVersion, model::pagerec::kCurrentMarkup);
    std::string title = platform::text::Utf8ToCp1252(name.filename().string());
    if (title.size() > model::pagerec::kTitleCap) title.resize(model::pagerec::kTitleCap);
    if (!title.empty()) page->SetName(title);
    report_.pages.push_back(static_cast<std::int32_t>(page->Index()));
    return page;
}

int TNYXtoTxt::ImportFiles(const std::vector<fs::path>& files, int /*flag*/) {
    report_.Clear();
    if (!LinkedNYXset) return 0;
    // Pages come in one after another: each joins the end of the number order
    // remembered from the one before.
    model::TNYXset::TPageRun run(*LinkedNYXset);
    platform::BusyCursor busy;
    const int count = static_cast<int>(files.size());
    for (int i = 0; i < count; ++i) {
        if (stopRequested && stopRequested()) {
            report_.stopped = true;
            break;
        }
        if (OnImpProgress) OnImpProgress(i, count, 1);
        const fs::path& f = files[static_cast<std::size_t>(i)];
        const std::optional<std::string> bytes = ReadImportFile(f, kMaxFileSize, report_.skipped);
        if (!bytes) continue;
        ImportText(*bytes, f);
    }
    if (OnImpProgress) OnImpProgress(count, count, 1);
    return report_.pages.empty() ? 0 : report_.pages.front();
}

std::string TNYXtoTxt::ImportFragment(const std::vector<std::string>& lines, int mode, int style) {
    richtext::TClipContainer c;
    c.format = 1;
    if (mode == 1 && LinkedNYXset) {
        TNYXoggetto* code = richtext::StyleByName(*LinkedNYXset, "Codice");
        if (!code) {
            auto model = model::MakeObject(model::stileParagrafo);
            model->Reset();
            model->SetStr(richtext::style::kFont, richtext::style::kFontCap, "Courier New");
            richtext::SetStyleValue(*model, richtext::pfSize, 10);
            code = richtext::AddStyle(*LinkedNYXset, "Codice", model.get());
        }
        if (code) style = static_cast<int>(code->Index());
    }
    const std::string tag = "<Z S" + std::to_string(style) + " >";
    for (const std::string& line : lines) {
        std::string text = line;
        for (char& ch : text)
            if (ch == '\t') ch = ' ';
        if (mode != 1) {
            c.markup += TextToMarkup(line, style).substr(0);
            ++c.paragraphs;
            continue;
        }
        c.markup += tag;
        ++c.paragraphs;
        std::size_t i = 0;
        while (i < line.size()) {
            const std::size_t at = line.find("!Re", i);
            const std::string before = line.substr(i, at == std::string::npos ? std::string::npos : at - i);
            c.markup += TextToMarkup(before, style).substr(tag.size());
            if (at == std::string::npos) break;
            const std::string_view rest = std::string_view(line).substr(at);
            int subtype = 0;
            static constexpr std::pair<const char*, int> kRefs[] = {{"!RefI:", 21}, {"!RefL:", 22}, {"!RefP:", 23},
                                                                    {"!RefF:", 24}, {"!RefX:", 25}, {"!RefY:", 26},
                                                                    {"!ReCF:", 28}};
            for (const auto& [name, sub] : kRefs)
                if (rest.substr(0, 6) == name) subtype = sub;
            std::uint32_t value = 0;
            auto marker = model::MakeObject(model::shortObj);
            marker->Reset();
            std::size_t used = 0;
            if (subtype && markup::ParseHex(line, at + 6, 8, value)) {
                marker->SetSubtype(static_cast<std::uint8_t>(subtype));
                marker->SetInt(model::markerrec::kValue, static_cast<std::int32_t>(value));
                used = 14;
            } else if (rest.substr(0, 6) == "!ReCP:" && rest.find('!', 6) != std::string_view::npos) {
                const std::size_t end = rest.find('!', 6);
                marker->SetSubtype(27);
                marker->SetFirstStream(std::string(rest.substr(6, end - 6)));
                used = end + 1;
            }
            if (!used) {  // any other "!" stays text
                c.markup += "!";
                i = at + 1;
                continue;
            }
            richtext::TClipObject obj;
            obj.kind = model::shortObj;
            obj.old = static_cast<std::int32_t>(c.objects.size());
            marker->SaveToStream(obj.record);
            char id[16];
            std::snprintf(id, sizeof id, "<$FF%06X>", static_cast<unsigned>(c.objects.size()));
            c.markup += id;
            c.objects.push_back(std::move(obj));
            i = at + used;
        }
    }
    return richtext::BuildContainer(c);
}

}  // namespace convert::text
