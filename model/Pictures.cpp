// Pictures of a hypertext: adding picture files (a BMP becomes a GIF, or a
// JPEG when that fails), sharing equal pictures, placing them on pages and
// decoding them for drawing through the picture cache.
#include <fstream>
#include <system_error>

#include "model/Fields.h"
#include "model/ImageCodecs.h"
#include "model/NYXset.h"
#include "platform/Ui.h"
#include "platform/text.h"

namespace model {

namespace fs = std::filesystem;

namespace {

bool ReadWhole(const fs::path& p, std::string& out) {
    std::error_code ec;
    const auto size = fs::file_size(p, ec);
    if (ec || size > (1ull << 31)) return false;
    std::ifstream in(p, std::ios::binary);
    if (!in) return false;
    out.resize(static_cast<std::size_t>(size));
    in.read(out.data(), static_cast<std::streamsize>(size));
    return static_cast<std::size_t>(in.gcount()) == out.size();
}

bool WriteWhole(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string LowerExt(const fs::path& p) { return platform::text::Lower(p.extension().string()); }

}  // namespace

TNYXoggetto* TNYXset::AddPicture(const fs::path& path) {
    std::error_code ec;
    const std::string ext = LowerExt(path);
    if (!fs::is_regular_file(path, ec)) return nullptr;
    if (ext != ".bmp" && ext != ".gif" && ext != ".jpeg" && ext != ".jpg" && ext != ".wmf" && ext != ".emf" &&
        ext != ".png")
        return nullptr;
    fs::path use = path;
    fs::path converted;
    std::string bytes;
    if (!ReadWhole(path, bytes)) return nullptr;
    codecs::Info info;
    if (ext == ".bmp") {
        codecs::Image image;
        if (!codecs::Decode(bytes, image)) return nullptr;
        std::string out;
        std::string newExt = ".gif";
        if (!codecs::EncodeGif(image, out)) {
            newExt = ".jpg";
            if (!codecs::EncodeJpeg(image, 90, out)) return nullptr;
        }
        converted = UniqueWorkFileName(path.stem().string() + newExt);
        if (converted.empty() || !WriteWhole(converted, out)) return nullptr;
        use = converted;
        bytes = std::move(out);
    }
    if (!codecs::ReadInfo(bytes, info)) {
        if (!converted.empty()) fs::remove(converted, ec);
        return nullptr;
    }
    TNYXoggetto* pic = NewPicture(use, info.transparent, info.height, info.width);
    if (!converted.empty()) fs::remove(converted, ec);
    if (pic && !pic->Registered()) {
        if (RegisterObject(immagine, -1, pic) < 0) return nullptr;
    }
    return pic;
}

TNYXoggetto* TNYXset::NewPicture(const fs::path& path, bool transparent, int height, int width) {
    std::string bytes;
    if (!ReadWhole(path, bytes)) return nullptr;
    auto pic = MakeObject(immagine);
    pic->SetSet(this);
    pic->Reset();
    pic->MakeNew();
    pic->SetFileName(platform::text::Utf8ToCp1252(path.filename().string()));
    pic->SetName(platform::text::Utf8ToCp1252(path.stem().string()));
    pic->SetSubtype(LowerExt(path) == ".gif" ? 0 : 1);
    pic->SetInt(picturerec::kTransparency, transparent ? -1 : -2);
    pic->SetInt(picturerec::kSize, static_cast<std::int32_t>(bytes.size()));
    pic->SetWord(picturerec::kWidth, static_cast<std::uint16_t>(width));
    pic->SetWord(picturerec::kHeight, static_cast<std::uint16_t>(height));
    pic->SetInt(662, -1);
    pic->SetFirstStream(std::move(bytes));
    // A picture added twice is stored once.
    if (TNYXoggetto* same = FindEqual(*pic)) return same;
    return pic.release();
}

TNYXoggetto* TNYXset::CopyPicture(const TNYXoggetto& picture) {
    if (picture.Type() != immagine) return nullptr;
    std::string form;
    picture.SaveToStream(form);
    auto copy = MakeObject(immagine);
    copy->SetSet(this);
    std::size_t pos = 0;
    if (!copy->LoadFromStream(form, pos)) return nullptr;
    copy->SetExternalPath({});
    if (TNYXoggetto* same = FindEqual(*copy)) return same;
    copy->SetFileName(copy->GetFileName());
    TNYXoggetto* raw = copy.get();
    if (RegisterObject(immagine, -1, std::move(copy)) < 0) return nullptr;
    return raw;
}

TNYXoggetto* TNYXset::NewPlacedPicture(TNYXoggetto* picture) {
    if (picture && picture->Set() != this) {
        platform::ui().Error("Different NYXset in AddImmagineNew!");
        return nullptr;
    }
    auto placed = MakeObject(immagineNew);
    placed->SetSet(this);
    placed->Reset();
    placed->MakeNew();
    if (picture) {
        if (picture->Registered()) std::memcpy(placed->Data() + 73, picture->Data() + 182, 480);
        else RegisterObject(immagine, -1, picture);
        placed->SetInt(placedrec::kPicture, static_cast<std::int32_t>(picture->Index()));
        placed->SetName(keepPictureNames ? picture->GetName() : std::string());
        placed->SetByte(23, 0);
        placed->SetWord(15, picture->Word(picturerec::kWidth));
        placed->SetWord(17, picture->Word(picturerec::kHeight));
        placed->SetWord(19, picture->Word(picturerec::kWidth));
        placed->SetWord(21, picture->Word(picturerec::kHeight));
    } else {
        placed->SetName("");
        placed->SetInt(placedrec::kPicture, -1);
        for (int off : {15, 17, 19, 21}) placed->SetWord(off, 100);
    }
    placed->SetByte(13, 4);
    placed->SetByte(14, 0);
    return placed.release();
}

std::shared_ptr<const TNYXpicture> TNYXoggetto::GetPicture() {
    if (type_ == immagineNew) {
        TNYXoggetto* data = set_ ? set_->ObjectAt(immagine, PictureSlotOf(Int(placedrec::kPicture))) : nullptr;
        return data && data != this ? data->GetPicture() : nullptr;
    }
    if (type_ != immagine || IsEmpty()) return nullptr;
    if (set_)
        if (auto cached = set_->CachedPicture(*this)) return cached;
    std::string bytes;
    if (HasFirstStream()) {
        if (!ReadFirstStream(bytes)) return nullptr;
    } else if (!externalPath_.empty()) {
        std::ifstream in(externalPath_, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    codecs::Image image;
    if (!codecs::Decode(bytes, image)) return nullptr;
    auto loaded = std::make_shared<TNYXpicture>();
    loaded->width = image.width;
    loaded->height = image.height;
    loaded->transparent = image.transparent;
    loaded->rgba = std::move(image.rgba);
    SetWord(picturerec::kWidth, static_cast<std::uint16_t>(loaded->width));
    SetWord(picturerec::kHeight, static_cast<std::uint16_t>(loaded->height));
    if (set_) set_->CachePicture(*this, loaded);
    return loaded;
}

bool TNYXoggetto::SaveAsBitmap(const fs::path& path) {
    auto pic = GetPicture();
    if (!pic) return false;
    const int w = pic->width, h = pic->height;
    const std::uint32_t stride = static_cast<std::uint32_t>((w * 3 + 3) & ~3);
    std::string out;
    auto put32 = [&](std::uint32_t v) { bytes::PutI32(out, static_cast<std::int32_t>(v)); };
    auto put16 = [&](std::uint16_t v) { out += static_cast<char>(v & 0xFF); out += static_cast<char>(v >> 8); };
    out += "BM";
    put32(54 + stride * static_cast<std::uint32_t>(h));
    put32(0);
    put32(54);
    put32(40);
    put32(static_cast<std::uint32_t>(w));
    put32(static_cast<std::uint32_t>(h));
    put16(1);
    put16(24);
    for (int i = 0; i < 6; ++i) put32(0);
    std::string row(stride, '\0');
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t v = pic->rgba[static_cast<std::size_t>(y) * w + x];
            const unsigned a = v >> 24;
            auto over = [&](unsigned c) { return static_cast<char>((c * a + 255 * (255 - a)) / 255); };  // on white
            row[3 * x] = over((v >> 16) & 0xFF);
            row[3 * x + 1] = over((v >> 8) & 0xFF);
            row[3 * x + 2] = over(v & 0xFF);
        }
        out += row;
    }
    fs::path target = path;
    target.replace_extension(".bmp");
    const bool ok = WriteWhole(target, out);
    if (set_ && type_ == immagine) set_->UncachePicture(*this);
    return ok;
}

}  // namespace model
