#include "platform/png_file.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace hm::platform {

namespace {

std::uint32_t crc32_of(const std::uint8_t* data, std::size_t n) {
  return static_cast<std::uint32_t>(::crc32(0L, data, static_cast<uInt>(n)));
}

void put_u32_be(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v >> 24));
  out.push_back(static_cast<std::uint8_t>(v >> 16));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

void put_chunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
  put_u32_be(out, static_cast<std::uint32_t>(data.size()));
  std::vector<std::uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  put_u32_be(out, crc32_of(body.data(), body.size()));
}

}  // namespace

bool write_png(const std::string& path, int width, int height, int channels, const std::vector<std::uint8_t>& pixels) {
  if (width <= 0 || height <= 0 || (channels != 1 && channels != 3)) return false;
  const std::size_t row = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
  if (pixels.size() < row * static_cast<std::size_t>(height)) return false;
  std::vector<std::uint8_t> raw;
  raw.reserve((row + 1) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // no filter
    raw.insert(raw.end(), pixels.begin() + static_cast<std::ptrdiff_t>(row * static_cast<std::size_t>(y)),
               pixels.begin() + static_cast<std::ptrdiff_t>(row * static_cast<std::size_t>(y + 1)));
  }
  uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<std::uint8_t> z(packed_size);
  if (compress2(z.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) != Z_OK)
    return false;
  z.resize(packed_size);

  std::vector<std::uint8_t> file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> header;
  put_u32_be(header, static_cast<std::uint32_t>(width));
  put_u32_be(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, static_cast<std::uint8_t>(channels == 1 ? 0 : 2), 0, 0, 0});
  put_chunk(file, "IHDR", header);
  put_chunk(file, "IDAT", z);
  put_chunk(file, "IEND", {});
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
  return std::fclose(f) == 0 && ok;
}

bool write_argb_png(const std::string& path, int width, int height, const std::vector<std::uint32_t>& argb) {
  std::vector<std::uint8_t> rgb;
  rgb.reserve(argb.size() * 3);
  for (std::uint32_t px : argb) {
    rgb.push_back(static_cast<std::uint8_t>(px >> 16));
    rgb.push_back(static_cast<std::uint8_t>(px >> 8));
    rgb.push_back(static_cast<std::uint8_t>(px));
  }
  return write_png(path, width, height, 3, rgb);
}

namespace {

constexpr int max_png_side = 16384;

std::uint32_t get_u32_be(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

int paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a);
  const int pb = std::abs(p - b);
  const int pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// Undoes the row filters in place; false on an unknown filter.
bool unfilter(std::vector<std::uint8_t>& raw, std::size_t row, int height, int channels, std::vector<std::uint8_t>& out) {
  out.assign(row * static_cast<std::size_t>(height), 0);
  const auto bpp = static_cast<std::size_t>(channels);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t filter = raw[static_cast<std::size_t>(y) * (row + 1)];
    const std::uint8_t* in = &raw[static_cast<std::size_t>(y) * (row + 1) + 1];
    std::uint8_t* cur = &out[static_cast<std::size_t>(y) * row];
    const std::uint8_t* up = y > 0 ? cur - row : nullptr;
    for (std::size_t x = 0; x < row; ++x) {
      const int a = x >= bpp ? cur[x - bpp] : 0;
      const int b = up ? up[x] : 0;
      const int c = up && x >= bpp ? up[x - bpp] : 0;
      int predicted = 0;
      switch (filter) {
        case 0: predicted = 0; break;
        case 1: predicted = a; break;
        case 2: predicted = b; break;
        case 3: predicted = (a + b) / 2; break;
        case 4: predicted = paeth(a, b, c); break;
        default: return false;
      }
      cur[x] = static_cast<std::uint8_t>(in[x] + predicted);
    }
  }
  return true;
}

}  // namespace

std::optional<png_picture> decode_png(const std::uint8_t* data, std::size_t size) {
  static constexpr std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (!data || size < 8 || std::memcmp(data, signature, 8) != 0) return std::nullopt;
  png_picture picture;
  bool header_seen = false;
  bool end_seen = false;
  std::vector<std::uint8_t> z;
  for (std::size_t at = 8; !end_seen;) {
    if (size - at < 12) return std::nullopt;
    const std::uint32_t n = get_u32_be(data + at);
    if (n > size - at - 12) return std::nullopt;
    const std::uint8_t* type = data + at + 4;
    const std::uint8_t* body = data + at + 8;
    if (crc32_of(type, std::size_t{n} + 4) != get_u32_be(body + n)) return std::nullopt;
    if (std::memcmp(type, "IHDR", 4) == 0) {
      if (n != 13 || header_seen) return std::nullopt;
      const std::uint32_t w = get_u32_be(body);
      const std::uint32_t h = get_u32_be(body + 4);
      if (w == 0 || h == 0 || w > max_png_side || h > max_png_side) return std::nullopt;
      if (body[8] != 8 || (body[9] != 0 && body[9] != 2) || body[10] != 0 || body[11] != 0 || body[12] != 0)
        return std::nullopt;
      picture.width = static_cast<int>(w);
      picture.height = static_cast<int>(h);
      picture.channels = body[9] == 0 ? 1 : 3;
      header_seen = true;
    } else if (std::memcmp(type, "IDAT", 4) == 0) {
      if (!header_seen) return std::nullopt;
      z.insert(z.end(), body, body + n);
    } else if (std::memcmp(type, "IEND", 4) == 0) {
      end_seen = true;
    }
    at += 12 + n;
  }
  if (!header_seen) return std::nullopt;
  const std::size_t row = static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.channels);
  const std::size_t expected = (row + 1) * static_cast<std::size_t>(picture.height);
  // Deflate packs at most about 1032 bytes into one: a header that claims
  // more rows than its data can hold is refused before any room is made.
  if (expected / 1032 > z.size() + 64) return std::nullopt;
  // One byte more than the rows need tells data that inflates too far.
  std::vector<std::uint8_t> raw(expected + 1);
  uLongf raw_size = static_cast<uLongf>(raw.size());
  const int inflated = uncompress(raw.data(), &raw_size, z.data(), static_cast<uLong>(z.size()));
  if (inflated != Z_OK || raw_size != expected) return std::nullopt;
  if (!unfilter(raw, row, picture.height, picture.channels, picture.pixels)) return std::nullopt;
  return picture;
}

std::optional<png_picture> read_png(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.insert(bytes.end(), buffer, buffer + n);
  const bool ok = std::ferror(f) == 0;
  std::fclose(f);
  if (!ok) return std::nullopt;
  return decode_png(bytes.data(), bytes.size());
}

}  // namespace hm::platform
