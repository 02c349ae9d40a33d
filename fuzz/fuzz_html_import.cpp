// HTML import: any bytes become a page without fault, and the page's text
// reads back through the markup reader without a problem.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "convert/html/HtmlImport.h"
#include "model/NYXset.h"
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
    convert::html::THtmlImport imp(&set);
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    model::TNYXtesto* page = imp.ImportDocument(in, "/nonexistent-fuzz-folder/in.html");
    if (!page) std::abort();
    const std::string text = page->Text();
    if (text.find('\0') != std::string::npos) std::abort();
    Sink sink;
    richtext::TStoredTextBox box(set);
    box.Load(text, &sink);
    if (!sink.lines.empty()) {
        std::fprintf(stderr, "%s\n%s\n", sink.lines[0].c_str(), text.c_str());
        std::abort();
    }
    return 0;
}
