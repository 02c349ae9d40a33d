#include "present/PictureChoices.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

#include <cctype>

#include "model/Fields.h"
#include "model/ImageCodecs.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "present/Zones.h"
#include "richtext/Box.h"
#include "richtext/Editing.h"

namespace present {

namespace {

constexpr std::size_t kAlign = 13, kBorder = 14, kNaturalW = 15, kNaturalH = 17, kShownW = 19, kShownH = 21,
                      kPercentFlag = 23, kAlt = 28;

int Side(long long v) { return static_cast<int>(std::clamp<long long>(v, 0, kMaxSide)); }

void PutSize(model::TNYXoggetto& o, std::size_t off, long long v) {
    o.SetWord(off, static_cast<std::uint16_t>(Side(v)));
}

std::int32_t SlotField(const model::TNYXoggetto& placed, std::size_t off) {
    return model::PictureSlotOf(placed.Int(off));
}

}  // namespace

TPictureChoices ChoicesFromRecord(const model::TNYXoggetto& placed) {
    TPictureChoices c;
    c.percent = placed.Byte(kPercentFlag) == 1;
    c.width = std::max<int>(0, placed.SWord(kShownW));
    c.height = std::max<int>(0, placed.SWord(kShownH));
    const std::uint8_t a = placed.Byte(kAlign);
    c.alignment = a == kAlignLow || a == kAlignHigh ? a : kAlignCentre;
    c.border = placed.Byte(kBorder) == 1;
    c.altText = placed.Str(kAlt, kAltTextCap);
    c.lowRes = SlotField(placed, model::placedrec::kLowRes);
    c.rollover = SlotField(placed, model::placedrec::kRollover);
    return c;
}

std::string CheckPictureChoices(const TPictureChoices& c) {
    const int most = c.percent ? kMaxPercent : kMaxSide;
    if (c.width < 1 || c.height < 1 || c.width > most || c.height > most)
        return c.percent ? "La percentuale deve essere compresa fra 1 e 1000."
                         : "Larghezza e altezza devono essere comprese fra 1 e 32767 pixel.";
    if (c.altText.size() > kAltTextCap) return "Il testo alternativo può avere al massimo 32 caratteri.";
    return {};
}

void ApplyPictureChoices(model::TNYXoggetto& placed, const TPictureChoices& c) {
    const TPictureSize before = ShownSize(placed);
    placed.SetByte(kPercentFlag, c.percent ? 1 : 0);
    const int most = c.percent ? kMaxPercent : kMaxSide;
    PutSize(placed, kShownW, std::clamp(c.width, 1, most));
    PutSize(placed, kShownH, std::clamp(c.height, 1, most));
    placed.SetByte(kAlign, c.alignment == kAlignLow || c.alignment == kAlignHigh ? c.alignment : kAlignCentre);
    placed.SetByte(kBorder, c.border ? 1 : 0);
    placed.SetStr(kAlt, kAltTextCap, c.altText.substr(0, kAltTextCap));
    placed.SetInt(model::placedrec::kLowRes, c.lowRes < 0 ? model::kNoRef : c.lowRes);
    placed.SetInt(model::placedrec::kRollover, c.rollover < 0 ? model::kNoRef : c.rollover);
    const TPictureSize after = ShownSize(placed);
    if (!(after == before)) ScaleZones(placed, before.width, before.height, after.width, after.height);
}

model::TNYXoggetto* PictureOf(const model::TNYXoggetto& placed, std::size_t field, model::TNYXset* set) {
    if (!set) set = placed.Set();
    if (!set) return nullptr;
    const std::int32_t slot = model::PictureSlotOf(placed.Int(field));
    if (slot < 0) return nullptr;
    model::TNYXoggetto* pic = set->ObjectAt(model::immagine, slot);
    return pic && !pic->IsEmpty() ? pic : nullptr;
}

TPictureSize RealSize(model::TNYXoggetto& picture) {
    return {picture.Word(model::picturerec::kWidth), picture.Word(model::picturerec::kHeight)};
}

bool PictureDecodes(model::TNYXoggetto& picture) {
    if (picture.Type() != model::immagine || picture.IsEmpty()) return false;
    // Bytes that cannot be read at all are a missing file, not a damaged
    // picture: whoever copies them reports that.
    std::string bytes;
    if (picture.HasFirstStream()) {
        if (!picture.ReadFirstStream(bytes)) return true;
    } else {
        std::ifstream in(picture.ExternalPath(), std::ios::binary);
        if (picture.ExternalPath().empty() || !in) return true;
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const model::codecs::Format f = model::codecs::Sniff(bytes);
    if (f == model::codecs::Format::Wmf || f == model::codecs::Format::Emf) return true;
    if (f == model::codecs::Format::Unknown) {
        // Metafiles are known by their name when their bytes say nothing.
        const std::string name = picture.GetFileName();
        const auto dot = name.find_last_of('.');
        std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (ext == ".wmf" || ext == ".emf") return true;
    }
    if (picture.Set() && picture.Set()->CachedPicture(picture)) return true;
    model::codecs::Image image;
    return model::codecs::Decode(bytes, image);
}

TPictureSize ShownSize(const model::TNYXoggetto& placed) {
    const long long nw = std::max<int>(0, placed.SWord(kNaturalW)), nh = std::max<int>(0, placed.SWord(kNaturalH));
    long long w = std::max<int>(0, placed.SWord(kShownW)), h = std::max<int>(0, placed.SWord(kShownH));
    if (placed.Byte(kPercentFlag) == 1) {
        w = nw * w / 100;
        h = nh * h / 100;
    }
    return {w > 0 ? Side(w) : nw > 0 ? Side(nw) : 100, h > 0 ? Side(h) : nh > 0 ? Side(nh) : 100};
}

bool RefreshNaturalSize(model::TNYXoggetto& placed) {
    model::TNYXoggetto* pic = PictureOf(placed);
    if (!pic) return false;
    const TPictureSize real = RealSize(*pic);
    if (real.width <= 0 || real.height <= 0) return false;
    if (placed.Word(kNaturalW) == real.width && placed.Word(kNaturalH) == real.height) return false;
    PutSize(placed, kNaturalW, real.width);
    PutSize(placed, kNaturalH, real.height);
    PutSize(placed, kShownW, real.width);
    PutSize(placed, kShownH, real.height);
    placed.SetByte(kPercentFlag, 0);
    return true;
}

TPictureSize ScaleTo(model::TNYXoggetto& placed, int percent) {
    const TPictureSize before = ShownSize(placed);
    percent = std::clamp(percent, 1, kMaxPercent);
    TPictureSize size{100, 100};
    if (PictureOf(placed)) {
        RefreshNaturalSize(placed);
        const long long nw = placed.Word(kNaturalW), nh = placed.Word(kNaturalH);
        size = {std::max(1, Side(nw * percent / 100)), std::max(1, Side(nh * percent / 100))};
    }
    placed.SetByte(kPercentFlag, 0);
    PutSize(placed, kShownW, size.width);
    PutSize(placed, kShownH, size.height);
    if (!(size == before)) ScaleZones(placed, before.width, before.height, size.width, size.height);
    return size;
}

std::string PictureHint(const std::string& linkDescription, const std::string& text) {
    if (linkDescription.empty()) return text;
    if (text.empty()) return linkDescription;
    const std::string piece = " - " + text;
    std::string out = linkDescription;
    const auto bar = out.find('|');
    if (bar != std::string::npos) out.insert(bar, piece);
    return out + piece;
}

model::TNYXoggetto* InsertPlacedPicture(richtext::TNYXbox& box, richtext::TNYXediting& editing,
                                        model::TNYXoggetto& picture) {
    model::TNYXset* set = picture.Set();
    richtext::TNYXundoIndiciList* reg = box.Registry();
    if (!set || !reg || picture.Type() != model::immagine) return nullptr;
    // The hypertext fills the record as for any placed picture; the page
    // keeps its own copy of it.
    std::unique_ptr<model::TNYXoggetto> made(set->NewPlacedPicture(&picture));
    if (!made) return nullptr;
    model::TNYXoggetto* o = box.NewEmbeddedRecord(model::immagineNew);
    if (!o) return nullptr;
    std::memcpy(o->Data(), made->Data(), model::kDataSize);
    o->SetSet(set);
    richtext::TNYXembedded* e = reg->Add(std::make_unique<richtext::TNYXembedded>(o));
    const TPictureSize s = ShownSize(*o);
    if (e) {
        e->width = s.width;
        e->height = s.height;
    }
    if (!e || !editing.InsertObject(e)) return nullptr;
    return o;
}

}  // namespace present
