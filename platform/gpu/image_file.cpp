#include "platform/gpu/image_file.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace hm::platform::gpu {
namespace {

// .dds layout: "DDS " then a 124-byte header whose pixel format starts at byte 76.
constexpr std::uint32_t dds_magic = 0x20534444;  // "DDS "
constexpr std::size_t dds_header_end = 128;
constexpr std::uint32_t ddsd_caps = 0x1, ddsd_height = 0x2, ddsd_width = 0x4, ddsd_pitch = 0x8,
                        ddsd_pixelformat = 0x1000, ddsd_mipmapcount = 0x20000, ddsd_linearsize = 0x80000;
constexpr std::uint32_t ddpf_alphapixels = 0x1, ddpf_alpha = 0x2, ddpf_fourcc = 0x4, ddpf_rgb = 0x40,
                        ddpf_luminance = 0x20000;
constexpr std::uint32_t caps_complex = 0x8, caps_texture = 0x1000, caps_mipmap = 0x400000;
constexpr std::uint32_t caps2_cubemap = 0x200, caps2_volume = 0x200000;

constexpr std::uint32_t fourcc(char a, char b, char c, char d) {
  return static_cast<std::uint32_t>(static_cast<std::uint8_t>(a)) |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(b)) << 8 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(c)) << 16 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(d)) << 24;
}

std::uint32_t get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
void put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// How a file's pixels become a device format.
enum class conversion { none, rgb24, abgr32, xbgr32 };

struct pixel_format_match {
  format fmt = format::unknown;
  conversion conv = conversion::none;
  std::uint32_t file_bytes = 0;  // bytes per pixel in the file (0: blocks)
};

bool match_pixel_format(const std::uint8_t* pf, pixel_format_match& m) {
  const std::uint32_t flags = get32(pf + 4), code = get32(pf + 8), bits = get32(pf + 12);
  const std::uint32_t r = get32(pf + 16), g = get32(pf + 20), b = get32(pf + 24);
  const std::uint32_t a = (flags & (ddpf_alphapixels | ddpf_alpha)) ? get32(pf + 28) : 0;
  if (flags & ddpf_fourcc) {
    if (code == fourcc('D', 'X', 'T', '1')) m.fmt = format::dxt1;
    else if (code == fourcc('D', 'X', 'T', '3')) m.fmt = format::dxt3;
    else if (code == fourcc('D', 'X', 'T', '5')) m.fmt = format::dxt5;
    else return false;
    return true;
  }
  m.file_bytes = bits / 8;
  if (flags & ddpf_rgb) {
    if (bits == 32 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF) {
      m.fmt = a == 0xFF000000u ? format::a8r8g8b8 : format::x8r8g8b8;
    } else if (bits == 32 && r == 0xFF && g == 0xFF00 && b == 0xFF0000) {
      m.fmt = a == 0xFF000000u ? format::a8r8g8b8 : format::x8r8g8b8;
      m.conv = a == 0xFF000000u ? conversion::abgr32 : conversion::xbgr32;
    } else if (bits == 24 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF) {
      m.fmt = format::x8r8g8b8;
      m.conv = conversion::rgb24;
    } else if (bits == 16 && r == 0xF800 && g == 0x7E0 && b == 0x1F) {
      m.fmt = format::r5g6b5;
    } else if (bits == 16 && r == 0x7C00 && g == 0x3E0 && b == 0x1F) {
      m.fmt = a == 0x8000 ? format::a1r5g5b5 : format::x1r5g5b5;
    } else if (bits == 16 && r == 0xF00 && g == 0xF0 && b == 0xF) {
      m.fmt = a == 0xF000 ? format::a4r4g4b4 : format::x4r4g4b4;
    } else {
      return false;
    }
    return true;
  }
  if (flags & ddpf_luminance) {
    if (bits == 8 && r == 0xFF) m.fmt = format::l8;
    else if (bits == 16 && r == 0xFF && a == 0xFF00) m.fmt = format::a8l8;
    else return false;
    return true;
  }
  if ((flags & ddpf_alpha) && bits == 8 && a == 0xFF) {
    m.fmt = format::a8;
    return true;
  }
  return false;
}

std::uint32_t expand5(std::uint32_t v) { return (v << 3) | (v >> 2); }
std::uint32_t expand6(std::uint32_t v) { return (v << 2) | (v >> 4); }
std::uint32_t expand4(std::uint32_t v) { return v * 17; }

std::uint32_t argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return a << 24 | r << 16 | g << 8 | b;
}

std::uint32_t rgb565(std::uint16_t c) {
  return argb(255, expand5(c >> 11 & 31), expand6(c >> 5 & 63), expand5(c & 31));
}

// Pixel p of a .tga in its colour depth as ARGB. A grey pixel of two bytes is
// the grey level and then its alpha.
std::uint32_t tga_pixel(const std::uint8_t* p, std::uint32_t bytes, bool alpha, bool grey = false) {
  if (bytes == 1) return argb(255, p[0], p[0], p[0]);
  if (grey) return argb(p[1], p[0], p[0], p[0]);
  if (bytes == 2) {
    const std::uint16_t v = get16(p);
    return argb(alpha ? ((v & 0x8000) ? 255 : 0) : 255, expand5(v >> 10 & 31), expand5(v >> 5 & 31),
                expand5(v & 31));
  }
  return argb(bytes == 4 && alpha ? p[3] : 255, p[2], p[1], p[0]);
}

}  // namespace

void decode_dxt_block(format f, const std::uint8_t* block, std::uint32_t out[16]) {
  const std::uint8_t* colour = f == format::dxt1 ? block : block + 8;
  const std::uint16_t c0 = get16(colour), c1 = get16(colour + 2);
  const std::uint32_t indices = get32(colour + 4);
  std::uint32_t palette[4];
  palette[0] = rgb565(c0);
  palette[1] = rgb565(c1);
  auto mix = [&](int w0, int w1, int d) {
    std::uint32_t result = 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
      const std::uint32_t x = (palette[0] >> shift & 0xFF) * w0 + (palette[1] >> shift & 0xFF) * w1;
      result |= (x / d) << shift;
    }
    return result;
  };
  if (f != format::dxt1 || c0 > c1) {
    palette[2] = mix(2, 1, 3);
    palette[3] = mix(1, 2, 3);
  } else {
    palette[2] = mix(1, 1, 2);
    palette[3] = 0;  // transparent black
  }
  for (int i = 0; i < 16; ++i) out[i] = palette[indices >> (2 * i) & 3];
  if (f == format::dxt3) {
    for (int i = 0; i < 16; ++i) {
      const std::uint32_t nibble = block[i / 2] >> ((i & 1) * 4) & 0xF;
      out[i] = (out[i] & 0xFFFFFF) | expand4(nibble) << 24;
    }
  } else if (f == format::dxt5) {
    const std::uint32_t a0 = block[0], a1 = block[1];
    std::uint32_t alpha[8] = {a0, a1};
    if (a0 > a1) {
      for (int i = 1; i < 7; ++i) alpha[i + 1] = ((7 - i) * a0 + i * a1) / 7;
    } else {
      for (int i = 1; i < 5; ++i) alpha[i + 1] = ((5 - i) * a0 + i * a1) / 5;
      alpha[6] = 0;
      alpha[7] = 255;
    }
    std::uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= static_cast<std::uint64_t>(block[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i) out[i] = (out[i] & 0xFFFFFF) | alpha[bits >> (3 * i) & 7] << 24;
  }
}

std::vector<std::uint32_t> decode_level(format f, std::uint32_t width, std::uint32_t height,
                                        const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint32_t> px;
  if (size < level_size(f, width, height) || is_depth_format(f)) return px;
  px.assign(static_cast<std::size_t>(width) * height, 0);
  if (is_block_compressed(f)) {
    const std::size_t block_bytes = f == format::dxt1 ? 8 : 16;
    const std::uint32_t bw = (width + 3) / 4, bh = (height + 3) / 4;
    std::uint32_t block[16];
    for (std::uint32_t by = 0; by < bh; ++by) {
      for (std::uint32_t bx = 0; bx < bw; ++bx) {
        decode_dxt_block(f, data + (static_cast<std::size_t>(by) * bw + bx) * block_bytes, block);
        for (std::uint32_t y = 0; y < 4 && by * 4 + y < height; ++y)
          for (std::uint32_t x = 0; x < 4 && bx * 4 + x < width; ++x)
            px[static_cast<std::size_t>(by * 4 + y) * width + bx * 4 + x] = block[y * 4 + x];
      }
    }
    return px;
  }
  const std::uint32_t bpp = bytes_per_pixel(f);
  for (std::size_t i = 0; i < px.size(); ++i) {
    const std::uint8_t* p = data + i * bpp;
    std::uint32_t v = 0;
    switch (f) {
      case format::a8r8g8b8: v = get32(p); break;
      case format::x8r8g8b8: v = get32(p) | 0xFF000000u; break;
      case format::r8g8b8: v = argb(255, p[2], p[1], p[0]); break;
      case format::r5g6b5: v = rgb565(get16(p)); break;
      case format::a1r5g5b5:
      case format::x1r5g5b5: {
        const std::uint16_t s = get16(p);
        const std::uint32_t a = f == format::x1r5g5b5 || (s & 0x8000) ? 255 : 0;
        v = argb(a, expand5(s >> 10 & 31), expand5(s >> 5 & 31), expand5(s & 31));
        break;
      }
      case format::a4r4g4b4:
      case format::x4r4g4b4: {
        const std::uint16_t s = get16(p);
        const std::uint32_t a = f == format::x4r4g4b4 ? 255 : expand4(s >> 12);
        v = argb(a, expand4(s >> 8 & 15), expand4(s >> 4 & 15), expand4(s & 15));
        break;
      }
      case format::a8: v = argb(p[0], 0, 0, 0); break;
      case format::l8: v = argb(255, p[0], p[0], p[0]); break;
      case format::a8l8: v = argb(p[1], p[0], p[0], p[0]); break;
      case format::r32f: {
        float fv;
        std::memcpy(&fv, p, 4);
        const auto c = static_cast<std::uint32_t>(std::clamp(fv, 0.0f, 1.0f) * 255.0f + 0.5f);
        v = argb(255, c, 255, 255);
        break;
      }
      default: v = 0; break;
    }
    px[i] = v;
  }
  return px;
}

bool read_dds(const std::uint8_t* data, std::size_t size, image& out, std::string& error) {
  if (size < dds_header_end || get32(data) != dds_magic || get32(data + 4) != 124) {
    error = "not a .dds file";
    return false;
  }
  const std::uint32_t height = get32(data + 12), width = get32(data + 16);
  const std::uint32_t flags = get32(data + 8);
  const std::uint32_t caps2 = get32(data + 112);
  if ((caps2 & (caps2_cubemap | caps2_volume)) || width == 0 || height == 0 || width > 16384 || height > 16384) {
    error = "a .dds file that is no 2D texture";
    return false;
  }
  pixel_format_match match;
  if (get32(data + 76) != 32 || !match_pixel_format(data + 76, match)) {
    error = "a .dds pixel format that is not read";
    return false;
  }
  std::uint32_t full_chain = 1;
  while ((width >> full_chain) || (height >> full_chain)) ++full_chain;
  std::uint32_t mips = (flags & ddsd_mipmapcount) ? get32(data + 28) : 1;
  mips = std::clamp<std::uint32_t>(mips, 1, full_chain);

  image img;
  img.fmt = match.fmt;
  img.width = width;
  img.height = height;
  std::size_t at = dds_header_end;
  for (std::uint32_t level = 0; level < mips; ++level) {
    const std::uint32_t w = mip_dimension(width, level), h = mip_dimension(height, level);
    const std::size_t file_bytes =
        match.file_bytes ? static_cast<std::size_t>(w) * h * match.file_bytes : level_size(match.fmt, w, h);
    if (size - at < file_bytes) {
      error = "a truncated .dds file";
      return false;
    }
    const std::uint8_t* src = data + at;
    std::vector<std::uint8_t> pixels;
    switch (match.conv) {
      case conversion::none: pixels.assign(src, src + file_bytes); break;
      case conversion::rgb24:
        pixels.resize(static_cast<std::size_t>(w) * h * 4);
        for (std::size_t i = 0; i < static_cast<std::size_t>(w) * h; ++i) {
          std::memcpy(&pixels[i * 4], src + i * 3, 3);
          pixels[i * 4 + 3] = 255;
        }
        break;
      case conversion::abgr32:
      case conversion::xbgr32:
        pixels.assign(src, src + file_bytes);
        for (std::size_t i = 0; i < pixels.size(); i += 4) std::swap(pixels[i], pixels[i + 2]);
        break;
    }
    img.levels.push_back(std::move(pixels));
    at += file_bytes;
  }
  out = std::move(img);
  return true;
}

std::vector<std::uint8_t> write_dds(const image& img) {
  std::size_t total = dds_header_end;
  for (const auto& l : img.levels) total += l.size();
  std::vector<std::uint8_t> out(dds_header_end, 0);
  out.reserve(total);
  put32(out, 0, dds_magic);
  put32(out, 4, 124);
  std::uint32_t flags = ddsd_caps | ddsd_height | ddsd_width | ddsd_pixelformat;
  flags |= is_block_compressed(img.fmt) ? ddsd_linearsize : ddsd_pitch;
  if (img.levels.size() > 1) flags |= ddsd_mipmapcount;
  put32(out, 8, flags);
  put32(out, 12, img.height);
  put32(out, 16, img.width);
  put32(out, 20, is_block_compressed(img.fmt) ? static_cast<std::uint32_t>(level_size(img.fmt, img.width, img.height))
                                              : img.width * bytes_per_pixel(img.fmt));
  put32(out, 28, static_cast<std::uint32_t>(img.levels.size()));
  put32(out, 76, 32);
  std::uint32_t pf_flags = 0, code = 0, bits = bytes_per_pixel(img.fmt) * 8, r = 0, g = 0, b = 0, a = 0;
  switch (img.fmt) {
    case format::dxt1: pf_flags = ddpf_fourcc; code = fourcc('D', 'X', 'T', '1'); bits = 0; break;
    case format::dxt3: pf_flags = ddpf_fourcc; code = fourcc('D', 'X', 'T', '3'); bits = 0; break;
    case format::dxt5: pf_flags = ddpf_fourcc; code = fourcc('D', 'X', 'T', '5'); bits = 0; break;
    case format::a8r8g8b8: pf_flags = ddpf_rgb | ddpf_alphapixels; r = 0xFF0000; g = 0xFF00; b = 0xFF; a = 0xFF000000u; break;
    case format::x8r8g8b8: pf_flags = ddpf_rgb; r = 0xFF0000; g = 0xFF00; b = 0xFF; break;
    case format::r5g6b5: pf_flags = ddpf_rgb; r = 0xF800; g = 0x7E0; b = 0x1F; break;
    case format::a1r5g5b5: pf_flags = ddpf_rgb | ddpf_alphapixels; r = 0x7C00; g = 0x3E0; b = 0x1F; a = 0x8000; break;
    case format::x1r5g5b5: pf_flags = ddpf_rgb; r = 0x7C00; g = 0x3E0; b = 0x1F; break;
    case format::a4r4g4b4: pf_flags = ddpf_rgb | ddpf_alphapixels; r = 0xF00; g = 0xF0; b = 0xF; a = 0xF000; break;
    case format::x4r4g4b4: pf_flags = ddpf_rgb; r = 0xF00; g = 0xF0; b = 0xF; break;
    case format::r8g8b8: pf_flags = ddpf_rgb; r = 0xFF0000; g = 0xFF00; b = 0xFF; break;
    case format::l8: pf_flags = ddpf_luminance; r = 0xFF; break;
    case format::a8l8: pf_flags = ddpf_luminance | ddpf_alphapixels; r = 0xFF; a = 0xFF00; break;
    case format::a8: pf_flags = ddpf_alpha; a = 0xFF; break;
    default: break;
  }
  put32(out, 80, pf_flags);
  put32(out, 84, code);
  put32(out, 88, bits);
  put32(out, 92, r);
  put32(out, 96, g);
  put32(out, 100, b);
  put32(out, 104, a);
  put32(out, 108, caps_texture | (img.levels.size() > 1 ? caps_complex | caps_mipmap : 0));
  for (const auto& l : img.levels) out.insert(out.end(), l.begin(), l.end());
  return out;
}

bool read_tga(const std::uint8_t* data, std::size_t size, image& out, std::string& error) {
  const auto truncated = [&] {
    error = "a truncated .tga file";
    return false;
  };
  if (size < 18) return truncated();
  const std::uint32_t id_length = data[0], map_type = data[1], type = data[2];
  const std::uint32_t map_first = get16(data + 3), map_length = get16(data + 5), map_bits = data[7];
  const std::uint32_t width = get16(data + 12), height = get16(data + 14);
  const std::uint32_t bits = data[16], descriptor = data[17];
  const bool rle = type >= 9;
  const bool mapped = type == 1 || type == 9;
  const bool grey = type == 3 || type == 11;
  const bool true_colour = type == 2 || type == 10;
  const auto colour_bits = [](std::uint32_t b) { return b == 15 || b == 16 || b == 24 || b == 32; };
  const bool kind_read = (mapped || grey || true_colour) && map_type <= 1 && (map_type == 1 || !mapped) &&
                         (map_type == 0 || colour_bits(map_bits)) &&
                         (mapped || grey ? (bits == 8 || bits == 16) : colour_bits(bits));
  if (!kind_read || width == 0 || height == 0 || width > 16384 || height > 16384) {
    error = "a .tga kind that is not read";
    return false;
  }
  // Every length is checked against the bytes left before it is used, and the
  // pixels against the least the file needs to hold them before anything is
  // sized by the header's claim.
  std::size_t at = 18;
  if (size - at < id_length) return truncated();
  at += id_length;
  const std::uint32_t map_bytes = map_type ? (map_bits + 7) / 8 : 0;
  const std::size_t map_size = static_cast<std::size_t>(map_length) * map_bytes;
  if (size - at < map_size) return truncated();
  std::vector<std::uint32_t> palette;
  if (mapped) {
    const bool map_alpha = map_bits == 32 || (map_bits == 16 && (descriptor & 15) != 0);
    palette.resize(map_length);
    for (std::uint32_t i = 0; i < map_length; ++i) palette[i] = tga_pixel(data + at + i * map_bytes, map_bytes, map_alpha);
  }
  at += map_size;

  const std::uint32_t bytes = (bits + 7) / 8;
  const bool alpha = bits == 32 || (bits == 16 && (descriptor & 15) != 0);
  const std::size_t count = static_cast<std::size_t>(width) * height;
  // A run-length packet covers at most 128 pixels.
  const std::size_t least = rle ? (count + 127) / 128 * (1 + bytes) : count * bytes;
  if (size - at < least) return truncated();

  bool bad_index = false;
  const auto pixel = [&](const std::uint8_t* p) -> std::uint32_t {
    if (!mapped) return tga_pixel(p, bytes, alpha, grey && bytes == 2);
    const std::uint32_t index = bytes == 1 ? p[0] : get16(p);
    if (index < map_first || index - map_first >= palette.size()) {
      bad_index = true;
      return 0;
    }
    return palette[index - map_first];
  };
  std::vector<std::uint32_t> px(count);
  std::size_t n = 0;
  while (n < count) {
    std::size_t run = count;
    bool repeat = false;
    if (rle) {
      if (at >= size) return truncated();
      const std::uint8_t head = data[at++];
      run = (head & 0x7F) + 1u;
      repeat = (head & 0x80) != 0;
    }
    run = std::min(run, count - n);
    for (std::size_t i = 0; i < run; ++i) {
      if (size - at < bytes) return truncated();
      px[n++] = pixel(data + at);
      if (!repeat || i + 1 == run) at += bytes;
    }
  }
  if (bad_index) {
    error = "a .tga colour index outside its colour map";
    return false;
  }
  image img;
  img.fmt = format::a8r8g8b8;
  img.width = width;
  img.height = height;
  std::vector<std::uint8_t> level(count * 4);
  const bool top_first = (descriptor & 0x20) != 0;
  const bool right_first = (descriptor & 0x10) != 0;
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint32_t src_row = top_first ? y : height - 1 - y;
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint32_t src_x = right_first ? width - 1 - x : x;
      put32(level, (static_cast<std::size_t>(y) * width + x) * 4, px[static_cast<std::size_t>(src_row) * width + src_x]);
    }
  }
  img.levels.push_back(std::move(level));
  out = std::move(img);
  return true;
}

bool read_image_file(const std::string& name, const std::uint8_t* data, std::size_t size, image& out,
                     std::string& error) {
  std::string ext = name.size() >= 4 ? name.substr(name.size() - 4) : "";
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext == ".tga") return read_tga(data, size, out, error);
  return read_dds(data, size, out, error);
}

result create_texture_from_image(device& dev, const image& img, std::uint32_t skip, std::unique_ptr<texture>& out) {
  out.reset();
  if (img.levels.empty()) return result::invalid_call;
  const auto count = static_cast<std::uint32_t>(img.levels.size());
  skip = std::min(skip, count - 1);
  std::unique_ptr<texture> t;
  const result r = dev.create_texture(mip_dimension(img.width, skip), mip_dimension(img.height, skip), count - skip,
                                      usage_none, img.fmt, t);
  if (r != result::ok) return r;
  for (std::uint32_t level = 0; level + skip < count; ++level) {
    const auto& pixels = img.levels[level + skip];
    const result u = t->update_level(level, pixels.data(), pixels.size());
    if (u != result::ok) return u;
  }
  out = std::move(t);
  return result::ok;
}

}  // namespace hm::platform::gpu
