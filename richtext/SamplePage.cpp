#include "richtext/SamplePage.h"

#include "model/NYXoggetto.h"

namespace richtext {
namespace {

model::TNYXoggetto* Table(model::TNYXset& set, int rows, int cols) {
    model::TNYXoggetto* t = set.NewObject(model::tabellaHtml);
    t->SetByte(93, static_cast<std::uint8_t>(rows));
    t->SetByte(94, static_cast<std::uint8_t>(cols));
    return t;
}

}  // namespace

TSamplePage::TSamplePage() : box(&set, &registry, &metrics) {
    set.NewHypertext();
    if (model::TNYXoggetto* s = set.NewObject(model::stileParagrafo)) s->SetName("Titolo");
    auto add = [&](model::TNYXoggetto* o) { registry.Add(std::make_unique<TNYXembedded>(o)); };
    add(set.NewObject(model::immagineNew));
    add(Table(set, 2, 2));
    add(Table(set, 1, 1));
    add(set.NewObject(model::immagineNew));
    add(set.NewObject(model::bottoneCGI));
    add(Table(set, 1, 1));
    add(Table(set, 5, 5));
    add(Table(set, 5, 5));
    for (int i = 0; i < 20; ++i) add(set.NewObject(model::immagineNew));
}

std::string TSamplePage::Read(std::string_view text, TMarkupProblemSink* sink) {
    class Quiet : public TMarkupProblemSink {
        void Report(const TMarkupDiagnostics&) override {}
    } quiet;
    LoadBox(box, 0, text, {}, {}, sink ? sink : &quiet);
    return BoxText(box);
}

}  // namespace richtext
