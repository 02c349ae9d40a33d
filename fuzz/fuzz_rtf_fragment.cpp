// RTF pasted from another program: any bytes give a clipboard container that
// checks whole, with no control bytes in its markup.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "convert/rtf/NYXtortf.h"
#include "model/NYXset.h"
#include "platform/Ui.h"
#include "richtext/Clipboard.h"

namespace {

class QuietUi : public platform::Ui {
public:
    void Information(std::string_view) override {}
    void Warning(std::string_view) override {}
    void Error(std::string_view) override {}
    platform::Answer AskYesNo(std::string_view) override { return platform::Answer::No; }
    platform::Answer AskYesNoCancel(std::string_view) override { return platform::Answer::Cancel; }
    void ShowErrorList(std::string_view, const std::vector<std::string>&) override {}
    void BeginBusy() override {}
    void EndBusy() override {}
    void ProcessEvents(int) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QuietUi* ui = new QuietUi();
    static platform::ScopedUi* scope = new platform::ScopedUi(*ui);
    (void)scope;
    model::TNYXset set;
    set.NewHypertext();
    convert::rtf::TNYXtortf x(&set);
    const std::string c = x.ImportFragment(std::string_view(reinterpret_cast<const char*>(data), size), 0);
    richtext::TClipContainer out;
    // Either a whole container, or the three counts of a text that is no RTF.
    if (c == std::string("\x01\0\0\0\0\0\0\0\0\0\0\0", 12)) return 0;
    if (richtext::ParseContainer(c, out) != richtext::ClipParse::Ok) std::abort();
    for (const char ch : out.markup)
        if (static_cast<unsigned char>(ch) < 32) std::abort();
    return 0;
}
