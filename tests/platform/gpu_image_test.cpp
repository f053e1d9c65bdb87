// Texture files: .dds written and read back in each format, DXT blocks decoded,
// .tga read, and broken files refused without reading past their end.
#include <gtest/gtest.h>

#include "platform/gpu/image_file.h"

using namespace hm::platform::gpu;

namespace {

image solid(format f, std::uint32_t size, std::vector<std::uint8_t> pixel, bool mips) {
  image img;
  img.fmt = f;
  img.width = img.height = size;
  for (std::uint32_t l = 0;; ++l) {
    const std::uint32_t s = mip_dimension(size, l);
    std::vector<std::uint8_t> level;
    for (std::uint32_t i = 0; i < s * s; ++i) level.insert(level.end(), pixel.begin(), pixel.end());
    img.levels.push_back(level);
    if (!mips || s == 1) break;
  }
  return img;
}

TEST(DdsFiles, EachFormatRoundTripsAndDecodes) {
  struct row {
    format f;
    std::vector<std::uint8_t> pixel;
    std::uint32_t argb;
  };
  const row rows[] = {
      {format::a8r8g8b8, {0x30, 0x20, 0x10, 0x80}, 0x80102030u},
      {format::x8r8g8b8, {0x30, 0x20, 0x10, 0x00}, 0xFF102030u},
      {format::r5g6b5, {0x1F, 0x00}, 0xFF0000FFu},
      {format::a1r5g5b5, {0x00, 0xFC}, 0xFFFF0000u},
      {format::x1r5g5b5, {0xE0, 0x03}, 0xFF00FF00u},
      {format::a4r4g4b4, {0x0F, 0x80}, 0x880000FFu},
      {format::x4r4g4b4, {0x0F, 0x80}, 0xFF0000FFu},
      {format::l8, {0x40}, 0xFF404040u},
      {format::a8l8, {0x40, 0x90}, 0x90404040u},
      {format::a8, {0x90}, 0x90000000u},
  };
  for (const row& r : rows) {
    const image img = solid(r.f, 4, r.pixel, true);
    const std::vector<std::uint8_t> file = write_dds(img);
    image back;
    std::string error;
    ASSERT_TRUE(read_dds(file.data(), file.size(), back, error)) << static_cast<int>(r.f) << ": " << error;
    EXPECT_EQ(back.fmt, r.f);
    ASSERT_EQ(back.levels.size(), 3u);
    EXPECT_EQ(back.levels, img.levels);
    const auto px = decode_level(back.fmt, 2, 2, back.levels[1].data(), back.levels[1].size());
    ASSERT_EQ(px.size(), 4u);
    EXPECT_EQ(px[3], r.argb) << static_cast<int>(r.f);
  }
}

TEST(DdsFiles, TwentyFourBitRgbIsWrittenSoItReadsBack) {
  const image img = solid(format::r8g8b8, 2, {0x30, 0x20, 0x10}, false);
  const std::vector<std::uint8_t> file = write_dds(img);
  image back;
  std::string error;
  ASSERT_TRUE(read_dds(file.data(), file.size(), back, error)) << error;
  // Read back widened to the device's 32-bit format.
  EXPECT_EQ(back.fmt, format::x8r8g8b8);
  const auto px = decode_level(back.fmt, 2, 2, back.levels[0].data(), back.levels[0].size());
  EXPECT_EQ(px, std::vector<std::uint32_t>(4, 0xFF102030u));
}

TEST(DdsFiles, DxtBlocksDecodeWithTheirPalettesAndAlpha) {
  // Colour 0 red, colour 1 blue; indices 0, 1, 2, 3 along the first row.
  const std::uint8_t colours[8] = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0, 0, 0};
  std::uint32_t out[16];
  decode_dxt_block(format::dxt1, colours, out);
  EXPECT_EQ(out[0], 0xFFFF0000u);
  EXPECT_EQ(out[1], 0xFF0000FFu);
  EXPECT_EQ(out[2], 0xFFAA0055u);  // two thirds red
  EXPECT_EQ(out[3], 0xFF5500AAu);
  // c0 <= c1 in DXT1: the third colour is the mean, the fourth transparent black.
  const std::uint8_t three[8] = {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0, 0, 0};
  decode_dxt_block(format::dxt1, three, out);
  EXPECT_EQ(out[2], 0xFF7F007Fu);
  EXPECT_EQ(out[3], 0x00000000u);

  std::uint8_t dxt3[16] = {0x0F, 0xF0};  // alpha nibbles 15, 0, 0, 15 then zeros
  std::copy(colours, colours + 8, dxt3 + 8);
  decode_dxt_block(format::dxt3, dxt3, out);
  EXPECT_EQ(out[0] >> 24, 0xFFu);
  EXPECT_EQ(out[1] >> 24, 0x00u);
  EXPECT_EQ(out[3] >> 24, 0xFFu);
  EXPECT_EQ(out[3] & 0xFFFFFF, 0x5500AAu);  // DXT3 colours never take the three-colour mode

  std::uint8_t dxt5[16] = {200, 100, 0x08, 0, 0, 0, 0, 0};  // pixel 0 index 0, pixel 1 index 1
  std::copy(colours, colours + 8, dxt5 + 8);
  decode_dxt_block(format::dxt5, dxt5, out);
  EXPECT_EQ(out[0] >> 24, 200u);
  EXPECT_EQ(out[1] >> 24, 100u);
  EXPECT_EQ(out[2] >> 24, 200u);
}

TEST(DdsFiles, BrokenFilesAreRefused) {
  const std::vector<std::uint8_t> good = write_dds(solid(format::a8r8g8b8, 4, {1, 2, 3, 4}, true));
  image out;
  out.width = 99;
  std::string error;
  for (std::size_t cut : {std::size_t{0}, std::size_t{4}, std::size_t{127}, good.size() - 1}) {
    EXPECT_FALSE(read_dds(good.data(), cut, out, error)) << cut;
    EXPECT_EQ(out.width, 99u);
  }
  std::vector<std::uint8_t> cube = good;
  cube[113] = 0x02;  // caps2: cube map
  EXPECT_FALSE(read_dds(cube.data(), cube.size(), out, error));
  std::vector<std::uint8_t> dx10 = write_dds(solid(format::dxt1, 4, {0, 0, 0, 0, 0, 0, 0, 0}, false));
  dx10[84] = 'D', dx10[85] = 'X', dx10[86] = '1', dx10[87] = '0';
  EXPECT_FALSE(read_dds(dx10.data(), dx10.size(), out, error));
  EXPECT_EQ(error, "a .dds pixel format that is not read");
  // A mip count beyond the chain is cut to the chain (three levels for 4 x 4).
  std::vector<std::uint8_t> many = good;
  many[28] = 30;
  ASSERT_TRUE(read_dds(many.data(), many.size(), out, error)) << error;
  EXPECT_EQ(out.levels.size(), 3u);
}

TEST(TgaFiles, UncompressedAndRunLengthBottomUp) {
  // 2 x 2, 24-bit, bottom row first: blue, green / red, white.
  std::vector<std::uint8_t> raw = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0};
  const std::vector<std::uint8_t> pixels = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
  raw.insert(raw.end(), pixels.begin(), pixels.end());
  image img;
  std::string error;
  ASSERT_TRUE(read_tga(raw.data(), raw.size(), img, error)) << error;
  auto px = decode_level(img.fmt, 2, 2, img.levels[0].data(), img.levels[0].size());
  EXPECT_EQ(px, (std::vector<std::uint32_t>{0xFFFF0000u, 0xFFFFFFFFu, 0xFF0000FFu, 0xFF00FF00u}));
  EXPECT_FALSE(read_tga(raw.data(), raw.size() - 1, img, error));

  // Run-length, 32-bit, top row first: one run of four grey half-transparent pixels.
  std::vector<std::uint8_t> rle = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 32, 0x28, 0x83, 9, 9, 9, 128};
  ASSERT_TRUE(read_image_file("x.TGA", rle.data(), rle.size(), img, error)) << error;
  px = decode_level(img.fmt, 2, 2, img.levels[0].data(), img.levels[0].size());
  EXPECT_EQ(px, std::vector<std::uint32_t>(4, 0x80090909u));
  rle.pop_back();
  EXPECT_FALSE(read_tga(rle.data(), rle.size(), img, error));
}

std::vector<std::uint8_t> tga_header(std::uint8_t type, std::uint16_t width, std::uint16_t height, std::uint8_t bits,
                                     std::uint8_t descriptor = 0) {
  return {0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(width >> 8),
          static_cast<std::uint8_t>(height), static_cast<std::uint8_t>(height >> 8), bits, descriptor};
}

std::vector<std::uint32_t> tga_pixels(const std::vector<std::uint8_t>& file) {
  image img;
  std::string error;
  EXPECT_TRUE(read_tga(file.data(), file.size(), img, error)) << error;
  if (img.levels.empty()) return {};
  return decode_level(img.fmt, img.width, img.height, img.levels[0].data(), img.levels[0].size());
}

TEST(TgaFiles, OrdinaryKindsReadInTheirOrientation) {
  // 2 x 1, 24-bit, right-to-left: the first pixel in the file is the right one.
  std::vector<std::uint8_t> mirrored = tga_header(2, 2, 1, 24, 0x10);
  mirrored.insert(mirrored.end(), {255, 0, 0, 0, 0, 255});
  EXPECT_EQ(tga_pixels(mirrored), (std::vector<std::uint32_t>{0xFFFF0000u, 0xFF0000FFu}));

  // Colour-mapped (type 1): a map of two 24-bit entries starting at index 5.
  std::vector<std::uint8_t> mapped = tga_header(1, 2, 1, 8, 0x20);
  mapped[1] = 1;
  mapped[3] = 5, mapped[5] = 2, mapped[7] = 24;
  mapped.insert(mapped.end(), {0, 255, 0, 255, 0, 0, 6, 5});
  EXPECT_EQ(tga_pixels(mapped), (std::vector<std::uint32_t>{0xFF0000FFu, 0xFF00FF00u}));
  // The same run-length coded (type 9): one repeated packet.
  std::vector<std::uint8_t> mapped_rle = mapped;
  mapped_rle[2] = 9;
  mapped_rle.resize(mapped_rle.size() - 2);
  mapped_rle.insert(mapped_rle.end(), {0x81, 6});
  EXPECT_EQ(tga_pixels(mapped_rle), (std::vector<std::uint32_t>{0xFF0000FFu, 0xFF0000FFu}));
  // An index outside the map is refused, not read from past it.
  mapped.back() = 9;
  image img;
  std::string error;
  EXPECT_FALSE(read_tga(mapped.data(), mapped.size(), img, error));

  // 15-bit true colour: red, no alpha bit.
  std::vector<std::uint8_t> fifteen = tga_header(2, 1, 1, 15);
  fifteen.insert(fifteen.end(), {0x00, 0x7C});
  EXPECT_EQ(tga_pixels(fifteen), (std::vector<std::uint32_t>{0xFFFF0000u}));

  // True colour with a colour map the pixels do not use: the map is skipped.
  std::vector<std::uint8_t> with_map = tga_header(2, 1, 1, 24);
  with_map[1] = 1;
  with_map[5] = 1, with_map[7] = 24;
  with_map.insert(with_map.end(), {1, 2, 3, 0x30, 0x20, 0x10});
  EXPECT_EQ(tga_pixels(with_map), (std::vector<std::uint32_t>{0xFF102030u}));

  // 16-bit grey (type 3): a grey level and its alpha per pixel.
  std::vector<std::uint8_t> grey = tga_header(3, 2, 1, 16, 0x28);
  grey.insert(grey.end(), {0x40, 0x80, 0xFF, 0x00});
  EXPECT_EQ(tga_pixels(grey), (std::vector<std::uint32_t>{0x80404040u, 0x00FFFFFFu}));
  // The same run-length coded (type 11): one repeated packet of the first pixel.
  std::vector<std::uint8_t> grey_rle = tga_header(11, 2, 1, 16, 0x28);
  grey_rle.insert(grey_rle.end(), {0x81, 0x40, 0x80});
  EXPECT_EQ(tga_pixels(grey_rle), (std::vector<std::uint32_t>{0x80404040u, 0x80404040u}));
}

TEST(TgaFiles, LengthsBeyondTheFileAreRefusedBeforeReadingOrAllocating) {
  image img;
  std::string error;
  // The image-ID length runs past the end of a 19-byte file.
  std::vector<std::uint8_t> id = tga_header(2, 1, 1, 8);
  id[2] = 3;
  id[0] = 200;
  id.push_back(7);
  EXPECT_FALSE(read_tga(id.data(), id.size(), img, error));
  EXPECT_EQ(error, "a truncated .tga file");
  // ... and in a file long enough for the pixels but not for the ID.
  id.resize(150, 7);
  EXPECT_FALSE(read_tga(id.data(), id.size(), img, error));

  // A colour map longer than the file.
  std::vector<std::uint8_t> map = tga_header(1, 1, 1, 8);
  map[1] = 1, map[5] = 0xFF, map[6] = 0xFF, map[7] = 32;
  map.resize(64, 0);
  EXPECT_FALSE(read_tga(map.data(), map.size(), img, error));

  // 16384 x 16384 pixels claimed by a few bytes, raw and run-length: refused
  // from the size alone (an allocation would be a gigabyte).
  for (std::uint8_t type : {std::uint8_t{2}, std::uint8_t{10}}) {
    std::vector<std::uint8_t> huge = tga_header(type, 16384, 16384, 32);
    huge.resize(4096, 0x7F);
    EXPECT_FALSE(read_tga(huge.data(), huge.size(), img, error)) << int{type};
    EXPECT_EQ(error, "a truncated .tga file");
  }
  // Beyond the largest texture side.
  std::vector<std::uint8_t> wide = tga_header(10, 65535, 1, 32);
  wide.resize(4096, 0xFF);
  EXPECT_FALSE(read_tga(wide.data(), wide.size(), img, error));
}

}  // namespace
