// Real HTML that no one here wrote: Debian's documentation packages (the
// PostgreSQL manual with its tables, the Python documentation in UTF-8
// Sphinx pages, the Debian reference in Italian). Each page imported and
// exported as text must say what w3m says of the same file, word for word.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "ImportCanon.h"
#include "convert/html/HtmlImport.h"
#include "convert/text/NYXtoTxt.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/text.h"
#include "support/Needs.h"

namespace fs = std::filesystem;

namespace {

bool HaveW3m() { return std::system("w3m -version > /dev/null 2>&1") == 0; }

std::string Output(const std::string& cmd) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> p(popen(cmd.c_str(), "r"), pclose);
    if (!p) return out;
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p.get())) > 0;) out.append(buf, n);
    return out;
}

std::string Quote(const fs::path& p) {
    std::string q = "'";
    for (char c : p.string()) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Words of a Windows-1252 text: runs of letters and digits, ASCII lowered.
std::vector<std::string> Words(std::string_view s) {
    std::vector<std::string> w;
    std::string cur;
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        const bool letter = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0xC0;
        if (letter) {
            cur += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        } else if (!cur.empty()) {
            w.push_back(std::move(cur));
            cur.clear();
        }
    }
    if (!cur.empty()) w.push_back(std::move(cur));
    return w;
}

// Words the two texts have in common, in any order.
std::size_t Bag(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    std::vector<std::string> sa(a), sb(b);
    std::sort(sa.begin(), sa.end());
    std::sort(sb.begin(), sb.end());
    std::vector<std::string> both;
    std::set_intersection(sa.begin(), sa.end(), sb.begin(), sb.end(), std::back_inserter(both));
    return both.size();
}

// Words the two sequences have in common, in order (the longest common
// subsequence, by Myers' difference with a bound on the differences;
// beyond it the common words of the two as bags, which is no less).
std::size_t Common(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    const long n = static_cast<long>(a.size()), m = static_cast<long>(b.size());
    const long maxD = std::min<long>(n + m, 4000);
    std::vector<long> v(static_cast<std::size_t>(2 * maxD + 2), 0);
    const long off = maxD + 1;
    for (long d = 0; d <= maxD; ++d) {
        for (long k = -d; k <= d; k += 2) {
            long x = (k == -d || (k != d && v[k - 1 + off] < v[k + 1 + off])) ? v[k + 1 + off] : v[k - 1 + off] + 1;
            long y = x - k;
            while (x < n && y < m && a[x] == b[y]) ++x, ++y;
            v[k + off] = x;
            if (x >= n && y >= m) return static_cast<std::size_t>((n + m - d) / 2);
        }
    }
    return Bag(a, b);
}

std::vector<fs::path> Every(const fs::path& dir, const std::string& suffix, std::size_t step, std::size_t most, bool recursive) {
    std::vector<fs::path> all;
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) return all;
    if (recursive) {
        for (const auto& e : fs::recursive_directory_iterator(dir, ec))
            if (e.is_regular_file() && e.path().string().ends_with(suffix)) all.push_back(e.path());
    } else {
        for (const auto& e : fs::directory_iterator(dir, ec))
            if (e.is_regular_file() && e.path().string().ends_with(suffix)) all.push_back(e.path());
    }
    std::sort(all.begin(), all.end());
    std::vector<fs::path> picked;
    for (std::size_t i = 0; i < all.size() && picked.size() < most; i += step) picked.push_back(all[i]);
    return picked;
}

TEST(HtmlImportMaterial, PagesSayWhatW3mSays) {
    QUOR_NEEDS(HaveW3m(), "w3m");
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    struct Source {
        const char* name;
        std::vector<fs::path> files;
        std::size_t words = 0, common = 0, pages = 0;
    };
    Source sources[] = {
        {"postgresql-doc-15", Every("/usr/share/doc/postgresql-doc-15/html", ".html", 8, 150, false)},
        {"python3.11-doc", Every("/usr/share/doc/python3.11/html", ".html", 5, 110, true)},
        {"debian-reference-it", Every("/usr/share/debian-reference", ".it.html", 1, 20, false)},
    };
    for (Source& s : sources) {
        QUOR_NEEDS(!s.files.empty(), s.name);
        for (const fs::path& f : s.files) {
            model::TNYXset set;
            set.NewHypertext();
            convert::html::THtmlImport imp(&set);
            std::ifstream in(f, std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            model::TNYXtesto* page = imp.ImportDocument(bytes, f);
            ASSERT_TRUE(page) << f;
            std::vector<std::string> problems;
            importtest::Canon(set, page->Text(), page, &problems);
            EXPECT_TRUE(problems.empty()) << f << ": " << problems[0];
            convert::text::TNYXtoTxt txt(&set);
            const auto ours = Words(txt.MarkupToText(page->Text()));
            const std::string dump = Output("w3m -dump -cols 4000 -T text/html -O UTF-8 " + Quote(f) + " 2>/dev/null");
            const auto theirs = Words(platform::text::Utf8ToCp1252(dump));
            const std::size_t c = Common(ours, theirs);
            s.words += theirs.size();
            s.common += c;
            ++s.pages;
            // No page loses text: w3m sets table columns side by side, so a
            // page of wide tables has its words in another order, but all of them.
            const std::size_t any = Bag(ours, theirs);
            if (theirs.size() - any > 20 && any * 100 < theirs.size() * 95)
                ADD_FAILURE() << f << ": only " << any << " of " << theirs.size() << " words (" << c << " in order)";
        }
    }
    // The bar: w3m shows a few words the page does not hold as text (the
    // ALT texts of pictures, list numbers it counts itself, "[IMG]"), and
    // the import shows none of the head; everything else is the same text.
    // Measured at above 97% of w3m's words for every package; 95% leaves
    // room for such differences in other versions of the packages.
    for (const Source& s : sources) {
        const double share = s.words ? static_cast<double>(s.common) / static_cast<double>(s.words) : 0;
        std::printf("%s: %zu pages, %zu of %zu words of w3m (%.2f%%)\n", s.name, s.pages, s.common, s.words, 100 * share);
        EXPECT_GE(share, 0.95) << s.name;
    }
}

}  // namespace
