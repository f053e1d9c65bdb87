#pragma once
// Texture files: our reader and writer of .dds files (DXT1, DXT3, DXT5 and the
// uncompressed formats: 32-bit ARGB/XRGB/ABGR/XBGR, 24-bit RGB, 16-bit 565,
// 1555, 4444, 8-bit luminance and alpha, 16-bit luminance-alpha), a reader of
// .tga files (uncompressed and run-length: colour-mapped, grey, 15 to 32 bit), the
// decoding of any of these levels into 0xAARRGGBB pixels, and the creation of a
// device texture from an image with top mip levels left out.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gpu/device.h"

namespace hm::platform::gpu {

// An image with its mip chain, each level as the format stores it (rows from the
// top, 4 x 4 blocks for DXT).
struct image {
  format fmt = format::unknown;
  std::uint32_t width = 0;   // of level 0
  std::uint32_t height = 0;  // of level 0
  std::vector<std::vector<std::uint8_t>> levels;
};

// Size of a level below level 0: halved, at least 1.
inline std::uint32_t mip_dimension(std::uint32_t size, std::uint32_t level) {
  const std::uint32_t d = level < 32 ? size >> level : 0;
  return d ? d : 1;
}

// Reads a .dds file from memory. Formats without a device format of their own
// (24-bit RGB, ABGR, XBGR) are converted to a8r8g8b8 or x8r8g8b8. False with a
// reason for a file that is not a .dds, is truncated, or has a format we do not
// read (cube maps and volumes included); then `out` is unchanged.
bool read_dds(const std::uint8_t* data, std::size_t size, image& out, std::string& error);
// Writes a .dds file of the image (mip count and format as they are).
std::vector<std::uint8_t> write_dds(const image& img);

// Reads a .tga file (types 1, 2, 3, 9, 10 and 11, either origin) into a
// one-level a8r8g8b8 image.
bool read_tga(const std::uint8_t* data, std::size_t size, image& out, std::string& error);

// Reads a texture file by its name's extension (.tga, else .dds).
bool read_image_file(const std::string& name, const std::uint8_t* data, std::size_t size, image& out,
                     std::string& error);

// One level's pixels as 0xAARRGGBB, rows from the top. DXT is decoded here on
// the processor; formats without colour (depth) give an empty result.
std::vector<std::uint32_t> decode_level(format f, std::uint32_t width, std::uint32_t height,
                                        const std::uint8_t* data, std::size_t size);

// Decodes one 4 x 4 DXT block into 16 pixels (rows from the top).
void decode_dxt_block(format f, const std::uint8_t* block, std::uint32_t out[16]);

// Creates a device texture of the image without its first `skip` levels (at
// most all but the last), with every remaining level filled.
result create_texture_from_image(device& dev, const image& img, std::uint32_t skip, std::unique_ptr<texture>& out);

}  // namespace hm::platform::gpu
