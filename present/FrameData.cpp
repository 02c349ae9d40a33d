#include "present/FrameData.h"

#include "model/Bytes.h"
#include "model/NYXoggetto.h"

namespace present {

TFrameTree ReadFrameTree(std::string_view s) {
    TFrameTree t;
    const auto* p = reinterpret_cast<const std::uint8_t*>(s.data());
    const std::size_t n = s.size();
    std::vector<std::size_t> path;  // indexes of the open ancestors
    for (std::size_t off = 0; off + kFrameRecordSize <= n; off += kFrameRecordSize) {
        namespace b = model::bytes;
        TFrameNode f;
        f.id = b::I32(p, n, off + 0);
        f.parent = b::I32(p, n, off + 4);
        f.name = b::Str(p, n, off + 8, 19);
        f.place = p[off + 28];
        f.scrolling = p[off + 31] == 1;
        f.container = p[off + 32] == 1;
        f.resizable = p[off + 33] == 1;
        f.pageRef = b::I32(p, n, off + 34);
        f.percent = b::I32(p, n, off + 38);
        f.border = p[off + 51] == 1;
        f.pixels = b::I32(p, n, off + 52);
        f.childBorder = p[off + 56];
        f.rule = p[off + 57];
        if (t.nodes.empty()) {
            t.nodes.push_back(std::move(f));
            path.push_back(0);
            continue;
        }
        while (!path.empty() && t.nodes[path.back()].id != f.parent) path.pop_back();
        if (path.empty()) break;
        const std::size_t idx = t.nodes.size();
        t.nodes[path.back()].children.push_back(idx);
        t.nodes.push_back(std::move(f));
        path.push_back(idx);
    }
    return t;
}

TFrameTree ReadFrameTree(const model::TNYXoggetto& map) {
    std::string s;
    if (!map.HasFirstStream() || !map.ReadFirstStream(s)) return {};
    return ReadFrameTree(s);
}

}  // namespace present
