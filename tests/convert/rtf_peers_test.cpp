// The RTF we write read by programs nobody here wrote (LibreOffice, pandoc,
// unrtf), and RTF they write read by us, compared as words.
#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>

#include "RtfFixture.h"
#include "convert/rtf/Soffice.h"
#include "convert/text/NYXtoTxt.h"
#include "platform/text.h"
#include "support/Needs.h"

using namespace model;
using namespace rtftest;

namespace {

bool Have(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0; }

// Standard output of a command line made of fixed words and paths of our own.
std::string Output(const std::string& cmd) {
    std::string out;
    FILE* f = ::popen(cmd.c_str(), "r");
    if (!f) return out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    ::pclose(f);
    return out;
}

std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }

// Words of a UTF-8 text: runs of letters and digits, lower case; the
// spaces of other widths and the byte-order mark separate words.
std::vector<std::string> Words(std::string utf8) {
    for (const char* sp : {"\xEF\xBB\xBF", "\xC2\xA0", "\xE2\x80\x82", "\xE2\x80\x83", "\xE2\x80\x86", "\xE2\x80\x89", "\xE2\x80\x8B"})
        for (std::size_t at; (at = utf8.find(sp)) != std::string::npos;) utf8.replace(at, std::string_view(sp).size(), " ");
    std::vector<std::string> w;
    std::string cur;
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80 || std::isalnum(u)) {
            cur += static_cast<char>(u < 0x80 ? std::tolower(u) : u);
        } else if (!cur.empty()) {
            w.push_back(cur);
            cur.clear();
        }
    }
    if (!cur.empty()) w.push_back(cur);
    return w;
}

// How many of `want`'s words `got` has (as a multiset), as a fraction.
// The words run together: a reader that puts a cell's text next to the
// paragraph before it still reads the same characters.
std::string Joined(const std::vector<std::string>& words) {
    std::string s;
    for (const auto& w : words) s += w;
    return s;
}

std::string Squeezed(const std::string& s) {
    std::string out;
    for (const char c : s) {
        const bool blank = c == ' ' || c == '\n' || c == '\t';
        if (blank && !out.empty() && out.back() == ' ') continue;
        out += blank ? ' ' : c;
    }
    return out;
}

double Covered(const std::vector<std::string>& want, const std::vector<std::string>& got) {
    std::map<std::string, int> have;
    for (const auto& g : got) ++have[g];
    std::size_t hit = 0;
    for (const auto& w : want)
        if (have[w]-- > 0) ++hit;
    return want.empty() ? 1.0 : static_cast<double>(hit) / static_cast<double>(want.size());
}

class RtfPeers : public RtfTest {
protected:
    // Pages with the formatting the readers must keep: runs, a table with
    // text before it, tabs and runs of spaces, accents and a picture.
    std::vector<std::int32_t> Fixture() {
        TNYXoggetto* t = Table(2, 3);
        TNYXoggetto* pic = Picture("punto.gif", Gif("p"));
        std::vector<std::int32_t> pages;
        pages.push_back(static_cast<std::int32_t>(Page("Prima", "<Z S0 >Testo <Y y1 >grassetto<Y > e <Y y2 >corsivo<Y > citt\xE0 perch\xE9 \x80 5"
                                                                "<Z S0 >colonne   larghe      qui<Z S0 >prima della tabella" + Tag(t->Reference()) +
                                                                "<Z S1 >alfa<T><Z S1 >beta<T><Z S1 >gamma<T><Z S1 >delta<T><Z S1 >epsilon<T><Z S1 >zeta<T>"
                                                                "<Z S0 >dopo la tabella " + Tag(Placed(pic)->Reference()))
                                                       ->Index()));
        pages.push_back(static_cast<std::int32_t>(Page("Seconda", "<Z S0 A2 >seconda pagina<Z S0 >ultima riga")->Index()));
        return pages;
    }
    std::string OurText(const std::vector<std::int32_t>& pages) {
        convert::text::TNYXtoTxt txt(&set);
        return platform::text::Cp1252ToUtf8(txt.PagesText(pages));
    }
};

TEST_F(RtfPeers, LibreOfficeReadsWhatWeWrite) {
    QUOR_NEEDS(convert::rtf::SofficeAvailable(), "LibreOffice (soffice) non installato");
    const auto pages = Fixture();
    ASSERT_TRUE(x.ExportPages(pages));
    std::string why;
    const fs::path txt = convert::rtf::SofficeConvert(x.ExportFileName, tmp / "lo", "txt:Text", ".txt", 180, &why);
    ASSERT_FALSE(txt.empty()) << why;
    EXPECT_EQ(Joined(Words(Read(txt))), Joined(Words(OurText(pages))));
    // The same document as PDF, read back by poppler: the table text and the page after it are there.
    const fs::path pdf = convert::rtf::SofficeConvert(x.ExportFileName, tmp / "lo", "pdf", ".pdf", 180, &why);
    ASSERT_FALSE(pdf.empty()) << why;
    if (Have("pdftotext")) {
        const std::string text = Output("pdftotext -layout " + Q(pdf) + " -");
        for (const char* w : {"alfa", "zeta", "dopo la tabella", "seconda pagina"}) EXPECT_NE(text.find(w), std::string::npos) << w << "\n" << text;
    }
}

TEST_F(RtfPeers, PandocReadsTableRowsCellsAndSpans) {
    QUOR_NEEDS(Have("pandoc"), "pandoc non installato");
    const auto pages = Fixture();
    ASSERT_TRUE(x.ExportPages(pages));
    const std::string native = Squeezed(Output("pandoc -f rtf -t native " + Q(x.ExportFileName)));
    EXPECT_NE(native.find("Strong [ Str \"grassetto\" ]"), std::string::npos) << native;
    EXPECT_NE(native.find("Emph [ Str \"corsivo\" ]"), std::string::npos);
    // Two rows of three cells, and the paragraph before the table stays out of it.
    std::size_t rows = 0;
    for (std::size_t at = 0; (at = native.find("Row (", at)) != std::string::npos; ++at) ++rows;
    EXPECT_EQ(rows, 2u) << native;
    const std::size_t table = native.find("Table"), before = native.find("\"tabella\"");
    ASSERT_NE(table, std::string::npos);
    EXPECT_LT(before, table) << "text before a table stays before it";
    EXPECT_NE(native.find("Str \"colonne\" , Space , Str \"larghe\""), std::string::npos) << "runs of spaces are kept as spaces";
    const std::string plain = Output("pandoc -f rtf -t plain " + Q(x.ExportFileName));
    EXPECT_NE(Joined(Words(plain)).find(Joined(Words("seconda pagina ultima riga"))), std::string::npos) << plain;
    EXPECT_NE(Joined(Words(plain)).find(Joined(Words("alfa beta gamma delta epsilon zeta"))), std::string::npos) << plain;
}

TEST_F(RtfPeers, UnrtfReadsWhatWeWrite) {
    QUOR_NEEDS(Have("unrtf"), "unrtf non installato");
    const auto pages = Fixture();
    ASSERT_TRUE(x.ExportPages(pages));
    const std::string text = Output("unrtf --text " + Q(x.ExportFileName) + " 2>/dev/null");
    // unrtf writes Latin-1 for the accented letters; the plain words must all be there.
    std::vector<std::string> ascii;
    for (const auto& w : Words(OurText(pages)))
        if (std::all_of(w.begin(), w.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) ascii.push_back(w);
    EXPECT_NE(Joined(Words(text)).find(Joined(ascii).substr(0, 20)), std::string::npos) << text;
    EXPECT_GE(Covered(ascii, Words(text)), 0.9) << text;
}

TEST_F(RtfPeers, WeReadWhatLibreOfficeWritesFromDebianDocuments) {
    QUOR_NEEDS(convert::rtf::SofficeAvailable(), "LibreOffice (soffice) non installato");
    std::vector<fs::path> docs;
    for (const char* d : {"/usr/share/doc/bzip2/manual.html", "/usr/share/doc/base-passwd/users-and-groups.html", "/usr/share/doc/bc/bc.html"})
        if (fs::exists(d)) docs.emplace_back(d);
    QUOR_NEEDS(!docs.empty(), "documenti HTML di Debian non installati");
    for (const fs::path& doc : docs) {
        std::string why;
        const fs::path rtf = convert::rtf::SofficeConvert(doc, tmp / "lo", "rtf", ".rtf", 180, &why);
        ASSERT_FALSE(rtf.empty()) << why;
        const fs::path txt = convert::rtf::SofficeConvert(rtf, tmp / "lo" / "txt", "txt:Text", ".txt", 180, &why);
        ASSERT_FALSE(txt.empty()) << why;
        set.NewHypertext();
        x.ImportFiles({rtf}, 0);
        ASSERT_EQ(x.Report().pages.size(), 1u) << doc;
        const std::vector<std::string> ours = Words(OurText(x.Report().pages)), theirs = Words(Read(txt));
        EXPECT_GE(Covered(theirs, ours), 0.97) << doc;
        EXPECT_GE(Covered(ours, theirs), 0.97) << doc;
    }
}

TEST_F(RtfPeers, WeReadWhatPandocWrites) {
    QUOR_NEEDS(Have("pandoc"), "pandoc non installato");
    Write(tmp / "in.md", "Titolo\n======\n\nUn paragrafo con **forte** e *corsivo*.\n\n- primo punto\n- secondo punto\n\n"
                         "| a | b |\n|---|---|\n| c | d |\n\nFine del testo.\n");
    ASSERT_EQ(std::system(("pandoc -s -f markdown -t rtf " + Q(tmp / "in.md") + " -o " + Q(tmp / "in.rtf")).c_str()), 0);
    x.ImportFiles({tmp / "in.rtf"}, 0);
    ASSERT_EQ(x.Report().pages.size(), 1u);
    std::string t = static_cast<TNYXtesto*>(set.ObjectAt(testoHtml, x.Report().pages[0]))->Text();
    EXPECT_NE(t.find("y1 >forte"), std::string::npos) << t;
    EXPECT_NE(t.find("y2 >corsivo"), std::string::npos) << t;
    std::size_t tables = 0;
    for (std::size_t i = 0; i < set.Count(tabellaHtml); ++i)
        if (auto* o = set.ObjectAt(tabellaHtml, static_cast<std::int64_t>(i)); o && !o->IsEmpty()) ++tables;
    EXPECT_EQ(tables, 1u);
    const std::string plain = Output("pandoc -f markdown -t plain " + Q(tmp / "in.md"));
    EXPECT_GE(Covered(Words(plain), Words(OurText(x.Report().pages))), 0.95) << OurText(x.Report().pages);
    // the list stays out of the table
    EXPECT_LT(t.find("secondo punto"), t.find("<$08"));
}

}  // namespace
