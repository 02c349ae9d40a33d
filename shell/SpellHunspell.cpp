// The speller engine over Hunspell. Words come in Windows-1252 and are given
// to Hunspell in its dictionary's encoding (UTF-8 or an ISO 8859 one);
// suggestions that Windows-1252 cannot hold are dropped.
#include <memory>
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

class THunspellEngine : public TSpellEngine {
public:
    THunspellEngine(Hunhandle* h) : h_(h) {
        const char* enc = Hunspell_get_dic_encoding(h_);
        const std::string e = enc ? platform::text::Upper(enc) : "";
        utf8_ = e.find("UTF") != std::string::npos || e.empty();
    }
    ~THunspellEngine() override { Hunspell_destroy(h_); }

    bool Check(std::string_view word) override { return Hunspell_spell(h_, In(word).c_str()) != 0; }

    std::vector<std::string> Suggest(std::string_view word) override {
        std::vector<std::string> out;
        char** list = nullptr;
        const int n = Hunspell_suggest(h_, &list, In(word).c_str());
        for (int i = 0; i < n; ++i) {
            std::size_t unmapped = 0;
            std::string s = utf8_ ? platform::text::Utf8ToCp1252(list[i], &unmapped) : std::string(list[i]);
            if (unmapped == 0 && !s.empty()) out.push_back(std::move(s));
        }
        if (list) Hunspell_free_list(h_, &list, n);
        return out;
    }

    void Accept(std::string_view word) override { Hunspell_add(h_, In(word).c_str()); }

private:
    std::string In(std::string_view word) const {
        return utf8_ ? platform::text::Cp1252ToUtf8(word) : std::string(word);
    }
    Hunhandle* h_;
    bool utf8_ = true;
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
