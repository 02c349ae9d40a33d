// Picture files of the tests' own making.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "model/ImageCodecs.h"

namespace testsupport {

// A small picture file: a GIF of w x h pixels of one colour.
inline std::filesystem::path WriteGif(const std::filesystem::path& p, int w, int h, std::uint32_t colour) {
    model::codecs::Image image;
    image.width = w;
    image.height = h;
    image.rgba.assign(static_cast<std::size_t>(w * h), colour);
    std::string bytes;
    EXPECT_TRUE(model::codecs::EncodeGif(image, bytes));
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
}

}  // namespace testsupport
