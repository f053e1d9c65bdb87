#pragma once
// A small PNG writer: 8-bit grey or RGB pixels in stored (uncompressed)
// deflate blocks, for the content tools' pictures.
#include <cstdint>
#include <string>
#include <vector>

namespace hm::platform {

// channels 1 (grey) or 3 (RGB); pixels row by row, top row first. False when
// the file cannot be written.
bool write_png(const std::string& path, int width, int height, int channels, const std::vector<std::uint8_t>& pixels);

}  // namespace hm::platform
