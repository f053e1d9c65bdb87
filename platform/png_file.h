#pragma once
// A small PNG writer and reader for 8-bit grey or RGB pictures: the content
// tools' pictures and the game's screenshots, deflated with zlib.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hm::platform {

// channels 1 (grey) or 3 (RGB); pixels row by row, top row first. False when
// the file cannot be written.
bool write_png(const std::string& path, int width, int height, int channels, const std::vector<std::uint8_t>& pixels);

// Writes pixels given as 0xAARRGGBB (a back buffer read back) as an RGB
// picture; alpha is dropped.
bool write_argb_png(const std::string& path, int width, int height, const std::vector<std::uint32_t>& argb);

// A picture read back: rows from the top, `channels` bytes a pixel.
struct png_picture {
  int width = 0;
  int height = 0;
  int channels = 0;
  std::vector<std::uint8_t> pixels;
};

// Reads an 8-bit, non-interlaced grey or RGB PNG from memory (any of the five
// row filters). Empty for anything else: another kind of picture, a broken
// chunk or checksum, data that does not inflate to exactly the rows the header
// gives, or a picture above 16384 pixels on a side.
std::optional<png_picture> decode_png(const std::uint8_t* data, std::size_t size);
// The same from a file; empty also when it cannot be read.
std::optional<png_picture> read_png(const std::string& path);

}  // namespace hm::platform
