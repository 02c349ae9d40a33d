#include "model/ImageCodecs.h"

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <map>

namespace model::codecs {

namespace {

bool SizeOk(std::int64_t w, std::int64_t h) {
    return w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide &&
           static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h) <= kMaxPixels;
}

std::uint32_t Rgba(unsigned r, unsigned g, unsigned b, unsigned a = 255) {
    return (r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16 | (a & 0xFF) << 24;
}

std::uint32_t Le32(std::string_view s, std::size_t off) {
    if (off + 4 > s.size()) return 0;
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[off])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[off + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[off + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[off + 3])) << 24;
}
std::uint16_t Le16(std::string_view s, std::size_t off) {
    if (off + 2 > s.size()) return 0;
    return static_cast<std::uint16_t>(static_cast<unsigned char>(s[off]) | static_cast<unsigned char>(s[off + 1]) << 8);
}

// --- GIF ---------------------------------------------------------------------

struct MemReader {
    std::string_view data;
    std::size_t pos = 0;
};

int GifRead(GifFileType* gif, GifByteType* buf, int n) {
    auto* r = static_cast<MemReader*>(gif->UserData);
    std::size_t left = r->data.size() - r->pos;
    std::size_t k = static_cast<std::size_t>(n) < left ? static_cast<std::size_t>(n) : left;
    std::memcpy(buf, r->data.data() + r->pos, k);
    r->pos += k;
    return static_cast<int>(k);
}

// Reads the first frame of a GIF: when `pixels` is null only its size and
// transparency.
bool GifFirstFrame(std::string_view bytes, Info& info, Image* pixels) {
    MemReader reader{bytes};
    int err = 0;
    GifFileType* gif = DGifOpen(&reader, GifRead, &err);
    if (!gif) return false;
    bool ok = false;
    int transparentIndex = -1;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) != GIF_OK) break;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif, &code, &ext) != GIF_OK) break;
            if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4 && (ext[1] & 1)) transparentIndex = ext[4];
            bool extOk = true;
            while (ext) {
                if (DGifGetExtensionNext(gif, &ext) != GIF_OK) {
                    extOk = false;
                    break;
                }
            }
            if (!extOk) break;
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif) != GIF_OK) break;
            const int w = gif->SWidth > 0 ? gif->SWidth : gif->Image.Width;
            const int h = gif->SHeight > 0 ? gif->SHeight : gif->Image.Height;
            const int fw = gif->Image.Width, fh = gif->Image.Height;
            if (!SizeOk(w, h) || !SizeOk(fw, fh)) break;
            info.width = w;
            info.height = h;
            info.transparent = transparentIndex >= 0;
            if (!pixels) {
                ok = true;
                break;
            }
            const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
            pixels->width = w;
            pixels->height = h;
            pixels->rgba.assign(static_cast<std::size_t>(w) * h, Rgba(255, 255, 255, transparentIndex >= 0 ? 0 : 255));
            std::vector<GifPixelType> line(static_cast<std::size_t>(fw));
            std::vector<int> rows;
            if (gif->Image.Interlace) {
                for (int start : {0, 4, 2, 1})
                    for (int y = start; y < fh; y += (start == 0 ? 8 : start == 4 ? 8 : start == 2 ? 4 : 2)) rows.push_back(y);
            } else {
                for (int y = 0; y < fh; ++y) rows.push_back(y);
            }
            bool lines = true;
            for (int y : rows) {
                if (DGifGetLine(gif, line.data(), fw) != GIF_OK) {
                    lines = false;
                    break;
                }
                const int py = gif->Image.Top + y;
                if (py < 0 || py >= h) continue;
                for (int x = 0; x < fw; ++x) {
                    const int px = gif->Image.Left + x;
                    if (px < 0 || px >= w) continue;
                    const int c = line[static_cast<std::size_t>(x)];
                    std::uint32_t v;
                    if (c == transparentIndex) {
                        v = Rgba(0, 0, 0, 0);
                        pixels->transparent = true;
                    } else if (map && c < map->ColorCount) {
                        v = Rgba(map->Colors[c].Red, map->Colors[c].Green, map->Colors[c].Blue);
                    } else {
                        v = Rgba(0, 0, 0);
                    }
                    pixels->rgba[static_cast<std::size_t>(py) * w + px] = v;
                }
            }
            ok = lines;
            break;
        } else {
            break;  // terminator before any image, or garbage
        }
    }
    DGifCloseFile(gif, &err);
    return ok;
}

// --- JPEG --------------------------------------------------------------------

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void JpegFail(j_common_ptr c) { std::longjmp(reinterpret_cast<JpegError*>(c->err)->jump, 1); }
void JpegQuiet(j_common_ptr, int) {}

// The eighths a JPEG of a side is decoded at to cover `want` pixels of it.
unsigned JpegEighths(unsigned side, int want) {
    if (want <= 0) return 8;
    for (unsigned n = 1; n < 8; ++n)
        if ((static_cast<unsigned long long>(side) * n + 7) / 8 >= static_cast<unsigned>(want)) return n;
    return 8;
}

bool JpegDecode(std::string_view bytes, Info& info, Image* pixels, int minWidth = 0, int minHeight = 0) {
    jpeg_decompress_struct d;
    JpegError err;
    d.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegFail;
    err.mgr.emit_message = JpegQuiet;
    std::vector<unsigned char> row;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&d);
        return false;
    }
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
    if (jpeg_read_header(&d, TRUE) != JPEG_HEADER_OK || !SizeOk(d.image_width, d.image_height)) {
        jpeg_destroy_decompress(&d);
        return false;
    }
    info.width = static_cast<int>(d.image_width);
    info.height = static_cast<int>(d.image_height);
    if (!pixels) {
        jpeg_destroy_decompress(&d);
        return true;
    }
    d.out_color_space = JCS_RGB;
    if (minWidth > 0 && minHeight > 0) {
        d.scale_num = std::max(JpegEighths(d.image_width, minWidth), JpegEighths(d.image_height, minHeight));
        d.scale_denom = 8;
    }
    jpeg_start_decompress(&d);
    pixels->width = static_cast<int>(d.output_width);
    pixels->height = static_cast<int>(d.output_height);
    pixels->rgba.assign(static_cast<std::size_t>(d.output_width) * d.output_height, 0);
    row.resize(static_cast<std::size_t>(d.output_width) * 3);
    while (d.output_scanline < d.output_height) {
        unsigned char* p = row.data();
        const unsigned y = d.output_scanline;
        jpeg_read_scanlines(&d, &p, 1);
        for (unsigned x = 0; x < d.output_width; ++x)
            pixels->rgba[static_cast<std::size_t>(y) * d.output_width + x] = Rgba(row[3 * x], row[3 * x + 1], row[3 * x + 2]);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return true;
}

// --- PNG ---------------------------------------------------------------------

bool PngDecode(std::string_view bytes, Info& info, Image* pixels) {
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&img, bytes.data(), bytes.size())) return false;
    if (!SizeOk(img.width, img.height)) {
        png_image_free(&img);
        return false;
    }
    info.width = static_cast<int>(img.width);
    info.height = static_cast<int>(img.height);
    if (!pixels) {
        png_image_free(&img);
        return true;
    }
    img.format = PNG_FORMAT_RGBA;
    pixels->width = info.width;
    pixels->height = info.height;
    pixels->rgba.assign(static_cast<std::size_t>(img.width) * img.height, 0);
    if (!png_image_finish_read(&img, nullptr, pixels->rgba.data(), 0, nullptr)) {
        png_image_free(&img);
        pixels->rgba.clear();
        return false;
    }
    for (std::uint32_t v : pixels->rgba)
        if ((v >> 24) == 0) {
            pixels->transparent = true;
            break;
        }
    return true;
}

// --- BMP ---------------------------------------------------------------------

bool BmpDecode(std::string_view s, Info& info, Image* pixels) {
    if (s.size() < 26 || s[0] != 'B' || s[1] != 'M') return false;
    const std::uint32_t dataOff = Le32(s, 10);
    const std::uint32_t hdrSize = Le32(s, 14);
    std::int64_t w, h;
    int bpp, compression = 0;
    std::uint32_t colours = 0;
    if (hdrSize == 12) {
        w = Le16(s, 18);
        h = static_cast<std::int16_t>(Le16(s, 20));
        bpp = Le16(s, 24);
    } else if (hdrSize >= 40 && s.size() >= 14 + 40) {
        w = static_cast<std::int32_t>(Le32(s, 18));
        h = static_cast<std::int32_t>(Le32(s, 22));
        bpp = Le16(s, 28);
        compression = static_cast<int>(Le32(s, 30));
        colours = Le32(s, 46);
    } else {
        return false;
    }
    const bool topDown = h < 0;
    if (topDown) h = -h;
    if (!SizeOk(w, h)) return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return false;
    if (compression != 0 && !(compression == 3 && (bpp == 32))) return false;
    info.width = static_cast<int>(w);
    info.height = static_cast<int>(h);
    if (!pixels) return true;
    std::vector<std::uint32_t> palette;
    if (bpp <= 8) {
        const std::size_t n = colours ? std::min<std::uint32_t>(colours, 256) : (1u << bpp);
        const std::size_t entry = hdrSize == 12 ? 3 : 4;
        const std::size_t at = 14 + hdrSize;
        for (std::size_t i = 0; i < n; ++i) {
            std::size_t o = at + i * entry;
            if (o + 3 > s.size()) return false;
            palette.push_back(Rgba(static_cast<unsigned char>(s[o + 2]), static_cast<unsigned char>(s[o + 1]),
                                   static_cast<unsigned char>(s[o])));
        }
    }
    const std::uint64_t stride = ((static_cast<std::uint64_t>(w) * bpp + 31) / 32) * 4;
    if (dataOff > s.size() || stride * static_cast<std::uint64_t>(h) > s.size() - dataOff) return false;
    pixels->width = info.width;
    pixels->height = info.height;
    pixels->rgba.assign(static_cast<std::size_t>(w) * h, 0);
    bool anyAlpha = false;
    for (std::int64_t y = 0; y < h; ++y) {
        const std::size_t row = dataOff + static_cast<std::size_t>(stride * static_cast<std::uint64_t>(y));
        const std::int64_t dy = topDown ? y : h - 1 - y;
        for (std::int64_t x = 0; x < w; ++x) {
            std::uint32_t v;
            const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data()) + row;
            if (bpp == 24) {
                v = Rgba(p[3 * x + 2], p[3 * x + 1], p[3 * x]);
            } else if (bpp == 32) {
                v = Rgba(p[4 * x + 2], p[4 * x + 1], p[4 * x], p[4 * x + 3]);
                if (p[4 * x + 3]) anyAlpha = true;
            } else {
                const std::size_t bit = static_cast<std::size_t>(x) * bpp;
                const unsigned byte = p[bit / 8];
                const unsigned idx = (byte >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
                v = idx < palette.size() ? palette[idx] : Rgba(0, 0, 0);
            }
            pixels->rgba[static_cast<std::size_t>(dy * w + x)] = v;
        }
    }
    // 32-bit pictures whose alpha is all zero carry no alpha at all.
    if (bpp == 32) {
        for (auto& v : pixels->rgba) {
            if (!anyAlpha) v |= 0xFF000000u;
            else if ((v >> 24) < 128) pixels->transparent = true;
        }
    }
    return true;
}

}  // namespace

Format Sniff(std::string_view b) {
    if (b.size() >= 6 && (b.substr(0, 6) == "GIF87a" || b.substr(0, 6) == "GIF89a")) return Format::Gif;
    if (b.size() >= 3 && static_cast<unsigned char>(b[0]) == 0xFF && static_cast<unsigned char>(b[1]) == 0xD8) return Format::Jpeg;
    if (b.size() >= 8 && b.substr(0, 8) == std::string_view("\x89PNG\r\n\x1A\n", 8)) return Format::Png;
    if (b.size() >= 2 && b[0] == 'B' && b[1] == 'M') return Format::Bmp;
    if (b.size() >= 4 && Le32(b, 0) == 0x9AC6CDD7u) return Format::Wmf;
    if (b.size() >= 44 && Le32(b, 0) == 1 && Le32(b, 40) == 0x464D4520u) return Format::Emf;
    return Format::Unknown;
}

bool ReadInfo(std::string_view bytes, Info& info) {
    info = Info{};
    info.format = Sniff(bytes);
    switch (info.format) {
        case Format::Gif: return GifFirstFrame(bytes, info, nullptr);
        case Format::Jpeg: return JpegDecode(bytes, info, nullptr);
        case Format::Png: return PngDecode(bytes, info, nullptr);
        case Format::Bmp: return BmpDecode(bytes, info, nullptr);
        case Format::Wmf: {
            // Placeable metafile: bounding box in units of 1/inch per inch.
            const int l = static_cast<std::int16_t>(Le16(bytes, 6)), t = static_cast<std::int16_t>(Le16(bytes, 8));
            const int r = static_cast<std::int16_t>(Le16(bytes, 10)), b = static_cast<std::int16_t>(Le16(bytes, 12));
            const int inch = Le16(bytes, 14);
            if (inch <= 0 || bytes.size() < 22) return false;
            info.width = (r - l) * 96 / inch;
            info.height = (b - t) * 96 / inch;
            return SizeOk(info.width, info.height);
        }
        case Format::Emf: {
            const int l = static_cast<std::int32_t>(Le32(bytes, 8)), t = static_cast<std::int32_t>(Le32(bytes, 12));
            const int r = static_cast<std::int32_t>(Le32(bytes, 16)), b = static_cast<std::int32_t>(Le32(bytes, 20));
            info.width = r - l + 1;
            info.height = b - t + 1;
            return SizeOk(info.width, info.height);
        }
        default: return false;
    }
}

bool DecodeAtLeast(std::string_view bytes, int minWidth, int minHeight, Image& out) {
    if (Sniff(bytes) != Format::Jpeg) return Decode(bytes, out);
    out = Image{};
    Info info;
    return JpegDecode(bytes, info, &out, std::max(minWidth, 1), std::max(minHeight, 1));
}

bool Decode(std::string_view bytes, Image& out) {
    out = Image{};
    Info info;
    switch (Sniff(bytes)) {
        case Format::Gif: return GifFirstFrame(bytes, info, &out);
        case Format::Jpeg: return JpegDecode(bytes, info, &out);
        case Format::Png: return PngDecode(bytes, info, &out);
        case Format::Bmp: return BmpDecode(bytes, info, &out);
        default: return false;
    }
}

namespace {
int GifWrite(GifFileType* gif, const GifByteType* buf, int n) {
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(n));
    return n;
}
}  // namespace

bool EncodeGif(const Image& image, std::string& out) {
    out.clear();
    if (!SizeOk(image.width, image.height) ||
        image.rgba.size() != static_cast<std::size_t>(image.width) * image.height)
        return false;
    const std::size_t n = image.rgba.size();
    // Exact palette when the picture has few enough colours.
    std::map<std::uint32_t, int> exact;
    const bool hasTransparent = image.transparent;
    const int reserved = hasTransparent ? 1 : 0;
    for (std::uint32_t v : image.rgba) {
        if (hasTransparent && (v >> 24) < 128) continue;
        exact.emplace(v & 0xFFFFFF, 0);
        if (exact.size() > static_cast<std::size_t>(256 - reserved)) break;
    }
    std::vector<GifPixelType> indexes(n);
    GifColorType colours[256] = {};
    int count = 0;
    if (exact.size() <= static_cast<std::size_t>(256 - reserved)) {
        count = reserved;
        for (auto& [rgb, idx] : exact) {
            idx = count;
            colours[count] = {static_cast<GifByteType>(rgb & 0xFF), static_cast<GifByteType>((rgb >> 8) & 0xFF),
                              static_cast<GifByteType>((rgb >> 16) & 0xFF)};
            ++count;
        }
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t v = image.rgba[i];
            indexes[i] = (hasTransparent && (v >> 24) < 128) ? 0 : static_cast<GifPixelType>(exact[v & 0xFFFFFF]);
        }
    } else {
        // Colour reduction to the palette size left after the transparent colour.
        std::vector<GifByteType> r(n), g(n), b(n);
        for (std::size_t i = 0; i < n; ++i) {
            r[i] = image.rgba[i] & 0xFF;
            g[i] = (image.rgba[i] >> 8) & 0xFF;
            b[i] = (image.rgba[i] >> 16) & 0xFF;
        }
        int size = 256 - reserved;
        if (GifQuantizeBuffer(static_cast<unsigned>(image.width), static_cast<unsigned>(image.height), &size, r.data(),
                              g.data(), b.data(), indexes.data(), colours + reserved) != GIF_OK)
            return false;
        count = size + reserved;
        for (std::size_t i = 0; i < n; ++i) {
            if (hasTransparent && (image.rgba[i] >> 24) < 128) indexes[i] = 0;
            else indexes[i] = static_cast<GifPixelType>(indexes[i] + reserved);
        }
    }
    int mapSize = 2;
    while (mapSize < count) mapSize *= 2;
    int bits = 1;
    while ((1 << bits) < mapSize) ++bits;
    ColorMapObject* map = GifMakeMapObject(mapSize, colours);
    int err = 0;
    GifFileType* gif = EGifOpen(&out, GifWrite, &err);
    if (!gif || !map) {
        if (map) GifFreeMapObject(map);
        if (gif) EGifCloseFile(gif, &err);
        return false;
    }
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, image.width, image.height, bits, 0, map) == GIF_OK;
    if (ok && hasTransparent) {
        GifByteType gce[4] = {1, 0, 0, 0};  // transparent colour index 0
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, gce) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, image.width, image.height, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < image.height; ++y)
        ok = EGifPutLine(gif, indexes.data() + static_cast<std::size_t>(y) * image.width, image.width) == GIF_OK;
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &err) != GIF_OK) ok = false;
    return ok;
}

bool EncodeJpeg(const Image& image, int quality, std::string& out) {
    out.clear();
    if (!SizeOk(image.width, image.height) ||
        image.rgba.size() != static_cast<std::size_t>(image.width) * image.height)
        return false;
    jpeg_compress_struct c;
    JpegError err;
    c.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegFail;
    unsigned char* mem = nullptr;
    unsigned long memSize = 0;
    std::vector<unsigned char> row(static_cast<std::size_t>(image.width) * 3);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&c);
        std::free(mem);
        return false;
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &mem, &memSize);
    c.image_width = static_cast<JDIMENSION>(image.width);
    c.image_height = static_cast<JDIMENSION>(image.height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        const std::size_t base = static_cast<std::size_t>(c.next_scanline) * image.width;
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t v = image.rgba[base + x];
            row[3 * x] = v & 0xFF;
            row[3 * x + 1] = (v >> 8) & 0xFF;
            row[3 * x + 2] = (v >> 16) & 0xFF;
        }
        unsigned char* p = row.data();
        jpeg_write_scanlines(&c, &p, 1);
    }
    jpeg_finish_compress(&c);
    out.assign(reinterpret_cast<const char*>(mem), memSize);
    jpeg_destroy_compress(&c);
    std::free(mem);
    return true;
}

}  // namespace model::codecs
