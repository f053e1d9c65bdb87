// make_textures: the engine's core textures, painted as small .dds files.
//
//   make_textures <output folder>
//
// Writes white.dds, matte.dds, background.dds, shadow.dds and pic_blank.dds
// (the textures of the core resource files other than the font, which has a
// tool of its own), and the sample module's ground and water textures
// (ground_*.dds, water.dds): 32-bit ARGB with their whole mip chains.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "platform/gpu/image_file.h"
#include "tool_usage.h"

namespace gpu = hm::platform::gpu;

namespace {

// An image of size x size with every level painted by `paint` (u, v in 0..1).
gpu::image paint(std::uint32_t size, const std::function<std::uint32_t(float u, float v)>& colour) {
  gpu::image img;
  img.fmt = gpu::format::a8r8g8b8;
  img.width = img.height = size;
  for (std::uint32_t level = 0;; ++level) {
    const std::uint32_t s = gpu::mip_dimension(size, level);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(s) * s * 4);
    for (std::uint32_t y = 0; y < s; ++y) {
      for (std::uint32_t x = 0; x < s; ++x) {
        const std::uint32_t c = colour((x + 0.5f) / s, (y + 0.5f) / s);
        for (int k = 0; k < 4; ++k) bytes[(static_cast<std::size_t>(y) * s + x) * 4 + k] = static_cast<std::uint8_t>(c >> (8 * k));
      }
    }
    img.levels.push_back(std::move(bytes));
    if (s == 1) break;
  }
  return img;
}

bool write(const std::filesystem::path& folder, const char* name, const gpu::image& img) {
  const std::vector<std::uint8_t> bytes = gpu::write_dds(img);
  std::ofstream out(folder / name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "make_textures: cannot write %s\n", (folder / name).string().c_str());
    return false;
  }
  return true;
}

std::uint32_t grey(std::uint32_t alpha, std::uint32_t level) { return alpha << 24 | level << 16 | level << 8 | level; }

// A value in 0..1 that varies smoothly over the tile and wraps at its edges:
// a few waves of fixed directions, so every run paints the same texels.
float ripple(float u, float v) {
  constexpr float tau = 6.2831853f;
  const float a = std::sin(tau * (3.0f * u + 2.0f * v)) + std::sin(tau * (5.0f * u - 4.0f * v) + 1.3f) +
                  0.5f * std::sin(tau * (11.0f * u + 7.0f * v) + 0.4f) + 0.5f * std::sin(tau * (9.0f * v - 13.0f * u));
  return std::clamp(a / 6.0f + 0.5f, 0.0f, 1.0f);
}

// An opaque ground tile: the base colour (0xRRGGBB), lighter and darker by the
// ripple by up to `spread` of each channel.
std::function<std::uint32_t(float, float)> ground(std::uint32_t rgb, float spread) {
  return [rgb, spread](float u, float v) {
    const float k = 1.0f + (ripple(u, v) - 0.5f) * 2.0f * spread;
    std::uint32_t out = 0xFF000000u;
    for (int shift : {16, 8, 0}) {
      const float c = static_cast<float>((rgb >> shift) & 0xFFu) * k;
      out |= static_cast<std::uint32_t>(std::clamp(c, 0.0f, 255.0f)) << shift;
    }
    return out;
  };
}

}  // namespace

int main(int argc, char** argv) {
  const bool help = hm::tools::asks_for_help(argc, argv);
  if (help || argc != 2) return hm::tools::print_usage("usage: make_textures <output folder>\n", help);
  const std::filesystem::path folder = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const auto white = [](float, float) { return 0xFFFFFFFFu; };
  // A soft dark blob that fades out towards the edges: the shadow under agents.
  const auto shadow = [](float u, float v) {
    const float d = std::sqrt((u - 0.5f) * (u - 0.5f) + (v - 0.5f) * (v - 0.5f)) * 2.0f;
    const float a = std::clamp(1.0f - d, 0.0f, 1.0f);
    return grey(static_cast<std::uint32_t>(a * a * 200.0f), 0);
  };
  // A muted checker for backgrounds of windows.
  const auto background = [](float u, float v) {
    const bool odd = (static_cast<int>(u * 8) + static_cast<int>(v * 8)) % 2 != 0;
    return odd ? 0xFF3A3128u : 0xFF40362Cu;
  };
  const auto matte = [](float, float) { return grey(255, 128); };
  bool ok = write(folder, "white.dds", paint(8, white));
  ok = write(folder, "pic_blank.dds", paint(8, white)) && ok;
  ok = write(folder, "matte.dds", paint(8, matte)) && ok;
  ok = write(folder, "background.dds", paint(64, background)) && ok;
  ok = write(folder, "shadow.dds", paint(32, shadow)) && ok;
  // The sample module's ground kinds and its river.
  struct tile {
    const char* name;
    std::uint32_t rgb;
    float spread;
  };
  static constexpr tile tiles[] = {
      {"ground_stone.dds", 0x7E7B76, 0.18f},   {"ground_stone_brown.dds", 0x7D6A55, 0.18f},
      {"ground_grass.dds", 0x4F7A32, 0.15f},   {"ground_steppe.dds", 0x9A9650, 0.12f},
      {"ground_snow.dds", 0xE8ECF2, 0.04f},    {"ground_earth.dds", 0x6E5438, 0.15f},
      {"ground_desert.dds", 0xD2B67E, 0.08f},  {"ground_forest.dds", 0x45502A, 0.2f},
      {"ground_pebbles.dds", 0x8C8478, 0.3f},  {"ground_village.dds", 0x857256, 0.12f},
      {"ground_path.dds", 0x9C8362, 0.1f},     {"water.dds", 0x2E5A86, 0.1f},
  };
  for (const tile& t : tiles) ok = write(folder, t.name, paint(64, ground(t.rgb, t.spread))) && ok;
  return ok ? 0 : 1;
}
