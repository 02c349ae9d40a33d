// Picture files in and out: GIF (giflib), JPEG (libjpeg), PNG (libpng) and BMP
// (read here). Every decoder checks the picture's size before it allocates
// anything and fails cleanly on truncated or damaged data.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace model::codecs {

enum class Format { Unknown, Gif, Jpeg, Png, Bmp, Wmf, Emf };

// Largest picture decoded: the side and the pixel count.
constexpr int kMaxSide = 16384;
constexpr std::uint64_t kMaxPixels = 64ull << 20;

struct Image {
    int width = 0;
    int height = 0;
    bool transparent = false;           // some pixel is fully transparent
    std::vector<std::uint32_t> rgba;    // 0xAABBGGRR, row by row
};

struct Info {
    Format format = Format::Unknown;
    int width = 0;
    int height = 0;
    bool transparent = false;  // GIF: has a transparent colour
};

Format Sniff(std::string_view bytes);
// Size (and GIF transparency) without decoding the pixels; false on bad data.
bool ReadInfo(std::string_view bytes, Info& info);
// Decodes the first frame; false on bad, truncated or too large data.
bool Decode(std::string_view bytes, Image& out);
// Decodes the first frame at no less than minWidth x minHeight where the
// format can shrink while decoding: a JPEG by eighths of its size, which
// spares most of the work of decoding every pixel of a large photograph
// shown small. Other formats, and sizes not below the natural one, decode
// whole. The result is what the caller scales to its final size.
bool DecodeAtLeast(std::string_view bytes, int minWidth, int minHeight, Image& out);
// GIF with at most 256 colours (exact palette when the picture has so few,
// else colour reduction), transparent pixels kept as the transparent colour.
bool EncodeGif(const Image& image, std::string& out);
bool EncodeJpeg(const Image& image, int quality, std::string& out);

}  // namespace model::codecs
