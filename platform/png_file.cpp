#include "platform/png_file.h"

#include <algorithm>
#include <cstdio>

namespace hm::platform {

namespace {

std::uint32_t crc32_of(const std::uint8_t* data, std::size_t n, std::uint32_t crc = 0xFFFFFFFFu) {
  static std::uint32_t table[256];
  static bool ready = false;
  if (!ready) {
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[i] = c;
    }
    ready = true;
  }
  for (std::size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc;
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
  put_u32_be(out, crc32_of(body.data(), body.size()) ^ 0xFFFFFFFFu);
}

}  // namespace

bool write_png(const std::string& path, int width, int height, int channels, const std::vector<std::uint8_t>& pixels) {
  std::vector<std::uint8_t> raw;
  const std::size_t row = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // no filter
    raw.insert(raw.end(), pixels.begin() + static_cast<std::ptrdiff_t>(row * static_cast<std::size_t>(y)),
               pixels.begin() + static_cast<std::ptrdiff_t>(row * static_cast<std::size_t>(y + 1)));
  }
  std::vector<std::uint8_t> z{0x78, 0x01};
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (std::uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  std::size_t at = 0;
  do {
    const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
    z.push_back(at + n == raw.size() ? 1 : 0);
    z.push_back(static_cast<std::uint8_t>(n));
    z.push_back(static_cast<std::uint8_t>(n >> 8));
    z.push_back(static_cast<std::uint8_t>(~n));
    z.push_back(static_cast<std::uint8_t>(~n >> 8));
    z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at), raw.begin() + static_cast<std::ptrdiff_t>(at + n));
    at += n;
  } while (at < raw.size());
  put_u32_be(z, (b << 16) | a);

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

}  // namespace hm::platform
