// Pictures in RTF: PNG and JPEG as they are, GIF and BMP redrawn as PNG,
// WMF and EMF each under its own blip word, at their displayed size in
// twips; in WinHelp mode a "bmc" reference to a bitmap file saved once in
// the export folder under a name no other picture uses.
#include <algorithm>
#include <array>
#include <fstream>
#include <string>

#include "convert/OutputFile.h"
#include "convert/rtf/RtfWriter.h"
#include "model/Fields.h"
#include "model/ImageCodecs.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/text.h"
#include "present/PictureData.h"

namespace convert::rtf {

namespace {

std::string Num(long long v) { return std::to_string(v); }

const std::array<std::uint32_t, 256>& CrcTable() {
    static const std::array<std::uint32_t, 256> t = [] {
        std::array<std::uint32_t, 256> a{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            a[n] = c;
        }
        return a;
    }();
    return t;
}

void Be32(std::string& s, std::uint32_t v) {
    for (int sh = 24; sh >= 0; sh -= 8) s += static_cast<char>((v >> sh) & 0xFF);
}
void Le32(std::string& s, std::uint32_t v) {
    for (int sh = 0; sh < 32; sh += 8) s += static_cast<char>((v >> sh) & 0xFF);
}
void Le16(std::string& s, std::uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}

void Chunk(std::string& png, const char* type, const std::string& data) {
    Be32(png, static_cast<std::uint32_t>(data.size()));
    const std::string body = std::string(type, 4) + data;
    png += body;
    std::uint32_t c = 0xFFFFFFFFu;
    for (const char ch : body) c = CrcTable()[(c ^ static_cast<unsigned char>(ch)) & 0xFF] ^ (c >> 8);
    Be32(png, c ^ 0xFFFFFFFFu);
}

}  // namespace

// An RGBA PNG of a decoded picture, its pixel data in stored deflate blocks:
// bigger than a compressed one, but every reader takes it.
std::string EncodePng(const model::codecs::Image& im) {
    std::string raw;
    raw.reserve(static_cast<std::size_t>(im.height) * (1 + 4 * static_cast<std::size_t>(im.width)));
    for (int y = 0; y < im.height; ++y) {
        raw += '\0';
        for (int x = 0; x < im.width; ++x) {
            const std::uint32_t p = im.rgba[static_cast<std::size_t>(y) * static_cast<std::size_t>(im.width) + static_cast<std::size_t>(x)];
            for (int k = 0; k < 4; ++k) raw += static_cast<char>((p >> (8 * k)) & 0xFF);
        }
    }
    std::string z = "\x78\x01";
    std::size_t pos = 0;
    do {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - pos);
        const bool last = pos + n >= raw.size();
        z += static_cast<char>(last ? 1 : 0);
        Le16(z, static_cast<std::uint32_t>(n));
        Le16(z, static_cast<std::uint32_t>(~n & 0xFFFF));
        z.append(raw, pos, n);
        pos += n;
    } while (pos < raw.size());
    std::uint32_t a = 1, b = 0;
    for (const char ch : raw) {
        a = (a + static_cast<unsigned char>(ch)) % 65521;
        b = (b + a) % 65521;
    }
    Be32(z, (b << 16) | a);
    std::string png = "\x89PNG\r\n\x1a\n";
    std::string ihdr;
    Be32(ihdr, static_cast<std::uint32_t>(im.width));
    Be32(ihdr, static_cast<std::uint32_t>(im.height));
    ihdr += std::string("\x08\x06\x00\x00\x00", 5);
    Chunk(png, "IHDR", ihdr);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    return png;
}

// A 24-bit BMP of a decoded picture (transparent pixels white).
std::string EncodeBmp(const model::codecs::Image& im) {
    const std::uint32_t row = (3u * static_cast<std::uint32_t>(im.width) + 3u) & ~3u;
    const std::uint32_t size = 54 + row * static_cast<std::uint32_t>(im.height);
    std::string s = "BM";
    Le32(s, size);
    Le32(s, 0);
    Le32(s, 54);
    Le32(s, 40);
    Le32(s, static_cast<std::uint32_t>(im.width));
    Le32(s, static_cast<std::uint32_t>(im.height));
    Le16(s, 1);
    Le16(s, 24);
    for (int i = 0; i < 6; ++i) Le32(s, i == 2 || i == 3 ? 2835 : 0);
    for (int y = im.height - 1; y >= 0; --y) {
        std::uint32_t n = 0;
        for (int x = 0; x < im.width; ++x, n += 3) {
            std::uint32_t p = im.rgba[static_cast<std::size_t>(y) * static_cast<std::size_t>(im.width) + static_cast<std::size_t>(x)];
            if ((p >> 24) == 0) p = 0xFFFFFFFFu;
            s += static_cast<char>((p >> 16) & 0xFF);
            s += static_cast<char>((p >> 8) & 0xFF);
            s += static_cast<char>(p & 0xFF);
        }
        for (; n < row; ++n) s += '\0';
    }
    return s;
}

namespace {

bool PictureBytes(const model::TNYXoggetto& pic, std::string& out) {
    if (pic.HasFirstStream() && pic.ReadFirstStream(out) && !out.empty()) return true;
    if (pic.ExternalPath().empty()) return false;
    std::ifstream f(pic.ExternalPath(), std::ios::binary);
    out.assign(std::istreambuf_iterator<char>(f), {});
    return !out.empty();
}

void AppendHex(std::string& out, std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    out.reserve(out.size() + 2 * bytes.size() + bytes.size() / 32);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i % 64 == 0) out += "\r\n";
        const auto c = static_cast<unsigned char>(bytes[i]);
        out += kHex[c >> 4];
        out += kHex[c & 15];
    }
}

}  // namespace

std::string TRtfWriter::BitmapFor(const model::TNYXoggetto& picture) {
    const std::int32_t ref = picture.Reference();
    if (auto it = bitmapOf.find(ref); it != bitmapOf.end()) return it->second;
    std::string bytes;
    model::codecs::Image im;
    std::string name;
    if (PictureBytes(picture, bytes) && model::codecs::Decode(bytes, im)) {
        // The picture's own name, kept inside the export folder and made
        // unique among the bitmaps of this export.
        std::string stem = platform::text::Utf8ToCp1252(
            std::filesystem::path(platform::text::Cp1252ToUtf8(SafeLeafName(picture.GetFileName()))).stem().string());
        for (char& c : stem)
            if (static_cast<unsigned char>(c) < 32 || c == '"' || c == '{' || c == '}' || c == '\\' || c == ';') c = '_';
        if (stem.empty()) stem = "img" + Num(picture.Index());
        name = stem + ".bmp";
        for (int n = 2; std::any_of(bitmaps.begin(), bitmaps.end(), [&](const std::string& b) {
                 return platform::text::EqualsNoCase(b, name);
             });
             ++n)
            name = stem + "_" + Num(n) + ".bmp";
        std::string err;
        std::error_code ec;
        std::filesystem::create_directories(x_.ExportPath, ec);
        if (WriteWholeFile(x_.ExportPath / platform::text::Cp1252ToUtf8(name), EncodeBmp(im), &err)) {
            bitmaps.push_back(name);
        } else {
            x_.problems_.push_back("Errore nella scrittura file " + platform::text::Utf8ToCp1252((x_.ExportPath / name).string()));
            name.clear();
        }
    } else {
        x_.problems_.push_back("Immagine non convertibile: " + picture.GetFileName());
    }
    bitmapOf[ref] = name;
    return name;
}

void TRtfWriter::Picture(const model::TNYXoggetto& o) {
    const model::TNYXoggetto* pic = &o;
    int dw = 0, dh = 0;
    if (o.Type() == model::immagineNew) {
        const present::TPictureData pd(o);
        pic = Obj(pd.PictureRef());
        if (pd.Percent()) {
            dw = pd.NaturalWidth();
            dh = pd.NaturalHeight();
        } else {
            dw = pd.Width();
            dh = pd.Height();
        }
    }
    if (!pic || pic->Type() != model::immagine) return;
    if (dw <= 0 || dh <= 0) {
        dw = pic->Word(model::picturerec::kWidth);
        dh = pic->Word(model::picturerec::kHeight);
    }
    WritePending();
    if (x_.winHelp && !clipboard_) {
        const std::string name = BitmapFor(*pic);
        if (!name.empty()) *out_ += "\\{bmc " + RtfText(name) + "\\}";
        return;
    }
    std::string bytes;
    if (!PictureBytes(*pic, bytes)) {
        x_.problems_.push_back("Immagine non leggibile: " + pic->GetFileName());
        return;
    }
    using model::codecs::Format;
    const Format f = model::codecs::Sniff(bytes);
    std::string kind;
    int nw = 0, nh = 0;
    model::codecs::Info info;
    if (f == Format::Png || f == Format::Jpeg) {
        kind = f == Format::Png ? "\\pngblip" : "\\jpegblip";
        if (model::codecs::ReadInfo(bytes, info)) nw = info.width, nh = info.height;
    } else if (f == Format::Gif || f == Format::Bmp) {
        model::codecs::Image im;
        if (!model::codecs::Decode(bytes, im)) {
            x_.problems_.push_back("Immagine non convertibile: " + pic->GetFileName());
            return;
        }
        bytes = EncodePng(im);
        kind = "\\pngblip";
        nw = im.width;
        nh = im.height;
    } else if (f == Format::Wmf) {
        // The placeable header is not part of an RTF metafile.
        if (bytes.size() > 22 && static_cast<unsigned char>(bytes[0]) == 0xD7 && static_cast<unsigned char>(bytes[1]) == 0xCD)
            bytes.erase(0, 22);
        kind = "\\wmetafile8";
        nw = dw * 2540 / 96;
        nh = dh * 2540 / 96;
    } else if (f == Format::Emf) {
        kind = "\\emfblip";
        nw = dw * 2540 / 96;
        nh = dh * 2540 / 96;
    } else {
        x_.problems_.push_back("Immagine non convertibile: " + pic->GetFileName());
        return;
    }
    if (nw <= 0 || nh <= 0) nw = dw, nh = dh;
    std::string& out = *out_;
    out += "{{\\pict" + kind + "\\picw" + Num(nw) + "\\pich" + Num(nh) + "\\picwgoal" + Num(Twips(dw)) + "\\pichgoal" +
           Num(Twips(dh)) + " ";
    AppendHex(out, bytes);
    out += "}}";
}

}  // namespace convert::rtf
