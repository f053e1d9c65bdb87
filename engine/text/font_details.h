#pragma once
// The game's bitmap font: where each character lies in the font texture and how
// it is shifted, read from the font data file ("Data\\font_data.xml"). The text
// meshes of the user interface lay their glyphs out with it.
//
// Glyph values are fractions of the texture: u across its width, v up its height
// (v grows from the bottom row), shifts in u, the vertical adjustment in v.
#include <array>
#include <cstdint>
#include <unordered_map>

namespace hm {

class ruv_string;

// One character of the font: its rectangle in the texture (u0 left, v0 bottom,
// u1 right, v1 top), the shift before it is drawn, the offset of its top above
// the pen, and the shift after it.
struct font_glyph {
  float u0 = 0.0f;
  float v0 = 0.0f;
  float u1 = 0.0f;
  float v1 = 0.0f;
  float pre_shift = 0.0f;
  float y_adjust = 0.0f;
  float post_shift = 0.0f;
};

class font_details {
 public:
  // Codes below this are kept in the glyph table, the others in the map.
  static constexpr int glyph_table_size = 512;

  font_details() { construct(); }
  // Defaults: a 512 x 512 texture, padding 0, font size 75, font scale and line
  // spacing 1.0, every glyph zero and the map empty.
  void construct();
  // size_u and size_v from the font size and the texture size.
  void compute_derived();

  // The glyph for a code: the table below 512, the map from 512 up, and the
  // default glyph for a code the map does not hold (and for a negative code).
  const font_glyph& get_glyph(std::int32_t code) const;
  // pre_shift + post_shift of the code's glyph.
  float glyph_advance(std::int32_t code) const { return get_glyph(code).pre_shift + get_glyph(code).post_shift; }

  std::int32_t texture_width = 512;
  std::int32_t texture_height = 512;
  std::int32_t padding = 0;
  std::int32_t font_size = 75;
  // The first three are the metrics the text meshes scale glyphs by; the
  // fourth is their line-spacing factor.
  float size_u = 0.0f;  // font size / texture width
  float size_v = 0.0f;  // font size / texture height
  float font_scale = 1.0f;
  float line_spacing = 1.0f;
  font_glyph default_glyph{};
  std::unordered_map<std::int32_t, font_glyph> glyph_map;
  std::array<font_glyph, glyph_table_size> glyphs{};
};

// Fills the font from the XML font data file (an engine path). A file that
// cannot be loaded or parsed is fatal: "Unable To Load Font File!". Elements
// without a code, and elements with a negative or unreadable code, are skipped
// (the latter two with a warning in the log).
void read_font_details(font_details& font, const ruv_string& path);
void read_font_details(font_details& font, const char* path);

// The width of codes[first] up to, not including, codes[min(last, length)], in
// glyph units (fractions of the texture width). Spans from '<' to '>' measure
// nothing; a tab moves the width to trunc(width x 4) x 0.25 + 0.4; every other
// code adds its glyph advance.
float measure_text_width(const font_details& font, const std::int32_t* codes, int length, int first, int last);

}  // namespace hm
