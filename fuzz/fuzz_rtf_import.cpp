// RTF import: any bytes become pages (or are refused as not RTF) without
// fault, and every page's text reads back through the markup reader
// without a problem and without control bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "convert/rtf/NYXtortf.h"
#include "model/NYXset.h"
#include "model/Page.h"
#include "platform/Ui.h"
#include "richtext/Diagnostics.h"
#include "richtext/PageText.h"

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

class Sink : public richtext::TMarkupProblemSink {
public:
    void Report(const richtext::TMarkupDiagnostics& d) override { lines = d.Summary(); }
    std::vector<std::string> lines;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QuietUi* ui = new QuietUi();
    static platform::ScopedUi* scope = new platform::ScopedUi(*ui);
    (void)scope;
    model::TNYXset set;
    set.NewHypertext();
    convert::rtf::TNYXtortf x(&set);
    x.importOptions.parsPerPage = 7;
    // The first byte picks the mode: several pages, one page, WinHelp, headings.
    const int mode = size ? data[0] % 4 : 0;
    x.importOptions.winHelp = mode == 2;
    x.importOptions.summary = mode == 3;
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    x.ImportText(in, "/nonexistent-fuzz-folder/in.rtf", mode != 1);
    for (const std::int32_t n : x.Report().pages) {
        auto* page = static_cast<model::TNYXtesto*>(set.ObjectAt(model::testoHtml, n));
        if (!page) std::abort();
        std::string text = page->Text();
        if (!text.empty() && text.back() == '\0') text.pop_back();
        for (const char c : text)
            if (static_cast<unsigned char>(c) < 32) std::abort();
        Sink sink;
        richtext::TStoredTextBox box(set);
        box.Load(text, &sink);
        if (!sink.lines.empty()) {
            std::fprintf(stderr, "%s\n%s\n", sink.lines[0].c_str(), text.c_str());
            std::abort();
        }
    }
    return 0;
}
