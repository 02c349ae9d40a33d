// Feeds arbitrary bytes to the readers of ".frm" layout files and frame maps,
// then lays the tree out, edits it and writes it back. Whatever is read must
// write out and read back the same, stay inside the limits, and lay out inside
// the frame set.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/testing/SilentUi.h"
#include "present/FrameData.h"
#include "present/FrameLayout.h"

using namespace present;

namespace {

model::TNYXset& Set() {
    static model::TNYXset set;
    static bool made = [] {
        set.NewHypertext();
        for (int i = 0; i < 3; ++i) set.NewObject(model::testoHtml);
        return true;
    }();
    (void)made;
    return set;
}

void Check(bool ok) {
    if (!ok) std::abort();
}

void CheckTree(const TNonVisCornice& top, const TFrameRect& area) {
    std::size_t n = 0;
    top.ForEach([&](const TNonVisCornice& f) {
        ++n;
        Check(f.rect.width >= 0 && f.rect.height >= 0);
        Check(f.rect.left >= area.left && f.rect.top >= area.top);
        Check(f.rect.left + f.rect.width <= area.left + area.width);
        Check(f.rect.top + f.rect.height <= area.top + area.height);
        for (const auto& c : f.children) Check(c->parent == &f);
    });
    Check(n >= 1);
}

// Writing is a fixed point: what was written reads back cleanly as the same.
void CheckRoundTrip(const TNonVisCornice& top) {
    const std::string w = WriteFrameRecords(top);
    TFrameReadReport rep;
    auto again = ReadFrameRecords(w, kFrameRecordSize, &rep);
    Check(again && rep.Clean() && WriteFrameRecords(*again) == w);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static platform::testing::SilentUi silent;
    static platform::ScopedUi scope(silent);
    const std::string_view in(reinterpret_cast<const char*>(data), size);

    // A ".frm" file.
    TFrmRead r = ReadFrm(in);
    if (r.status == TFrmStatus::kLoaded) {
        Check(r.top->CountFrames() <= kMaxFrames);
        r.top->ForEach([&](const TNonVisCornice& f) { Check(f.Depth() < kMaxFrameDepth); });
        CheckRoundTrip(*r.top);
        const std::string frm = WriteFrm(*r.top);
        if (!r.top->IsLeaf()) {
            TFrmRead back = ReadFrm(frm);
            Check(back.status == TFrmStatus::kLoaded && back.report.Clean() && WriteFrm(*back.top) == frm);
        }
        (void)FrameSetText(*r.top);
    }

    // A frame map whose record length is the first byte's choice.
    if (size >= 1) {
        auto map = model::MakeObject(model::mappaFrame);
        map->Reset();
        map->SetInt(kMapRecordLengthField, static_cast<std::int32_t>(data[0]) * 17);
        map->SetFirstStream(std::string(in.substr(1)));
        TFrameReadReport rep;
        if (auto top = ReadFrameMap(*map, &rep)) {
            CheckRoundTrip(*top);
            (void)Flatten(*top);
        }
    }

    // Loaded into a frame set, laid out and edited as the bytes say.
    TFrameLayout layout(&Set());
    layout.ShowPage(0);
    const int w = size >= 2 ? data[size - 1] * 5 : 400, h = size >= 2 ? data[size - 2] * 5 : 300;
    layout.Layout(w, h);
    layout.LoadLayout(in, size % 2 ? kMapMode : kCopyMode);
    const TFrameRect area{0, 0, w, h};
    CheckTree(*layout.Top(), area);
    for (std::size_t i = 0; i + 3 < size && i < 48; i += 4) {
        std::vector<TNonVisCornice*> frames;
        layout.Top()->ForEach([&](TNonVisCornice& f) { frames.push_back(&f); });
        TNonVisCornice& f = *frames[data[i] % frames.size()];
        const int amount = data[i + 2] * 3;
        switch (data[i + 1] % 4) {
            case 0: layout.Divide(f, data[i + 3] % 2 ? TFrameSide::kTop : TFrameSide::kLeft, amount); break;
            case 1: layout.DeleteFrame(f); break;
            case 2:
                if (!f.IsLeaf()) layout.DragBar(f, data[i + 3] % f.children.size(), amount - 40);
                break;
            default: layout.SetFrameSize(f, data[i + 3] % 3, amount * 40 - 200); break;
        }
        CheckTree(*layout.Top(), area);
    }
    CheckRoundTrip(*layout.Top());
    return 0;
}
