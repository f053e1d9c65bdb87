#include "render/support/test_font.h"

namespace hm::test {

font_details make_test_font() {
  font_details f;
  f.texture_width = 100;
  f.texture_height = 100;
  f.font_size = 10;
  f.compute_derived();
  int column = 0;
  auto letter = [&column]() {
    font_glyph g;
    g.u0 = 0.1f * static_cast<float>(column++);
    g.u1 = g.u0 + 0.08f;
    g.v0 = 0.5f;
    g.v1 = 0.6f;
    g.pre_shift = 0.01f;
    g.post_shift = 0.09f;
    return g;
  };
  for (char c : {'a', 'b', 'c', 'd', 'w', '<', '>'}) f.glyphs[static_cast<unsigned char>(c)] = letter();
  font_glyph space;
  space.u0 = space.u1 = 0.95f;
  space.v0 = 0.5f;
  space.v1 = 0.6f;
  space.post_shift = 0.1f;
  f.glyphs[' '] = space;
  font_glyph smile = letter();
  smile.u1 = smile.u0 + 0.15f;
  smile.post_shift = 0.19f;
  f.glyph_map[0x263A] = smile;
  return f;
}

}  // namespace hm::test
