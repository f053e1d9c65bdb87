// Pictures written as PNG and read back: the writer's files round-trip and are
// deflated, the reader undoes every row filter, and anything it does not
// handle or that is broken is refused.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/png_file.h"

namespace fs = std::filesystem;
using hm::platform::decode_png;
using hm::platform::png_picture;

namespace {

void put_be32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void put_chunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& body) {
  put_be32(out, static_cast<std::uint32_t>(body.size()));
  std::vector<std::uint8_t> typed(type, type + 4);
  typed.insert(typed.end(), body.begin(), body.end());
  out.insert(out.end(), typed.begin(), typed.end());
  put_be32(out, static_cast<std::uint32_t>(crc32(0L, typed.data(), static_cast<uInt>(typed.size()))));
}

struct header {
  std::uint32_t width = 3;
  std::uint32_t height = 5;
  std::uint8_t depth = 8;
  std::uint8_t colour = 0;
  std::uint8_t interlace = 0;
};

// A PNG of the given header whose IDAT holds the given filtered rows, deflated.
std::vector<std::uint8_t> make_png(const header& h, const std::vector<std::uint8_t>& rows) {
  std::vector<std::uint8_t> file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> ihdr;
  put_be32(ihdr, h.width);
  put_be32(ihdr, h.height);
  ihdr.insert(ihdr.end(), {h.depth, h.colour, 0, 0, h.interlace});
  put_chunk(file, "IHDR", ihdr);
  uLongf size = compressBound(static_cast<uLong>(rows.size()));
  std::vector<std::uint8_t> z(size);
  compress2(z.data(), &size, rows.data(), static_cast<uLong>(rows.size()), 6);
  z.resize(size);
  put_chunk(file, "IDAT", z);
  put_chunk(file, "IEND", {});
  return file;
}

// Five grey rows of three pixels, one row under each filter (filter byte first).
const std::vector<std::uint8_t> filtered_rows = {
    0, 10, 20, 30,   // none:    10 20 30
    1, 5,  5,  250,  // sub:     5, 5+5, 250+10 wraps to 4
    2, 1,  2,  3,    // up:      6 12 7
    3, 0,  0,  100,  // average: (0+6)/2 = 3, (3+12)/2 = 7, 100 + (7+7)/2 = 107
    4, 1,  1,  1,    // paeth:   each predicts from above: 3+1, 7+1, 107+1
};

TEST(png_file, EveryRowFilterIsUndone) {
  const std::vector<std::uint8_t> file = make_png({}, filtered_rows);
  const auto p = decode_png(file.data(), file.size());
  ASSERT_TRUE(p);
  EXPECT_EQ(p->width, 3);
  EXPECT_EQ(p->height, 5);
  EXPECT_EQ(p->channels, 1);
  EXPECT_EQ(p->pixels, (std::vector<std::uint8_t>{10, 20, 30, 5, 10, 4, 6, 12, 7, 3, 7, 107, 4, 8, 108}));
}

TEST(png_file, WrittenPicturesReadBackAndAreDeflated) {
  char pattern[] = "/tmp/hoofmarch_png_XXXXXX";
  const fs::path folder = mkdtemp(pattern);
  // A flat 480 x 320 picture with one red square: rows of stored bytes would
  // take 460,800 bytes; deflated it is a small file.
  std::vector<std::uint8_t> rgb(480u * 320u * 3u, 0x40);
  for (int y = 100; y < 110; ++y)
    for (int x = 200; x < 210; ++x) rgb[(static_cast<std::size_t>(y) * 480 + static_cast<std::size_t>(x)) * 3] = 0xFF;
  const fs::path colour = folder / "colour.png";
  ASSERT_TRUE(hm::platform::write_png(colour.string(), 480, 320, 3, rgb));
  EXPECT_LT(fs::file_size(colour), 10'000u);
  const auto back = hm::platform::read_png(colour.string());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->width, 480);
  EXPECT_EQ(back->height, 320);
  EXPECT_EQ(back->channels, 3);
  EXPECT_EQ(back->pixels, rgb);

  const std::vector<std::uint8_t> grey = {0, 128, 255, 7};
  const fs::path grey_file = folder / "grey.png";
  ASSERT_TRUE(hm::platform::write_png(grey_file.string(), 2, 2, 1, grey));
  const auto grey_back = hm::platform::read_png(grey_file.string());
  ASSERT_TRUE(grey_back);
  EXPECT_EQ(grey_back->channels, 1);
  EXPECT_EQ(grey_back->pixels, grey);

  // Pixels fewer than the size needs, or a folder that is not there.
  EXPECT_FALSE(hm::platform::write_png((folder / "short.png").string(), 2, 2, 3, grey));
  EXPECT_FALSE(hm::platform::write_png((folder / "none" / "x.png").string(), 2, 2, 1, grey));
  EXPECT_FALSE(hm::platform::read_png((folder / "missing.png").string()));
  fs::remove_all(folder);
}

TEST(png_file, WhatTheReaderDoesNotHandleOrThatIsBrokenIsRefused) {
  const std::vector<std::uint8_t> good = make_png({}, filtered_rows);
  std::vector<std::uint8_t> bad_crc = good;
  bad_crc[8 + 8 + 13] ^= 1;  // the IHDR checksum
  std::vector<std::uint8_t> rows_short(filtered_rows.begin(), filtered_rows.end() - 1);
  std::vector<std::uint8_t> rows_long = filtered_rows;
  rows_long.push_back(0);
  std::vector<std::uint8_t> bad_filter = filtered_rows;
  bad_filter[0] = 5;
  struct row {
    const char* what;
    std::vector<std::uint8_t> bytes;
  };
  const row rows[] = {
      {"empty", {}},
      {"not a PNG", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"cut in its header", std::vector<std::uint8_t>(good.begin(), good.begin() + 20)},
      {"cut before IEND", std::vector<std::uint8_t>(good.begin(), good.end() - 12)},
      {"wrong checksum", bad_crc},
      {"16 bits a sample", make_png({3, 5, 16, 0, 0}, filtered_rows)},
      {"palette", make_png({3, 5, 8, 3, 0}, filtered_rows)},
      {"interlaced", make_png({3, 5, 8, 0, 1}, filtered_rows)},
      {"no width", make_png({0, 5, 8, 0, 0}, filtered_rows)},
      {"rows missing a byte", make_png({}, rows_short)},
      {"a byte past the rows", make_png({}, rows_long)},
      {"unknown filter", make_png({}, bad_filter)},
      // 16384 x 16384 RGB (805 MB of rows) claimed over a few bytes of data.
      {"huge claim", make_png({16384, 16384, 8, 2, 0}, filtered_rows)},
  };
  for (const row& r : rows) EXPECT_FALSE(decode_png(r.bytes.data(), r.bytes.size())) << r.what;
}

}  // namespace
