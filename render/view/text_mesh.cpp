#include "render/view/text_mesh.h"

#include <algorithm>
#include <cmath>

#include "engine/text/font_details.h"
#include "engine/resource/mesh.h"
#include "render/view/mesh_building.h"

namespace hm {
namespace {

bool is_continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// The index just after the word that starts at `from`: a word ends after a
// space, a tab or a newline, or at the end of the text.
int word_end(const std::vector<std::int32_t>& codes, int from) {
  const int n = static_cast<int>(codes.size());
  for (int i = from; i < n; ++i) {
    const std::int32_t c = codes[static_cast<std::size_t>(i)];
    if (c == ' ' || c == '\t' || c == '\n') return i + 1;
  }
  return n;
}

}  // namespace

std::vector<std::int32_t> decode_utf8(std::string_view text, int max_codes) {
  std::vector<std::int32_t> out;
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n && static_cast<int>(out.size()) < max_codes) {
    const auto b = static_cast<unsigned char>(text[i]);
    int length = 0;
    std::int32_t code = 0;
    std::int32_t minimum = 0;
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    if (b >= 0xC2 && b <= 0xDF) {
      length = 2;
      code = b & 0x1F;
      minimum = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3;
      code = b & 0x0F;
      minimum = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4;
      code = b & 0x07;
      minimum = 0x10000;
    }
    bool valid = length > 0 && i + static_cast<std::size_t>(length) <= n;
    for (int k = 1; valid && k < length; ++k) {
      const auto c = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      valid = is_continuation(c);
      code = (code << 6) | (c & 0x3F);
    }
    valid = valid && code >= minimum && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
    if (valid) {
      out.push_back(code);
      i += static_cast<std::size_t>(length);
    } else {
      out.push_back(b);
      ++i;
    }
  }
  return out;
}

void text_mesh::add_glyph(const font_details& font, std::int32_t code, const vec3& pen, float sx, float sy, mesh& m,
                          std::uint32_t colour) {
  const font_glyph& g = font.get_glyph(code);
  const float top = pen.y + g.y_adjust * sy;
  const vec3 p0(pen.x, top - (g.v1 - g.v0) * sy, pen.z);
  const vec3 p1(pen.x + (g.u1 - g.u0) * sx, top, pen.z);
  const float uv0[2] = {g.u0, g.v0};
  const float uv1[2] = {g.u1, g.v1};
  add_quad(m, p0, p1, uv0, uv1, colour);
}

void build_text_mesh(const font_details& font, vec3& out_size, std::string_view text, const vec3& position,
                     std::uint32_t colour, const vec3& glyph_size, mesh& m, const vec3& rect_min,
                     const vec3& rect_max, std::uint32_t flags) {
  const std::vector<std::int32_t> codes = decode_utf8(text);
  const int n = static_cast<int>(codes.size());
  const float m0 = font.size_u;
  const float m1 = font.size_v;
  const float m2 = font.font_scale;
  const float m3 = font.line_spacing;

  // A font without a size would make every scale infinite; it lays nothing out
  // with any extent.
  float sx = m0 > 0.0f ? m2 / m0 * glyph_size.x : 0.0f;
  float sy = m1 > 0.0f ? glyph_size.y / m1 * m2 : 0.0f;
  vec3 pen = position;
  if (flags & text_flag_start_at_rect) pen.x = rect_min.x;
  const float available = rect_max.x - rect_min.x;
  auto line_measure = [&](int first, int last) {
    return measure_text_width(font, codes.data(), n, first, last) * sx * 1.001f;
  };

  // Shrink to fit. Without a rectangle of some width there is nothing to fit:
  // a zero or negative factor would collapse or mirror the text.
  if (!(flags & (text_flag_no_shrink | text_flag_no_shrink_2))) {
    const float width = line_measure(0, n);
    if (width > available && width > 0.0f && available > 0.0f) {
      const float k = available / width;
      sx *= k;
      sy *= k;
    }
  }

  const float start_y = pen.y;
  const float line_step = ((flags & text_flag_wide_lines) ? 1.2f : 1.0f) * m2 * glyph_size.y * m3 * 0.9f;
  float largest_x = rect_min.x;
  int line_start = 0;
  while (line_start < n) {
    // The first word always goes on the line; further words while the line fits.
    int end = word_end(codes, line_start);
    while (codes[static_cast<std::size_t>(end - 1)] != '\n' && end < n) {
      const int next = word_end(codes, end);
      if (line_measure(line_start, next) > available) break;
      end = next;
    }

    const float line_width = measure_text_width(font, codes.data(), n, line_start, end) * sx;
    if ((flags & text_flag_align_left) ||
        ((flags & text_flag_left_unless_fixed) && !(flags & text_flag_no_shrink))) {
      pen.x = rect_min.x;
    } else if (flags & text_flag_center) {
      pen.x = (rect_min.x + rect_max.x) * 0.5f - line_width * 0.5f;
    } else if (flags & text_flag_align_right) {
      pen.x = rect_max.x - line_width;
    }

    const float start = sx > 0.0f ? pen.x / sx : 0.0f;
    for (int i = line_start; i < end; ++i) {
      const std::int32_t c = codes[static_cast<std::size_t>(i)];
      if (c == '\n') continue;
      if (c == '\t') {
        if (sx > 0.0f) pen.x = ((std::floor((pen.x / sx - start) * 4.0f) + 1.0f) * 0.25f + start) * sx;
        continue;
      }
      const font_glyph& g = font.get_glyph(c);
      pen.x += sx * g.pre_shift;
      text_mesh::add_glyph(font, c, pen, sx, sy, m, colour);
      pen.x += sx * g.post_shift;
    }

    largest_x = std::max(largest_x, pen.x);
    pen.y -= line_step;
    pen.x = rect_min.x;
    line_start = end;
  }

  m.compute_normals();
  out_size = vec3(largest_x - rect_min.x + 0.0001f, start_y - pen.y + 0.001f, 0.0f);
  if ((flags & text_flag_center) && (flags & text_flag_no_shrink)) out_size.x = available;
}

void build_text_mesh_fresh(const font_details& font, vec3& out_size, std::string_view text, const vec3& position,
                           std::uint32_t colour, const vec3& glyph_size, mesh& m, const vec3& rect_min,
                           const vec3& rect_max, std::uint32_t flags) {
  m.clear_geometry();
  build_text_mesh(font, out_size, text, position, colour, glyph_size, m, rect_min, rect_max, flags);
}

}  // namespace hm
