// The speller engine over Hunspell. Words come in Windows-1252 and are given
// to Hunspell in its dictionary's encoding (UTF-8, or a single-byte one such
// as ISO 8859-15 or KOI8-R, converted through iconv); suggestions that
// Windows-1252 cannot hold are dropped.
#include <iconv.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/text.h"
#include "shell/Spell.h"

#if defined(QUOR_HAVE_HUNSPELL)
#include <hunspell/hunspell.h>
#endif

namespace shell {

#if defined(QUOR_HAVE_HUNSPELL)
namespace {

// One direction of a conversion through iconv (UTF-8 to or from the
// dictionary's encoding).
class TIconv {
public:
    TIconv(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {}
    ~TIconv() {
        if (Ok()) iconv_close(cd_);
    }
    TIconv(const TIconv&) = delete;
    TIconv& operator=(const TIconv&) = delete;
    bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    // nullopt when a character has no place in the target encoding.
    std::optional<std::string> Convert(std::string_view in) {
        std::string out(in.size() * 4 + 4, '\0');
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char* dst = out.data();
        std::size_t dstLeft = out.size();
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1)) return std::nullopt;
        out.resize(out.size() - dstLeft);
        return out;
    }

private:
    iconv_t cd_;
};

// Hunspell's names of encodings as iconv knows them.
std::string IconvName(std::string upper) {
    if (upper == "MICROSOFT-CP1251") return "CP1251";
    if (upper.rfind("ISO8859-", 0) == 0) return "ISO-8859-" + upper.substr(8);
    if (upper == "TIS620-2533") return "TIS-620";
    return upper;
}

class THunspellEngine : public TSpellEngine {
public:
    THunspellEngine(Hunhandle* h) : h_(h) {
        const char* enc = Hunspell_get_dic_encoding(h_);
        const std::string e = enc ? platform::text::Upper(enc) : "";
        utf8_ = e.find("UTF") != std::string::npos || e.empty();
        if (!utf8_ && e != "ISO8859-1") {
            // Windows-1252 is ISO 8859-1 apart from 0x80-0x9F; any other
            // encoding places letters elsewhere and is converted.
            to_ = std::make_unique<TIconv>(IconvName(e), "UTF-8");
            from_ = std::make_unique<TIconv>("UTF-8", IconvName(e));
            if (!to_->Ok() || !from_->Ok()) to_.reset(), from_.reset();
        }
    }
    ~THunspellEngine() override { Hunspell_destroy(h_); }

    bool Check(std::string_view word) override {
        const std::optional<std::string> w = In(word);
        // A word the dictionary's letters cannot spell is not in it.
        return w && Hunspell_spell(h_, w->c_str()) != 0;
    }

    std::vector<std::string> Suggest(std::string_view word) override {
        std::vector<std::string> out;
        const std::optional<std::string> w = In(word);
        if (!w) return out;
        char** list = nullptr;
        const int n = Hunspell_suggest(h_, &list, w->c_str());
        for (int i = 0; i < n; ++i) {
            std::size_t unmapped = 0;
            std::string s;
            if (utf8_) {
                s = platform::text::Utf8ToCp1252(list[i], &unmapped);
            } else if (from_) {
                const std::optional<std::string> u = from_->Convert(list[i]);
                if (u) s = platform::text::Utf8ToCp1252(*u, &unmapped);
            } else {
                s = list[i];
            }
            if (unmapped == 0 && !s.empty()) out.push_back(std::move(s));
        }
        if (list) Hunspell_free_list(h_, &list, n);
        return out;
    }

    void Accept(std::string_view word) override {
        if (const std::optional<std::string> w = In(word)) Hunspell_add(h_, w->c_str());
    }

private:
    std::optional<std::string> In(std::string_view word) const {
        if (utf8_) return platform::text::Cp1252ToUtf8(word);
        if (to_) return to_->Convert(platform::text::Cp1252ToUtf8(word));
        return std::string(word);
    }
    Hunhandle* h_;
    bool utf8_ = true;
    std::unique_ptr<TIconv> to_, from_;
};

}  // namespace

std::unique_ptr<TSpellEngine> MakeHunspellEngine(const TDictionary& d) {
    Hunhandle* h = Hunspell_create(d.aff.c_str(), d.dic.c_str());
    if (!h) return nullptr;
    return std::make_unique<THunspellEngine>(h);
}
#else
std::unique_ptr<TSpellEngine> MakeHunspellEngine(const TDictionary&) { return nullptr; }
#endif

}  // namespace shell
