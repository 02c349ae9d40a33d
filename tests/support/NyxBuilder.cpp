#include "support/NyxBuilder.h"

#include <cstdio>
#include <iterator>

namespace testsupport {

namespace {
const int kSizes[27] = {292, 133, 93, 93, 80, 667, 667, 465, 220, 112, 47, 28, 80, 67,
                        0,   0,   553, 103, 38, 75, 192, 460, 203, 364, 46, 0, 0};
void Put32(std::string& s, std::int64_t v) {
    std::uint32_t u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) s += static_cast<char>((u >> (8 * i)) & 0xFF);
}
}  // namespace

NyxBuilder::NyxBuilder() : recordSize(kSizes, kSizes + 27), types(27), header_(1978) {
    header_.U8(0, 'K').U8(1, 'Y').U8(2, 'T').U8(3, 'E');
    header_.Str(4, "Fixture").I16(1621, 2).I32(1632, 7).I16(1722, 96);
    header_.I32(1724, -1).I32(1728, -1).I32(1736, 12632256).I32(1740, -1).I16(1744, 1040);
    header_.I32(1750, 16711680).I32(1754, 255);
}

void NyxBuilder::Standard(Entry& e, int t) {
    switch (t) {
        case 0: e.firstPos = 0; e.firstSize = 185; e.secondPos = 239; e.secondSize = 243; break;
        case 2: case 3: case 9: e.firstPos = 0; e.firstSize = 85; break;
        case 5: case 6: e.firstPos = 0; e.firstSize = 174; break;
        case 8: e.firstPos = 0; e.firstSize = 85; e.firstSize16 = true; e.secondPos = 58; e.secondSize = 62; break;
        case 10: e.firstPos = 0; e.firstSize = 5; e.secondPos = 39; e.secondSize = 43; break;
        case 11: e.firstPos = 0; e.firstSize = 13; e.secondPos = 20; e.secondSize = 24; break;
        default: break;
    }
}

Entry& NyxBuilder::Add(int t, std::size_t size, std::uint8_t fill) {
    if (size == 0) size = static_cast<std::size_t>(recordSize[t]);
    types[t].emplace_back(Record(size, fill));
    Entry& e = types[t].back();
    Standard(e, t);
    return e;
}

std::string NyxBuilder::Build() const {
    // Record area and blob area first, so the directory can point at them.
    std::string recordsArea, blobs;
    std::vector<std::int64_t> offsets(27, 0), counts(27, 0);
    for (int t = 0; t <= K && t < 27; ++t) {
        offsets[t] = static_cast<std::int64_t>(recordsArea.size());
        counts[t] = static_cast<std::int64_t>(types[t].size());
        for (const Entry& e0 : types[t]) {
            Entry e = e0;
            auto place = [&](int posOff, int sizeOff, const std::string& s, bool size16) {
                if (posOff < 0 || s.empty()) return;
                e.rec.I32(posOff, static_cast<std::int64_t>(blobs.size()));
                if (size16) e.rec.I16(sizeOff, static_cast<std::int32_t>(s.size())).U8(81, 1);
                else e.rec.I32(sizeOff, static_cast<std::int64_t>(s.size()));
                blobs += s;
            };
            place(e.firstPos, e.firstSize, e.first, e.firstSize16);
            place(e.secondPos, e.secondSize, e.second, false);
            recordsArea += e.rec.bytes();
        }
    }
    Record h = header_;
    h.U8(1620, static_cast<std::uint8_t>(K));
    std::string out = h.bytes();
    for (int t = 0; t <= K; ++t) {
        Put32(out, offsetOverride.count(t) ? offsetOverride.at(t) : (t < 27 ? offsets[t] : 0));
        std::int64_t size = t < 27 ? (types[t].empty() ? recordSize[t] : static_cast<std::int64_t>(types[t][0].rec.bytes().size())) : 0;
        Put32(out, sizeOverride.count(t) ? sizeOverride.at(t) : size);
        Put32(out, countOverride.count(t) ? countOverride.at(t) : (t < 27 ? counts[t] : 0));
    }
    Put32(out, blobOffsetOverride >= 0 ? blobOffsetOverride : static_cast<std::int64_t>(recordsArea.size()));
    out += recordsArea;
    out += blobs;
    return out;
}

void NyxBuilder::Write(const std::filesystem::path& p) const {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    std::string b = Build();
    f.write(b.data(), static_cast<std::streamsize>(b.size()));
}

Entry& AddPage(NyxBuilder& b, const std::string& title, const std::string& text, const std::string& second) {
    Entry& e = b.Add(0);
    e.rec.U8(4, 0).Str(5, title).I32(85, -1).I32(101, 12632256).U8(195, 2).I32(196, 5);
    e.rec.I32(223, -1).I32(227, -1).I32(231, -1).I32(235, -1);
    e.rec.I32(239, -1).I32(243, -1);
    e.first = text + std::string(1, '\0');
    e.second = second;
    return e;
}

Entry& AddPicture(NyxBuilder& b, const std::string& name, const std::string& bytes) {
    Entry& e = b.Add(5);
    e.rec.U8(4, 0).Str(5, name).I32(77, 5).I16(85, 16).I16(87, 8).Str(94, name + ".gif").I32(170, -2);
    e.rec.I32(662, -1).U8(666, 0);
    e.first = bytes;
    return e;
}

Entry& AddFileObj(NyxBuilder& b, const std::string& name, const std::string& bytes) {
    Entry& e = b.Add(3);
    e.rec.U8(4, 4).Str(5, name).I32(89, 5);
    e.first = bytes;
    return e;
}

void AddDefaultStyles(NyxBuilder& b) {
    for (int i = 0; i < 2; ++i) {
        Entry& e = b.Add(17);
        e.rec.U8(4, 1).Str(5, i == 0 ? "[nessuno stile]" : "[nessuno stile tabella]").Str(39, "Times New Roman");
        e.rec.I16(72, 12).I16(79, -1).I32(81, 16711680).U8(85, 4).I16(86, i ? 0 : 10).I16(88, i ? 0 : 10);
        e.rec.I16(94, 0x8300).U8(98, 1);
    }
}

std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

std::string FirstDiff(const std::string& a, const std::string& b) {
    if (a == b) return "";
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    char buf[160];
    auto at = [](const std::string& s, std::size_t k) { return k < s.size() ? static_cast<int>(static_cast<unsigned char>(s[k])) : -1; };
    std::snprintf(buf, sizeof buf, "sizes %zu/%zu, first difference at %zu: %d vs %d", a.size(), b.size(), i, at(a, i), at(b, i));
    return buf;
}

}  // namespace testsupport
