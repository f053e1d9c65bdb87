// make_textures: the engine's core textures, painted as small .dds files.
//
//   make_textures <output folder>
//
// Writes white.dds, matte.dds, background.dds, shadow.dds and pic_blank.dds
// (the textures of the core resource files other than the font, which has a
// tool of its own): 32-bit ARGB with their whole mip chains.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "platform/gpu/image_file.h"

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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_textures <output folder>\n");
    return 2;
  }
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
  return ok ? 0 : 1;
}
