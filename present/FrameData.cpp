#include "present/FrameData.h"

#include "model/NYXoggetto.h"
#include "model/NYXset.h"

namespace present {

std::size_t MapRecordLength(const model::TNYXoggetto& map) {
    const std::int32_t l = map.Int(kMapRecordLengthField);
    // Maps written before the length was kept hold 58-byte records.
    if (l < static_cast<std::int32_t>(kMinRecordLength) || l > static_cast<std::int32_t>(kMaxRecordLength))
        return kFrameRecordSize;
    return static_cast<std::size_t>(l);
}

std::unique_ptr<TNonVisCornice> ReadFrameMap(const model::TNYXoggetto& map, TFrameReadReport* report) {
    std::string s;
    if (!map.HasFirstStream() || !map.ReadFirstStream(s)) return nullptr;
    return ReadFrameRecords(s, MapRecordLength(map), report);
}

void WriteFrameMap(model::TNYXoggetto& map, const TNonVisCornice& top) {
    map.SetInt(kMapRecordLengthField, static_cast<std::int32_t>(kFrameRecordSize));
    map.SetFirstStream(WriteFrameRecords(top));
}

model::TNYXoggetto* PageMap(const model::TNYXset& set, const model::TNYXoggetto& page) {
    std::int32_t v = page.Int(kPageMapField);
    if (v < 0) return nullptr;
    if (model::RefType(v) == model::mappaFrame) v = static_cast<std::int32_t>(model::RefIndex(v));
    model::TNYXoggetto* m = set.ObjectAt(model::mappaFrame, v);
    return m && m->Type() == model::mappaFrame && !m->IsEmpty() ? m : nullptr;
}

void StorePageMap(model::TNYXset& set, model::TNYXoggetto& page, const TNonVisCornice* top) {
    model::TNYXoggetto* map = PageMap(set, page);
    if (!top || top->IsLeaf()) {
        if (map) map->Reset();
        page.SetInt(kPageMapField, -1);
        set.SetModified(true);
        return;
    }
    if (!map) map = set.NewObject(model::mappaFrame);
    if (!map) return;
    WriteFrameMap(*map, *top);
    page.SetInt(kPageMapField, static_cast<std::int32_t>(map->Index()));
    set.SetModified(true);
}

TFrameTree Flatten(const TNonVisCornice& top) {
    TFrameTree t;
    std::function<std::size_t(const TNonVisCornice&)> add = [&](const TNonVisCornice& f) {
        const std::size_t idx = t.nodes.size();
        TFrameNode n;
        const TFrameRecord& r = f.rec;
        n.id = r.Id();
        n.parent = r.ParentId();
        n.name = r.Name();
        n.place = r.PlaceCode();
        n.scrolling = r.Scrolling();
        n.container = !f.IsLeaf();
        n.resizable = r.Resizable();
        n.pageRef = r.PageRef();
        n.percent = r.Percent();
        n.border = r.Border();
        n.pixels = r.Pixels();
        n.childBorder = r.BorderWidth();
        n.rule = r.RuleCode();
        t.nodes.push_back(std::move(n));
        for (const auto& c : f.children) {
            const std::size_t ci = add(*c);
            t.nodes[idx].children.push_back(ci);
        }
        return idx;
    };
    add(top);
    return t;
}

TFrameTree ReadFrameTree(std::string_view records) {
    auto top = ReadFrameRecords(records, kFrameRecordSize);
    return top ? Flatten(*top) : TFrameTree{};
}

TFrameTree ReadFrameTree(const model::TNYXoggetto& map) {
    auto top = ReadFrameMap(map);
    return top ? Flatten(*top) : TFrameTree{};
}

}  // namespace present
