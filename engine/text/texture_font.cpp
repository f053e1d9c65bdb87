#include "engine/text/texture_font.h"

#include <cmath>
#include <cstring>
#include <string_view>

namespace hm {
namespace {

// The smallest texture tried, and a size no glyph set needs: doubling past it
// means the rasteriser reports nonsense.
constexpr int first_texture_size = 128;
constexpr int largest_texture_size = 1 << 15;

// a x b / c rounded to the nearest integer, halves away from zero.
int mul_div(int a, int b, int c) {
  if (c == 0) return -1;
  const long long p = static_cast<long long>(a) * b;
  const long long half = (c < 0 ? -c : c) / 2;
  const long long q = ((p < 0) != (c < 0)) ? (p - half) / c : (p + half) / c;
  return static_cast<int>(q);
}

std::uint32_t style_of(std::uint32_t flags) {
  std::uint32_t style = 0;
  if (flags & texture_font_bold) style |= platform::font_style_bold;
  if (flags & texture_font_italic) style |= platform::font_style_italic;
  return style;
}

}  // namespace

void texture_font::construct(const char* name, int height_points, std::uint32_t style) {
  std::memset(font_name, 0, sizeof font_name);
  if (name) std::strncpy(font_name, name, sizeof font_name - 1);
  font_height = height_points;
  flags = style;
  device = nullptr;
  has_texture = false;
  texture_width = 0;
  texture_height = 0;
  text_scale = 1.0f;
  glyph_coords = {};
  spacing = 0;
}

int texture_font::pixel_height(int points, int dpi, float scale) {
  return mul_div(points, static_cast<int>(static_cast<float>(dpi) * scale), 72);
}

hresult texture_font::paint_alphabet(const platform::font_face& face, bool paint,
                                     std::vector<std::uint32_t>* bitmap) {
  spacing = static_cast<std::int32_t>(std::ceil(static_cast<float>(face.measure("x").height) * 0.3f));
  platform::bitmap_view target;
  if (paint && bitmap) {
    target.pixels = reinterpret_cast<std::uint8_t*>(bitmap->data());
    target.width = texture_width;
    target.height = texture_height;
    target.pitch = texture_width * 4;
    target.bytes_per_pixel = 4;
  }
  int x = spacing;
  int y = 0;
  for (int c = first_char; c < 127; ++c) {
    const char ch = static_cast<char>(c);
    const platform::text_extent size = face.measure(std::string_view(&ch, 1));
    if (x + size.width + spacing > texture_width) {
      x = spacing;
      y += size.height + 1;
    }
    if (y + size.height > texture_height) return texture_font_more_data;
    if (paint) {
      if (target.pixels) face.draw(std::string_view(&ch, 1), x, y, 0xFFFFFFFFu, target);
      std::array<float, 4>& g = glyph_coords[static_cast<std::size_t>(c - first_char)];
      g[0] = static_cast<float>(x - spacing) / static_cast<float>(texture_width);
      g[1] = static_cast<float>(y) / static_cast<float>(texture_height);
      g[2] = static_cast<float>(x + size.width + spacing) / static_cast<float>(texture_width);
      g[3] = static_cast<float>(y + size.height) / static_cast<float>(texture_height);
    }
    x += size.width + 2 * spacing;
  }
  return frame_code::ok;
}

hresult texture_font::build_glyph_texture(const platform::font_library& fonts, std::uint32_t max_width,
                                          std::vector<std::uint16_t>& texels) {
  const std::uint32_t style = style_of(flags);
  text_scale = 1.0f;
  auto face = fonts.open_face(font_name, pixel_height(font_height, logical_dpi, text_scale), style);
  if (!face) return frame_code::failed;

  texture_width = texture_height = first_texture_size;
  while (paint_alphabet(*face, false, nullptr) == texture_font_more_data) {
    if (texture_width >= largest_texture_size) return frame_code::failed;
    texture_width *= 2;
    texture_height *= 2;
  }

  // Wider than the device allows: shrink the font until the glyphs fit the
  // largest texture it takes.
  if (max_width > 0 && static_cast<std::uint32_t>(texture_width) > max_width) {
    text_scale = static_cast<float>(max_width) / static_cast<float>(texture_width);
    texture_width = texture_height = static_cast<std::int32_t>(max_width);
    for (;;) {
      const int height = pixel_height(font_height, logical_dpi, text_scale);
      if (height < 1) return frame_code::failed;
      face = fonts.open_face(font_name, height, style);
      if (!face) return frame_code::failed;
      if (paint_alphabet(*face, false, nullptr) != texture_font_more_data) break;
      text_scale *= 0.9f;
    }
  }

  // White text on black, then alpha from the intensity.
  std::vector<std::uint32_t> bitmap(static_cast<std::size_t>(texture_width) * static_cast<std::size_t>(texture_height),
                                    0xFF000000u);
  const hresult painted = paint_alphabet(*face, true, &bitmap);
  if (painted != frame_code::ok) return painted;
  texels.resize(bitmap.size());
  for (std::size_t i = 0; i < bitmap.size(); ++i) texels[i] = glyph_texel(bitmap[i]);
  return frame_code::ok;
}

hresult texture_font::init_device_objects(texture_font_device* d, const platform::font_library& fonts) {
  device = d;
  if (!device) return frame_code::failed;
  std::vector<std::uint16_t> texels;
  hresult result = build_glyph_texture(fonts, device->max_texture_width(), texels);
  if (result == frame_code::ok) result = device->create_glyph_texture(texture_width, texture_height, texels);
  has_texture = result >= 0;
  // Without its glyphs the font has nothing to draw with: it acts as if it had
  // no device, so draw_text fails instead of drawing blank boxes.
  if (!has_texture) device = nullptr;
  return result;
}

hresult texture_font::restore_device_objects() {
  return device ? device->restore_draw_objects() : frame_code::ok;
}

hresult texture_font::invalidate_device_objects() {
  if (device) device->release_draw_objects();
  return frame_code::ok;
}

hresult texture_font::delete_device_objects() {
  if (device && has_texture) device->release_glyph_texture();
  has_texture = false;
  device = nullptr;
  return frame_code::ok;
}

void texture_font::destroy() {
  invalidate_device_objects();
  delete_device_objects();
}

float texture_font::line_height() const {
  return (glyph_coords[0][3] - glyph_coords[0][1]) * static_cast<float>(texture_height) / text_scale;
}

std::vector<std::vector<font_vertex>> texture_font::text_vertices(float x, float y, std::uint32_t colour,
                                                                  const char* text, std::uint32_t draw_flags,
                                                                  int viewport_width, int viewport_height) const {
  std::vector<std::vector<font_vertex>> batches;
  if (!text) return batches;
  const float tw = static_cast<float>(texture_width);
  const float th = static_cast<float>(texture_height);
  const float space_height = (glyph_coords[0][3] - glyph_coords[0][1]) * th;
  auto printable = [](unsigned char c) { return c >= first_char && c < first_char + char_count; };

  if (draw_flags & draw_text_center_x) {
    float line_width = 0.0f;
    for (const char* p = text; *p && *p != '\n'; ++p) {
      const auto c = static_cast<unsigned char>(*p);
      if (!printable(c)) continue;
      const auto& g = glyph_coords[c - first_char];
      line_width += (g[2] - g[0]) * tw / text_scale - 2.0f * static_cast<float>(spacing);
    }
    x = (static_cast<float>(viewport_width) - line_width) * 0.5f;
  }
  if (draw_flags & draw_text_center_y) y = (static_cast<float>(viewport_height) - space_height) * 0.5f;

  // Each glyph's box carries the spacing on both sides, so the pen starts one
  // spacing early and moves by the box less both spacings.
  const float start_x = x - static_cast<float>(spacing);
  float sx = start_x;
  float sy = y;
  std::vector<font_vertex> batch;
  for (const char* p = text; *p; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (c == '\n') {
      sx = start_x;
      sy += space_height / text_scale;
      continue;
    }
    if (!printable(c)) continue;
    const auto& g = glyph_coords[c - first_char];
    const float w = (g[2] - g[0]) * tw / text_scale;
    const float h = (g[3] - g[1]) * th / text_scale;
    if (c != ' ') {
      const float x0 = sx - 0.5f, y0 = sy - 0.5f, x1 = sx + w - 0.5f, y1 = sy + h - 0.5f;
      const font_vertex corners[6] = {
          {x0, y1, 0.9f, 1.0f, colour, g[0], g[3]}, {x0, y0, 0.9f, 1.0f, colour, g[0], g[1]},
          {x1, y1, 0.9f, 1.0f, colour, g[2], g[3]}, {x1, y0, 0.9f, 1.0f, colour, g[2], g[1]},
          {x1, y1, 0.9f, 1.0f, colour, g[2], g[3]}, {x0, y0, 0.9f, 1.0f, colour, g[0], g[1]},
      };
      batch.insert(batch.end(), corners, corners + 6);
      if (static_cast<int>(batch.size()) > flush_vertices) {
        batches.push_back(std::move(batch));
        batch.clear();
      }
    }
    sx += w - 2.0f * static_cast<float>(spacing);
  }
  if (!batch.empty()) batches.push_back(std::move(batch));
  return batches;
}

hresult texture_font::draw_text(float x, float y, std::uint32_t colour, const char* text, std::uint32_t draw_flags) {
  if (!device) return frame_code::failed;
  const auto batches =
      text_vertices(x, y, colour, text, draw_flags, device->viewport_width(), device->viewport_height());
  device->begin_text((draw_flags & draw_text_filtered) != 0);
  for (const auto& batch : batches) device->draw_triangles(batch.data(), static_cast<int>(batch.size()));
  device->end_text();
  return frame_code::ok;
}

}  // namespace hm
