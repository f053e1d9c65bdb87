// make_terrain: generates the battle terrain of a terrain code and writes what
// it looks like, for content makers and for checks:
//   <prefix>_height.png  heights, lowest black, highest white
//   <prefix>_layers.png  the top ground layer of every vertex, the river in
//                        blue and placed flora as dark dots
//   <prefix>.txt         sizes, height range, river and flora counts, ground
//                        faces, a grid graph's size, digest, and the legend
//                        of the two pictures (each layer's colour and ground
//                        kind)
// Each vertex is a square of pixels, so that the larger side of a picture is
// at least 400 pixels; north is up. The flora kinds and ground kinds come from
// <data>/Data/ (default "data").
//
//   make_terrain <code> <output prefix> [data folder]
//
// <code> is up to 48 hexadecimal digits, with or without "0x" in front;
// anything else is refused.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "render/terrain/ai_mesh.h"
#include "platform/png_file.h"
#include "render/terrain/terrain_generator.h"
#include "terrain_kinds_file.h"

namespace {

using namespace hm;

// Colours of the top layers 0..14.
constexpr std::uint8_t layer_colours[15][3] = {
    {128, 128, 128}, {90, 160, 60},  {150, 190, 80}, {120, 100, 70}, {200, 80, 80},
    {80, 200, 200},  {200, 200, 80}, {160, 80, 200}, {220, 140, 60}, {60, 120, 200},
    {240, 240, 240}, {100, 60, 40},  {60, 60, 60},   {200, 160, 200}, {140, 200, 160}};
constexpr std::uint8_t water_colour[3] = {40, 70, 200};

// Why the text is not a terrain code, or "" when it is one.
std::string code_fault(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
  if (text.empty()) return "it has no digits";
  if (text.size() > 48) return "it has " + std::to_string(text.size()) + " digits, more than 48";
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!std::isxdigit(static_cast<unsigned char>(text[i])))
      return "'" + std::string(1, text[i]) + "' is not a hexadecimal digit";
  return "";
}

// Writes one picture with every vertex as a square of `scale` pixels.
bool write_scaled(const std::string& path, int w, int h, int channels, const std::vector<std::uint8_t>& pixels,
                  int scale) {
  const int sw = w * scale;
  const int sh = h * scale;
  std::vector<std::uint8_t> out(static_cast<std::size_t>(sw) * static_cast<std::size_t>(sh) *
                                static_cast<std::size_t>(channels));
  for (int y = 0; y < sh; ++y)
    for (int x = 0; x < sw; ++x)
      for (int k = 0; k < channels; ++k)
        out[(static_cast<std::size_t>(y) * static_cast<std::size_t>(sw) + static_cast<std::size_t>(x)) *
                static_cast<std::size_t>(channels) +
            static_cast<std::size_t>(k)] =
            pixels[(static_cast<std::size_t>(y / scale) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x / scale)) *
                       static_cast<std::size_t>(channels) +
                   static_cast<std::size_t>(k)];
  return platform::write_png(path, sw, sh, channels, out);
}

std::string colour_text(const std::uint8_t* c) {
  char text[16];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", c[0], c[1], c[2]);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const bool help = argc > 1 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h");
  if (help || argc < 3 || argc > 4) {
    std::fprintf(help ? stdout : stderr,
                 "usage: make_terrain <terrain code> <output prefix> [data folder]\n"
                 "  <terrain code>  up to 48 hexadecimal digits, with or without 0x in front\n");
    return help ? 0 : 2;
  }
  const std::string fault = code_fault(argv[1]);
  if (!fault.empty()) {
    std::fprintf(stderr, "make_terrain: \"%s\" is not a terrain code: %s (a code is up to 48 hexadecimal digits, "
                 "with or without 0x in front)\n", argv[1], fault.c_str());
    return 2;
  }
  const std::string prefix = argv[2];
  const std::string data_folder = argc > 3 ? argv[3] : "data";
  terrain_generator& gen = g_terrain_generator;
  const bool have_kinds = read_kinds(data_folder, gen.module_data);
  if (!have_kinds) {
    std::fprintf(stderr, "no flora and ground kinds from %s/Data; the terrain has no flora\n", data_folder.c_str());
    gen.module_data = terrain_module_data{};
  }
  gen.code.parse(argv[1]);
  gen.generate_terrain();

  const int w = gen.vertex_count_x();
  const int h = gen.vertex_count_y();
  float low = 1e30f;
  float high = -1e30f;
  std::int32_t river = 0;
  for (int x = 0; x < w; ++x) {
    for (int y = 0; y < h; ++y) {
      const terrain_vertex& v = gen.vertex(x, y);
      low = std::min(low, v.position.z);
      high = std::max(high, v.position.z);
      if (v.flags & vertex_river_path) ++river;
    }
  }
  // Pictures have y growing downwards; the terrain's y grows northwards.
  std::vector<std::uint8_t> heights(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  std::vector<std::uint8_t> layers(heights.size() * 3);
  std::array<int, terrain_layer_count> layer_vertices{};
  int water_vertices = 0;
  const float range = high > low ? high - low : 1.0f;
  for (int x = 0; x < w; ++x) {
    for (int y = 0; y < h; ++y) {
      const terrain_vertex& v = gen.vertex(x, y);
      const std::size_t at = static_cast<std::size_t>(h - 1 - y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
      heights[at] = static_cast<std::uint8_t>((v.position.z - low) / range * 255.0f + 0.5f);
      const int top = terrain_generator::top_layer(v);
      const std::uint8_t* c = layer_colours[top];
      if (v.flags & (vertex_river_path | vertex_river_wide)) {
        c = water_colour;
        ++water_vertices;
      } else {
        ++layer_vertices[static_cast<std::size_t>(top)];
      }
      std::copy(c, c + 3, layers.begin() + static_cast<std::ptrdiff_t>(at * 3));
    }
  }
  // A vertex with flora shows its layer's colour at a third of its brightness,
  // once however many plants stand there (darkening per plant turned dense
  // woods black, which read as holes in the ground).
  std::vector<bool> has_flora(heights.size(), false);
  int flora_vertices = 0;
  for (const placed_item_list& list : gen.placed_items) {
    for (const placed_item& item : list.items) {
      const int x = std::clamp(static_cast<int>(item.placement.origin.x / gen.cell_size + 0.5f), 0, w - 1);
      const int y = std::clamp(static_cast<int>(item.placement.origin.y / gen.cell_size + 0.5f), 0, h - 1);
      const std::size_t vertex = static_cast<std::size_t>(h - 1 - y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
      if (has_flora[vertex]) continue;
      has_flora[vertex] = true;
      ++flora_vertices;
      const std::size_t at = vertex * 3;
      for (int k = 0; k < 3; ++k) layers[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(layers[at + static_cast<std::size_t>(k)] / 3);
    }
  }
  // Each vertex a square of pixels: the larger side at least 400 pixels.
  const int scale = std::max(1, (400 + std::max(w, h) - 1) / std::max(w, h));
  if (!write_scaled(prefix + "_height.png", w, h, 1, heights, scale) ||
      !write_scaled(prefix + "_layers.png", w, h, 3, layers, scale)) {
    std::fprintf(stderr, "cannot write the pictures at %s\n", prefix.c_str());
    return 1;
  }
  std::FILE* text = std::fopen((prefix + ".txt").c_str(), "w");
  if (!text) {
    std::fprintf(stderr, "cannot write %s.txt\n", prefix.c_str());
    return 1;
  }
  std::fprintf(text, "code %s\n", gen.code.to_string().c_str());
  std::fprintf(text, "region %u %s\n", gen.code.region_type(), terrain_region_name(gen.code.region_type()));
  std::fprintf(text, "cells %d x %d of %.0f units (%.0f x %.0f units)\n", gen.cells_x, gen.cells_y, gen.cell_size,
               gen.size_x, gen.size_y);
  std::fprintf(text, "blocks %d x %d\n", gen.blocks_x, gen.blocks_y);
  std::fprintf(text, "heights %.3f .. %.3f units\n", low, high);
  std::fprintf(text, "river path vertices %d\n", river);
  std::fprintf(text, "flora other %d trees %d grass %d\n", gen.placed_items[0].count(), gen.placed_items[1].count(),
               gen.placed_items[2].count());
  std::int32_t soft = 0;
  for (const manifold_face& f : gen.manifold.faces) soft += (f.flags & 0x4000) ? 1 : 0;
  std::fprintf(text, "ground faces %zu (soft %d), steep inner cells %d\n", gen.manifold.faces.size(), soft,
               gen.count_steep_cells());
  ai_mesh graph;
  build_grid_ai_mesh(graph, gen.heights, 4);
  std::fprintf(text, "grid graph (step 4) faces %zu\n", graph.faces.size());
  std::fprintf(text, "kinds from the data folder %s\n", have_kinds ? "yes" : "no");
  std::fprintf(text, "digest %016llx\n", static_cast<unsigned long long>(gen.digest()));
  std::fprintf(text, "pictures %d x %d pixels, a vertex %d x %d pixels, north up\n", w * scale, h * scale, scale,
               scale);
  std::fprintf(text, "legend of %s_height.png: black the lowest (%.3f units), white the highest (%.3f units)\n",
               prefix.c_str(), low, high);
  std::fprintf(text,
               "legend of %s_layers.png: each vertex's top ground layer in the colour below; a vertex with flora\n"
               "  (trees, bushes, grass) in the same colour at a third of its brightness (%d vertices)\n",
               prefix.c_str(), flora_vertices);
  for (int i = 0; i < terrain_layer_count; ++i) {
    if (layer_vertices[static_cast<std::size_t>(i)] == 0) continue;
    const terrain_layer& layer = gen.layers[static_cast<std::size_t>(i)];
    const bool named = layer.ground_kind >= 0 &&
                       layer.ground_kind < static_cast<int>(gen.module_data.ground_kinds.size());
    std::fprintf(text, "  %s layer %d, %s: %d vertices\n", colour_text(layer_colours[i]).c_str(), i,
                 named ? gen.module_data.ground_kinds[static_cast<std::size_t>(layer.ground_kind)].name.c_str()
                       : "no ground kind",
                 layer_vertices[static_cast<std::size_t>(i)]);
  }
  if (water_vertices > 0)
    std::fprintf(text, "  %s river, its path and width: %d vertices\n", colour_text(water_colour).c_str(), water_vertices);
  const bool ok = std::fclose(text) == 0;
  if (ok)
    std::printf("make_terrain: %s_height.png and %s_layers.png (%d x %d pixels) and %s.txt with their legend\n",
                prefix.c_str(), prefix.c_str(), w * scale, h * scale, prefix.c_str());
  return ok ? 0 : 1;
}
