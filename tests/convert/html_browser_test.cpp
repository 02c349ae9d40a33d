// The exported site against real outside programs: every page opened in
// headless Chromium (no console errors, pictures loaded, link and area
// targets present) and checked by the Nu HTML checker (no parse errors).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "convert/html/NYXtoHtml.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/text.h"
#include "present/TableChoices.h"
#include "support/LinkTag.h"
#include "support/Needs.h"

using namespace model;
namespace fs = std::filesystem;

namespace {

using testsupport::Tag;

const char kGif[] = "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;";

std::string RunTool(const std::string& cmd, int* rc = nullptr) {
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    const int r = pclose(p);
    if (rc) *rc = r;
    return out;
}

bool Have(const std::string& tool) { return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0; }

// Loads every page in one Chromium run and checks what it finds.
void CheckInChromium(const fs::path& dir, const fs::path& work, const std::vector<std::string>& pages) {
    // One run: a checker page loads every exported page in an iframe and
    // writes what it finds into its own DOM.
    std::string list;
    for (auto& p : pages) list += (list.empty() ? "'" : ",'") + p + "'";
    std::ofstream(dir / "zz_check.htm") << "<!DOCTYPE html><html><body><pre id=out></pre><script>\n"
        "const pages=[" << list << "];let i=0;const out=document.getElementById('out');\n"
        "function next(){ if(i>=pages.length){out.textContent+='DONE\\n';return;}\n"
        " const f=document.createElement('iframe');f.src=pages[i];document.body.appendChild(f);\n"
        " f.onload=()=>{ const d=f.contentDocument; const name=pages[i];\n"
        "  for(const im of d.images){ if(!(im.complete&&im.naturalWidth>0)) out.textContent+='IMGFAIL '+name+' '+im.getAttribute('src')+'\\n'; }\n"
        "  for(const a of d.querySelectorAll('a[href],area[href]')){ const h=a.getAttribute('href');\n"
        "   if(/^(javascript:|mailto:|https?:)/i.test(h)) continue; if(h.startsWith('#')){ if(h.length>1&&!d.querySelector('a[name=\"'+h.slice(1)+'\"]')) out.textContent+='ANCHOR '+name+' '+h+'\\n'; continue;}\n"
        "   out.textContent+='HREF '+h.split('#')[0]+'\\n'; }\n"
        "  i++; next(); }; }\n"
        "next();\n</script></body></html>\n";
    const fs::path profile = work / "profile";
    const std::string cmd = "timeout 90 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
                            "--disable-background-networking --disable-component-update --disable-sync --allow-file-access-from-files "
                            "--enable-logging=stderr --v=0 --virtual-time-budget=10000 --user-data-dir='" + profile.string() +
                            "' --dump-dom 'file://" + (dir / "zz_check.htm").string() + "' 2>'" + (work / "log.txt").string() + "'";
    int rc = 0;
    const std::string full = RunTool(cmd, &rc);
    const std::size_t from = full.find("<pre id=\"out\">"), to = full.find("</pre>");
    const std::string dom = from != std::string::npos && to != std::string::npos && to > from ? full.substr(from, to - from) : full;
    ASSERT_NE(dom.find("DONE"), std::string::npos) << "chromium rc " << rc << "\n" << dom;
    EXPECT_EQ(dom.find("IMGFAIL"), std::string::npos) << dom;
    EXPECT_EQ(dom.find("ANCHOR"), std::string::npos) << dom;
    std::istringstream lines(dom);
    std::size_t hrefs = 0;
    for (std::string l; std::getline(lines, l);) {
        if (l.rfind("HREF ", 0) != 0) continue;
        ++hrefs;
        const std::string target = l.substr(5);
        EXPECT_TRUE(fs::exists(dir / target)) << "link senza destinazione: " << target;
    }
    EXPECT_GT(hrefs, 3u);
    std::ifstream log(work / "log.txt");
    for (std::string l; std::getline(log, l);)
        if (l.find("CONSOLE") != std::string::npos && l.find("zz_check") == std::string::npos)
            ADD_FAILURE() << "console: " << l;
}

class Site : public ::testing::Test {
protected:
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    platform::testing::TempDir tmp;
    TNYXset set;
    std::vector<std::string> pages;  // exported page files

    fs::path Gif(const std::string& name) {
        fs::path p = tmp.path() / name;
        std::ofstream f(p, std::ios::binary);
        f.write(kGif, sizeof kGif - 1);
        f << name;
        return p;
    }
    TNYXoggetto* Placed(TNYXoggetto* pic) {
        TNYXoggetto* o = set.NewPlacedPicture(pic);
        if (o && !o->Registered()) set.RegisterObject(immagineNew, -1, o);
        return o;
    }

    void SetUp() override {
        set.NewHypertext();
        set.SetExpPrefix("sito");
        auto* home = static_cast<TNYXtesto*>(set.NewObject(testoHtml));
        auto* second = static_cast<TNYXtesto*>(set.NewObject(testoHtml));
        auto* third = static_cast<TNYXtesto*>(set.NewObject(testoHtml));
        TNYXoggetto* pic = set.AddPicture(Gif("foto.gif"));
        TNYXoggetto* over = set.AddPicture(Gif("sopra.gif"));
        TNYXoggetto* placed = Placed(pic);
        placed->SetInt(9, over->Reference());
        TNYXoggetto* mapped = Placed(pic);
        TNYXoggetto* link = set.NewObject(speclink);
        link->SetSubtype(1);
        link->SetInt(13, third->Reference());
        link->SetInt(9, -1);
        link->SetByte(17, 1);
        link->SetByte(18, 0);
        mapped->SetInt(73, link->Reference());
        mapped->SetInt(77, 0);
        for (int off : {81, 83}) mapped->SetWord(static_cast<std::size_t>(off), 0);
        mapped->SetWord(85, 10);
        mapped->SetWord(87, 10);
        TNYXoggetto* table = set.NewObject(tabellaHtml);
        table->SetByte(93, 1);
        table->SetByte(94, 2);
        TNYXoggetto* form = set.NewObject(inizioForm);
        form->SetSubtype(4);
        form->SetStr(17, 255, "redazione@esempio.it");
        TNYXoggetto* field = set.NewObject(inputStat);
        field->SetSubtype(1);
        field->SetStr(17, 79, "nome");
        field->SetStr(97, 79, "<Mario & \"Rossi\">");
        field->SetByte(180, 1);
        field->SetByte(179, 20);
        TNYXoggetto* anchor = set.NewObject(shortObj);
        anchor->SetSubtype(14);
        anchor->SetInt(5, 1);
        home->SetName("Casa <prima> & \"unica\"");
        home->SetText("<Z S0 >Benvenuti " + Tag(second->Reference()) + "seconda<%> e " + Tag(link->Reference()) + "<Y y1 >terza<%>" +
                      Tag(placed->Reference()) + "<Z S0 N6 >uno<Z S0 N6 >due<Z S0 >" + Tag(table->Reference()) +
                      "<Z S1 >a<T><Z S1 >" + Tag(mapped->Reference()) + "<T><Z S0 >" + Tag(anchor->Reference()) + "fine" +
                      Tag(form->Reference()) + Tag(field->Reference()));
        second->SetName("Seconda");
        second->SetText("<Z S0 >torna a " + Tag(home->Reference()) + "casa<%>");
        third->SetName("Terza");
        TNYXoggetto* floating = set.NewObject(inputStat);
        floating->SetSubtype(18);
        floating->SetInt(108, static_cast<std::int32_t>(second->Index()));
        floating->SetWord(180, 100);
        floating->SetWord(182, 200);
        third->SetText("<Z S0 >\xE8 la terza" + Tag(floating->Reference()));
        // A page divided into two frames showing the second and third pages.
        auto* divided = static_cast<TNYXtesto*>(set.NewObject(testoHtml));
        divided->SetName("Cornici");
        divided->SetText("<Z S0 >senza cornici");
        auto rec = [](std::int32_t id, std::int32_t parent, int place, bool container, std::int32_t page, int rule) {
            std::string r(58, '\0');
            auto i32 = [&](std::size_t off, std::int32_t v) {
                for (int k = 0; k < 4; ++k) r[off + static_cast<std::size_t>(k)] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * k)) & 0xFF);
            };
            i32(0, id);
            i32(4, parent);
            r[8] = 2;
            r[9] = 'f';
            r[10] = static_cast<char>('0' + id);
            r[28] = static_cast<char>(place);
            r[31] = 1;
            r[32] = container ? 1 : 0;
            i32(34, page);
            i32(38, 40);
            r[51] = 1;
            i32(52, 20);
            r[56] = 3;
            r[57] = static_cast<char>(rule);
            return r;
        };
        TNYXoggetto* map = set.NewObject(mappaFrame);
        map->SetFirstStream(rec(1, -1, 0, true, -1, 0) + rec(2, 1, 1, false, second->Reference(), 0) + rec(3, 1, 5, false, third->Reference(), 2));
        divided->SetInt(81, static_cast<std::int32_t>(map->Index()));
        convert::html::TNYXtoHtml x(&set);
        x.ExportPath = tmp.path() / "site";
        ASSERT_TRUE(x.Export(convert::AllPages(set))) << (x.Report().problems.empty() ? "" : x.Report().problems[0]);
        for (auto& e : fs::directory_iterator(x.ExportPath))
            if (e.path().extension() == ".html") pages.push_back(e.path().filename().string());
        std::sort(pages.begin(), pages.end());
        ASSERT_GE(pages.size(), 3u);
    }
};

TEST_F(Site, OpensInChromiumWithoutErrors) {
    QUOR_NEEDS(Have("chromium"), "chromium non installato (scripts/install-deps)");
    CheckInChromium(tmp.path() / "site", tmp.path(), pages);
}

// The Nu HTML checker on the given files: no errors of the parser itself.
// Obsolete elements and attributes are what the pages are meant to use.
void ExpectNoParseErrors(const std::vector<fs::path>& files) {
    const fs::path jar = fs::path(QUOR_SOURCE_DIR) / "build/tools/node_modules/vnu-jar/build/dist/vnu.jar";
    QUOR_NEEDS(fs::exists(jar) && Have("java"), "vnu.jar o java mancanti (scripts/install-deps)");
    std::string list;
    for (auto& f : files) list += " '" + f.string() + "'";
    const std::string out = RunTool("java -jar '" + jar.string() + "' --errors-only --format text" + list + " 2>&1");
    static const std::regex parse(
        "Stray (start|end) tag|End tag .* seen|Unclosed element|Saw .* when expecting|Duplicate attribute|No space between "
        "attributes|without seeing a doctype|in an unquoted attribute value|did not start a character reference|character "
        "reference was not terminated|End of file|Bogus comment|Unclosed elements|violates nesting|Attribute value missing|"
        "Named character reference|not allowed after|is not a valid character|Garbage after|Cannot recover");
    std::istringstream lines(out);
    for (std::string l; std::getline(lines, l);)
        if (std::regex_search(l, parse)) ADD_FAILURE() << l;
}

TEST_F(Site, NuCheckerFindsNoParseErrors) {
    std::vector<fs::path> files;
    for (auto& p : pages) files.push_back(tmp.path() / "site" / p);
    ExpectNoParseErrors(files);
}

TEST(SampleSite, TheSampleHypertextOpensInChromium) {
    QUOR_NEEDS(Have("chromium"), "chromium non installato (scripts/install-deps)");
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    platform::testing::TempDir tmp;
    TNYXset set;
    ASSERT_TRUE(set.LoadFromFile(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx"));
    convert::html::TNYXtoHtml x(&set);
    x.ExportPath = tmp.path() / "site";
    ASSERT_TRUE(x.Export(convert::AllPages(set)));
    std::vector<std::string> pages;
    for (auto& e : fs::directory_iterator(x.ExportPath))
        if (e.path().extension() == ".html") pages.push_back(e.path().filename().string());
    ASSERT_FALSE(pages.empty());
    CheckInChromium(x.ExportPath, tmp.path(), pages);
}

// The sample's pages follow each other by its page order: Chromium clicks
// "pagina seguente" and "pagina precedente" and lands on the page after and
// the page before.
TEST(SampleSite, NextAndPreviousLinksLandOnTheRightPages) {
    QUOR_NEEDS(Have("chromium"), "chromium non installato (scripts/install-deps)");
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    platform::testing::TempDir tmp;
    TNYXset set;
    ASSERT_TRUE(set.LoadFromFile(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx"));
    ASSERT_GE(set.Count(testoHtml), 3u);
    convert::html::TNYXtoHtml x(&set);
    x.ExportPath = tmp.path() / "site";
    ASSERT_TRUE(x.Export(convert::AllPages(set)));
    auto title = [&](int slot) { return platform::text::Cp1252ToUtf8(set.ObjectAt(testoHtml, slot)->GetName()); };
    const std::string start = x.PageFileName(set.ObjectAt(testoHtml, 0), 0);
    // The pages send their links to the top window; the checker keeps them in its frame.
    std::ofstream(x.ExportPath / "zz_steps.htm")
        << "<!DOCTYPE html><html><head><meta charset=utf-8></head><body><pre id=out></pre><iframe id=f></iframe><script>\n"
           "const steps=['pagina seguente','pagina seguente','pagina precedente','pagina precedente'];\n"
           "let i=0;const out=document.getElementById('out');const f=document.getElementById('f');\n"
           "f.onload=()=>{ const d=f.contentDocument; out.textContent+='AT '+d.title.trim()+'\\n';\n"
           " if(i>=steps.length){out.textContent+='DONE\\n';return;}\n"
           " for(const b of d.querySelectorAll('base')) b.target='_self';\n"
           " const a=[...d.querySelectorAll('a')].find(e=>e.textContent.trim()===steps[i]); i++;\n"
           " if(!a){out.textContent+='MISSING\\nDONE\\n';return;}\n"
           " a.click(); };\n"
           "f.src='" << start << "';\n</script></body></html>\n";
    const std::string cmd = "timeout 90 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
                            "--disable-background-networking --disable-component-update --disable-sync "
                            "--allow-file-access-from-files --virtual-time-budget=10000 --user-data-dir='" +
                            (tmp.path() / "profile").string() + "' --dump-dom 'file://" +
                            (x.ExportPath / "zz_steps.htm").string() + "' 2>/dev/null";
    const std::string dom = RunTool(cmd);
    const std::size_t from = dom.find("<pre id=\"out\">"), to = dom.find("</pre>");
    ASSERT_TRUE(from != std::string::npos && to != std::string::npos && to > from) << dom;
    const std::string seen = dom.substr(from + 14, to - from - 14);
    EXPECT_EQ(seen, "AT " + title(0) + "\nAT " + title(1) + "\nAT " + title(2) + "\nAT " + title(1) + "\nAT " +
                        title(0) + "\nDONE\n");
}

// Tables made as the "Nuova tabella" and "Proprietà tabella" dialogs make
// them: a 3 x 3 table of style 7 with a picture behind its middle cell and
// a 2 x 2 table of style 2 nested in its last cell. Chromium shows every
// cell with the background the style gave it, the picture loaded, and the
// text of every cell in its place; the Nu checker finds no parse errors.
TEST(TableSite, TablesOfTheNewTableDialogShowTheirCellsInChromium) {
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    platform::testing::TempDir tmp;
    TNYXset set;
    set.NewHypertext();
    set.SetExpPrefix("tab");
    auto* page = static_cast<TNYXtesto*>(set.NewObject(testoHtml));
    page->SetName("Tabelle");
    const fs::path gif = tmp.path() / "trama.gif";
    {
        std::ofstream f(gif, std::ios::binary);
        f.write(kGif, sizeof kGif - 1);
    }
    TNYXoggetto* pic = set.AddPicture(gif);
    ASSERT_NE(pic, nullptr);
    TNYXoggetto* outer = set.NewObject(tabellaHtml);
    present::TNewTableChoices nt;
    nt.style = 7;
    nt.border = true;
    nt.first = 0xFFFFFF;
    nt.second = 0x0000FF;  // red, red in the low byte
    nt.Apply(*outer);
    present::TTableProperties props = present::TTableProperties::Of(*outer, 1);
    props.backgroundKind = 1;
    props.picture = present::PictureBackground(static_cast<std::uint32_t>(pic->Index()));
    props.applyTo = 1;
    props.Apply(*outer, {1, 1});
    TNYXoggetto* inner = set.NewObject(tabellaHtml);
    present::TNewTableChoices ni;
    ni.rows = 2;
    ni.columns = 2;
    ni.style = 2;
    ni.first = 0x00FFFF;   // yellow
    ni.second = 0x00FF00;  // green
    ni.Apply(*inner);
    std::string text = "<Z S0 >prima<Z S0 >" + Tag(outer->Reference());
    for (int k = 0; k < 8; ++k) text += "<Z S1 >c" + std::to_string(k) + "<T>";
    text += "<Z S1 >" + Tag(inner->Reference());
    for (int k = 0; k < 4; ++k) text += "<Z S1 >n" + std::to_string(k) + "<T>";
    text += "<Z S1 >c8<T><Z S0 >dopo";
    page->SetText(text);
    convert::html::TNYXtoHtml x(&set);
    x.ExportPath = tmp.path() / "site";
    ASSERT_TRUE(x.Export(convert::AllPages(set))) << (x.Report().problems.empty() ? "" : x.Report().problems[0]);
    const std::string file = x.PageFileName(page, 0);
    ASSERT_TRUE(fs::exists(x.ExportPath / file)) << file;
    ExpectNoParseErrors({x.ExportPath / file});

    QUOR_NEEDS(Have("chromium"), "chromium non installato (scripts/install-deps)");
    // Every cell of both tables: its row and column, background colour,
    // whether a background picture loaded, and its text.
    std::ofstream(x.ExportPath / "zz_cells.htm")
        << "<!DOCTYPE html><html><body><pre id=out></pre><script>\n"
           "const out=document.getElementById('out');const f=document.createElement('iframe');\n"
           "function loads(u){return new Promise(r=>{const i=new Image();i.onload=()=>r(i.naturalWidth>0);i.onerror=()=>r(false);i.src=u;});}\n"
           "f.onload=async()=>{const d=f.contentDocument;const w=f.contentWindow;\n"
           " const tables=[...d.querySelectorAll('table')];out.textContent+='TABLES '+tables.length+'\\n';\n"
           " for(const [t,tb] of tables.entries()) for(const row of tb.rows) for(const td of row.cells){\n"
           "  const cs=w.getComputedStyle(td);const m=/url\\(\"?([^\")]*)\"?\\)/.exec(cs.backgroundImage);\n"
           "  const pic=m?((await loads(m[1]))?'picture':'broken'):'-';\n"
           "  const c=td.cloneNode(true);for(const n of c.querySelectorAll('table')) n.remove();\n"
           "  const own=c.textContent.replace(/\\s+/g,'');\n"
           "  out.textContent+=t+' '+row.rowIndex+' '+td.cellIndex+' '+cs.backgroundColor+' '+pic+' '+own+'\\n';}\n"
           " out.textContent+='DONE\\n';};\n"
           "f.src='" << file << "';document.body.appendChild(f);\n</script></body></html>\n";
    const std::string cmd = "timeout 90 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
                            "--disable-background-networking --disable-component-update --disable-sync "
                            "--allow-file-access-from-files --virtual-time-budget=10000 --user-data-dir='" +
                            (tmp.path() / "profile").string() + "' --dump-dom 'file://" +
                            (x.ExportPath / "zz_cells.htm").string() + "' 2>/dev/null";
    const std::string dom = RunTool(cmd);
    const std::size_t from = dom.find("<pre id=\"out\">"), to = dom.find("</pre>");
    ASSERT_TRUE(from != std::string::npos && to != std::string::npos && to > from) << dom;
    const std::string seen = dom.substr(from + 14, to - from - 14);
    const std::string red = "rgb(255, 0, 0)", none = "rgba(0, 0, 0, 0)", green = "rgb(0, 255, 0)", yellow = "rgb(255, 255, 0)";
    const std::string expected = "TABLES 2\n"
                                 "0 0 0 " + red + " - c0\n0 0 1 " + red + " - c1\n0 0 2 " + red + " - c2\n"
                                 "0 1 0 " + red + " - c3\n0 1 1 " + none + " picture c4\n0 1 2 " + none + " - c5\n"
                                 "0 2 0 " + red + " - c6\n0 2 1 " + none + " - c7\n0 2 2 " + none + " - c8\n"
                                 "1 0 0 " + green + " - n0\n1 0 1 " + green + " - n1\n"
                                 "1 1 0 " + yellow + " - n2\n1 1 1 " + yellow + " - n3\n"
                                 "DONE\n";
    EXPECT_EQ(seen, expected);
}

}  // namespace
